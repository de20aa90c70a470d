// SPDX-License-Identifier: GPL-3.0-or-later
#include "TfrmEnviroment.h"

#include "Icons.h"
#include "ImageList.h"
#include "IniFile.h"
#include "Messages.h"
#include "SettingsGlobals.h"
#include "TaskList.h"
#include "TfrmAddTask.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace {

template <class W> W* Place(W* widget, const char* name, QRect geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// The process count lives in a section of its own, so that the Tasks section
// (which the task list keeps byte for byte) and files from before read as
// they are: a file without it runs every task in the program.
const QString kRunSection = QStringLiteral("Run");
const QString kProcessesKey = QStringLiteral("Processes");
constexpr int kMaxProcesses = 1024;

} // namespace

TfrmEnviroment::TfrmEnviroment(QWidget* parent, const QString& iniPath)
    : QDialog(parent), PageControl1(new QTabWidget(this)),
      FIniPath(iniPath.isEmpty() ? TIniFile::DefaultPath() : iniPath), FTasks(new TTaskList(this))
{
    setObjectName(QStringLiteral("frmEnviroment"));
    setWindowTitle(QStringLiteral("Enviroment"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    setFont(font);
    setFixedSize(332, 358);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(BuildMiscPage(), corvane::ImageListIcon(38), QStringLiteral("Misc  Visual "));
    PageControl1->addTab(BuildTasksPage(), corvane::ImageListIcon(37), QStringLiteral("Tasks Setting"));
    PageControl1->setCurrentIndex(0);
    // Each page has its own default button.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int page) {
        btOk->setDefault(page == 0);
        btSave->setDefault(page == 1);
    });
}

QWidget* TfrmEnviroment::BuildMiscPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    auto* copy =
        Place(new QGroupBox(QStringLiteral("Copy To ClipBoard as"), page), "GroupBox1", {32, 8, 265, 49});
    rbBmp = Place(new QRadioButton(QStringLiteral("Bitmap File"), copy), "rbBmp", {16, 22, 100, 20});
    rbMeta = Place(new QRadioButton(QStringLiteral("Meta File"), copy), "rbMeta", {123, 22, 100, 20});
    auto* show = Place(new QGroupBox(QStringLiteral("Show"), page), "GroupBox2", {30, 64, 265, 49});
    chkWorkspace = Place(new QCheckBox(QStringLiteral("WorkSpace"), show), "chkWorkspace", {16, 22, 105, 20});
    chkOutput = Place(new QCheckBox(QStringLiteral("Output"), show), "chkOutput", {128, 22, 97, 20});
    auto* offset = Place(new QGroupBox(QStringLiteral("OffSet"), page), "GroupBox3", {24, 128, 273, 89});
    corvane::PlaceLabel(offset, QStringLiteral("Hor"), {18, 27});
    edOffX = Place(new QLineEdit(QStringLiteral("-500"), offset), "edOffX", {64, 24, 113, 24});
    corvane::PlaceLabel(offset, QStringLiteral("Ver"), {19, 59});
    edOffY = Place(new QLineEdit(QStringLiteral("-500"), offset), "edOffY", {64, 56, 113, 24});
    corvane::PlaceLabel(page, QStringLiteral("Scale:"), {24, 234});
    TrackBar1 = Place(new QSlider(Qt::Horizontal, page), "TrackBar1", {70, 232, 155, 29});
    TrackBar1->setRange(1, 1000);
    TrackBar1->setValue(100);
    TrackBar1->setPageStep(10);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(50);
    TrackBar1->setToolTip(QStringLiteral("100%"));
    PctBtn = Place(new QToolButton(page), "PctBtn", {238, 229, 54, 29});
    PctBtn->setText(QStringLiteral("100%"));
    PctBtn->setAutoRaise(true);
    PctBtn->setToolTip(QStringLiteral("Click = 100%"));
    btOk = Place(new QPushButton(QStringLiteral("OK"), page), "btOk", {48, 276, 89, 33});
    btOk->setDefault(true);
    btCancel = Place(new QPushButton(QStringLiteral("Cancel"), page), "btCancel", {176, 277, 89, 33});
    connect(btOk, &QPushButton::clicked, this, [this] {
        corvane::RunHandler([this] { btOkClick(); });
        accept();
    });
    connect(btCancel, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { btCancelClick(); }); });
    return page;
}

