// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResultsList.h"

#include "CavityReference.h"
#include "FieldFile.h"
#include "ResultsFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Entries of one folder looked at, runs or not, before the list stops.
constexpr int kMaxEntriesLooked = 100000;

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString FromNative(const std::string& text) { return QString::fromLocal8Bit(text.c_str()); }

// The file read whole if it is a regular one of at most `limit` bytes.
QString ReadSmall(const QString& path, qint64 limit, std::string& bytes)
{
    return FromNative(lbm::ReadRegularFile(Native(path), static_cast<unsigned long long>(limit), bytes));
}

// The profile's value at the position, linear between its points (which run
// from wall to wall); the end values beyond them.
double ValueAt(const lbm::Profile& sorted, double position)
{
    if (position <= sorted.front().first)
        return sorted.front().second;
    if (position >= sorted.back().first)
        return sorted.back().second;
    const auto after = std::lower_bound(sorted.begin(), sorted.end(), position,
                                        [](const auto& point, double p) { return point.first < p; });
    const auto before = after - 1;
    const double span = after->first - before->first;
    if (span <= 0)
        return after->second;
    const double t = (position - before->first) / span;
    return before->second + t * (after->second - before->second);
}

// When the run started: the time its folder's name ends in, as the program
// and the job scripts name them ("..._20261210-060102", or "...-2" for a
// second run in the same second).
QDateTime StartedAt(const QString& name)
{
    static const QRegularExpression stamp(QStringLiteral("_(\\d{8}-\\d{6})(-\\d+)?$"));
    const QRegularExpressionMatch match = stamp.match(name);
    if (!match.hasMatch())
        return {};
    return QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
}

QString Duration(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return QString();
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds, 0, 'f', seconds < 10 ? 2 : 1);
    const qint64 whole = qint64(std::llround(std::min(seconds, 1e12)));
    if (whole < 3600)
        return QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60);
    return QStringLiteral("%1 h %2 min").arg(whole / 3600).arg((whole % 3600) / 60);
}

// The names a results folder holds: its own files, snapshots and the
// temporary files of a write that was cut off.
bool IsResultFileName(QString name)
{
    static const QRegularExpression temporary(QStringLiteral("\\.tmp-[0-9a-f-]+$"));
    name.remove(temporary);
    for (const char* suffix : {".json", ".csv", ".vti", ".pvd", ".png"})
        if (name.endsWith(QLatin1String(suffix)) && name.size() > int(std::strlen(suffix)))
            return true;
    return false;
}

} // namespace

QString ResultsTaskLine(const lbm::RunSummary& summary)
{
    const QString re = std::isfinite(summary.reynolds) ? QString::number(summary.reynolds, 'g', 6)
                                                       : QStringLiteral("unknown");
    return QStringLiteral("%1 ren %2Gx %3 Gy %4")
        .arg(QString::fromStdString(summary.model), re)
        .arg(summary.gx)
        .arg(summary.gy);
}

double CentrelineDeviation(double reynolds, const lbm::Profile& u, const lbm::Profile& v)
{
    double worst = kNaN;
    for (const auto& [name, profile] : {std::pair<char, const lbm::Profile*>('u', &u), {'v', &v}}) {
        if (profile->empty() || !std::isfinite(reynolds))
            continue;
        lbm::Profile sorted = *profile;
        std::sort(sorted.begin(), sorted.end());
        for (const auto& [position, value] : CavityReference(name, reynolds)) {
            const double deviation = std::abs(ValueAt(sorted, position) - value);
            worst = std::isnan(worst) ? deviation : std::max(worst, deviation);
        }
    }
    return worst;
}

namespace {

QString ReadForces(const QByteArray& text, std::vector<ForcePoint>& points, QString& axis)
{
    // Line by line, each counted before it is split, so that no file makes
    // more pieces than a history of kMaxForcePoints rows has.
    qsizetype pos = 0;
    const auto nextLine = [&] {
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = text.size();
        const QByteArray line = text.mid(pos, end - pos).trimmed();
        pos = end + 1;
        return line;
    };
    const QByteArray first = nextLine();
    if (first.count(',') + 1 > kMaxForceColumns)
        return QStringLiteral("its first line names more than %1 columns").arg(kMaxForceColumns);
    const QList<QByteArray> heading = first.split(',');
    int cd = -1, cl = -1;
    for (int i = 0; i < heading.size(); ++i) {
        const QByteArray name = heading[i].trimmed().toLower();
        if (name == "cd")
            cd = i;
        else if (name == "cl")
            cl = i;
    }
    if (heading.size() < 2 || cd <= 0 || cl <= 0)
        return QStringLiteral("its first line does not name a step or time column followed by \"cd\" and "
                              "\"cl\" columns");
    axis = QString::fromUtf8(heading[0].trimmed()).left(40);
    for (int row = 2; pos <= text.size(); ++row) {
        const QByteArray line = nextLine();
        if (line.isEmpty())
            continue;
        if (line.count(',') + 1 != heading.size())
            return QStringLiteral("line %1 has %2 values where the heading names %3")
                .arg(row)
                .arg(line.count(',') + 1)
                .arg(heading.size());
        if (points.size() == std::size_t(kMaxForcePoints))
            return QStringLiteral("it has more than %1 rows").arg(kMaxForcePoints);
        const QList<QByteArray> cells = line.split(',');
        bool okX = false, okD = false, okL = false;
        const ForcePoint p{cells[0].trimmed().toDouble(&okX), cells[cd].trimmed().toDouble(&okD),
                           cells[cl].trimmed().toDouble(&okL)};
        if (!okX || !okD || !okL || !std::isfinite(p.x) || !std::isfinite(p.cd) || !std::isfinite(p.cl))
            return QStringLiteral("line %1 is not numbers").arg(row);
        points.push_back(p);
    }
    if (points.empty())
        return QStringLiteral("it holds no forces");
    return {};
}

} // namespace

