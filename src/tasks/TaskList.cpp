// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaskList.h"

#include "IniFile.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

const QString kSection = QStringLiteral("Tasks");
const char* const kChannelFields[] = {"Flow", "Channel", "Inflow", "MeanSpeed", "Plane", "Source"};

QString Key(const char* field, int n) { return QLatin1String(field) + QString::number(n); }

std::optional<int> ReadInt(const TIniFile& ini, const QString& key)
{
    bool ok = false;
    const int value = ini.ReadString(kSection, key, QString()).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<std::int64_t> ReadInt64(const TIniFile& ini, const QString& key)
{
    bool ok = false;
    const qlonglong value = ini.ReadString(kSection, key, QString()).trimmed().toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(value) : std::nullopt;
}

std::optional<double> ReadDouble(const TIniFile& ini, const QString& key)
{
    bool ok = false;
    const double value = ini.ReadString(kSection, key, QString()).toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

bool Same(std::optional<double> read, double value)
{
    return read && (*read == value || (std::isnan(*read) && std::isnan(value)));
}

QString Num(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

// x,y,length,height; a box's x,y,z,length,height,depth.
QString ChannelText(const ChannelRecord& c, bool box)
{
    const QStringList parts =
        box ? QStringList{Num(c.x), Num(c.y), Num(c.z), Num(c.length), Num(c.height), Num(c.depth)}
            : QStringList{Num(c.x), Num(c.y), Num(c.length), Num(c.height)};
    return parts.join(QLatin1Char(','));
}

std::optional<ChannelRecord> ParseChannel(const QString& text, bool box)
{
    const QStringList parts = text.split(QLatin1Char(','));
    const int count = box ? 6 : 4;
    if (parts.size() != count)
        return std::nullopt;
    double v[6];
    for (int k = 0; k < count; ++k) {
        bool ok = false;
        v[k] = parts[k].trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v[k]))
            return std::nullopt;
    }
    ChannelRecord c;
    c.x = v[0];
    c.y = v[1];
    if (box) {
        c.z = v[2];
        c.length = v[3];
        c.height = v[4];
        c.depth = v[5];
    } else {
        c.length = v[2];
        c.height = v[3];
    }
    return c;
}

QString InflowText(lbm::Inflow inflow)
{
    return inflow == lbm::Inflow::Uniform ? QStringLiteral("uniform") : QStringLiteral("parabolic");
}

// A channel task's keys; false when one of them does not read (the task is then left out).
bool ReadChannel(const TIniFile& ini, int n, TaskRecord& record)
{
    const QString flow = ini.ReadString(kSection, Key("Flow", n), QString()).trimmed().toLower();
    if (flow == QLatin1String("cavity"))
        return true;
    if (flow != QLatin1String("channel"))
        return false;
    // A three-dimensional task's box has no plane.
    const bool box = record.gridZ > 0;
    std::optional<ChannelRecord> c =
        ParseChannel(ini.ReadString(kSection, Key("Channel", n), QString()), box);
    const std::optional<double> mean = ReadDouble(ini, Key("MeanSpeed", n));
    const std::optional<double> plane = box ? std::optional<double>(0) : ReadDouble(ini, Key("Plane", n));
    const QString inflow = ini.ReadString(kSection, Key("Inflow", n), QString()).trimmed().toLower();
    if (!c || !mean || !plane || !ParseSourceText(ini.ReadString(kSection, Key("Source", n), QString()), *c))
        return false;
    if (inflow == QLatin1String("uniform"))
        c->inflow = lbm::Inflow::Uniform;
    else if (inflow == QLatin1String("parabolic"))
        c->inflow = lbm::Inflow::Parabolic;
    else
        return false;
    c->meanSpeed = *mean;
    c->plane = *plane;
    record.flow = lbm::Flow::Channel;
    record.channel = *c;
    return true;
}

} // namespace