QWidget* TfrmEnviroment::BuildTasksPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    chklstAuto = Place(new QListWidget(page), "chklstAuto", {0, 0, 217, 209});
    auto taskButton = [page](const char* name, const QString& text, const char* icon, QRect geometry) {
        auto* button = Place(new QPushButton(corvane::Icon(icon), text, page), name, geometry);
        button->setIconSize(QSize(20, 20));
        button->setAutoDefault(false);
        return button;
    };
    btAdd = taskButton("btAdd", QStringLiteral("Add Task"), "task-add", {224, 0, 97, 41});
    btDelete = taskButton("btDelete", QStringLiteral("Delete Task"), "task-delete", {224, 64, 97, 41});
    btEdit = taskButton("btEdit", QStringLiteral("Edit Task"), "task-edit", {224, 112, 97, 41});
    btSave = Place(new QPushButton(QStringLiteral("OK"), page), "btSave", {224, 168, 97, 41});
    // The order of the lines is the order the ticked tasks run in.
    auto arrow = [page](const char* name, Qt::ArrowType type, const QString& text, QRect geometry) {
        auto* button = Place(new QToolButton(page), name, geometry);
        button->setArrowType(type);
        // The arrow alone: the words would not fit in the gap between the buttons.
        button->setText(text);
        button->setAccessibleName(text);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        return button;
    };
    btUp = arrow("btUp", Qt::UpArrow, QStringLiteral("Up"), {224, 42, 48, 21});
    btDown = arrow("btDown", Qt::DownArrow, QStringLiteral("Down"), {273, 42, 48, 21});
    chkAuto = Place(new QCheckBox(QStringLiteral(" When the tasks are completed, Please ..."), page),
                    "chkAuto", {8, 224, 300, 25});
    gpAuto = Place(new QGroupBox(QStringLiteral("Auto Shutdown"), page), "gpAuto", {8, 256, 305, 57});
    RadioLogoff = Place(new QRadioButton(QStringLiteral(" Log off"), gpAuto), "RadioLogoff", {8, 24, 97, 25});
    RadioShutdown =
        Place(new QRadioButton(QStringLiteral("Shut Down"), gpAuto), "RadioShutdown", {104, 24, 97, 25});
    RadioRestart =
        Place(new QRadioButton(QStringLiteral("Restart"), gpAuto), "RadioRestart", {208, 24, 80, 25});
    RadioLogoff->setChecked(true);
    for (QWidget* w : {static_cast<QWidget*>(gpAuto), static_cast<QWidget*>(RadioLogoff),
                       static_cast<QWidget*>(RadioShutdown), static_cast<QWidget*>(RadioRestart)})
        w->setEnabled(false);
    auto* runOn = corvane::PlaceLabel(page, QStringLiteral("Run each task"), {8, 324});
    runOn->setObjectName(QStringLiteral("lbRunOn"));
    spProcesses = Place(new QSpinBox(page), "spProcesses", {104, 320, 209, 24});
    spProcesses->setRange(1, kMaxProcesses);
    // 1 is the program's own run; more is corvane-lbm under mpirun.
    spProcesses->setSpecialValueText(QStringLiteral("in the program"));
    spProcesses->setPrefix(QStringLiteral("on "));
    spProcesses->setSuffix(QStringLiteral(" processes (mpirun)"));
    lbProcesses = Place(new QLabel(page), "lbProcesses", {8, 348, 305, 32});
    lbProcesses->setWordWrap(true);
    lbProcesses->setStyleSheet(QStringLiteral("color: #7a4a00"));
    connect(spProcesses, qOverload<int>(&QSpinBox::valueChanged), this, [this](int processes) {
        if (FLoadingProcesses)
            return;
        FStoredProcesses = processes;
        corvane::RunHandler([&] {
            TIniFile ini(FIniPath);
            ini.Load();
            ini.WriteString(kRunSection, kProcessesKey, QString::number(processes));
            ini.Save();
        });
    });

    connect(btAdd, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { btAddClick(); }); });
    connect(btDelete, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { btDeleteClick(); }); });
    connect(btEdit, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { btEditClick(); }); });
    connect(btUp, &QToolButton::clicked, this, [this] { corvane::RunHandler([this] { btUpClick(); }); });
    connect(btDown, &QToolButton::clicked, this, [this] { corvane::RunHandler([this] { btDownClick(); }); });
    connect(chklstAuto, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        corvane::RunHandler([this, item] { EditTaskAt(chklstAuto->row(item)); });
    });
    connect(chklstAuto, &QListWidget::itemSelectionChanged, this, [this] { UpdateEditButton(); });
    connect(btSave, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { btSaveClick(); }); });
    // A tick made by the user is kept at once.
    connect(chklstAuto, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (FLoadingTasks)
            return;
        const int row = chklstAuto->row(item);
        if (row >= 0 && row < FTasks->Count())
            corvane::RunHandler([&] { FTasks->SetTicked(row, item->checkState() == Qt::Checked); });
    });
    // The list's lines follow the task list.
    connect(FTasks, &TTaskList::Reset, this, [this] {
        FLoadingTasks = true;
        chklstAuto->clear();
        for (int i = 0; i < FTasks->Count(); ++i) {
            auto* item = new QListWidgetItem(chklstAuto);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            ShowLine(i);
        }
        FLoadingTasks = false;
        UpdateEditButton();
    });
    connect(FTasks, &TTaskList::Inserted, this, [this](int row) {
        FLoadingTasks = true;
        auto* item = new QListWidgetItem;
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        chklstAuto->insertItem(row, item);
        ShowLine(row);
        FLoadingTasks = false;
        UpdateEditButton();
    });
    connect(FTasks, &TTaskList::Removed, this, [this](int row) {
        FLoadingTasks = true;
        delete chklstAuto->takeItem(row);
        FLoadingTasks = false;
        UpdateEditButton();
    });
    connect(FTasks, &TTaskList::Moved, this, [this](int from, int to) {
        FLoadingTasks = true;
        const bool selected = chklstAuto->item(from) && chklstAuto->item(from)->isSelected();
        QListWidgetItem* item = chklstAuto->takeItem(from);
        chklstAuto->insertItem(to, item);
        if (selected)
            chklstAuto->setCurrentRow(to);
        FLoadingTasks = false;
        UpdateEditButton();
    });
    connect(FTasks, &TTaskList::Changed, this, [this](int row) {
        FLoadingTasks = true;
        ShowLine(row);
        FLoadingTasks = false;
        UpdateEditButton();
    });
    connect(FTasks, &TTaskList::RunningChanged, this, [this] {
        FLoadingTasks = true;
        ShowAllLines();
        FLoadingTasks = false;
        UpdateEditButton();
    });
    connect(chkAuto, &QCheckBox::toggled, this, [this] { corvane::RunHandler([this] { chkAutoClick(); }); });
    UpdateEditButton();
    return page;
}