QString ParseForces(const QByteArray& text, std::vector<ForcePoint>& points, QString& axis)
{
    points.clear();
    axis.clear();
    const QString error = ReadForces(text, points, axis);
    if (!error.isEmpty()) {
        points.clear();
        axis.clear();
    }
    return error;
}

bool IsRunFolder(const QString& folder)
{
    const QDir dir(folder);
    return QFileInfo(folder).isDir() && (QFileInfo::exists(dir.filePath(QLatin1String(lbm::kSummaryFile))) ||
                                         QFileInfo::exists(dir.filePath(QLatin1String(lbm::kFieldFile))));
}

TResultsList::TResultsList(QObject* parent) : QAbstractTableModel(parent) {}

void TResultsList::SetDataFolder(const QString& folder)
{
    FDataFolder = folder.isEmpty() ? QString() : QFileInfo(folder).absoluteFilePath();
    Refresh();
}

QString TResultsList::AddFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return QStringLiteral("\"%1\" is not a folder.").arg(QDir::toNativeSeparators(folder));
    const QString path = info.absoluteFilePath();
    if (path == FDataFolder || FAdded.contains(path))
        return QStringLiteral("\"%1\" is listed already.").arg(QDir::toNativeSeparators(path));
    if (FAdded.size() >= kMaxAddedFolders)
        return QStringLiteral("At most %1 folders can be added; remove one first.").arg(kMaxAddedFolders);
    FAdded.append(path);
    Refresh();
    emit FoldersChanged();
    return {};
}

bool TResultsList::RemoveFolder(const QString& folder)
{
    if (!FAdded.removeOne(folder))
        return false;
    Refresh();
    emit FoldersChanged();
    return true;
}

ResultsRun TResultsList::ReadRun(const QString& folder) const
{
    ResultsRun run;
    run.folder = folder;
    run.deviation = run.cd = run.cl = run.seconds = run.residual = run.reynolds = kNaN;
    const QDir dir(folder);
    const QString name = QFileInfo(folder).fileName();
    run.line = name;
    run.when = StartedAt(name);
    const QFileInfo summaryInfo(dir.filePath(QLatin1String(lbm::kSummaryFile)));
    if (!run.when.isValid())
        run.when = summaryInfo.exists() ? summaryInfo.lastModified() : QFileInfo(folder).lastModified();

    if (!summaryInfo.exists()) {
        run.damaged = true;
        run.state = QStringLiteral("no summary");
        run.problem =
            QStringLiteral("It has no %1: the run is still going, or it stopped before it wrote one.")
                .arg(QLatin1String(lbm::kSummaryFile));
        return run;
    }
    run.summaryBytes = summaryInfo.size();
    run.summaryTime = summaryInfo.lastModified().toMSecsSinceEpoch();
    std::string bytes;
    QString problem = ReadSmall(summaryInfo.filePath(), qint64(lbm::kMaxSummaryBytes), bytes);
    lbm::RunSummary summary;
    if (problem.isEmpty()) {
        const std::string error = lbm::ParseSummary(bytes, summary);
        if (!error.empty())
            problem = QStringLiteral("Cannot read %1: %2.")
                          .arg(QLatin1String(lbm::kSummaryFile), FromNative(error));
    }
    if (!problem.isEmpty()) {
        run.damaged = true;
        run.state = QStringLiteral("damaged");
        run.problem = problem;
        return run;
    }
    run.hasSummary = true;
    run.line = ResultsTaskLine(summary);
    run.state = QString::fromStdString(summary.status).left(40);
    run.seconds = summary.seconds;
    run.steps = summary.steps;
    run.residual = summary.residual;
    run.reynolds = summary.reynolds;

    // A channel's forces, where its summary has them.
    const QJsonObject object =
        QJsonDocument::fromJson(QByteArray::fromStdString(bytes)).object(); // parsed above: well formed
    const auto coefficient = [&](const char* key) {
        const QJsonValue value = object.value(QLatin1String(key));
        return value.isDouble() && std::isfinite(value.toDouble()) ? value.toDouble() : kNaN;
    };
    run.cd = coefficient("cd");
    run.cl = coefficient("cl");

    // A cavity's centre lines against the published points, where there are some.
    if (!CavityReference('u', run.reynolds).empty() || !CavityReference('v', run.reynolds).empty()) {
        QStringList problems;
        const auto profile = [&](const char* file, const char* header) {
            lbm::Profile points;
            const QString path = dir.filePath(QLatin1String(file));
            if (!QFileInfo::exists(path))
                return points;
            std::string text;
            QString error = ReadSmall(path, kMaxListedProfileBytes, text);
            if (error.isEmpty()) {
                const std::string parsed = lbm::ParseProfile(text, header, points);
                if (!parsed.empty())
                    error =
                        QStringLiteral("Cannot read %1: %2.").arg(QLatin1String(file), FromNative(parsed));
            }
            if (!error.isEmpty()) {
                problems.append(error);
                points.clear();
            }
            return points;
        };
        run.deviation = CentrelineDeviation(run.reynolds, profile(lbm::kUCentrelineFile, "y,u"),
                                            profile(lbm::kVCentrelineFile, "x,v"));
        run.problem = problems.join(QLatin1Char(' '));
    }
    return run;
}

