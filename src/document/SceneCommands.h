// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SceneState.h"

#include <QUndoCommand>

#include <memory>
#include <vector>

class TGLObject;
class TSceneDocument;

// The undo steps of a scene document. Each refers to objects by their place
// in the list, which is the same whenever the step is undone or redone (the
// history is linear).

// Some base every scene step shares: whether undoing or redoing it needs free
// light units, and how many.
class TSceneCommand : public QUndoCommand {
public:
    using QUndoCommand::QUndoCommand;
    // Lights the step would bring into the scene when undone / redone.
    virtual int LightsBroughtBackByUndo() const { return 0; }
    virtual int LightsBroughtBackByRedo() const { return 0; }
};

// Puts objects into the scene (placing, loading, copying) or takes them out
// (deleting, Delete All); undo does the opposite. Objects out of the scene
// live in the command, lights without a light unit.
class TObjectListCommand : public TSceneCommand {
public:
    struct Entry {
        int Index = 0;
        std::unique_ptr<TGLObject> Object; // held while out of the scene
    };

    // For insertion, entries hold the objects and the places they go to, in
    // ascending order; for removal, the places of the objects to take out.
    TObjectListCommand(TSceneDocument* doc, const QString& text, bool inserts, std::vector<Entry> entries);
    ~TObjectListCommand() override;

    void redo() override;
    void undo() override;
    int LightsBroughtBackByUndo() const override;
    int LightsBroughtBackByRedo() const override;

private:
    void Put();
    void Take();
    int HeldLights() const;

    TSceneDocument* FDoc;
    bool FInserts;
    std::vector<Entry> FEntries;
    int FCurrentBefore; // the current object's place before the step, or -1
};

// Changes the state of one object (a drag, colour, texture, material, light
// options).
class TObjectStateCommand : public TSceneCommand {
public:
    TObjectStateCommand(TSceneDocument* doc, const QString& text, int index, const TObjectState& before,
                        const TObjectState& after, int mergeId, bool alreadyDone);
    void redo() override;
    void undo() override;
    int id() const override { return FMergeId; }
    bool mergeWith(const QUndoCommand* other) override;

private:
    void Apply(const TObjectState& state);

    TSceneDocument* FDoc;
    int FIndex;
    TObjectState FBefore, FAfter;
    int FMergeId;
    bool FSkipRedo;
};

// Changes the camera or view options.
class TViewStateCommand : public TSceneCommand {
public:
    // Whether the change has already been made when the step is pushed, and
    // whether that first time the views are to be left alone.
    enum Start { ToDo, Done, DoneQuietly };
    TViewStateCommand(TSceneDocument* doc, const QString& text, const TViewState& before,
                      const TViewState& after, int mergeId, Start start);
    void redo() override;
    void undo() override;
    int id() const override { return FMergeId; }
    bool mergeWith(const QUndoCommand* other) override;

private:
    TSceneDocument* FDoc;
    TViewState FBefore, FAfter;
    int FMergeId;
    Start FStart;
};

// Sets the level of detail of every object (the subdivision level).
class TDetailCommand : public TSceneCommand {
public:
    TDetailCommand(TSceneDocument* doc, int level);
    void redo() override;
    void undo() override;

private:
    TSceneDocument* FDoc;
    int FLevel;
    std::vector<int> FBefore;
};
