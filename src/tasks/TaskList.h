// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The list of simulation tasks the user keeps: each task's display line and
// record (model, Reynolds number, grid), whether it is ticked to run, how its
// last run stands and where that run wrote its results. The settings dialog
// shows it, the task dialog adds and edits through it, and the Run menu takes
// its ticked tasks to the runner and writes their run states back.
//
// The list is kept in the settings file's section "Tasks": key Count and,
// for task n from 1, the keys Line<n>, Model<n>, Re<n>, GridX<n>, GridY<n>
// and Ticked<n>; a channel task has besides Flow<n>=channel, Channel<n>=x,y,
// length,height, Inflow<n> (parabolic or uniform), MeanSpeed<n>, Plane<n> and
// Source<n> ("view:" and a view's caption, or "file:" and a scene file), a
// cavity task none of them. A three-dimensional task has GridZ<n> besides;
// its channel is a box, Channel<n>=x,y,z,length,height,depth, without a
// plane (its obstacles are the solids' and meshes' surfaces inside the box).
// Two-dimensional tasks have neither. A task that keeps a snapshot of its field every
// N steps has Snapshots<n>=N; one without snapshots has no such key. Storing changes only the values that
// differ from what the file holds, so a list stored as it was loaded leaves the file's bytes as they were.
// Run states and results folders belong to this run of the program and are not stored.

#include "LbmTask.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TIniFile;

enum class TaskState { Queued, Running, Converged, NotConverged, Failed, Cancelled };
// "queued", "running", "converged", "not converged", "failed", "cancelled".
QString TaskStateName(TaskState state);

// Tasks run in the program or, on several processes, as the solver under
// mpirun. Why they cannot run under mpirun here (it is not on the PATH), or an
// empty string when they can.
QString MpirunMissingReason();

// Where a channel task takes its obstacles from: the open view of that
// caption, or a saved scene file.
enum class ObstacleSource { View, File };

// A channel task's own values (scene units).
struct ChannelRecord {
    double x = 0, y = 0;
    double length = 2.2, height = 0.41;
    double z = 0, depth = 0.41; // three dimensions: the box reaches from z to z + depth
    lbm::Inflow inflow = lbm::Inflow::Parabolic;
    double meanSpeed = 0.2;
    double plane = 0; // the plane z = plane cuts the obstacles
    ObstacleSource kind = ObstacleSource::View;
    QString source; // the view's caption or the file's path

    bool operator==(const ChannelRecord& o) const
    {
        return x == o.x && y == o.y && length == o.length && height == o.height && z == o.z &&
               depth == o.depth && inflow == o.inflow && meanSpeed == o.meanSpeed && plane == o.plane &&
               kind == o.kind && source == o.source;
    }
};

// A task's record as the task dialog makes it.
struct TaskRecord {
    TaskRecord() = default;
    TaskRecord(QString line_, int model_, double re_, int gridX_, int gridY_)
        : line(std::move(line_)), model(model_), re(re_), gridX(gridX_), gridY(gridY_)
    {
    }

    QString line;  // the display line, which also names the results folder
    int model = 0; // index into TTaskList::ModelNames(); -1: a model typed by hand
    double re = 0;
    int gridX = 0;
    int gridY = 0;
    int gridZ = 0; // nodes along z of a three-dimensional task; 0 for a two-dimensional one
    lbm::Flow flow = lbm::Flow::Cavity;
    ChannelRecord channel; // a channel task's (Flow::Channel)
    // Steps between two snapshots of the field the run keeps in its results
    // folder (field_<step>.vti and field.pvd); 0: none.
    std::int64_t snapshots = 0;
};

// The lattice speed of a channel's mean inflow (a cavity's lid runs at the settings' speed).
inline constexpr double kChannelLatticeSpeed = 0.05;

