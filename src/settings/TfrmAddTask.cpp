// SPDX-License-Identifier: GPL-3.0-or-later
#include "TfrmAddTask.h"

#include "Icons.h"
#include "LbmTask.h"
#include "Messages.h"
#include "SettingsGlobals.h"
#include "TfrmEnviroment.h"
#include "Widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

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
    setFixedSize(267, 165);

    corvane::PlaceLabel(this, QStringLiteral("Models"), {12, 12});
    cbModelName = new QComboBox(this);
    cbModelName->setObjectName(QStringLiteral("cbModelName"));
    cbModelName->setEditable(true);
    cbModelName->setInsertPolicy(QComboBox::NoInsert);
    cbModelName->addItems(ModelNames());
    cbModelName->setGeometry(72, 8, 177, 24);
    corvane::PlaceLabel(this, QStringLiteral("Reynolds No."), {8, 54});
    edRen = new QLineEdit(QStringLiteral("400"), this);
    edRen->setObjectName(QStringLiteral("edRen"));
    edRen->setGeometry(104, 48, 121, 24);
    corvane::PlaceLabel(this, QStringLiteral("Grid Size"), {23, 89});
    edGridX = new QLineEdit(QStringLiteral("65"), this);
    edGridX->setObjectName(QStringLiteral("edGridX"));
    edGridX->setGeometry(104, 83, 41, 24);
    corvane::PlaceLabel(this, QStringLiteral("x"), {159, 89});
    edGridY = new QLineEdit(QStringLiteral("65"), this);
    edGridY->setObjectName(QStringLiteral("edGridY"));
    edGridY->setGeometry(181, 83, 41, 24);
    BitBtn1 = new QPushButton(corvane::Icon("apply"), QStringLiteral("Save"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(72, 120, 121, 33);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { corvane::RunHandler([this] { BitBtn1Click(); }); });
}

QStringList TfrmAddTask::ModelNames()
{
    return {QStringLiteral("D2Q7"),       QStringLiteral("D2Q9"),      QStringLiteral("D2Q9(New)"),
            QStringLiteral("D2Q11(New)"), QStringLiteral("D2Q7(New)"), QStringLiteral("D2Q13(New)")};
}

void TfrmAddTask::FormCreate() { cbModelName->setCurrentIndex(0); }

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
    // What the solver itself refuses to run is refused here, in its words.
    // The model waits for the run: the list keeps tasks of models that do
    // not run yet, checked meanwhile as the default model's.
    lbm::Task task;
    const std::string typed = cbModelName->currentText().toStdString();
    const std::vector<std::string> runnable = lbm::SupportedModels();
    task.model =
        std::find(runnable.begin(), runnable.end(), typed) != runnable.end() ? typed : lbm::kModelBgk;
    task.reynolds = re;
    task.gx = gridX;
    task.gy = gridY;
    const std::string problem = lbm::CheckTask(task, FRunSettings ? FRunSettings() : lbm::Settings());
    if (!problem.empty())
        throw std::invalid_argument(problem);
    // The typed text selects a model only when it names one exactly.
    const int model = cbModelName->findText(cbModelName->currentText(), Qt::MatchExactly);
    if (frmEnviroment)
        frmEnviroment->StoreTask(DisplayLine(), model, re, gridX, gridY);
    accept();
}
