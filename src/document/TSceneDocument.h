// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SceneState.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <vector>

class TGLObject;

// Held while the OpenGL calls of scene objects must reach the drawing
// context; destroying it ends that.
class TContextToken {
public:
    virtual ~TContextToken() = default;
};

// What a document needs from the window that draws it. Without a host the
// objects' OpenGL calls go nowhere and messages are only logged.
class TSceneHost {
public:
    virtual ~TSceneHost() = default;
    // Makes the drawing context current for the OpenGL calls objects make as
    // they are created, changed or removed (lights hold light units).
    virtual std::unique_ptr<TContextToken> EnterContext() = 0;
    // Tells the user something (a refused edit, a problem with a file).
    virtual void ShowMessage(const QString& text) = 0;
    // Makes a texture from a picture file; throws std::exception with the
    // reason when the picture cannot be read or made into a texture.
    virtual GLuint LoadTexture(const QString& fileName) = 0;
};

// The picture file each texture was made from, for every view of the process
// (textures are shared between views).
void RememberTextureFile(GLuint texture, const QString& fileName);
QString TextureFileOf(GLuint texture);

// What a change to a scene touched, so that each listener updates only what
// it shows of it.
struct TSceneChange {
    enum Kind {
        ObjectsAdded,   // objects linked into the list (added, copied, a removal undone)
        ObjectsRemoved, // objects taken out of it
        ObjectChanged,  // the state of object, or of every object where it is null
        ViewChanged,    // the camera or the view options
        Reloaded,       // the whole scene, read from a file
    };
    Kind kind;
    const TGLObject* object = nullptr;

    bool IsAbout(Kind k) const { return kind == k || kind == Reloaded; }
};

// A view's scene as a document: the objects (a list the document owns), the
// current object, the camera and view options, the file it is kept in, and
// the undo history of every edit.
//
// Edits go through the functions below, each one undo step. Changes that are
// not steps of their own (the moves of a drag in progress, animation) change
// the objects or LiveView() directly, call Notify(), and the drag commits
// its whole change as one step when it ends (CommitObjectEdit, CommitViewEdit).
class TSceneDocument : public QObject {
    Q_OBJECT

public:
    explicit TSceneDocument(QObject* parent = nullptr);
    ~TSceneDocument() override;

    void SetHost(TSceneHost* host) { FHost = host; }
    TSceneHost* Host() const { return FHost; }
    std::unique_ptr<TContextToken> EnterContext() const;
    void ShowMessage(const QString& text) const;

    // --- The scene -------------------------------------------------------
    TGLObject* First() const { return FFirst; }
    TGLObject* Current() const { return FCurrent; }
    // Selection is not an edit: it changes no undo history.
    void SetCurrent(TGLObject* obj);
    std::vector<TGLObject*> Objects() const;
    int Count() const;
    int IndexOf(const TGLObject* obj) const;
    TGLObject* At(int index) const;
    const TViewState& View() const { return FView; }
    TViewState& LiveView() { return FView; }
    // Tells the listeners what changed: the views redraw, the panels show it.
    void Notify(const TSceneChange& change) { emit SceneChanged(change); }

    // --- Edits -----------------------------------------------------------
    // Puts obj at the end of the list and makes it current.
    TGLObject* AddObject(std::unique_ptr<TGLObject> obj, const QString& text);
    // Appends a copy of the current object; refused (with the message) when
    // it is a light and all light units are held.
    bool CopyCurrent();
    void DeleteCurrent();
    // Removes every object ("Delete All", "Clear the picture").
    void DeleteAll(const QString& text);
    // Changes obj through change as one step. Consecutive edits with the same
    // non-negative mergeId on the same object make one step (a slider moved).
    void EditObject(TGLObject* obj, const QString& text, const std::function<void(TGLObject&)>& change,
                    int mergeId = -1);
    // Records as one step what live changes did to obj since before.
    void CommitObjectEdit(TGLObject* obj, const TObjectState& before, const QString& text);
    // quiet: the change itself does not redraw (the caller shows it when it
    // chooses); undo and redo of it do.
    void EditView(const QString& text, const std::function<void(TViewState&)>& change, int mergeId = -1,
                  bool quiet = false);
    void CommitViewEdit(const TViewState& before, const QString& text);
    // Sets the level of detail of every object that has one.
    void SetDetailAll(int level);

    QUndoStack* UndoStack() { return &FUndo; }
    // Undo and redo of the step at hand; refused, changing nothing, when it
    // would bring back more lights than there are free light units.
    bool Undo();
    bool Redo();

    // --- The file --------------------------------------------------------
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& fileName);
    bool IsModified() const { return !FUndo.isClean(); }
    // No objects and no history: a new document that a file may fill.
    bool IsPristine() const { return !FFirst && FUndo.count() == 0 && FFileName.isEmpty(); }
    // Writes the scene to fileName atomically and makes it the document's
    // file; false with the reason in error, the old file intact.
    bool Save(const QString& fileName, QString& error);
    // Fills this (pristine) document from fileName. False with the reason in
    // error when nothing could be read; otherwise true, with what had to be
    // left out listed in skipped.
    bool Load(const QString& fileName, QString& error, QStringList& skipped);

    // --- For the edit commands -------------------------------------------
    // Links obj in at index; false, with obj handed back untouched through
    // the return path of the caller's unique_ptr, when it is a light and no
    // light unit is free.
    bool Attach(int index, std::unique_ptr<TGLObject>& obj);
    std::unique_ptr<TGLObject> Detach(int index);
    // Destroys every object at once, history included (the view closing).
    void Clear();

signals:
    void SceneChanged(const TSceneChange& change);
    // The current object is another one (selection is not an edit).
    void CurrentChanged();
    void ModifiedChanged(bool modified);
    void FileNameChanged(const QString& fileName);

private:
    TSceneHost* FHost = nullptr;
    TGLObject* FFirst = nullptr;
    // The list's tail and length, so that appending is a step, not a walk.
    TGLObject* FLast = nullptr;
    int FCount = 0;
    TGLObject* FCurrent = nullptr;
    TViewState FView;
    QUndoStack FUndo;
    QString FFileName;
};
