// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <functional>

namespace lbm {
struct Settings;
}

struct ObstacleCut;
struct TaskRecord;

class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;
class QLineEdit;
class QPushButton;
class TfrmEnviroment;

// The "Add Task" dialog: one lattice-Boltzmann task (lattice model, Reynolds
// number, grid size) stored into the settings dialog's task list. The flow
// box chooses a lid-driven cavity or a channel; a channel has besides its
// rectangle in the scene, its inflow and the plane that cuts the obstacles
// out of an open view or a scene file. A three-dimensional model (D3Q19,
// D3Q19(New)) has a z size besides; its channel is a box whose obstacles are
// the surfaces of the view's or file's solids and meshes inside it. Either may keep a snapshot of its
// field every N steps. It is
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
    // True while the flow box says Channel.
    bool IsChannel() const;
    // True while the chosen model is a three-dimensional one (the Gz field and the box's z and depth shown).
    bool IsThreeDimensional() const;
    // What the dialog says under the channel's fields: the length Re is made
    // with, the obstacles found and left out, and the lattices channels run on.
    QString ChannelNoteText() const { return FChannelNote; }
    // Cuts the chosen source afresh and says what it gave (ChannelNoteText).
    void ShowChannelNote();

    QComboBox* cbModelName;
    QLineEdit* edRen;
    QLineEdit* edGridX;
    QLineEdit* edGridY;
    QLineEdit* edGridZ; // three-dimensional models only
    QLabel* lbModelNote;
    QComboBox* cbFlow;
    QCheckBox* cbSnapshots; // "Keep a snapshot every N steps"
    QLineEdit* edSnapshots; // N
    QWidget* pnChannel;
    QLineEdit* edChannelX;
    QLineEdit* edChannelY;
    QLineEdit* edChannelZ; // a box's (three dimensions)
    QLineEdit* edLength;
    QLineEdit* edHeight;
    QLineEdit* edDepth; // a box's (three dimensions)
    QComboBox* cbInflow;
    QLineEdit* edMeanSpeed;
    QLineEdit* edPlane;
    QComboBox* cbSourceKind; // an open view or a scene file
    QComboBox* cbSource;     // the view's caption or the file's path
    QPushButton* btBrowse;
    QLabel* lbChannelNote;
    QPushButton* BitBtn1;

private:
    void ShowModelNote();
    // Shows the fields of the chosen model's dimensions.
    void ShowDimensions();
    void EndEdit();
    void Layout();
    void FillSources();
    // The record the fields make (every field checked; throws naming the one that does not read).
    TaskRecord Record(ObstacleCut& cut) const;
    QString ChannelLineTail() const;

    std::function<lbm::Settings()> FRunSettings;
    // While a task is edited: its list and row, and the fields as they were for adding.
    QPointer<TfrmEnviroment> FEditList;
    int FEditRow = -1;
    QString FAddModel, FAddRe, FAddGridX, FAddGridY, FAddGridZ;
    int FAddFlow = 0;
    bool FAddSnapshots = false;
    QString FAddSnapshotSteps;
    QStringList FAddChannel; // the channel's fields as they were for adding
    QString FChannelNote;
    int FTop = 0;              // where the fields under the model note begin
    QLabel* FByZ = nullptr;    // the "x" before Gz
    QLabel* FCorner = nullptr; // the channel's row labels, which name z and depth for a box
    QLabel* FExtent = nullptr;
};