// The obstacles a channel task's source gives where its plane cuts it: the
// outline pieces in the scene's coordinates and how many objects were taken,
// left out as open or outside the channel, or not cut; or why the source
// cannot be read. A three-dimensional channel's are the surfaces inside its
// box: `cut` objects taken, of them `open` kept as sheets without an inside,
// `outside` left out and `missed` without a face.
struct ObstacleCut {
    QString error;
    std::vector<lbm::Segment> outline;
    int cut = 0, open = 0, outside = 0, missed = 0;
    std::vector<lbm::Triangle> surface; // three dimensions
    std::vector<bool> closed;           // per object taken
};
// Cuts a channel task's source (views and scene files are the program's, not
// the list's: the frame sets this). Without it every source is an error.
using ObstacleCutter = std::function<ObstacleCut(const ChannelRecord&)>;
ObstacleCutter& ChannelObstacleCutter();
// Takes the surfaces inside a three-dimensional channel's box (the frame sets this too).
ObstacleCutter& ChannelSurfaceCutter();
// The obstacles of a channel task through the hook its dimensions call for;
// an error when that hook is not set.
ObstacleCut CutObstacles(const TaskRecord& record);
// Why a three-dimensional channel's cells are not cubes (length / Gx, height
// / Gy and depth / Gz more than 1 % apart), with the numbers; empty when
// they are, and for every other task.
QString CubicCellsRefusal(const TaskRecord& record);
// The captions of the open views a channel can take its obstacles from (the frame sets this).
std::function<QStringList()>& OpenViewCaptions();
// The solver's task of a record; for a channel with the obstacles `cut` gives.
lbm::Task SolverTaskOf(const TaskRecord& record, const QString& modelName, const ObstacleCut* cut = nullptr);
// "view:Caption" or "file:/path", as the settings file and the display line name a source.
QString SourceText(const ChannelRecord& channel);
bool ParseSourceText(const QString& text, ChannelRecord& channel);

class TTaskList : public QObject {
    Q_OBJECT

public:
    explicit TTaskList(QObject* parent = nullptr);

    // The lattice models the task dialog lists, in its order (a record's model indexes it).
    static QStringList ModelNames();

    int Count() const { return static_cast<int>(FTasks.size()); }
    const TaskRecord& Record(int row) const { return At(row).record; }
    const QString& Line(int row) const { return At(row).record.line; }
    bool Ticked(int row) const { return At(row).ticked; }
    // The model's name: the list's entry, or the typed name of the display
    // line for a model that is none of the list's.
    QString ModelName(int row) const;
    // The solver's task for the row.
    lbm::Task SolverTask(int row) const;
    // How the row's last run stands; none before it was queued.
    std::optional<TaskState> State(int row) const { return At(row).state; }
    // The state's name, empty when there is none.
    QString StateName(int row) const;
    // Where the row's last run wrote its results; empty when it wrote none.
    const QString& ResultsFolder(int row) const { return At(row).folder; }
    // The most recently added, edited or last remaining task; -1 when none.
    int LastIndex() const { return FLastIndex; }

    // The settings file that every change of the tasks themselves (not their
    // run states) is stored in at once; empty: none.
    void SetFile(const QString& path) { FFile = path; }
    const QString& File() const { return FFile; }

    // Adds a task at the end, unticked. Returns its row.
    int Append(const TaskRecord& record);
    // Changes the task at row in place: its tick stays, the state and results
    // of an earlier run go. Throws, changing nothing, when the row is gone or
    // EditRefusal gives a reason.
    void Replace(int row, const TaskRecord& record);
    // Removes a task; refused (false) while a run is going or for a row that is not there.
    bool Remove(int row);
    // Moves the task at from to the place to, the others closing up;
    // refused (false) while a run is going or for rows that are not there.
    bool Move(int from, int to);
    void SetTicked(int row, bool ticked);

    // While a run is going, the runner holds the queued tasks by their rows:
    // lines keep their places (no removal, no reordering) and the queued and
    // running tasks cannot be edited.
    void SetRunning(bool running);
    bool IsRunning() const { return FRunning; }
    // Why the task at row cannot be edited now; empty when it can.
    QString EditRefusal(int row) const;
    // Why lines cannot be removed or reordered now; empty when they can.
    QString ReorderRefusal() const;

    void SetState(int row, std::optional<TaskState> state);
    void SetResultsFolder(int row, const QString& folder);
    // Drops every task's run state (not its results folder).
    void ClearStates();

    // Reads the tasks from the file's section (replacing the list). An entry
    // whose count or numbers do not read loses only itself.
    void Load(const TIniFile& ini);
    // Reads the file at path; a missing file is an empty list. Throws when the
    // file cannot be read.
    void LoadFile(const QString& path);
    // Writes the list into the section, leaving every value that already
    // reads as the list's alone, and removes the keys of tasks that are gone.
    void Store(TIniFile& ini) const;
    // Reads the settings file afresh, stores the list into it and writes it;
    // throws with the file's name when it cannot. Nothing without a file.
    void Save() const;

signals:
    // The whole list was replaced (Load).
    void Reset();
    void Inserted(int row);
    void Removed(int row);
    void Moved(int from, int to);
    // The row's line, record, tick, state or results folder changed.
    void Changed(int row);
    void RunningChanged(bool running);

private:
    struct Entry {
        TaskRecord record;
        bool ticked = false;
        std::optional<TaskState> state;
        QString folder;
    };
    const Entry& At(int row) const;
    Entry& At(int row);

    std::vector<Entry> FTasks;
    QString FFile;
    int FLastIndex = -1;
    bool FRunning = false;
};
