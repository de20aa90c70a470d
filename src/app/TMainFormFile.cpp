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
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>

namespace {

constexpr int kRecentFiles = 8;

} // namespace

void TMainForm::CreateDocumentCommands()
{
    auto guarded = [this](void (TMainForm::*handler)()) {
        return [this, handler] { corvane::RunHandler([this, handler] { (this->*handler)(); }); };
    };

    FileOpen1->setEnabled(true);
    connect(FileOpen1, &QAction::triggered, this, guarded(&TMainForm::FileOpen1Execute));
    connect(FileSave1, &QAction::triggered, this, guarded(&TMainForm::FileSave1Execute));
    FileSaveAs1 = new QAction(QStringLiteral("Save &As..."), this);
    FileSaveAs1->setObjectName(QStringLiteral("FileSaveAs1"));
    FileSaveAs1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    FileSaveAs1->setStatusTip(QStringLiteral("Save the active view's scene under a new name"));
    connect(FileSaveAs1, &QAction::triggered, this, guarded(&TMainForm::FileSaveAs1Execute));
    FileMenu->insertAction(FilePrint, FileSaveAs1);
    RecentMenu = new QMenu(QStringLiteral("Recent &Files"), this);
    RecentMenu->setObjectName(QStringLiteral("RecentMenu"));
    FileMenu->insertMenu(FilePrint, RecentMenu);
    FileMenu->insertSeparator(FilePrint);
    RebuildRecentMenu();

    EditUndo1 = new QAction(QStringLiteral("&Undo"), this);
    EditUndo1->setObjectName(QStringLiteral("EditUndo1"));
    EditUndo1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    EditUndo1->setStatusTip(QStringLiteral("Undo the last change to the active view's scene"));
    connect(EditUndo1, &QAction::triggered, this, guarded(&TMainForm::EditUndo1Execute));
    EditRedo1 = new QAction(QStringLiteral("&Redo"), this);
    EditRedo1->setObjectName(QStringLiteral("EditRedo1"));
    EditRedo1->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    EditRedo1->setStatusTip(QStringLiteral("Redo the change undone last"));
    connect(EditRedo1, &QAction::triggered, this, guarded(&TMainForm::EditRedo1Execute));
    QAction* firstEdit = EditMenu->actions().value(0);
    EditMenu->insertActions(firstEdit, {EditUndo1, EditRedo1});
    EditMenu->insertSeparator(firstEdit);

    EditClear1->setStatusTip(QStringLiteral("Remove every object of the active view"));
    connect(EditClear1, &QAction::triggered, this, guarded(&TMainForm::EditClear1Execute));
    SetPictureProperty1->setStatusTip(
        QStringLiteral("Background colour, projection, wire frame, axes and size of the active view"));
    connect(SetPictureProperty1, &QAction::triggered, this, guarded(&TMainForm::SetPictureProperty1Execute));

    tbSave1->setDefaultAction(FileSave1);
    tbSave1->setIcon(FileSave1->icon());
    tbClear1->setToolTip(QStringLiteral("Clear the picture"));
    tbClear1->setStatusTip(EditClear1->statusTip());

    // The camera buttons: standard views, zoom to fit and zoom in.
    struct Camera {
        QToolButton* button;
        const char* tip;
        const char* hint;
        TfrmPlot::StandardView view;
    };
    const Camera cameras[] = {
        {tbLeft1, "Left view", "Turn the camera to look at the scene from its left side",
         TfrmPlot::StandardView::Left},
        {tbRight1, "Right view", "Turn the camera to look at the scene from its right side",
         TfrmPlot::StandardView::Right},
        {tbTop1, "Top view", "Turn the camera to look down on the scene from above",
         TfrmPlot::StandardView::Top},
        {tbDown1, "Bottom view", "Turn the camera to look up at the scene from below",
         TfrmPlot::StandardView::Bottom},
    };
    for (const Camera& c : cameras) {
        c.button->setToolTip(QLatin1String(c.tip));
        c.button->setStatusTip(QLatin1String(c.hint));
        const TfrmPlot::StandardView which = c.view;
        QToolButton* pressed = c.button;
        connect(c.button, &QToolButton::clicked, this, [this, which, pressed] {
            corvane::RunHandler([&] {
                // The button of the standard view shown stays down; the others come up.
                for (QToolButton* b : {tbRight1, tbTop1, tbDown1})
                    b->setChecked(b == pressed && b->isCheckable());
                if (TfrmPlot* view = ActiveView())
                    view->ShowStandardView(which);
            });
        });
    }
    tbZoom1->setToolTip(QStringLiteral("Zoom to fit"));
    tbZoom1->setStatusTip(QStringLiteral("Fit the whole scene into the view; press again to go back"));
    connect(tbZoom1, &QToolButton::clicked, this, [this] {
        corvane::RunHandler([this] {
            if (TfrmPlot* view = ActiveView())
                view->ToggleZoomToFit();
            UpdateDocumentActions();
        });
    });
    tbZoomIn1->setToolTip(QStringLiteral("Zoom in"));
    tbZoomIn1->setStatusTip(
        QStringLiteral("Enlarge the picture of the active view (the mouse wheel zooms too)"));
    connect(tbZoomIn1, &QToolButton::clicked, this, [this] {
        corvane::RunHandler([this] {
            if (TfrmPlot* view = ActiveView())
                view->ZoomIn();
        });
    });

    setAcceptDrops(true);
    connect(FMdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateDocumentActions(); });
    UpdateDocumentActions();
}