void TfrmEnviroment::FormCreate()
{
    // A file that cannot be read is reported; the dialog then shows the
    // defaults, and OK refuses to write over the file as long as it stays
    // unreadable.
    TIniFile ini(FIniPath);
    corvane::RunHandler([&ini] { ini.Load(); });
    const bool bitmap = ini.ReadString(QStringLiteral("Copy"), QStringLiteral("CopyToStyle"),
                                       QStringLiteral("Metafile")) == QStringLiteral("Bmpfile");
    (bitmap ? rbBmp : rbMeta)->setChecked(true);
    chkWorkspace->setChecked(ini.ReadBool(QStringLiteral("Show Window"), QStringLiteral("Workspace"), true));
    chkOutput->setChecked(ini.ReadBool(QStringLiteral("Show Window"), QStringLiteral("Output"), true));
    LoadTasks(ini);
    bool number = false;
    const int processes =
        ini.ReadString(kRunSection, kProcessesKey, QStringLiteral("1")).trimmed().toInt(&number);
    FStoredProcesses = number ? std::clamp(processes, 1, kMaxProcesses) : 1;
    FLoadingProcesses = true;
    spProcesses->setValue(FStoredProcesses);
    FLoadingProcesses = false;
    UpdateProcessesChoice();
}

int TfrmEnviroment::Processes() const { return FHaveMpirun ? spProcesses->value() : 1; }

void TfrmEnviroment::SetProcesses(int processes) { spProcesses->setValue(processes); }

void TfrmEnviroment::UpdateProcessesChoice()
{
    const QString missing = MpirunMissingReason();
    FHaveMpirun = missing.isEmpty();
    // Greyed, it shows what runs: the program's own run. The stored count
    // comes back once mpirun is there.
    FLoadingProcesses = true;
    spProcesses->setValue(FHaveMpirun ? FStoredProcesses : 1);
    FLoadingProcesses = false;
    spProcesses->setEnabled(FHaveMpirun);
    spProcesses->setToolTip(FHaveMpirun
                                ? QStringLiteral("\"in the program\" runs each ticked task here; 2 or "
                                                 "more run the solver, corvane-lbm, on that many "
                                                 "processes under mpirun, shown as a run here is")
                                : missing);
    lbProcesses->setToolTip(missing);
    lbProcesses->setText(FHaveMpirun ? QString()
                                     : QStringLiteral("mpirun is not installed: tasks run in the program."));
}

