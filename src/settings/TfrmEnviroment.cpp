// SPDX-License-Identifier: GPL-3.0-or-later
#include "TfrmEnviroment.h"

#include "Icons.h"
#include "ImageList.h"
#include "IniFile.h"
#include "Messages.h"
#include "SettingsGlobals.h"
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
#include <QRegularExpression>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// The task's own display line and its last stored tick, kept beside the text
// the list shows (which adds the run state).
constexpr int kLineRole = Qt::UserRole + 1;
constexpr int kStateRole = Qt::UserRole + 2;
constexpr int kTickedRole = Qt::UserRole + 3;

const QString kTasksSection = QStringLiteral("Tasks");

QString Key(const char* field, int n) { return QLatin1String(field) + QString::number(n); }

template <class W> W* Place(W* widget, const char* name, QRect geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

TfrmEnviroment::TfrmEnviroment(QWidget* parent, const QString& iniPath)
    : QDialog(parent), PageControl1(new QTabWidget(this)),
      FIniPath(iniPath.isEmpty() ? TIniFile::DefaultPath() : iniPath)
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

    connect(btAdd, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { btAddClick(); }); });
    connect(btDelete, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { btDeleteClick(); }); });
    connect(btEdit, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { btEditClick(); }); });
    connect(chklstAuto, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        corvane::RunHandler([this, item] { EditTaskAt(chklstAuto->row(item)); });
    });
    connect(chklstAuto, &QListWidget::itemSelectionChanged, this, [this] { UpdateEditButton(); });
    connect(btSave, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { btSaveClick(); }); });
    // A tick made by the user is kept at once.
    connect(chklstAuto, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (FLoadingTasks)
            return;
        const bool ticked = item->checkState() == Qt::Checked;
        if (item->data(kTickedRole).toBool() == ticked)
            return;
        item->setData(kTickedRole, ticked);
        corvane::RunHandler([this] { SaveTasks(); });
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
    FTaskIndex = -1;
    LoadTasks(ini);
}

