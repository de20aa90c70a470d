// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSceneDocument.h"

#include "DrawBudget.h"
#include "SceneCommands.h"
#include "SceneFile.h"
#include "TGLLight.h"
#include "TGLObject.h"

#include <QDebug>
#include <QHash>

#include <utility>

namespace {

// The steps a document keeps: enough for any session, bounded for meshes
// held by removal steps.
constexpr int kUndoLimit = 200;

QHash<GLuint, QString>& TextureFiles()
{
    static QHash<GLuint, QString> files;
    return files;
}

// Sends the OpenGL calls of objects nowhere while no view hosts the document.
class NullContextToken : public TContextToken {
public:
    NullContextToken() : FScope(gl::nullDevice()) {}

private:
    gl::ScopedDevice FScope;
};

const QString kTooManyLights = QStringLiteral("You can't have more than 8 lights!");

} // namespace

void RememberTextureFile(GLuint texture, const QString& fileName)
{
    TextureFiles().insert(texture, fileName);
}

QString TextureFileOf(GLuint texture) { return TextureFiles().value(texture); }

TSceneDocument::TSceneDocument(QObject* parent) : QObject(parent)
{
    FUndo.setUndoLimit(kUndoLimit);
    connect(&FUndo, &QUndoStack::cleanChanged, this, [this](bool clean) { emit ModifiedChanged(!clean); });
}

TSceneDocument::~TSceneDocument() { Clear(); }

std::unique_ptr<TContextToken> TSceneDocument::EnterContext() const
{
    if (FHost)
        return FHost->EnterContext();
    return std::make_unique<NullContextToken>();
}

void TSceneDocument::ShowMessage(const QString& text) const
{
    if (FHost)
        FHost->ShowMessage(text);
    else
        qWarning().noquote() << text;
}

void TSceneDocument::SetCurrent(TGLObject* obj)
{
    if (obj == FCurrent)
        return;
    FCurrent = obj;
    emit CurrentChanged();
}

std::vector<TGLObject*> TSceneDocument::Objects() const
{
    std::vector<TGLObject*> objects;
    for (TGLObject* obj = FFirst; obj; obj = obj->GetNext())
        objects.push_back(obj);
    return objects;
}

int TSceneDocument::Count() const { return FCount; }

int TSceneDocument::IndexOf(const TGLObject* wanted) const
{
    int i = 0;
    for (TGLObject* obj = FFirst; obj; obj = obj->GetNext(), ++i)
        if (obj == wanted)
            return i;
    return -1;
}

TGLObject* TSceneDocument::At(int index) const
{
    if (index < 0)
        return nullptr;
    TGLObject* obj = FFirst;
    for (int i = 0; obj && i < index; ++i)
        obj = obj->GetNext();
    return obj;
}

bool TSceneDocument::Attach(int index, std::unique_ptr<TGLObject>& obj)
{
    if (!obj)
        return false;
    if (IsLightObject(obj.get())) {
        auto token = EnterContext();
        if (!static_cast<TGLLight*>(obj.get())->AcquireUnit())
            return false;
    }
    ++FCount;
    if (index <= 0 || !FFirst) {
        obj->SetNext(FFirst);
        if (!FFirst)
            FLast = obj.get();
        FFirst = obj.release();
        return true;
    }
    // At the end (loading a file, adding an object) without a walk.
    TGLObject* before = index >= FCount - 1 ? FLast : At(index - 1);
    obj->SetNext(before->GetNext());
    if (before == FLast)
        FLast = obj.get();
    before->SetNext(obj.release());
    return true;
}

std::unique_ptr<TGLObject> TSceneDocument::Detach(int index)
{
    TGLObject* obj = At(index);
    if (!obj)
        return nullptr;
    TGLObject* before = obj == FFirst ? nullptr : At(index - 1);
    if (before)
        before->SetNext(obj->GetNext());
    else
        FFirst = obj->GetNext();
    if (obj == FLast)
        FLast = before;
    --FCount;
    obj->SetNext(nullptr);
    if (obj == FCurrent)
        SetCurrent(nullptr);
    if (IsLightObject(obj)) {
        auto token = EnterContext();
        static_cast<TGLLight*>(obj)->ReleaseUnit();
    }
    return std::unique_ptr<TGLObject>(obj);
}

void TSceneDocument::Clear()
{
    FUndo.clear();
    {
        auto token = EnterContext();
        TGLObject* obj = FFirst;
        FFirst = nullptr;
        FLast = nullptr;
        FCount = 0;
        FCurrent = nullptr;
        while (obj) {
            TGLObject* next = obj->GetNext();
            delete obj;
            obj = next;
        }
    }
}

TGLObject* TSceneDocument::AddObject(std::unique_ptr<TGLObject> obj, const QString& text)
{
    TGLObject* added = obj.get();
    // Numbered like an append: one more than the last object's number.
    if (FLast)
        obj->SetID(FLast->GetID() + 1);
    std::vector<TObjectListCommand::Entry> entries(1);
    entries[0].Index = Count();
    entries[0].Object = std::move(obj);
    FUndo.push(new TObjectListCommand(this, text, true, std::move(entries)));
    return IndexOf(added) >= 0 ? added : nullptr;
}

bool TSceneDocument::CopyCurrent()
{
    if (!FCurrent || !FFirst)
        return false;
    if (IsLightObject(FCurrent) && TGLLight::GetLightCount() >= TGLLight::kMaxLights) {
        ShowMessage(kTooManyLights);
        return false;
    }
    std::unique_ptr<TGLObject> copy;
    {
        auto token = EnterContext();
        copy = FCurrent->Clone();
        // The copy holds no light unit until it joins the scene.
        if (IsLightObject(copy.get()))
            static_cast<TGLLight*>(copy.get())->ReleaseUnit();
    }
    return AddObject(std::move(copy), QStringLiteral("Copy")) != nullptr;
}