QString TaskStateName(TaskState state)
{
    switch (state) {
    case TaskState::Queued:
        return QStringLiteral("queued");
    case TaskState::Running:
        return QStringLiteral("running");
    case TaskState::Converged:
        return QStringLiteral("converged");
    case TaskState::NotConverged:
        return QStringLiteral("not converged");
    case TaskState::Failed:
        return QStringLiteral("failed");
    case TaskState::Cancelled:
        return QStringLiteral("cancelled");
    }
    return {};
}

TTaskList::TTaskList(QObject* parent) : QObject(parent) {}

QStringList TTaskList::ModelNames()
{
    // Records hold indices into this list: new models go at its end.
    return {QStringLiteral("D2Q7"),       QStringLiteral("D2Q9"),      QStringLiteral("D2Q9(New)"),
            QStringLiteral("D2Q11(New)"), QStringLiteral("D2Q7(New)"), QStringLiteral("D2Q13(New)"),
            QStringLiteral("D3Q19"),      QStringLiteral("D3Q19(New)")};
}

const TTaskList::Entry& TTaskList::At(int row) const
{
    if (row < 0 || row >= Count())
        throw std::out_of_range(
            QStringLiteral("There is no task %1 in the list of %2.").arg(row + 1).arg(Count()).toStdString());
    return FTasks[static_cast<std::size_t>(row)];
}

TTaskList::Entry& TTaskList::At(int row)
{
    return const_cast<Entry&>(static_cast<const TTaskList*>(this)->At(row));
}

QString TTaskList::ModelName(int row) const
{
    const QStringList names = ModelNames();
    const TaskRecord& record = Record(row);
    if (record.model >= 0 && record.model < names.size())
        return names[record.model];
    return record.line.section(QStringLiteral(" ren "), 0, 0);
}

lbm::Task TTaskList::SolverTask(int row) const { return SolverTaskOf(Record(row), ModelName(row)); }

ObstacleCutter& ChannelObstacleCutter()
{
    static ObstacleCutter cutter;
    return cutter;
}

ObstacleCutter& ChannelSurfaceCutter()
{
    static ObstacleCutter cutter;
    return cutter;
}

ObstacleCut CutObstacles(const TaskRecord& record)
{
    const ObstacleCutter& cutter = record.gridZ > 0 ? ChannelSurfaceCutter() : ChannelObstacleCutter();
    if (cutter)
        return cutter(record.channel);
    ObstacleCut cut;
    cut.error = QStringLiteral("Obstacles cannot be read here.");
    return cut;
}

QString CubicCellsRefusal(const TaskRecord& record)
{
    if (record.gridZ <= 0 || record.flow != lbm::Flow::Channel || record.gridX <= 0 || record.gridY <= 0)
        return {};
    const ChannelRecord& c = record.channel;
    const double along = c.length / record.gridX, across = c.height / record.gridY,
                 deep = c.depth / record.gridZ;
    const double least = std::min({along, across, deep}), most = std::max({along, across, deep});
    if (most - least <= 0.01 * least)
        return {};
    const auto size = [](double value) { return QLocale().toString(value, 'g', 4); };
    return QStringLiteral("The grid's cells must be cubes: length / Gx = %1 / %2 = %3, height / Gy = %4 / %5 "
                          "= %6 and depth / Gz = %7 / %8 = %9 differ by more than 1 %. For cells %6 high, Gx "
                          "would be about %10 and Gz about %11.")
        .arg(size(c.length))
        .arg(record.gridX)
        .arg(size(along))
        .arg(size(c.height))
        .arg(record.gridY)
        .arg(size(across))
        .arg(size(c.depth))
        .arg(record.gridZ)
        .arg(size(deep))
        .arg(std::llround(c.length / across))
        .arg(std::llround(c.depth / across));
}

std::function<QStringList()>& OpenViewCaptions()
{
    static std::function<QStringList()> captions;
    return captions;
}

