// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A chart window that compares finished runs: their centre-line profiles in
// one chart (with the published points at each of their Reynolds numbers),
// and their force histories in a second one when some of them have any.

#include "ChartFiles.h"
#include "ResultsList.h"

#include <QWidget>

#include <vector>

class QChart;
class QChartView;
class QToolButton;

class TfrmCompareChart : public QWidget {
    Q_OBJECT

public:
    explicit TfrmCompareChart(const std::vector<ResultsSeries>& runs, QWidget* parent = nullptr);

    QChart* Profiles() const { return FProfiles; }
    QChart* Forces() const { return FForces; }
    QToolButton* SaveButton() const { return FSave; }
    // Writes the shown charts as .png, .svg or .csv (see ChartFiles.h).
    QString SaveTo(const QString& fileName) const;

private:
    std::vector<ChartPane> Panes() const;

    QChart* FProfiles;
    QChart* FForces;
    QChartView* FProfilesView;
    QChartView* FForcesView;
    QToolButton* FSave;
};
