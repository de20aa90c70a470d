#include "TfrmEnviroment.h"

#include "Icons.h"
#include "ImageList.h"
#include "IniFile.h"
#include "Messages.h"
#include "SettingsGlobals.h"
#include "TfrmAddTask.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

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
    connect(btSave, &QPushButton::clicked, this, [this] { corvane::RunHandler([this] { btSaveClick(); }); });
    connect(chkAuto, &QCheckBox::toggled, this, [this] { corvane::RunHandler([this] { chkAutoClick(); }); });
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
    corvane::ShowInformation(QStringLiteral("Tips"), QStringLiteral(" These settings are saved!"));
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

void TfrmEnviroment::StoreTask(const QString& line, int model, double re, int gridX, int gridY)
{
    auto* item = new QListWidgetItem(line, chklstAuto);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    FTaskModel.push_back(model);
    FTaskRe.push_back(re);
    FTaskGridX.push_back(gridX);
    FTaskGridY.push_back(gridY);
    FTaskIndex = TaskCount() - 1;
}