lbm::Task SolverTaskOf(const TaskRecord& record, const QString& modelName, const ObstacleCut* cut)
{
    lbm::Task task;
    task.model = modelName.toStdString();
    task.reynolds = record.re;
    task.gx = record.gridX;
    task.gy = record.gridY;
    task.gz = record.gridZ > 0 ? record.gridZ : 1;
    task.flow = record.flow;
    if (record.flow == lbm::Flow::Channel) {
        const ChannelRecord& c = record.channel;
        task.channel.x = c.x;
        task.channel.y = c.y;
        task.channel.length = c.length;
        task.channel.height = c.height;
        task.channel.inflow = c.inflow;
        task.channel.meanSpeed = c.meanSpeed;
        if (record.gridZ > 0) {
            task.channel.z = c.z;
            task.channel.depth = c.depth;
        }
        if (cut) {
            task.channel.outline = cut->outline;
            task.channel.obstacles = cut->cut;
            task.channel.surface = cut->surface;
            task.channel.closed = cut->closed;
        }
    }
    return task;
}

QString SourceText(const ChannelRecord& channel)
{
    return (channel.kind == ObstacleSource::View ? QStringLiteral("view:") : QStringLiteral("file:")) +
           channel.source;
}

bool ParseSourceText(const QString& text, ChannelRecord& channel)
{
    if (text.startsWith(QLatin1String("view:"))) {
        channel.kind = ObstacleSource::View;
    } else if (text.startsWith(QLatin1String("file:"))) {
        channel.kind = ObstacleSource::File;
    } else {
        return false;
    }
    channel.source = text.mid(5);
    return !channel.source.isEmpty();
}

QString TTaskList::StateName(int row) const
{
    const std::optional<TaskState> state = State(row);
    return state ? TaskStateName(*state) : QString();
}

int TTaskList::Append(const TaskRecord& record)
{
    Entry entry;
    entry.record = record;
    FTasks.push_back(entry);
    FLastIndex = Count() - 1;
    emit Inserted(FLastIndex);
    Save();
    return FLastIndex;
}

void TTaskList::Replace(int row, const TaskRecord& record)
{
    if (row < 0 || row >= Count())
        throw std::runtime_error("The task is no longer in the list: nothing was changed.");
    const QString refusal = EditRefusal(row);
    if (!refusal.isEmpty())
        throw std::runtime_error(refusal.toStdString());
    Entry& entry = At(row);
    entry.record = record;
    // What an earlier run gave was for the task's old values.
    entry.state.reset();
    entry.folder.clear();
    FLastIndex = row;
    emit Changed(row);
    Save();
}

bool TTaskList::Remove(int row)
{
    if (FRunning || row < 0 || row >= Count())
        return false;
    FTasks.erase(FTasks.begin() + row);
    FLastIndex = Count() - 1;
    emit Removed(row);
    Save();
    return true;
}

bool TTaskList::Move(int from, int to)
{
    if (FRunning || from < 0 || from >= Count() || to < 0 || to >= Count())
        return false;
    if (from == to)
        return true;
    Entry entry = std::move(FTasks[static_cast<std::size_t>(from)]);
    FTasks.erase(FTasks.begin() + from);
    FTasks.insert(FTasks.begin() + to, std::move(entry));
    // The most recent task is still the same task.
    if (FLastIndex == from)
        FLastIndex = to;
    else if (from < FLastIndex && FLastIndex <= to)
        --FLastIndex;
    else if (to <= FLastIndex && FLastIndex < from)
        ++FLastIndex;
    emit Moved(from, to);
    Save();
    return true;
}

void TTaskList::SetTicked(int row, bool ticked)
{
    Entry& entry = At(row);
    if (entry.ticked == ticked)
        return;
    entry.ticked = ticked;
    emit Changed(row);
    Save();
}

void TTaskList::SetRunning(bool running)
{
    if (FRunning == running)
        return;
    FRunning = running;
    emit RunningChanged(running);
}

QString TTaskList::EditRefusal(int row) const
{
    if (!FRunning || row < 0 || row >= Count())
        return {};
    // The run took the task's values when it started: changing them now
    // would leave the line saying something else than what runs.
    if (State(row) == TaskState::Running)
        return QStringLiteral("This task is running: it can be edited when the run has ended or been "
                              "stopped (Run > Stop).");
    if (State(row) == TaskState::Queued)
        return QStringLiteral("This task is queued to run: it can be edited when the run has ended or been "
                              "stopped (Run > Stop).");
    return {};
}