void TMainForm::UpdateDocumentActions()
{
    for (const QMetaObject::Connection& c : FDocumentConnections)
        disconnect(c);
    FDocumentConnections.clear();
    TfrmPlot* view = ActiveView();
    EnableForView(ViewCommands(), view != nullptr);
    EnableForView(QList<QWidget*>{tbCopy1, tbClear1, tbLeft1, tbRight1, tbTop1, tbDown1, tbZoom1, tbZoomIn1},
                  view != nullptr);
    tbZoom1->setChecked(view && view->IsZoomedToFit());
    QUndoStack* stack = view ? view->Document()->UndoStack() : nullptr;
    auto update = [this, stack] {
        EditUndo1->setEnabled(stack && stack->canUndo());
        EditRedo1->setEnabled(stack && stack->canRedo());
        EditUndo1->setText(stack && stack->canUndo() ? QStringLiteral("&Undo %1").arg(stack->undoText())
                                                     : QStringLiteral("&Undo"));
        EditRedo1->setText(stack && stack->canRedo() ? QStringLiteral("&Redo %1").arg(stack->redoText())
                                                     : QStringLiteral("&Redo"));
    };
    update();
    if (stack)
        FDocumentConnections << connect(stack, &QUndoStack::indexChanged, this, update);
}

QList<QAction*> TMainForm::ViewCommands() const
{
    return {FileSave1, FileSaveAs1, FileExportObject, FileExportScene,    FileSavePicture,
            FilePrint, CopyItem,    EditClear1,       SetPictureProperty1};
}

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
    filters.removeAll(everything);
    filters << everything;
    return filters;
}

bool TMainForm::OpenFile(const QString& fileName)
{
    const QFileInfo info(fileName);
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
    if (FSaveRecentFiles)
        FSaveRecentFiles(FRecentFiles);
}

void TMainForm::RebuildRecentMenu()
{
    RecentMenu->clear();
    for (int i = 0; i < FRecentFiles.size(); ++i) {
        const QString file = FRecentFiles[i];
        QAction* a =
            RecentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()));
        a->setStatusTip(file);
        connect(a, &QAction::triggered, this, [this, file] { corvane::RunHandler([&] { OpenFile(file); }); });
    }
    RecentMenu->setEnabled(!FRecentFiles.isEmpty());
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
