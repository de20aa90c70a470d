// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SceneState.h"
#include "TViewTool.h"

#include <QString>

// A tool that moves the camera by dragging; the whole drag is one undo step
// in the view's history.
class TCameraDragTool : public TViewTool {
public:
    void Press(const TToolEvent& e) override;
    void Release(const TToolEvent& e) override;
    void Finish() override;

protected:
    TCameraDragTool(TfrmPlot& view, const QString& step);
    // Called before a move changes the camera: a drag begins unless one is open.
    void Open();

private:
    QString FStep;
    bool FOpen = false;
    TViewState FBefore;
};
