// SPDX-License-Identifier: GPL-3.0-or-later
#include "TfrmAddTask.h"

#include "Descriptor.h"
#include "Icons.h"
#include "LbmTask.h"
#include "Messages.h"
#include "SettingsGlobals.h"
#include "TaskList.h"
#include "TfrmEnviroment.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace {

// A number in the user's locale (or in the C notation), finite and above 0.
double ReynoldsNumber(const QString& text)
{
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || value <= 0)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid Reynolds number: enter a number greater than 0")
                .arg(text)
                .toStdString());
    return value;
}

// A whole number above 0.
int GridSize(const QString& text, const char* axis)
{
    bool ok = false;
    const int value = QLocale().toInt(text, &ok);
    if (!ok || value <= 0)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid grid size in %2: enter a whole number greater than 0")
                .arg(text, QLatin1String(axis))
                .toStdString());
    return value;
}

// A finite number in the user's locale (or the C notation); `positive` refuses 0 and below.
double SceneNumber(const QString& text, const QString& what, bool positive)
{
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || (positive && value <= 0) || std::abs(value) > 1e12)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid %2: enter %3")
                .arg(text, what,
                     positive ? QStringLiteral("a number greater than 0") : QStringLiteral("a number"))
                .toStdString());
    return value;
}

// Steps between two snapshots: a whole number above 0.
std::int64_t SnapshotSteps(const QString& text)
{
    bool ok = false;
    const qlonglong value = QLocale().toLongLong(text, &ok);
    if (!ok || value <= 0)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid number of steps between snapshots: enter a whole number "
                           "greater than 0")
                .arg(text)
                .toStdString());
    return value;
}

QString Shortest(double value) { return QLocale().toString(value, 'g', QLocale::FloatingPointShortest); }

// The lattices a channel runs on.
bool ChannelModel(const QString& model)
{
    return model == QLatin1String(lbm::kModelBgk) || model == QLatin1String(lbm::kModelMrt) ||
           model == QLatin1String(lbm::kModel3Bgk) || model == QLatin1String(lbm::kModel3Trt);
}
const char* const kChannelModels = "D2Q9, D2Q9(New), D3Q19 and D3Q19(New)";

QLineEdit* NumberEdit(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaximumWidth(60);
    return edit;
}

QWidget* Row(QWidget* parent, std::initializer_list<QWidget*> widgets)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : widgets)
        layout->addWidget(w);
    layout->addStretch();
    return row;
}

QWidget* Pair(QWidget* parent, QWidget* a, QWidget* b) { return Row(parent, {a, b}); }

} // namespace