void TResultsList::ListFolder(const QString& folder, std::vector<ResultsRun>& into, QSet<QString>& seen,
                              const QHash<QString, std::size_t>& before) const
{
    const auto add = [&](const QString& path) {
        if (seen.contains(path))
            return;
        seen.insert(path);
        // A run read before whose summary is as it was is not read again.
        const auto old = before.constFind(path);
        if (old != before.constEnd()) {
            const ResultsRun& run = FRuns[*old];
            const QFileInfo summary(QDir(path).filePath(QLatin1String(lbm::kSummaryFile)));
            if (run.summaryBytes >= 0 && summary.exists() && run.summaryBytes == summary.size() &&
                run.summaryTime == summary.lastModified().toMSecsSinceEpoch()) {
                into.push_back(run);
                return;
            }
        }
        into.push_back(ReadRun(path));
    };
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return;
    if (IsRunFolder(folder)) {
        add(folder);
        return;
    }
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
    int looked = 0, listed = 0;
    while (it.hasNext() && looked < kMaxEntriesLooked && listed < kMaxListedRuns) {
        const QString path = it.next();
        ++looked;
        if (IsRunFolder(path)) {
            add(QFileInfo(path).absoluteFilePath());
            ++listed;
        }
    }
}

void TResultsList::Refresh()
{
    std::vector<ResultsRun> runs;
    QSet<QString> seen;
    QHash<QString, std::size_t> before;
    for (std::size_t i = 0; i < FRuns.size(); ++i)
        before.insert(FRuns[i].folder, i);
    ListFolder(FDataFolder, runs, seen, before);
    for (const QString& folder : FAdded)
        ListFolder(folder, runs, seen, before);
    std::stable_sort(runs.begin(), runs.end(), [](const ResultsRun& a, const ResultsRun& b) {
        if (a.when != b.when)
            return a.when > b.when;
        return a.folder > b.folder;
    });
    beginResetModel();
    FRuns = std::move(runs);
    endResetModel();
}

int TResultsList::RowOf(const QString& folder) const
{
    const QString path = QFileInfo(folder).absoluteFilePath();
    for (int row = 0; row < Count(); ++row)
        if (FRuns[std::size_t(row)].folder == path)
            return row;
    return -1;
}

QString TResultsList::CheckDeletable(const QString& folder)
{
    const QString shown = QDir::toNativeSeparators(folder);
    const QFileInfo info(folder);
    if (info.isSymLink() || !info.isDir())
        return QStringLiteral("\"%1\" is not a folder.").arg(shown);
    if (!IsRunFolder(folder))
        return QStringLiteral("\"%1\" is not a results folder: it holds neither %2 nor %3.")
            .arg(shown, QLatin1String(lbm::kSummaryFile), QLatin1String(lbm::kFieldFile));
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    int looked = 0;
    while (it.hasNext()) {
        it.next();
        const QFileInfo entry = it.fileInfo();
        if (++looked > kMaxEntriesLooked || entry.isSymLink() || !entry.isFile() ||
            !IsResultFileName(entry.fileName()))
            return QStringLiteral(
                       "\"%1\" is not deleted: it holds \"%2\", which is not one of a run's result "
                       "files.")
                .arg(shown, entry.fileName());
    }
    return {};
}