void TSceneDocument::DeleteCurrent()
{
    const int index = IndexOf(FCurrent);
    if (index < 0)
        return;
    std::vector<TObjectListCommand::Entry> entries(1);
    entries[0].Index = index;
    FUndo.push(new TObjectListCommand(this, QStringLiteral("Delete"), false, std::move(entries)));
}

void TSceneDocument::DeleteAll(const QString& text)
{
    const int n = Count();
    if (n == 0) {
        Notify({TSceneChange::ObjectsRemoved});
        return;
    }
    std::vector<TObjectListCommand::Entry> entries(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        entries[static_cast<std::size_t>(i)].Index = i;
    FUndo.push(new TObjectListCommand(this, text, false, std::move(entries)));
}

void TSceneDocument::EditObject(TGLObject* obj, const QString& text,
                                const std::function<void(TGLObject&)>& change, int mergeId)
{
    const int index = IndexOf(obj);
    if (index < 0)
        return;
    const TObjectState before = TObjectState::Capture(*obj);
    {
        auto token = EnterContext();
        change(*obj);
    }
    const TObjectState after = TObjectState::Capture(*obj);
    if (after == before) {
        Notify({TSceneChange::ObjectChanged, obj});
        return;
    }
    FUndo.push(new TObjectStateCommand(this, text, index, before, after, mergeId, true));
}

void TSceneDocument::CommitObjectEdit(TGLObject* obj, const TObjectState& before, const QString& text)
{
    const int index = IndexOf(obj);
    if (index < 0)
        return;
    const TObjectState after = TObjectState::Capture(*obj);
    if (after != before)
        FUndo.push(new TObjectStateCommand(this, text, index, before, after, -1, true));
}

void TSceneDocument::EditView(const QString& text, const std::function<void(TViewState&)>& change,
                              int mergeId, bool quiet)
{
    const TViewState before = FView;
    change(FView);
    if (FView == before) {
        if (!quiet)
            Notify({TSceneChange::ViewChanged});
        return;
    }
    FUndo.push(new TViewStateCommand(this, text, before, FView, mergeId,
                                     quiet ? TViewStateCommand::DoneQuietly : TViewStateCommand::Done));
}

void TSceneDocument::CommitViewEdit(const TViewState& before, const QString& text)
{
    if (FView != before)
        FUndo.push(new TViewStateCommand(this, text, before, FView, -1, TViewStateCommand::Done));
}

void TSceneDocument::SetDetailAll(int level)
{
    // Raising the detail of many shapes can ask for more than a frame can
    // take: they get the highest detail at which the scene still fits.
    if (level > 0) {
        const std::vector<TGLObject*> objects = Objects();
        const std::uint64_t asked = drawbudget::Triangles(objects, level, level);
        if (asked > drawbudget::kMaxTriangles) {
            const int cap = drawbudget::FittingCap(objects, level);
            ShowMessage(
                QStringLiteral("Detail %1 would draw %2 triangles a frame, more than the %3 a frame can "
                               "take; detail %4 is used instead")
                    .arg(level)
                    .arg(asked)
                    .arg(drawbudget::kMaxTriangles)
                    .arg(cap));
            level = cap;
        }
    }
    bool changes = false;
    for (TGLObject* obj = FFirst; obj; obj = obj->GetNext()) {
        const int detail = obj->GetDetail();
        if (detail >= 0 && detail != level && level >= 0)
            changes = true;
    }
    if (!changes) {
        // Nothing to undo; objects without detail ignore the level anyway.
        for (TGLObject* obj = FFirst; obj; obj = obj->GetNext())
            obj->SetDetail(level);
        Notify({TSceneChange::ObjectChanged});
        return;
    }
    FUndo.push(new TDetailCommand(this, level));
}

bool TSceneDocument::Undo()
{
    if (!FUndo.canUndo())
        return false;
    const auto* step = dynamic_cast<const TSceneCommand*>(FUndo.command(FUndo.index() - 1));
    if (step && step->LightsBroughtBackByUndo() > TGLLight::kMaxLights - TGLLight::GetLightCount()) {
        ShowMessage(kTooManyLights);
        return false;
    }
    FUndo.undo();
    return true;
}

bool TSceneDocument::Redo()
{
    if (!FUndo.canRedo())
        return false;
    const auto* step = dynamic_cast<const TSceneCommand*>(FUndo.command(FUndo.index()));
    if (step && step->LightsBroughtBackByRedo() > TGLLight::kMaxLights - TGLLight::GetLightCount()) {
        ShowMessage(kTooManyLights);
        return false;
    }
    FUndo.redo();
    return true;
}

void TSceneDocument::SetFileName(const QString& fileName)
{
    if (fileName == FFileName)
        return;
    FFileName = fileName;
    emit FileNameChanged(fileName);
}

bool TSceneDocument::Save(const QString& fileName, QString& error)
{
    if (!scenefile::Write(*this, fileName, error))
        return false;
    SetFileName(fileName);
    FUndo.setClean();
    return true;
}

bool TSceneDocument::Load(const QString& fileName, QString& error, QStringList& skipped)
{
    if (!scenefile::Read(*this, fileName, error, skipped))
        return false;
    FUndo.clear();
    FUndo.setClean();
    SetFileName(fileName);
    Notify({TSceneChange::Reloaded});
    return true;
}
