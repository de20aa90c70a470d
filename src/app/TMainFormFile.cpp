// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's commands on scene documents: open, save, recent files,
// undo, and the tool buttons that act on the active view.
#include "ActiveView.h"
#include "MeshImport.h"
#include "Messages.h"
#include "Prompts.h"
#include "SceneFile.h"
#include "TMainForm.h"
#include "TfrmPictureProperty.h"
#include "TfrmPlot.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <exception>

namespace {

constexpr int kRecentFiles = 8;

} // namespace

TfrmPlot* TMainForm::NewView()
{
    FileNew1Execute();
    return ActiveView();
}

void TMainForm::FileOpen1Execute()
{
    const QString fileName = corvane::ChooseFileName(this, false, QStringLiteral("Open"), QString(),
                                                     OpenFilters().join(QStringLiteral(";;")));
    if (!fileName.isEmpty())
        OpenFile(fileName);
}

QStringList TMainForm::OpenFilters()
{
    // Scenes, then the meshes as Load Object lists them, then every file.
    QStringList filters = TfrmPlot::SceneFileFilter().split(QStringLiteral(";;"));
    const QString everything = filters.takeLast();
    filters << meshio::ImportFilters();
    filters << QStringLiteral("Task results (summary.json field.vti)");
    filters.removeAll(everything);
    filters << everything;
    return filters;
}

bool TMainForm::OpenFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (IsResultsPath(fileName))
        return OpenResults(fileName);
    if (info.isDir()) {
        corvane::ShowMessage(QStringLiteral("Cannot open %1: it is a folder").arg(fileName));
        return false;
    }
    if (!info.isFile()) {
        corvane::ShowMessage(QStringLiteral("Cannot open %1: there is no such file").arg(fileName));
        return false;
    }
    const QString path = info.absoluteFilePath();
    if (info.suffix().compare(scenefile::Extension(), Qt::CaseInsensitive) != 0) {
        // A mesh: our coordinate pair, or any format the import reads, as
        // polygon objects in a view of their own.
        TfrmPlot* view = NewView();
        if (!view)
            return false;
        bool loaded = false;
        if (meshio::IsCoordinateFile(path)) {
            loaded = view->LoadPolyObject(path);
        } else {
            auto meshes = meshio::ImportMeshes(path, [](const QString& text) { corvane::ShowMessage(text); });
            loaded = !meshes.empty();
            view->AddPolyObjects(std::move(meshes));
        }
        if (!loaded) {
            view->SubWindow()->close();
            return false;
        }
        AddRecentFile(path);
        return true;
    }
    TfrmPlot* view = ActiveView();
    const bool reuse = view && view->Document()->IsPristine();
    if (!reuse)
        view = NewView();
    if (!view)
        return false;
    if (!view->OpenDocument(path)) {
        if (!reuse)
            view->SubWindow()->close();
        return false;
    }
    AddRecentFile(path);
    return true;
}

void TMainForm::FileSave1Execute()
{
    if (TfrmPlot* view = ActiveView())
        if (view->SaveDocument(false))
            AddRecentFile(view->Document()->FileName());
}

void TMainForm::FileSaveAs1Execute()
{
    if (TfrmPlot* view = ActiveView())
        if (view->SaveDocument(true))
            AddRecentFile(view->Document()->FileName());
}

void TMainForm::EditUndo1Execute()
{
    if (TfrmPlot* view = ActiveView())
        view->Undo();
}

void TMainForm::EditRedo1Execute()
{
    if (TfrmPlot* view = ActiveView())
        view->Redo();
}

void TMainForm::EditClear1Execute()
{
    if (TfrmPlot* view = ActiveView())
        view->Document()->DeleteAll(QStringLiteral("Clear the picture"));
}

void TMainForm::tbClear1Click()
{
    corvane::RunHandler([this] { EditClear1Execute(); });
}

void TMainForm::SetPictureProperty1Execute()
{
    TfrmPlot* view = ActiveView();
    if (!view)
        return;
    TfrmPictureProperty dialog(view, this);
    if (TfrmPictureProperty::Runner()(dialog))
        dialog.ApplyTo(view);
}

void TMainForm::SetRecentFilesStore(std::function<QStringList()> load,
                                    std::function<void(const QStringList&)> save)
{
    FSaveRecentFiles = std::move(save);
    FRecentFiles = load ? load().mid(0, kRecentFiles) : QStringList();
    RebuildRecentMenu();
}

void TMainForm::AddRecentFile(const QString& fileName)
{
    FRecentFiles.removeAll(fileName);
    FRecentFiles.prepend(fileName);
    while (FRecentFiles.size() > kRecentFiles)
        FRecentFiles.removeLast();
    RebuildRecentMenu();
    if (!FSaveRecentFiles)
        return;
    // The file just opened or saved is fine whatever happens to the list: a
    // failed save of the list is said once (not at every open) and the menu
    // keeps the list for this session.
    try {
        FSaveRecentFiles(FRecentFiles);
        FRecentFilesUnsaved = false;
    } catch (const std::exception& e) {
        if (!FRecentFilesUnsaved)
            corvane::ShowErrorBox(QString::fromLocal8Bit(e.what()) +
                                  QStringLiteral("\nThe list of recent files is kept until Corvane closes."));
        FRecentFilesUnsaved = true;
    }
}

void TMainForm::RebuildRecentMenu()
{
    QMenu* recent = Menu("RecentMenu");
    recent->clear();
    for (int i = 0; i < FRecentFiles.size(); ++i) {
        const QString file = FRecentFiles[i];
        QAction* a = recent->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()));
        a->setStatusTip(file);
        connect(a, &QAction::triggered, this, [this, file] { corvane::RunHandler([&] { OpenFile(file); }); });
    }
    recent->setEnabled(!FRecentFiles.isEmpty());
}

bool TMainForm::MayCloseViews()
{
    const QList<QMdiSubWindow*> views = FMdiArea->subWindowList(QMdiArea::CreationOrder);
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        auto* view = qobject_cast<TfrmPlot*>((*it)->widget());
        if (view && !view->MaySaveChanges())
            return false;
    }
    return true;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            corvane::RunHandler([&] { OpenFile(url.toLocalFile()); });
}