void TfrmEnviroment::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfrmEnviroment::FormShow()
{
    UpdateProcessesChoice();
    // Room below OK and below the process count for the margins and the tabs.
    const int height = std::max(btOk->geometry().bottom(), lbProcesses->geometry().bottom()) + 1 + 40 +
                       PageControl1->tabBar()->sizeHint().height();
    setFixedSize(width(), std::max(height, 358));
}

void TfrmEnviroment::btOkClick()
{
    // Read afresh, so that whatever else the file holds now is kept; only the
    // three values change.
    TIniFile ini(FIniPath);
    ini.Load();
    ini.WriteString(QStringLiteral("Copy"), QStringLiteral("CopyToStyle"),
                    rbBmp->isChecked() ? QStringLiteral("Bmpfile") : QStringLiteral("Metafile"));
    ini.WriteBool(QStringLiteral("Show Window"), QStringLiteral("Workspace"), chkWorkspace->isChecked());
    ini.WriteBool(QStringLiteral("Show Window"), QStringLiteral("Output"), chkOutput->isChecked());
    ini.Save();
    // Say where the file is (an installed copy keeps it in the user's home, a
    // portable one beside the program) and when the Show boxes take effect.
    corvane::ShowInformation(
        QStringLiteral("Tips"),
        QStringLiteral(" These settings are saved!\nThey are kept in %1.\n"
                       "The panels ticked under Show are shown the next time Corvane starts.")
            .arg(QDir::toNativeSeparators(FIniPath)));
}

void TfrmEnviroment::btCancelClick() { reject(); }

void TfrmEnviroment::btSaveClick() { accept(); }

void TfrmEnviroment::btDeleteClick()
{
    const QList<QListWidgetItem*> selected = chklstAuto->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = chklstAuto->row(selected.first());
    // The list would move the highlight to the next line, and a second click
    // would delete a task the user never chose.
    chklstAuto->setCurrentItem(nullptr);
    chklstAuto->clearSelection();
    FTasks->Remove(row);
}

void TfrmEnviroment::btUpClick() { MoveSelected(-1); }

void TfrmEnviroment::btDownClick() { MoveSelected(+1); }

void TfrmEnviroment::MoveSelected(int by)
{
    const QList<QListWidgetItem*> selected = chklstAuto->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = chklstAuto->row(selected.first());
    const int to = row + by;
    if (to < 0 || to >= FTasks->Count())
        return;
    FTasks->Move(row, to);
}

void TfrmEnviroment::chkAutoClick()
{
    // From the box itself: a child's isEnabled() also reflects its group's state,
    // so flipping it would fall out of step after the first tick.
    const bool ticked = chkAuto->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(gpAuto), static_cast<QWidget*>(RadioLogoff),
                       static_cast<QWidget*>(RadioShutdown), static_cast<QWidget*>(RadioRestart)})
        w->setEnabled(ticked);
}

void TfrmEnviroment::btAddClick()
{
    if (frmAddTask)
        frmAddTask->exec();
}

void TfrmEnviroment::btEditClick()
{
    const QList<QListWidgetItem*> selected = chklstAuto->selectedItems();
    if (!selected.isEmpty())
        EditTaskAt(chklstAuto->row(selected.first()));
}

void TfrmEnviroment::EditTaskAt(int row)
{
    if (row < 0 || row >= FTasks->Count())
        return;
    const QString refusal = EditRefusal(row);
    if (!refusal.isEmpty()) {
        QListWidgetItem* item = chklstAuto->item(row);
        const QRect at = chklstAuto->visualItemRect(item);
        QToolTip::showText(chklstAuto->viewport()->mapToGlobal(at.center()), refusal, chklstAuto->viewport(),
                           at);
        return;
    }
    if (frmAddTask)
        frmAddTask->EditTask(this, row);
}

QString TfrmEnviroment::EditRefusal(int row) const { return FTasks->EditRefusal(row); }

void TfrmEnviroment::ReplaceTask(int row, const QString& line, int model, double re, int gridX, int gridY)
{
    FTasks->Replace(row, TaskRecord{line, model, re, gridX, gridY});
}

void TfrmEnviroment::StoreTask(const QString& line, int model, double re, int gridX, int gridY)
{
    FTasks->Append(TaskRecord{line, model, re, gridX, gridY});
}

QString TfrmEnviroment::TaskLine(int i) const { return FTasks->Line(i); }

bool TfrmEnviroment::TaskTicked(int i) const { return FTasks->Ticked(i); }

QString TfrmEnviroment::TaskModelName(int i) const { return FTasks->ModelName(i); }

int TfrmEnviroment::TaskCount() const { return FTasks->Count(); }

