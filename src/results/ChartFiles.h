// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Chart windows saved as files: the charts one above the other as a PNG
// picture or an SVG drawing, or their plotted numbers as CSV; and the series
// the chart windows draw.

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

class QChartView;
class QImage;
class QLineSeries;
class QScatterSeries;
class QColor;
class QWidget;

struct ChartPane {
    const char* name; // the chart's name in the CSV's first column
    QChartView* view;
};

// The panes one above the other, each as tall as it is on the screen.
QImage ChartsPicture(const std::vector<ChartPane>& panes);
QByteArray ChartsDrawing(const std::vector<ChartPane>& panes, const QString& title);
// Every plotted point: chart, series, x and y, one a line, with a heading.
QByteArray ChartsNumbers(const std::vector<ChartPane>& panes);
// The file dialog's filters, one per format a chart saves in.
QString ChartsSaveFilter();
// Writes the panes in the format the file's extension names (.png, .svg or
// .csv), whole or not at all; returns what went wrong, empty when written.
QString SaveCharts(const QString& fileName, const std::vector<ChartPane>& panes, const QString& title);
// "Save As...": asks for a file (.png when it names none) and saves, showing what went wrong.
void SaveChartsAs(QWidget* parent, const std::vector<ChartPane>& panes, const QString& title);

// A line through (position, value) points, drawn as (value, position) with swap.
QLineSeries* ChartLine(const QString& name, const std::vector<std::pair<double, double>>& points, bool swap);
QScatterSeries* ChartMarkers(const QString& name, const std::vector<std::pair<double, double>>& points,
                             bool swap, const QColor& colour);
