// SPDX-License-Identifier: GPL-3.0-or-later
#include "TObjectDragTool.h"

#include "TGLObject.h"
#include "TfrmPlot.h"

TObjectDragTool::TObjectDragTool(TfrmPlot& view, const QString& step) : TViewTool(view), FStep(step) {}

void TObjectDragTool::Press(const TToolEvent&) { Open(Document().Current()); }

void TObjectDragTool::Release(const TToolEvent&) { Finish(); }

void TObjectDragTool::Open(TGLObject* obj)
{
    if (FOpen && FObject == obj)
        return;
    Finish();
    if (!obj)
        return;
    FOpen = true;
    FObject = obj;
    FBefore = TObjectState::Capture(*obj);
}

void TObjectDragTool::Finish()
{
    if (!FOpen)
        return;
    FOpen = false;
    TGLObject* obj = FObject;
    FObject = nullptr;
    // The object may have gone while the button was held (the Delete key).
    if (Document().IndexOf(obj) >= 0)
        Document().CommitObjectEdit(obj, FBefore, FStep);
}