TfrmAddTask::TfrmAddTask(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddTask"));
    setWindowTitle(QStringLiteral("Add Task"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    setFont(font);
    constexpr int width = 340;

    corvane::PlaceLabel(this, QStringLiteral("Models"), {12, 12});
    cbModelName = new QComboBox(this);
    cbModelName->setObjectName(QStringLiteral("cbModelName"));
    cbModelName->setEditable(true);
    cbModelName->setInsertPolicy(QComboBox::NoInsert);
    cbModelName->addItems(ModelNames());
    cbModelName->setGeometry(72, 8, 177, 24);
    // The note on the chosen model, under its box.
    lbModelNote = new QLabel(this);
    lbModelNote->setObjectName(QStringLiteral("lbModelNote"));
    lbModelNote->setWordWrap(true);
    lbModelNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QLabel* reLabel = corvane::PlaceLabel(this, QStringLiteral("Reynolds No."), {8, 0});
    edRen = new QLineEdit(QStringLiteral("400"), this);
    edRen->setObjectName(QStringLiteral("edRen"));
    QLabel* gridLabel = corvane::PlaceLabel(this, QStringLiteral("Grid Size"), {23, 0});
    edGridX = new QLineEdit(QStringLiteral("65"), this);
    edGridX->setObjectName(QStringLiteral("edGridX"));
    QLabel* byLabel = corvane::PlaceLabel(this, QStringLiteral("x"), {159, 0});
    edGridY = new QLineEdit(this);
    edGridY->setObjectName(QStringLiteral("edGridY"));
    FByZ = corvane::PlaceLabel(this, QStringLiteral("x"), {236, 0});
    edGridZ = new QLineEdit(QStringLiteral("65"), this);
    edGridZ->setObjectName(QStringLiteral("edGridZ"));
    edGridZ->setToolTip(QStringLiteral("Nodes along z (three-dimensional models)"));
    QLabel* flowLabel = corvane::PlaceLabel(this, QStringLiteral("Flow"), {50, 0});
    cbFlow = new QComboBox(this);
    cbFlow->setObjectName(QStringLiteral("cbFlow"));
    cbFlow->addItems({QStringLiteral("Cavity"), QStringLiteral("Channel")});
    cbFlow->setToolTip(
        QStringLiteral("A lid-driven cavity, or a channel past the obstacles a view or a scene "
                       "file holds where a plane cuts them"));

    cbSnapshots = new QCheckBox(QStringLiteral("Keep a snapshot every"), this);
    cbSnapshots->setObjectName(QStringLiteral("cbSnapshots"));
    cbSnapshots->setToolTip(
        QStringLiteral("Writes the field every so many steps into the results folder (field_<step>.vti), "
                       "and field.pvd, which lists them in time order, at the end"));
    edSnapshots = new QLineEdit(QStringLiteral("1000"), this);
    edSnapshots->setObjectName(QStringLiteral("edSnapshots"));
    edSnapshots->setEnabled(false);
    QLabel* stepsLabel = new QLabel(QStringLiteral("steps"), this);

    // The channel's fields, shown for a channel only.
    pnChannel = new QWidget(this);
    pnChannel->setObjectName(QStringLiteral("pnChannel"));
    auto* form = new QFormLayout(pnChannel);
    form->setContentsMargins(0, 0, 0, 0);
    form->setVerticalSpacing(4);
    edChannelX = NumberEdit(pnChannel, "edChannelX", QStringLiteral("0"));
    edChannelY = NumberEdit(pnChannel, "edChannelY", QStringLiteral("0"));
    edChannelZ = NumberEdit(pnChannel, "edChannelZ", QStringLiteral("0"));
    edLength = NumberEdit(pnChannel, "edLength", Shortest(2.2));
    edHeight = NumberEdit(pnChannel, "edHeight", Shortest(0.41));
    edDepth = NumberEdit(pnChannel, "edDepth", Shortest(0.41));
    cbInflow = new QComboBox(pnChannel);
    cbInflow->setObjectName(QStringLiteral("cbInflow"));
    cbInflow->addItems({QStringLiteral("parabolic"), QStringLiteral("uniform")});
    edMeanSpeed = NumberEdit(pnChannel, "edMeanSpeed", Shortest(0.2));
    edMeanSpeed->setToolTip(QStringLiteral("The mean inflow speed in scene units per second"));
    edPlane = NumberEdit(pnChannel, "edPlane", QStringLiteral("0"));
    edPlane->setToolTip(QStringLiteral("The plane z = this value cuts the solids and meshes into obstacles"));
    cbSourceKind = new QComboBox(pnChannel);
    cbSourceKind->setObjectName(QStringLiteral("cbSourceKind"));
    cbSourceKind->addItems({QStringLiteral("open view"), QStringLiteral("scene file")});
    cbSource = new QComboBox(pnChannel);
    cbSource->setObjectName(QStringLiteral("cbSource"));
    cbSource->setEditable(true);
    cbSource->setInsertPolicy(QComboBox::NoInsert);
    cbSource->setMinimumWidth(150);
    btBrowse = new QPushButton(QStringLiteral("\u2026"), pnChannel);
    btBrowse->setObjectName(QStringLiteral("btBrowse"));
    btBrowse->setToolTip(QStringLiteral("Choose a saved scene file (.cvs)"));
    btBrowse->setFixedWidth(28);
    FCorner = new QLabel(QStringLiteral("Corner x, y"), pnChannel);
    FExtent = new QLabel(QStringLiteral("Length, height"), pnChannel);
    form->addRow(FCorner, Row(pnChannel, {edChannelX, edChannelY, edChannelZ}));
    form->addRow(FExtent, Row(pnChannel, {edLength, edHeight, edDepth}));
    form->addRow(QStringLiteral("Inflow, mean speed"), Pair(pnChannel, cbInflow, edMeanSpeed));
    form->addRow(QStringLiteral("Plane z"), edPlane);
    form->addRow(QStringLiteral("Obstacles from"), cbSourceKind);
    form->addRow(QString(), Pair(pnChannel, cbSource, btBrowse));
    lbChannelNote = new QLabel(pnChannel);
    lbChannelNote->setObjectName(QStringLiteral("lbChannelNote"));
    lbChannelNote->setWordWrap(true);
    lbChannelNote->setMinimumHeight(lbChannelNote->fontMetrics().lineSpacing() * 5);
    lbChannelNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->addRow(lbChannelNote);

    BitBtn1 = new QPushButton(corvane::Icon("apply"), QStringLiteral("Save"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);

    // The note is given room for the longest one, so that nothing moves as
    // the user picks a model.
    edGridY->setText(QStringLiteral("1000000"));
    int noteHeight = 0;
    for (const QString& name : ModelNames()) {
        cbModelName->setEditText(name);
        lbModelNote->setText(ModelNoteText());
        noteHeight = std::max(noteHeight, lbModelNote->heightForWidth(width - 24));
    }
    lbModelNote->setGeometry(12, 38, width - 24, noteHeight);
    const int top = 38 + noteHeight + 10;
    reLabel->move(8, top + 6);
    edRen->setGeometry(104, top, 121, 24);
    gridLabel->move(23, top + 41);
    edGridX->setGeometry(104, top + 35, 41, 24);
    byLabel->move(159, top + 41);
    edGridY->setText(QStringLiteral("65"));
    edGridY->setGeometry(181, top + 35, 41, 24);
    FByZ->move(236, top + 41);
    edGridZ->setGeometry(258, top + 35, 41, 24);
    flowLabel->move(50, top + 76);
    cbFlow->setGeometry(104, top + 70, 121, 24);
    cbSnapshots->setGeometry(23, top + 104, 160, 24);
    edSnapshots->setGeometry(181, top + 104, 61, 24);
    stepsLabel->setGeometry(248, top + 104, 50, 24);
    pnChannel->setFixedWidth(width - 24);
    FTop = top;
    Layout();
    cbModelName->setCurrentIndex(0);
    cbModelName->setEditText(cbModelName->itemText(0));
    ShowModelNote();

    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { BitBtn1Click(); }); });
    connect(cbModelName, &QComboBox::currentTextChanged, this, [this] { ShowModelNote(); });
    connect(edGridY, &QLineEdit::textChanged, this, [this] { ShowModelNote(); });
    connect(this, &QDialog::finished, this, [this] { EndEdit(); });
    connect(cbSnapshots, &QCheckBox::toggled, edSnapshots, &QWidget::setEnabled);
    connect(cbFlow, &QComboBox::currentIndexChanged, this, [this] {
        Layout();
        if (IsChannel()) {
            FillSources();
            ShowChannelNote();
        }
    });
    connect(cbSourceKind, &QComboBox::currentIndexChanged, this, [this] {
        FillSources();
        ShowChannelNote();
    });
    // A view is cut as soon as it is picked; a file once its name is typed.
    connect(cbSource, &QComboBox::currentIndexChanged, this, [this] {
        if (IsChannel())
            ShowChannelNote();
    });
    connect(cbSource->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (IsChannel())
            ShowChannelNote();
    });
    for (QLineEdit* edit : {edChannelX, edChannelY, edChannelZ, edLength, edHeight, edDepth, edPlane, edGridX,
                            edGridY, edGridZ})
        connect(edit, &QLineEdit::editingFinished, this, [this] {
            if (IsChannel())
                ShowChannelNote();
        });
    connect(btBrowse, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Scene file of the obstacles"),
                                                          QString(), QStringLiteral("Scenes (*.cvs)"));
        if (file.isEmpty())
            return;
        cbSourceKind->setCurrentIndex(1);
        cbSource->setEditText(file);
        ShowChannelNote();
    });
}

