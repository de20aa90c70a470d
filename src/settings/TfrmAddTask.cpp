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

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
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
    constexpr int width = 320;

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
    BitBtn1->setGeometry(72, top + 72, 121, 33);
    setFixedSize(width, top + 117);
    cbModelName->setCurrentIndex(0);
    cbModelName->setEditText(cbModelName->itemText(0));
    ShowModelNote();

    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { BitBtn1Click(); }); });
    connect(cbModelName, &QComboBox::currentTextChanged, this, [this] { ShowModelNote(); });
    connect(edGridY, &QLineEdit::textChanged, this, [this] { ShowModelNote(); });
    connect(this, &QDialog::finished, this, [this] { EndEdit(); });
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
    const bool refused = lbm::IsKnownModel(model) && !lbm::ModelLattice(model);
    lbModelNote->setStyleSheet(refused ? QStringLiteral("color: #a01010") : QString());
    BitBtn1->setEnabled(!refused);
    BitBtn1->setToolTip(refused ? note : QString());
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
    }
    FEditList = list;
    FEditRow = row;
    // The texts of the task's line where they read as its record, so that a
    // task saved unchanged keeps its line; the record's values otherwise.
    QString model = tasks.ModelName(row);
    QString re = QLocale().toString(record.re, 'g', QLocale::FloatingPointShortest);
    QString gx = QString::number(record.gridX);
    QString gy = QString::number(record.gridY);
    static const QRegularExpression format(QStringLiteral("^(.*) ren (.*)Gx (.*) Gy (.*)$"));
    const QRegularExpressionMatch parts = format.match(record.line);
    if (parts.hasMatch()) {
        if (parts.captured(1).compare(model, Qt::CaseInsensitive) == 0)
            model = parts.captured(1);
        try {
            if (ReynoldsNumber(parts.captured(2)) == record.re &&
                GridSize(parts.captured(3), "x") == record.gridX &&
                GridSize(parts.captured(4), "y") == record.gridY) {
                re = parts.captured(2);
                gx = parts.captured(3);
                gy = parts.captured(4);
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
    ShowModelNote();
}

QString TfrmAddTask::DisplayLine() const
{
    return cbModelName->currentText() + QStringLiteral(" ren ") + edRen->text() + QStringLiteral("Gx ") +
           edGridX->text() + QStringLiteral(" Gy ") + edGridY->text();
}

void TfrmAddTask::BitBtn1Click()
{
    // Every field is checked before anything is stored.
    const double re = ReynoldsNumber(edRen->text());
    const int gridX = GridSize(edGridX->text(), "x");
    const int gridY = GridSize(edGridY->text(), "y");
    // What the solver itself refuses to run is refused here, in its words:
    // a model that cannot run or is none at all, as well as the grid.
    lbm::Task task;
    task.model = ChosenModel().toStdString();
    task.reynolds = re;
    task.gx = gridX;
    task.gy = gridY;
    const std::string problem = lbm::CheckTask(task, FRunSettings ? FRunSettings() : lbm::Settings());
    if (!problem.empty())
        throw std::invalid_argument(problem);
    // The record names the model that was checked (-1: none of the list's).
    const int model = cbModelName->findText(ChosenModel(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (FEditRow >= 0) {
        if (!FEditList)
            throw std::runtime_error("The task list is gone: nothing was changed.");
        FEditList->Tasks()->Replace(FEditRow, TaskRecord{DisplayLine(), model, re, gridX, gridY});
    } else if (frmEnviroment) {
        frmEnviroment->Tasks()->Append(TaskRecord{DisplayLine(), model, re, gridX, gridY});
    }
    accept();
}