int TfrmEnviroment::TaskModel(int i) const { return FTasks->Record(i).model; }

double TfrmEnviroment::TaskRe(int i) const { return FTasks->Record(i).re; }

int TfrmEnviroment::TaskGridX(int i) const { return FTasks->Record(i).gridX; }

int TfrmEnviroment::TaskGridY(int i) const { return FTasks->Record(i).gridY; }

int TfrmEnviroment::TaskIndex() const { return FTasks->LastIndex(); }

void TfrmEnviroment::SetTaskState(int i, const QString& state)
{
    if (i < 0 || i >= FTasks->Count())
        return;
    std::optional<::TaskState> value;
    for (::TaskState s : {::TaskState::Queued, ::TaskState::Running, ::TaskState::Converged,
                          ::TaskState::NotConverged, ::TaskState::Failed, ::TaskState::Cancelled})
        if (TaskStateName(s) == state)
            value = s;
    FTasks->SetState(i, value);
}

QString TfrmEnviroment::TaskState(int i) const { return FTasks->StateName(i); }

void TfrmEnviroment::SetTasksRunning(bool running) { FTasks->SetRunning(running); }

void TfrmEnviroment::ShowAllLines()
{
    for (int i = 0; i < chklstAuto->count() && i < FTasks->Count(); ++i)
        ShowLine(i);
}

void TfrmEnviroment::UpdateEditButton()
{
    const QList<QListWidgetItem*> selected = chklstAuto->selectedItems();
    const QString refusal = selected.isEmpty() ? QString() : EditRefusal(chklstAuto->row(selected.first()));
    btEdit->setEnabled(!selected.isEmpty() && refusal.isEmpty());
    btEdit->setToolTip(selected.isEmpty()  ? QStringLiteral("Select a task to edit it (or double-click it)")
                       : refusal.isEmpty() ? QStringLiteral("Opens the selected task to change it")
                                           : refusal);
    const int row = selected.isEmpty() ? -1 : chklstAuto->row(selected.first());
    const QString reorder = FTasks->ReorderRefusal();
    btDelete->setEnabled(reorder.isEmpty());
    btUp->setEnabled(reorder.isEmpty() && row > 0);
    btDown->setEnabled(reorder.isEmpty() && row >= 0 && row + 1 < FTasks->Count());
    const QString none = QStringLiteral("Select a task to move it");
    btUp->setToolTip(!reorder.isEmpty() ? reorder
                     : row < 0          ? none
                               : QStringLiteral("Moves the selected task up: ticked tasks run in the "
                                                "order of the list"));
    btDown->setToolTip(!reorder.isEmpty() ? reorder
                       : row < 0          ? none
                                 : QStringLiteral("Moves the selected task down: ticked tasks run in "
                                                  "the order of the list"));
}

void TfrmEnviroment::ShowLine(int i)
{
    QListWidgetItem* item = chklstAuto->item(i);
    if (!item || i >= FTasks->Count())
        return;
    const QString state = FTasks->StateName(i);
    const QString line = FTasks->Line(i);
    item->setCheckState(FTasks->Ticked(i) ? Qt::Checked : Qt::Unchecked);
    item->setText(state.isEmpty() ? line : line + QStringLiteral("  [") + state + QLatin1Char(']'));
    const QString refusal = EditRefusal(i);
    item->setToolTip((state.isEmpty() ? line : line + QStringLiteral(": ") + state) +
                     (refusal.isEmpty() ? QString() : QStringLiteral("\n") + refusal));
    // A dot before the line tells the state where the list is too narrow for its words.
    static const QHash<QString, QColor> colours = {{QStringLiteral("queued"), QColor(150, 150, 150)},
                                                   {QStringLiteral("running"), QColor(30, 110, 230)},
                                                   {QStringLiteral("converged"), QColor(20, 160, 60)},
                                                   {QStringLiteral("not converged"), QColor(235, 150, 0)},
                                                   {QStringLiteral("failed"), QColor(210, 30, 30)},
                                                   {QStringLiteral("cancelled"), QColor(200, 200, 200)}};
    if (!colours.contains(state)) {
        item->setIcon(QIcon());
        return;
    }
    QPixmap dot(12, 12);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colours[state].darker(130));
    painter.setBrush(colours[state]);
    painter.drawEllipse(QRectF(1, 1, 10, 10));
    painter.end();
    item->setIcon(QIcon(dot));
}

void TfrmEnviroment::LoadTasks(const TIniFile& ini)
{
    FTasks->Load(ini);
    FTasks->SetFile(FIniPath);
}

void TfrmEnviroment::SaveTasks() { FTasks->Save(); }