bool TfrmAddTask::IsChannel() const { return cbFlow->currentIndex() == 1; }

bool TfrmAddTask::IsThreeDimensional() const { return lbm::IsThreeDimensional(ChosenModel().toStdString()); }

void TfrmAddTask::ShowDimensions()
{
    const bool box = IsThreeDimensional();
    FByZ->setVisible(box);
    edGridZ->setVisible(box);
    edGridZ->setEnabled(box);
    edChannelZ->setVisible(box);
    edDepth->setVisible(box);
    FCorner->setText(box ? QStringLiteral("Corner x, y, z") : QStringLiteral("Corner x, y"));
    FExtent->setText(box ? QStringLiteral("Length, height, depth") : QStringLiteral("Length, height"));
    // A box takes the surfaces inside it: no plane.
    static_cast<QFormLayout*>(pnChannel->layout())->setRowVisible(edPlane, !box);
    Layout();
}

void TfrmAddTask::Layout()
{
    const int width = 340;
    int y = FTop + 136;
    pnChannel->setVisible(IsChannel());
    if (IsChannel()) {
        pnChannel->adjustSize();
        pnChannel->setGeometry(12, y, width - 24, pnChannel->sizeHint().height());
        y += pnChannel->height() + 8;
    }
    BitBtn1->setGeometry(72, y, 121, 33);
    setFixedSize(width, y + 45);
}