void TfrmEnviroment::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfrmEnviroment::FormShow()
{
    // Room below OK for the margins and the tabs.
    const int height = btOk->geometry().bottom() + 1 + 40 + PageControl1->tabBar()->sizeHint().height();
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
    delete chklstAuto->takeItem(row);
    // The list would move the highlight to the next line, and a second click
    // would delete a task the user never chose.
    chklstAuto->setCurrentItem(nullptr);
    chklstAuto->clearSelection();
    // The line's record goes with it, so that lines and records stay in step.
    const auto at = static_cast<std::ptrdiff_t>(row);
    if (row < TaskCount()) {
        FTaskModel.erase(FTaskModel.begin() + at);
        FTaskRe.erase(FTaskRe.begin() + at);
        FTaskGridX.erase(FTaskGridX.begin() + at);
        FTaskGridY.erase(FTaskGridY.begin() + at);
    }
    FTaskIndex = TaskCount() - 1;
    SaveTasks();
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
    if (row < 0 || row >= chklstAuto->count() || row >= TaskCount())
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

QString TfrmEnviroment::EditRefusal(int row) const
{
    if (!FTasksRunning || row < 0 || row >= chklstAuto->count())
        return {};
    // The run took the task's values when it started: changing them now
    // would leave the line saying something else than what runs.
    const QString state = TaskState(row);
    if (state == QLatin1String("running"))
        return QStringLiteral("This task is running: it can be edited when the run has ended or been "
                              "stopped (Run > Stop).");
    if (state == QLatin1String("queued"))
        return QStringLiteral("This task is queued to run: it can be edited when the run has ended or been "
                              "stopped (Run > Stop).");
    return {};
}

void TfrmEnviroment::ReplaceTask(int row, const QString& line, int model, double re, int gridX, int gridY)
{
    if (row < 0 || row >= chklstAuto->count() || row >= TaskCount())
        throw std::runtime_error("The task is no longer in the list: nothing was changed.");
    const QString refusal = EditRefusal(row);
    if (!refusal.isEmpty())
        throw std::runtime_error(refusal.toStdString());
    QListWidgetItem* item = chklstAuto->item(row);
    FLoadingTasks = true;
    item->setData(kLineRole, line);
    // What an earlier run gave was for the task's old values.
    item->setData(kStateRole, QString());
    ShowLine(row);
    FLoadingTasks = false;
    const auto at = static_cast<std::size_t>(row);
    FTaskModel[at] = model;
    FTaskRe[at] = re;
    FTaskGridX[at] = gridX;
    FTaskGridY[at] = gridY;
    FTaskIndex = row;
    UpdateEditButton();
    SaveTasks();
}

void TfrmEnviroment::StoreTask(const QString& line, int model, double re, int gridX, int gridY)
{
    FLoadingTasks = true;
    auto* item = new QListWidgetItem(line, chklstAuto);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->setData(kLineRole, line);
    item->setData(kTickedRole, false);
    FLoadingTasks = false;
    FTaskModel.push_back(model);
    FTaskRe.push_back(re);
    FTaskGridX.push_back(gridX);
    FTaskGridY.push_back(gridY);
    FTaskIndex = TaskCount() - 1;
    SaveTasks();
}

QString TfrmEnviroment::TaskLine(int i) const { return chklstAuto->item(i)->data(kLineRole).toString(); }

bool TfrmEnviroment::TaskTicked(int i) const { return chklstAuto->item(i)->checkState() == Qt::Checked; }

QString TfrmEnviroment::TaskModelName(int i) const
{
    const QStringList names = TfrmAddTask::ModelNames();
    const int model = TaskModel(i);
    if (model >= 0 && model < names.size())
        return names[model];
    return TaskLine(i).section(QStringLiteral(" ren "), 0, 0);
}

void TfrmEnviroment::SetTaskState(int i, const QString& state)
{
    if (i < 0 || i >= chklstAuto->count())
        return;
    FLoadingTasks = true;
    chklstAuto->item(i)->setData(kStateRole, state);
    ShowLine(i);
    FLoadingTasks = false;
    UpdateEditButton();
}

void TfrmEnviroment::SetTasksRunning(bool running)
{
    btDelete->setEnabled(!running);
    FTasksRunning = running;
    FLoadingTasks = true;
    for (int i = 0; i < chklstAuto->count(); ++i)
        ShowLine(i);
    FLoadingTasks = false;
    UpdateEditButton();
}

void TfrmEnviroment::UpdateEditButton()
{
    const QList<QListWidgetItem*> selected = chklstAuto->selectedItems();
    const QString refusal = selected.isEmpty() ? QString() : EditRefusal(chklstAuto->row(selected.first()));
    btEdit->setEnabled(!selected.isEmpty() && refusal.isEmpty());
    btEdit->setToolTip(selected.isEmpty()  ? QStringLiteral("Select a task to edit it (or double-click it)")
                       : refusal.isEmpty() ? QStringLiteral("Opens the selected task to change it")
                                           : refusal);
}

QString TfrmEnviroment::TaskState(int i) const { return chklstAuto->item(i)->data(kStateRole).toString(); }

void TfrmEnviroment::ShowLine(int i)
{
    QListWidgetItem* item = chklstAuto->item(i);
    const QString state = item->data(kStateRole).toString();
    const QString line = item->data(kLineRole).toString();
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
    // A damaged entry (a count or number that does not read) loses only
    // itself: the lines that read well are kept, and the next save writes
    // the list as it then stands.
    bool ok = false;
    const int count = ini.ReadString(kTasksSection, QStringLiteral("Count"), QStringLiteral("0")).toInt(&ok);
    if (!ok || count <= 0)
        return;
    FLoadingTasks = true;
    for (int n = 1; n <= count; ++n) {
        const QString line = ini.ReadString(kTasksSection, Key("Line", n), QString());
        bool okModel = false, okRe = false, okX = false, okY = false;
        const int model = ini.ReadString(kTasksSection, Key("Model", n), QString()).toInt(&okModel);
        const double re = ini.ReadString(kTasksSection, Key("Re", n), QString()).toDouble(&okRe);
        const int gx = ini.ReadString(kTasksSection, Key("GridX", n), QString()).toInt(&okX);
        const int gy = ini.ReadString(kTasksSection, Key("GridY", n), QString()).toInt(&okY);
        if (!ini.Contains(kTasksSection, Key("Line", n)) || !okModel || !okRe || !okX || !okY)
            continue;
        const bool ticked = ini.ReadBool(kTasksSection, Key("Ticked", n), false);
        auto* item = new QListWidgetItem(line, chklstAuto);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
        item->setData(kLineRole, line);
        item->setData(kTickedRole, ticked);
        FTaskModel.push_back(model);
        FTaskRe.push_back(re);
        FTaskGridX.push_back(gx);
        FTaskGridY.push_back(gy);
    }
    FTaskIndex = TaskCount() - 1;
    FLoadingTasks = false;
}

void TfrmEnviroment::SaveTasks()
{
    // Read afresh, so that whatever else the file holds now is kept.
    TIniFile ini(FIniPath);
    ini.Load();
    bool ok = false;
    const int before = ini.ReadString(kTasksSection, QStringLiteral("Count"), QStringLiteral("0")).toInt(&ok);
    const int count = TaskCount();
    ini.WriteString(kTasksSection, QStringLiteral("Count"), QString::number(count));
    for (int i = 0; i < count; ++i) {
        const int n = i + 1;
        ini.WriteString(kTasksSection, Key("Line", n), TaskLine(i));
        ini.WriteString(kTasksSection, Key("Model", n), QString::number(TaskModel(i)));
        ini.WriteString(kTasksSection, Key("Re", n), QString::number(TaskRe(i), 'g', 17));
        ini.WriteString(kTasksSection, Key("GridX", n), QString::number(TaskGridX(i)));
        ini.WriteString(kTasksSection, Key("GridY", n), QString::number(TaskGridY(i)));
        ini.WriteBool(kTasksSection, Key("Ticked", n), TaskTicked(i));
    }
    // The keys of tasks that are gone.
    for (int n = count + 1; n <= std::max(ok ? before : 0, count); ++n)
        for (const char* field : {"Line", "Model", "Re", "GridX", "GridY", "Ticked"})
            ini.RemoveKey(kTasksSection, Key(field, n));
    for (const QString& key : ini.Keys(kTasksSection)) {
        // Keys of a longer list written by hand beyond the stated count.
        static const QRegularExpression numbered(QStringLiteral("^(Line|Model|Re|GridX|GridY|Ticked)(\\d+)$"),
                                                 QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = numbered.match(key);
        if (m.hasMatch() && m.captured(2).toInt() > count)
            ini.RemoveKey(kTasksSection, key);
    }
    ini.Save();
}
