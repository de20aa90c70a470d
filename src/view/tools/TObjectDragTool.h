// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SceneState.h"
#include "TViewTool.h"

#include <QString>

class TGLObject;

// A tool that changes the current object by dragging. The drag changes the
// object live as the mouse moves and becomes one undo step when it ends.
class TObjectDragTool : public TViewTool {
public:
    void Press(const TToolEvent& e) override;
    void Release(const TToolEvent& e) override;
    void Finish() override;

protected:
    // step: the undo step's name ("Scale").
    TObjectDragTool(TfrmPlot& view, const QString& step);
    // Called before a move changes obj: a drag on it begins unless one is
    // open already. A drag on another object is finished first, and a move
    // after a release of one of two buttons opens a new one, so that every
    // change is part of some step.
    void Open(TGLObject* obj);

private:
    QString FStep;
    bool FOpen = false;
    TGLObject* FObject = nullptr;
    TObjectState FBefore;
};
