// SPDX-License-Identifier: GPL-3.0-or-later
#include "SceneCommands.h"

#include "TGLObject.h"
#include "TSceneDocument.h"

TObjectListCommand::TObjectListCommand(TSceneDocument* doc, const QString& text, bool inserts,
                                       std::vector<Entry> entries)
    : TSceneCommand(text), FDoc(doc), FInserts(inserts), FEntries(std::move(entries)),
      FCurrentBefore(doc->IndexOf(doc->Current()))
{
}

// Objects held here are out of the scene and hold no light unit: destroying
// them makes no OpenGL call.
TObjectListCommand::~TObjectListCommand() = default;

void TObjectListCommand::Put()
{
    TGLObject* last = nullptr;
    for (Entry& e : FEntries) {
        TGLObject* raw = e.Object.get();
        if (FDoc->Attach(e.Index, e.Object))
            last = raw;
    }
    FDoc->SetCurrent(last);
}

void TObjectListCommand::Take()
{
    for (auto it = FEntries.rbegin(); it != FEntries.rend(); ++it)
        it->Object = FDoc->Detach(it->Index);
    FDoc->SetCurrent(nullptr);
}

void TObjectListCommand::redo()
{
    if (FInserts)
        Put();
    else
        Take();
    FDoc->Notify({FInserts ? TSceneChange::ObjectsAdded : TSceneChange::ObjectsRemoved});
}

void TObjectListCommand::undo()
{
    if (FInserts)
        Take();
    else
        Put();
    // The scene is as it was before the step, selection included.
    FDoc->SetCurrent(FDoc->At(FCurrentBefore));
    FDoc->Notify({FInserts ? TSceneChange::ObjectsRemoved : TSceneChange::ObjectsAdded});
}

int TObjectListCommand::HeldLights() const
{
    int lights = 0;
    for (const Entry& e : FEntries)
        if (IsLightObject(e.Object.get()))
            ++lights;
    return lights;
}

int TObjectListCommand::LightsBroughtBackByUndo() const { return FInserts ? 0 : HeldLights(); }

int TObjectListCommand::LightsBroughtBackByRedo() const { return FInserts ? HeldLights() : 0; }

TObjectStateCommand::TObjectStateCommand(TSceneDocument* doc, const QString& text, int index,
                                         const TObjectState& before, const TObjectState& after, int mergeId,
                                         bool alreadyDone)
    : TSceneCommand(text), FDoc(doc), FIndex(index), FBefore(before), FAfter(after), FMergeId(mergeId),
      FSkipRedo(alreadyDone)
{
}

void TObjectStateCommand::Apply(const TObjectState& state)
{
    TGLObject* obj = FDoc->At(FIndex);
    if (obj) {
        auto token = FDoc->EnterContext();
        state.Apply(*obj);
    }
    FDoc->Notify({TSceneChange::ObjectChanged, obj});
}

void TObjectStateCommand::redo()
{
    if (FSkipRedo) {
        FSkipRedo = false;
        FDoc->Notify({TSceneChange::ObjectChanged, FDoc->At(FIndex)});
        return;
    }
    Apply(FAfter);
}

void TObjectStateCommand::undo() { Apply(FBefore); }

bool TObjectStateCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const TObjectStateCommand*>(other);
    if (next->FIndex != FIndex)
        return false;
    FAfter = next->FAfter;
    return true;
}

TViewStateCommand::TViewStateCommand(TSceneDocument* doc, const QString& text, const TViewState& before,
                                     const TViewState& after, int mergeId, Start start)
    : TSceneCommand(text), FDoc(doc), FBefore(before), FAfter(after), FMergeId(mergeId), FStart(start)
{
}

void TViewStateCommand::redo()
{
    const Start start = FStart;
    FStart = ToDo;
    if (start == ToDo)
        FDoc->LiveView() = FAfter;
    if (start != DoneQuietly)
        FDoc->Notify({TSceneChange::ViewChanged});
}

void TViewStateCommand::undo()
{
    FDoc->LiveView() = FBefore;
    FDoc->Notify({TSceneChange::ViewChanged});
}

bool TViewStateCommand::mergeWith(const QUndoCommand* other)
{
    FAfter = static_cast<const TViewStateCommand*>(other)->FAfter;
    return true;
}

TDetailCommand::TDetailCommand(TSceneDocument* doc, int level)
    : TSceneCommand(QStringLiteral("Subdivision level")), FDoc(doc), FLevel(level)
{
    for (TGLObject* obj : doc->Objects())
        FBefore.push_back(obj->GetDetail());
}

void TDetailCommand::redo()
{
    for (TGLObject* obj : FDoc->Objects())
        obj->SetDetail(FLevel);
    FDoc->Notify({TSceneChange::ObjectChanged});
}

void TDetailCommand::undo()
{
    const std::vector<TGLObject*> objects = FDoc->Objects();
    for (std::size_t i = 0; i < objects.size() && i < FBefore.size(); ++i)
        if (FBefore[i] >= 0)
            objects[i]->SetDetail(FBefore[i]);
    FDoc->Notify({TSceneChange::ObjectChanged});
}
