// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The runs whose results lie in the data folder and in the folders the user
// added (results run elsewhere, on a cluster), newest first: a table model
// of Qt Core alone, which the Results page shows.
//
// A run is a folder directly under one of those folders (or the folder
// itself) that holds a summary.json or a field.vti. The list reads each
// run's summary.json (of bounded size) and, for a cavity whose Reynolds
// number has published profiles, its u and v centre-line files: never the
// field. A run whose files cannot be read is listed as damaged, with the
// reason. Runs already read are read again only when their summary changed.

#include "LbmResults.h"
#include "ResultsFolder.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <tuple>
#include <vector>

struct ResultsRun {
    QString folder; // the run's folder, absolute
    QString line;   // the task's line; the folder's name without a summary
    QString state;  // as summary.json says: "converged", "not converged", ...
    bool damaged = false;
    QString problem; // why it is damaged
    QDateTime when;  // when it started (from the folder's name) or else ended
    double seconds = 0;
    std::int64_t steps = 0;
    double residual = 0;
    double reynolds = 0;
    bool hasSummary = false;
    // The key figures (NaN where there is none): the largest deviation of the
    // centre lines from the published points, in lid speeds; the drag and
    // lift coefficients a channel's summary gives.
    double deviation = 0;
    double cd = 0;
    double cl = 0;
    // What a read of it went by: summary.json's size and time, to notice a change.
    qint64 summaryBytes = -1;
    qint64 summaryTime = -1;
};

// One run's series for a comparing chart: its centre lines (u_centreline.csv
// and v_centreline.csv) and force history (forces.csv, when there is one),
// each empty when the file is missing or damaged, with what went wrong.
struct ForcePoint {
    double x = 0; // the step or time of forces.csv's first column
    double cd = 0;
    double cl = 0;
};
struct ResultsSeries {
    QString line;
    double reynolds = 0;
    lbm::Profile u, v;
    std::vector<ForcePoint> forces;
    QString forcesAxis; // the name of forces.csv's first column
    QStringList problems;
};

// The most runs one folder lists, and the largest files the list reads.
inline constexpr int kMaxListedRuns = 10000;
inline constexpr int kMaxAddedFolders = 32;
inline constexpr qint64 kMaxListedProfileBytes = 4 << 20;
inline constexpr qint64 kMaxForcesBytes = 64 << 20;
inline constexpr int kMaxForcePoints = 1000000;
inline constexpr int kMaxForceColumns = 64;
inline const char* const kForcesFile = "forces.csv";

// The task's line as the task list writes it, from what a summary says.
QString ResultsTaskLine(const lbm::RunSummary& summary);
// The largest deviation of the profiles from the published points at the
// Reynolds number (linear between the profile's points), in lid speeds; NaN
// without published points or without a profile.
double CentrelineDeviation(double reynolds, const lbm::Profile& u, const lbm::Profile& v);
// Parses forces.csv: a heading whose first column names the step or time and
// which has "cd" and "cl" columns, then rows of numbers. Returns an empty
// string or what is wrong.
QString ParseForces(const QByteArray& text, std::vector<ForcePoint>& points, QString& axis);
// True for a folder that holds a run's summary.json or field.vti.
bool IsRunFolder(const QString& folder);

class TResultsList : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TaskColumn, StateColumn, WhenColumn, DurationColumn, FiguresColumn, ColumnCount };

    explicit TResultsList(QObject* parent = nullptr);

    // The data folder, listed first; the added folders follow.
    void SetDataFolder(const QString& folder);
    QString DataFolder() const { return FDataFolder; }
    // Adds a folder of runs (or of a single run) and lists it; returns an
    // empty string or why it cannot be added.
    QString AddFolder(const QString& folder);
    QStringList AddedFolders() const { return FAdded; }
    // Lists a folder no more (its runs stay on the disk); false when it was not added.
    bool RemoveFolder(const QString& folder);

    // Lists the folders again; runs whose summary is unchanged are not read again.
    void Refresh();

    int Count() const { return int(FRuns.size()); }
    const ResultsRun& Run(int row) const { return FRuns[std::size_t(row)]; }
    // The row of a run's folder, or -1.
    int RowOf(const QString& folder) const;

    // Removes the run's folder and nothing else, after checking that it is
    // a results folder that holds nothing but result files. Returns an empty
    // string or why it was not removed (the row stays then).
    QString Delete(int row);
    // Why the folder must not be deleted as a run's results; empty when it may.
    static QString CheckDeletable(const QString& folder);

    // The run's series for a comparing chart (reads only the small files).
    static ResultsSeries Series(const ResultsRun& run);
    // The key figures in words, as the Figures column shows them.
    static QString FiguresText(const ResultsRun& run);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // A folder was added or removed (AddedFolders changed).
    void FoldersChanged();

private:
    void ListFolder(const QString& folder, std::vector<ResultsRun>& into, QSet<QString>& seen,
                    const QHash<QString, std::size_t>& before) const;
    ResultsRun ReadRun(const QString& folder) const;

    QString FDataFolder;
    QStringList FAdded;
    std::vector<ResultsRun> FRuns;
};