QString TResultsList::Delete(int row)
{
    if (row < 0 || row >= Count())
        return QStringLiteral("There is no such run.");
    const QString folder = FRuns[std::size_t(row)].folder;
    if (folder == FDataFolder || FAdded.contains(folder))
        return QStringLiteral("\"%1\" is a listed folder, not one run's: it is not deleted.")
            .arg(QDir::toNativeSeparators(folder));
    QString problem = CheckDeletable(folder);
    if (!problem.isEmpty())
        return problem;
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!dir.remove(name))
            problem =
                QStringLiteral("Cannot delete \"%1\".").arg(QDir::toNativeSeparators(dir.filePath(name)));
    if (problem.isEmpty() && !QDir().rmdir(folder))
        problem = QStringLiteral("Cannot delete the folder \"%1\".").arg(QDir::toNativeSeparators(folder));
    if (!problem.isEmpty()) {
        Refresh(); // what is left of it
        return problem;
    }
    beginRemoveRows(QModelIndex(), row, row);
    FRuns.erase(FRuns.begin() + row);
    endRemoveRows();
    return {};
}

ResultsSeries TResultsList::Series(const ResultsRun& run)
{
    ResultsSeries series;
    series.line = run.line;
    series.reynolds = run.reynolds;
    const QDir dir(run.folder);
    const auto profile = [&](const char* file, const char* header, lbm::Profile& out) {
        const QString path = dir.filePath(QLatin1String(file));
        if (!QFileInfo::exists(path))
            return;
        std::string text;
        QString error = ReadSmall(path, qint64(lbm::kMaxProfileBytes), text);
        if (error.isEmpty()) {
            const std::string parsed = lbm::ParseProfile(text, header, out);
            if (!parsed.empty())
                error = QStringLiteral("Cannot read \"%1\": %2.")
                            .arg(QDir::toNativeSeparators(path), FromNative(parsed));
        }
        if (!error.isEmpty()) {
            out.clear();
            series.problems.append(error);
        }
    };
    profile(lbm::kUCentrelineFile, "y,u", series.u);
    profile(lbm::kVCentrelineFile, "x,v", series.v);
    const QString forces = dir.filePath(QLatin1String(kForcesFile));
    if (QFileInfo::exists(forces)) {
        std::string text;
        QString error = ReadSmall(forces, kMaxForcesBytes, text);
        if (error.isEmpty()) {
            error = ParseForces(QByteArray::fromStdString(text), series.forces, series.forcesAxis);
            if (!error.isEmpty())
                error =
                    QStringLiteral("Cannot read \"%1\": %2.").arg(QDir::toNativeSeparators(forces), error);
        }
        if (!error.isEmpty()) {
            series.forces.clear();
            series.problems.append(error);
        }
    }
    return series;
}

QString TResultsList::FiguresText(const ResultsRun& run)
{
    QStringList parts;
    if (std::isfinite(run.deviation))
        parts.append(
            QStringLiteral("Ghia et al.: largest deviation %1 % of U").arg(100 * run.deviation, 0, 'f', 2));
    if (std::isfinite(run.cd))
        parts.append(QStringLiteral("cD %1").arg(run.cd, 0, 'g', 5));
    if (std::isfinite(run.cl))
        parts.append(QStringLiteral("cL %1").arg(run.cl, 0, 'g', 5));
    if (run.hasSummary && run.steps > 0)
        parts.append(QStringLiteral("%1 steps").arg(run.steps));
    if (run.hasSummary && std::isfinite(run.residual))
        parts.append(QStringLiteral("residual %1").arg(run.residual, 0, 'e', 2));
    return parts.join(QStringLiteral(", "));
}

int TResultsList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int TResultsList::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TResultsList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const ResultsRun& run = Run(index.row());
    if (role == Qt::ToolTipRole) {
        QString tip = QDir::toNativeSeparators(run.folder);
        if (!run.problem.isEmpty())
            tip += QLatin1Char('\n') + run.problem;
        return tip;
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case TaskColumn:
        return run.line;
    case StateColumn:
        return run.state;
    case WhenColumn:
        return QLocale::c().toString(run.when, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case DurationColumn:
        return run.hasSummary ? Duration(run.seconds) : QString();
    case FiguresColumn:
        return run.damaged ? run.problem : FiguresText(run);
    default:
        return {};
    }
}

QVariant TResultsList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TaskColumn:
        return QStringLiteral("Task");
    case StateColumn:
        return QStringLiteral("State");
    case WhenColumn:
        return QStringLiteral("When");
    case DurationColumn:
        return QStringLiteral("How long");
    case FiguresColumn:
        return QStringLiteral("Figures");
    default:
        return {};
    }
}