void TfrmAddTask::FillSources()
{
    // The open views' captions; a file path stays as typed.
    const QString typed = cbSource->currentText();
    const bool views = cbSourceKind->currentIndex() == 0;
    const QSignalBlocker block(cbSource);
    cbSource->clear();
    if (views && OpenViewCaptions())
        cbSource->addItems(OpenViewCaptions()());
    btBrowse->setEnabled(!views);
    const int found = cbSource->findText(typed);
    if (found >= 0)
        cbSource->setCurrentIndex(found);
    else if (!views || cbSource->count() == 0)
        cbSource->setEditText(typed);
}

QString TfrmAddTask::ChannelLineTail() const
{
    const QString source = cbSource->currentText().trimmed();
    return cbSourceKind->currentIndex() == 0
               ? QStringLiteral(" channel past view %1").arg(source)
               : QStringLiteral(" channel past %1").arg(QFileInfo(source).fileName());
}

TaskRecord TfrmAddTask::Record(ObstacleCut& cut) const
{
    TaskRecord record;
    record.line = DisplayLine();
    record.model = cbModelName->findText(ChosenModel(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    record.re = ReynoldsNumber(edRen->text());
    record.gridX = GridSize(edGridX->text(), "x");
    record.gridY = GridSize(edGridY->text(), "y");
    const bool box = IsThreeDimensional();
    record.gridZ = box ? GridSize(edGridZ->text(), "z") : 0;
    record.snapshots = cbSnapshots->isChecked() ? SnapshotSteps(edSnapshots->text()) : 0;
    if (!IsChannel())
        return record;
    record.flow = lbm::Flow::Channel;
    ChannelRecord& c = record.channel;
    c.x = SceneNumber(edChannelX->text(), QStringLiteral("corner x"), false);
    c.y = SceneNumber(edChannelY->text(), QStringLiteral("corner y"), false);
    c.length = SceneNumber(edLength->text(), QStringLiteral("channel length"), true);
    c.height = SceneNumber(edHeight->text(), QStringLiteral("channel height"), true);
    c.inflow = cbInflow->currentIndex() == 1 ? lbm::Inflow::Uniform : lbm::Inflow::Parabolic;
    c.meanSpeed = SceneNumber(edMeanSpeed->text(), QStringLiteral("mean inflow speed"), true);
    if (box) {
        c.z = SceneNumber(edChannelZ->text(), QStringLiteral("corner z"), false);
        c.depth = SceneNumber(edDepth->text(), QStringLiteral("channel depth"), true);
    } else {
        c.plane = SceneNumber(edPlane->text(), QStringLiteral("plane z"), false);
    }
    c.kind = cbSourceKind->currentIndex() == 0 ? ObstacleSource::View : ObstacleSource::File;
    c.source = cbSource->currentText().trimmed();
    if (c.source.isEmpty())
        throw std::invalid_argument(c.kind == ObstacleSource::View
                                        ? "Name the open view whose solids and meshes are the obstacles."
                                        : "Name the scene file (.cvs) whose solids and meshes are the "
                                          "obstacles.");
    cut = CutObstacles(record);
    return record;
}

void TfrmAddTask::ShowChannelNote()
{
    QString note;
    bool bad = false;
    try {
        ObstacleCut cut;
        const TaskRecord record = Record(cut);
        const QString cells = CubicCellsRefusal(record);
        if (!cut.error.isEmpty() || !cells.isEmpty()) {
            note = cut.error.isEmpty() ? cells : cut.error;
            bad = true;
        } else if (record.gridZ > 0) {
            note = QStringLiteral("%1 obstacle(s) inside the box in the %2")
                       .arg(cut.cut)
                       .arg(record.channel.kind == ObstacleSource::View ? QStringLiteral("view")
                                                                        : QStringLiteral("scene"));
            QStringList also;
            if (cut.open > 0)
                also << QStringLiteral("%1 of them open, kept as sheets without an inside").arg(cut.open);
            if (cut.outside > 0)
                also << QStringLiteral("%1 outside the box").arg(cut.outside);
            if (cut.missed > 0)
                also << QStringLiteral("%1 without a face").arg(cut.missed);
            note += also.isEmpty() ? QStringLiteral(".")
                                   : QStringLiteral("; ") + also.join(QStringLiteral(", ")) + '.';
        } else {
            const lbm::Task task = SolverTaskOf(record, ChosenModel(), &cut);
            const double length = lbm::ReynoldsLength(task) * record.channel.height / record.gridY;
            note = cut.cut > 0 ? QStringLiteral("Re is made with the obstacles' extent across the flow, %1.")
                                     .arg(QLocale().toString(length, 'g', 4))
                               : QStringLiteral("Re is made with the channel's height, %1: there is no "
                                                "obstacle.")
                                     .arg(Shortest(record.channel.height));
            note += QStringLiteral(" %1 obstacle(s) where z = %2 cuts the %3")
                        .arg(cut.cut)
                        .arg(Shortest(record.channel.plane))
                        .arg(record.channel.kind == ObstacleSource::View ? QStringLiteral("view")
                                                                         : QStringLiteral("scene"));
            QStringList left;
            if (cut.open > 0)
                left << QStringLiteral("%1 left out as open (the section does not close)").arg(cut.open);
            if (cut.outside > 0)
                left << QStringLiteral("%1 outside the channel").arg(cut.outside);
            if (cut.missed > 0)
                left << QStringLiteral("%1 not cut").arg(cut.missed);
            note += left.isEmpty() ? QStringLiteral(".")
                                   : QStringLiteral("; ") + left.join(QStringLiteral(", ")) + '.';
        }
    } catch (const std::exception& e) {
        note = QString::fromStdString(e.what());
        bad = true;
    }
    note += QStringLiteral(" Channels run on %1 only.").arg(QLatin1String(kChannelModels));
    if (!ChannelModel(ChosenModel()))
        bad = true;
    FChannelNote = note;
    lbChannelNote->setText(note);
    lbChannelNote->setStyleSheet(bad ? QStringLiteral("color: #a01010") : QString());
}

QStringList TfrmAddTask::ModelNames() { return TTaskList::ModelNames(); }

void TfrmAddTask::FormCreate() { cbModelName->setCurrentIndex(0); }

QString TfrmAddTask::ChosenModel() const
{
    const QString typed = cbModelName->currentText();
    for (const QString& name : ModelNames())
        if (name.compare(typed, Qt::CaseInsensitive) == 0)
            return name;
    return typed;
}

QString TfrmAddTask::ModelNoteText() const
{
    const std::string model = ChosenModel().toStdString();
    if (!lbm::IsKnownModel(model))
        return {};
    QString note = QString::fromStdString(lbm::ModelNote(model));
    const lbm::Descriptor* lattice = lbm::ModelLattice(model);
    if (lattice && lattice->hexagonal) {
        // The rows the solver lays into a cavity Gy spacings high.
        bool ok = false;
        const int gy = QLocale().toInt(edGridY->text(), &ok);
        const QString rows = ok && gy > 0 && gy <= 1000000
                                 ? QStringLiteral(" (%1 rows for Gy %2)").arg(lattice->Rows(gy)).arg(gy)
                                 : QString();
        note +=
            QStringLiteral(" The cavity stays Gx \u00d7 Gy spacings: its rows lie \u221a3/2 apart%1, every "
                           "other one shifted by half a spacing, and the results are given on the Gx "
                           "\u00d7 Gy grid.")
                .arg(rows);
    }
    return note;
}

void TfrmAddTask::ShowModelNote()
{
    const QString note = ModelNoteText();
    lbModelNote->setText(note);
    // A model that is offered but cannot run is refused here, with its reason.
    const std::string model = ChosenModel().toStdString();
    // (A three-dimensional model's task is the solver's to refuse, at Save.)
    const bool refused =
        lbm::IsKnownModel(model) && !lbm::ModelLattice(model) && !lbm::IsThreeDimensional(model);
    lbModelNote->setStyleSheet(refused ? QStringLiteral("color: #a01010") : QString());
    BitBtn1->setEnabled(!refused);
    BitBtn1->setToolTip(refused ? note : QString());
    ShowDimensions();
}

void TfrmAddTask::EditTask(TfrmEnviroment* list, int row)
{
    if (!list || row < 0 || row >= list->Tasks()->Count() || isVisible())
        return;
    const TTaskList& tasks = *list->Tasks();
    const TaskRecord& record = tasks.Record(row);
    if (FEditRow < 0) {
        FAddModel = cbModelName->currentText();
        FAddRe = edRen->text();
        FAddGridX = edGridX->text();
        FAddGridY = edGridY->text();
        FAddGridZ = edGridZ->text();
        FAddFlow = cbFlow->currentIndex();
        FAddSnapshots = cbSnapshots->isChecked();
        FAddSnapshotSteps = edSnapshots->text();
        FAddChannel = {edChannelX->text(),
                       edChannelY->text(),
                       edLength->text(),
                       edHeight->text(),
                       edMeanSpeed->text(),
                       edPlane->text(),
                       cbSource->currentText(),
                       QString::number(cbInflow->currentIndex()),
                       QString::number(cbSourceKind->currentIndex()),
                       edChannelZ->text(),
                       edDepth->text()};
    }
    FEditList = list;
    FEditRow = row;
    // The texts of the task's line where they read as its record, so that a
    // task saved unchanged keeps its line; the record's values otherwise.
    QString model = tasks.ModelName(row);
    QString re = QLocale().toString(record.re, 'g', QLocale::FloatingPointShortest);
    QString gx = QString::number(record.gridX);
    QString gy = QString::number(record.gridY);
    QString gz = record.gridZ > 0 ? QString::number(record.gridZ) : edGridZ->text();
    static const QRegularExpression format(QStringLiteral("^(.*) ren (.*)Gx (.*) Gy (.*?)(?: Gz (.*))?$"));
    // A channel's line names its source after the grid.
    QString line = record.line;
    if (record.flow == lbm::Flow::Channel) {
        const int tail = line.lastIndexOf(QStringLiteral(" channel past "));
        if (tail >= 0)
            line.truncate(tail);
    }
    const QRegularExpressionMatch parts = format.match(line);
    if (parts.hasMatch()) {
        if (parts.captured(1).compare(model, Qt::CaseInsensitive) == 0)
            model = parts.captured(1);
        try {
            const bool sameZ = record.gridZ > 0
                                   ? parts.hasCaptured(5) && GridSize(parts.captured(5), "z") == record.gridZ
                                   : !parts.hasCaptured(5);
            if (ReynoldsNumber(parts.captured(2)) == record.re &&
                GridSize(parts.captured(3), "x") == record.gridX &&
                GridSize(parts.captured(4), "y") == record.gridY && sameZ) {
                re = parts.captured(2);
                gx = parts.captured(3);
                gy = parts.captured(4);
                if (record.gridZ > 0)
                    gz = parts.captured(5);
            }
        } catch (const std::invalid_argument&) {
        }
    }
    const int listed = cbModelName->findText(model, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (listed >= 0)
        cbModelName->setCurrentIndex(listed);
    cbModelName->setEditText(model);
    edRen->setText(re);
    edGridX->setText(gx);
    edGridY->setText(gy);
    edGridZ->setText(gz);
    cbSnapshots->setChecked(record.snapshots > 0);
    if (record.snapshots > 0)
        edSnapshots->setText(QString::number(record.snapshots));
    cbFlow->setCurrentIndex(record.flow == lbm::Flow::Channel ? 1 : 0);
    if (record.flow == lbm::Flow::Channel) {
        const ChannelRecord& c = record.channel;
        edChannelX->setText(Shortest(c.x));
        edChannelY->setText(Shortest(c.y));
        edLength->setText(Shortest(c.length));
        edHeight->setText(Shortest(c.height));
        if (record.gridZ > 0) {
            edChannelZ->setText(Shortest(c.z));
            edDepth->setText(Shortest(c.depth));
        } else {
            edPlane->setText(Shortest(c.plane));
        }
        cbInflow->setCurrentIndex(c.inflow == lbm::Inflow::Uniform ? 1 : 0);
        edMeanSpeed->setText(Shortest(c.meanSpeed));
        cbSourceKind->setCurrentIndex(c.kind == ObstacleSource::View ? 0 : 1);
        FillSources();
        cbSource->setEditText(c.source);
        ShowChannelNote();
    }
    ShowModelNote();
    setWindowTitle(QStringLiteral("Edit Task"));
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void TfrmAddTask::EndEdit()
{
    if (FEditRow < 0)
        return;
    FEditRow = -1;
    FEditList = nullptr;
    setWindowModality(Qt::NonModal);
    setWindowTitle(QStringLiteral("Add Task"));
    const int listed = cbModelName->findText(FAddModel, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (listed >= 0)
        cbModelName->setCurrentIndex(listed);
    cbModelName->setEditText(FAddModel);
    edRen->setText(FAddRe);
    edGridX->setText(FAddGridX);
    edGridY->setText(FAddGridY);
    edGridZ->setText(FAddGridZ);
    if (FAddChannel.size() == 11) {
        edChannelX->setText(FAddChannel[0]);
        edChannelY->setText(FAddChannel[1]);
        edLength->setText(FAddChannel[2]);
        edHeight->setText(FAddChannel[3]);
        edMeanSpeed->setText(FAddChannel[4]);
        edPlane->setText(FAddChannel[5]);
        cbInflow->setCurrentIndex(FAddChannel[7].toInt());
        cbSourceKind->setCurrentIndex(FAddChannel[8].toInt());
        cbSource->setEditText(FAddChannel[6]);
        edChannelZ->setText(FAddChannel[9]);
        edDepth->setText(FAddChannel[10]);
    }
    cbSnapshots->setChecked(FAddSnapshots);
    edSnapshots->setText(FAddSnapshotSteps);
    cbFlow->setCurrentIndex(FAddFlow);
    ShowModelNote();
}

QString TfrmAddTask::DisplayLine() const
{
    return cbModelName->currentText() + QStringLiteral(" ren ") + edRen->text() + QStringLiteral("Gx ") +
           edGridX->text() + QStringLiteral(" Gy ") + edGridY->text() +
           (IsThreeDimensional() ? QStringLiteral(" Gz ") + edGridZ->text() : QString()) +
           (IsChannel() ? ChannelLineTail() : QString());
}

void TfrmAddTask::BitBtn1Click()
{
    // Every field is checked before anything is stored.
    ObstacleCut cut;
    const TaskRecord record = Record(cut);
    if (record.flow == lbm::Flow::Channel) {
        if (!cut.error.isEmpty())
            throw std::invalid_argument(cut.error.toStdString());
        if (!ChannelModel(ChosenModel()))
            throw std::invalid_argument(QStringLiteral("A channel runs on %1 only, not on %2.")
                                            .arg(QLatin1String(kChannelModels), ChosenModel())
                                            .toStdString());
        const QString cells = CubicCellsRefusal(record);
        if (!cells.isEmpty())
            throw std::invalid_argument(cells.toStdString());
    }
    // What the solver itself refuses to run is refused here, in its words:
    // a model that cannot run or is none at all, as well as the grid.
    const lbm::Task task = SolverTaskOf(record, ChosenModel(), &cut);
    lbm::Settings settings = FRunSettings ? FRunSettings() : lbm::Settings();
    if (record.flow == lbm::Flow::Channel)
        settings.lidSpeed = kChannelLatticeSpeed;
    const std::string problem = lbm::CheckTask(task, settings);
    if (!problem.empty())
        throw std::invalid_argument(problem);
    if (FEditRow >= 0) {
        if (!FEditList)
            throw std::runtime_error("The task list is gone: nothing was changed.");
        FEditList->Tasks()->Replace(FEditRow, record);
    } else if (frmEnviroment) {
        frmEnviroment->Tasks()->Append(record);
    }
    accept();
}
