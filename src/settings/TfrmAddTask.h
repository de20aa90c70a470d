// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

namespace lbm {
struct Settings;
}

class QComboBox;
class QLineEdit;
class QPushButton;

// The "Add Task" dialog: one lattice-Boltzmann task (lattice model, Reynolds
// number, grid size) stored into the settings dialog's task list. It is
// created once, so its fields keep their last values between showings.
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
    QPushButton* BitBtn1;

private:
    std::function<lbm::Settings()> FRunSettings;
};