QString TTaskList::ReorderRefusal() const
{
    if (!FRunning)
        return {};
    return QStringLiteral("Tasks are running: the lines keep their places until the run has ended or been "
                          "stopped (Run > Stop).");
}

void TTaskList::SetState(int row, std::optional<TaskState> state)
{
    if (row < 0 || row >= Count())
        return;
    Entry& entry = At(row);
    if (entry.state == state)
        return;
    entry.state = state;
    emit Changed(row);
}

void TTaskList::SetResultsFolder(int row, const QString& folder)
{
    if (row < 0 || row >= Count())
        return;
    Entry& entry = At(row);
    if (entry.folder == folder)
        return;
    entry.folder = folder;
    emit Changed(row);
}

void TTaskList::ClearStates()
{
    for (int row = 0; row < Count(); ++row)
        SetState(row, std::nullopt);
}

void TTaskList::Load(const TIniFile& ini)
{
    FTasks.clear();
    const int count = ReadInt(ini, QStringLiteral("Count")).value_or(0);
    // The numbers of the lines the file holds up to the count, in order: a
    // count far beyond them reads no further than the file's own keys.
    static const QRegularExpression lineKey(QStringLiteral("^Line(\\d{1,9})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    std::vector<int> numbers;
    for (const QString& key : ini.Keys(kSection)) {
        const QRegularExpressionMatch m = lineKey.match(key);
        const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (n >= 1 && n <= count && QString::number(n) == m.captured(1))
            numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (const int n : numbers) {
        const std::optional<int> model = ReadInt(ini, Key("Model", n));
        const std::optional<double> re = ReadDouble(ini, Key("Re", n));
        const std::optional<int> gx = ReadInt(ini, Key("GridX", n));
        const std::optional<int> gy = ReadInt(ini, Key("GridY", n));
        if (!model || !re || !gx || !gy)
            continue;
        Entry entry;
        entry.record = {ini.ReadString(kSection, Key("Line", n), QString()), *model, *re, *gx, *gy};
        if (ini.Contains(kSection, Key("GridZ", n))) {
            const std::optional<int> gz = ReadInt(ini, Key("GridZ", n));
            if (!gz || *gz < 1)
                continue;
            entry.record.gridZ = *gz;
        }
        if (ini.Contains(kSection, Key("Flow", n)) && !ReadChannel(ini, n, entry.record))
            continue;
        if (ini.Contains(kSection, Key("Snapshots", n))) {
            // Only a whole number of steps above 0 is one; anything else loses the task.
            const std::optional<std::int64_t> every = ReadInt64(ini, Key("Snapshots", n));
            if (!every || *every < 1)
                continue;
            entry.record.snapshots = *every;
        }
        entry.ticked = ini.ReadBool(kSection, Key("Ticked", n), false);
        FTasks.push_back(entry);
    }
    FLastIndex = Count() - 1;
    emit Reset();
}

void TTaskList::LoadFile(const QString& path)
{
    TIniFile ini(path);
    ini.Load();
    Load(ini);
}

void TTaskList::Store(TIniFile& ini) const
{
    // No count reads as none: a file without the section gets one only for tasks.
    const int before = ReadInt(ini, QStringLiteral("Count")).value_or(0);
    const int count = Count();
    if (before != count)
        ini.WriteString(kSection, QStringLiteral("Count"), QString::number(count));
    for (int i = 0; i < count; ++i) {
        const int n = i + 1;
        const Entry& entry = FTasks[static_cast<std::size_t>(i)];
        const TaskRecord& r = entry.record;
        // A line that is new at its place has every key written; the keys of
        // a line that stays keep their text where it reads as the record
        // ("1e3" stays, and so does a missing Ticked of an unticked task).
        const bool fresh = !ini.Contains(kSection, Key("Line", n)) ||
                           ini.ReadString(kSection, Key("Line", n), QString()) != r.line;
        if (fresh)
            ini.WriteString(kSection, Key("Line", n), r.line);
        if (fresh || ReadInt(ini, Key("Model", n)) != r.model)
            ini.WriteString(kSection, Key("Model", n), QString::number(r.model));
        if (fresh || !Same(ReadDouble(ini, Key("Re", n)), r.re))
            ini.WriteString(kSection, Key("Re", n), QString::number(r.re, 'g', 17));
        if (fresh || ReadInt(ini, Key("GridX", n)) != r.gridX)
            ini.WriteString(kSection, Key("GridX", n), QString::number(r.gridX));
        if (fresh || ReadInt(ini, Key("GridY", n)) != r.gridY)
            ini.WriteString(kSection, Key("GridY", n), QString::number(r.gridY));
        // A z size only for a three-dimensional task.
        if (r.gridZ <= 0)
            ini.RemoveKey(kSection, Key("GridZ", n));
        else if (fresh || ReadInt(ini, Key("GridZ", n)) != r.gridZ)
            ini.WriteString(kSection, Key("GridZ", n), QString::number(r.gridZ));
        if (fresh || ini.ReadBool(kSection, Key("Ticked", n), false) != entry.ticked)
            ini.WriteBool(kSection, Key("Ticked", n), entry.ticked);
        // A cavity task has no channel keys; a channel's are rewritten where
        // they do not read as its values.
        TaskRecord stored = r;
        const bool box = r.gridZ > 0;
        const bool has = ini.Contains(kSection, Key("Flow", n));
        if (r.flow == lbm::Flow::Cavity) {
            for (const char* field : kChannelFields)
                ini.RemoveKey(kSection, Key(field, n));
        } else if (fresh || !has || !ReadChannel(ini, n, stored) || stored.flow != r.flow ||
                   !(stored.channel == r.channel)) {
            const ChannelRecord& c = r.channel;
            ini.WriteString(kSection, Key("Flow", n), QStringLiteral("channel"));
            ini.WriteString(kSection, Key("Channel", n), ChannelText(c, box));
            ini.WriteString(kSection, Key("Inflow", n), InflowText(c.inflow));
            ini.WriteString(kSection, Key("MeanSpeed", n), Num(c.meanSpeed));
            if (box)
                ini.RemoveKey(kSection, Key("Plane", n));
            else
                ini.WriteString(kSection, Key("Plane", n), Num(c.plane));
            ini.WriteString(kSection, Key("Source", n), SourceText(c));
        }
        // Snapshots only for a task that keeps them.
        if (r.snapshots <= 0)
            ini.RemoveKey(kSection, Key("Snapshots", n));
        else if (fresh || ReadInt64(ini, Key("Snapshots", n)) != r.snapshots)
            ini.WriteString(kSection, Key("Snapshots", n), QString::number(r.snapshots));
    }
    // The keys of tasks that are gone, and of a longer list written by hand
    // beyond the stated count.
    static const QRegularExpression numbered(
        QStringLiteral("^(Line|Model|Re|GridX|GridY|Ticked|Flow|Channel|Inflow|MeanSpeed|Plane|Source|"
                       "Snapshots|GridZ)(\\d+)$"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& key : ini.Keys(kSection)) {
        const QRegularExpressionMatch m = numbered.match(key);
        bool ok = false;
        const qlonglong n = m.hasMatch() ? m.captured(2).toLongLong(&ok) : 0;
        if (m.hasMatch() && (!ok || n > count))
            ini.RemoveKey(kSection, key);
    }
}

void TTaskList::Save() const
{
    if (FFile.isEmpty())
        return;
    // Read afresh, so that whatever else the file holds now is kept.
    TIniFile ini(FFile);
    ini.Load();
    Store(ini);
    ini.Save();
}

QString MpirunMissingReason()
{
    if (!QStandardPaths::findExecutable(QStringLiteral("mpirun")).isEmpty())
        return QString();
    return QStringLiteral("mpirun is not installed (it is not on the PATH), so tasks run in the program. "
                          "Install Open MPI (the openmpi-bin package) to run them on several processes.");
}
