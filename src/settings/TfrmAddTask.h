// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <functional>

namespace lbm {
struct Settings;
}

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TfrmEnviroment;

// The "Add Task" dialog: one lattice-Boltzmann task (lattice model, Reynolds
// number, grid size) stored into the settings dialog's task list. It is
// created once, so its fields keep their last values between showings. The
// same dialog, titled "Edit Task", changes a task of the list in place.
class TfrmAddTask : public QDialog {
    Q_OBJECT

public:
    explicit TfrmAddTask(QWidget* parent = nullptr);

    // Creation handler: selects the first lattice model.
    void FormCreate();
    // "Save": checks all three fields, then stores the task and closes. A field
    // that does not convert raises an error naming it, and a task the solver
    // could never run raises the solver's own reason; nothing is stored and
    // the dialog stays open.
    void BitBtn1Click();
    // Shows the dialog (modal, without waiting) with the values of the list's
    // task at row; Save then changes that task in place. However the dialog
    // closes, its fields then return to the values they had for adding.
    void EditTask(TfrmEnviroment* list, int row);
    // The row being edited, or -1 when the dialog adds a task.
    int EditRow() const { return FEditRow; }
    // The chosen model's name: the list's entry the text names (in any case),
    // or the text as typed.
    QString ChosenModel() const;
    // What the dialog says under the model box about the chosen model: its
    // lattice and source, or why it cannot run; for the hexagonal lattice also
    // how the grid sizes map onto it. Empty for a name that is no model.
    QString ModelNoteText() const;
    // The solver settings the tasks run with (the solver's defaults unless set).
    void SetRunSettings(std::function<lbm::Settings()> settings) { FRunSettings = std::move(settings); }
    // The lattice models of the list, in its order (a task's model is an index into it).
    static QStringList ModelNames();
    // The task's line in the settings dialog's list.
    QString DisplayLine() const;

    QComboBox* cbModelName;
    QLineEdit* edRen;
    QLineEdit* edGridX;
    QLineEdit* edGridY;
    QLabel* lbModelNote;
    QPushButton* BitBtn1;

private:
    void ShowModelNote();
    void EndEdit();

    std::function<lbm::Settings()> FRunSettings;
    // While a task is edited: its list and row, and the fields as they were for adding.
    QPointer<TfrmEnviroment> FEditList;
    int FEditRow = -1;
    QString FAddModel, FAddRe, FAddGridX, FAddGridY;
};
