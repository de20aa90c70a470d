// SPDX-License-Identifier: GPL-3.0-or-later
#include "CompareChart.h"

#include "CavityReference.h"
#include "Messages.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLegend>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Axes that hold every point of the chart's series, a little beyond them.
void AttachAxes(QChart* chart, const QString& xTitle, const QString& yTitle)
{
    double x0 = 0, x1 = 1, y0 = 0, y1 = 1;
    bool any = false;
    for (QAbstractSeries* s : chart->series())
        for (const QPointF& p : static_cast<QXYSeries*>(s)->points()) {
            x0 = any ? std::min(x0, p.x()) : p.x();
            x1 = any ? std::max(x1, p.x()) : p.x();
            y0 = any ? std::min(y0, p.y()) : p.y();
            y1 = any ? std::max(y1, p.y()) : p.y();
            any = true;
        }
    const auto widen = [](double& low, double& high) {
        const double margin = high > low ? 0.05 * (high - low) : std::max(std::abs(low) * 0.1, 0.5);
        low -= margin;
        high += margin;
    };
    widen(x0, x1);
    widen(y0, y1);
    auto* x = new QValueAxis;
    x->setRange(x0, x1);
    x->setTitleText(xTitle);
    auto* y = new QValueAxis;
    y->setRange(y0, y1);
    y->setTitleText(yTitle);
    // Ticks at round numbers counted from zero, so that the one at zero
    // says 0 and not a rounding error.
    for (QValueAxis* axis : {x, y}) {
        axis->applyNiceNumbers();
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0);
        axis->setTickInterval((axis->max() - axis->min()) / std::max(1, axis->tickCount() - 1));
        axis->setLabelFormat(QStringLiteral("%g"));
    }
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

} // namespace

TfrmCompareChart::TfrmCompareChart(const std::vector<ResultsSeries>& runs, QWidget* parent)
    : QWidget(parent), FProfiles(new QChart), FForces(new QChart)
{
    setObjectName(QStringLiteral("frmCompareChart"));
    setWindowTitle(QStringLiteral("Compare - %1 run(s)").arg(runs.size()));
    resize(720, 720);

    // Centre lines: u against y and v against x, as in a run's own chart;
    // each run in a colour of its own, v dashed.
    static const QColor palette[] = {QColor(0, 128, 0),   QColor(128, 0, 160), QColor(150, 90, 20),
                                     QColor(0, 140, 150), QColor(200, 0, 120), QColor(90, 90, 90)};
    const auto pen = [](QLineSeries* series, const QColor& colour, bool dashed) {
        QPen p(colour);
        p.setWidthF(1.5);
        p.setStyle(dashed ? Qt::DashLine : Qt::SolidLine);
        series->setPen(p);
        return series;
    };
    std::vector<double> published;
    std::size_t n = 0;
    for (const ResultsSeries& run : runs) {
        const QColor colour = palette[n++ % std::size(palette)];
        if (!run.u.empty())
            FProfiles->addSeries(
                pen(ChartLine(QStringLiteral("%1: u(y)").arg(run.line), run.u, true), colour, false));
        if (!run.v.empty())
            FProfiles->addSeries(
                pen(ChartLine(QStringLiteral("%1: v(x)").arg(run.line), run.v, false), colour, true));
        if ((!run.u.empty() || !run.v.empty()) && std::isfinite(run.reynolds) &&
            std::find(published.begin(), published.end(), run.reynolds) == published.end())
            published.push_back(run.reynolds);
    }
    for (double re : published) {
        const QString at = QString::number(re, 'g', 6);
        const auto u = CavityReference('u', re);
        const auto v = CavityReference('v', re);
        if (!u.empty())
            FProfiles->addSeries(ChartMarkers(QStringLiteral("u, Ghia et al. 1982, Re %1").arg(at), u, true,
                                              QColor(0, 90, 200)));
        if (!v.empty())
            FProfiles->addSeries(ChartMarkers(QStringLiteral("v, Ghia et al. 1982, Re %1").arg(at), v, false,
                                              QColor(200, 60, 0)));
    }
    AttachAxes(FProfiles, QStringLiteral("u / U  (or x / L for v)"), QStringLiteral("y / L  (or v / U)"));
    // The ranges of a run's own chart, which every cavity's profiles lie in.
    for (QAbstractAxis* axis : FProfiles->axes()) {
        axis->setRange(-0.6, 1.0);
        static_cast<QValueAxis*>(axis)->setTickAnchor(-0.6);
        static_cast<QValueAxis*>(axis)->setTickInterval(0.2);
        static_cast<QValueAxis*>(axis)->setLabelFormat(QStringLiteral("%.1f"));
    }
    FProfiles->setTitle(QStringLiteral("Centre-line velocities"));
    FProfiles->legend()->setAlignment(Qt::AlignRight); // the runs' lines are long

    // Force histories, against the step or time forces.csv gives.
    QString axis;
    n = 0;
    for (const ResultsSeries& run : runs) {
        if (run.forces.empty())
            continue;
        std::vector<std::pair<double, double>> cd, cl;
        for (const ForcePoint& p : run.forces) {
            cd.emplace_back(p.x, p.cd);
            cl.emplace_back(p.x, p.cl);
        }
        const QColor colour = palette[n++ % std::size(palette)];
        FForces->addSeries(pen(ChartLine(QStringLiteral("%1: cD").arg(run.line), cd, false), colour, false));
        FForces->addSeries(pen(ChartLine(QStringLiteral("%1: cL").arg(run.line), cl, false), colour, true));
        if (axis.isEmpty())
            axis = run.forcesAxis;
    }
    AttachAxes(FForces, axis.isEmpty() ? QStringLiteral("step") : axis, QStringLiteral("cD, cL"));
    FForces->setTitle(QStringLiteral("Force coefficients"));
    FForces->legend()->setAlignment(Qt::AlignRight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    FSave = new QToolButton(this);
    FSave->setObjectName(QStringLiteral("SaveChart"));
    FSave->setText(QStringLiteral("Save As\u2026"));
    FSave->setToolButtonStyle(Qt::ToolButtonTextOnly);
    FSave->setStatusTip(
        QStringLiteral("Saves the chart as a PNG picture, an SVG drawing or its numbers (CSV)"));
    connect(FSave, &QToolButton::clicked, this,
            [this] { corvane::RunHandler([this] { SaveChartsAs(this, Panes(), windowTitle()); }); });
    auto* row = new QHBoxLayout;
    row->addWidget(FSave);
    row->addStretch();
    layout->addLayout(row);
    auto* split = new QSplitter(Qt::Vertical, this);
    FProfilesView = new QChartView(FProfiles, split);
    FProfilesView->setRenderHint(QPainter::Antialiasing);
    FProfilesView->setObjectName(QStringLiteral("ProfilesView"));
    FForcesView = new QChartView(FForces, split);
    FForcesView->setRenderHint(QPainter::Antialiasing);
    FForcesView->setObjectName(QStringLiteral("ForcesView"));
    // Only the charts that have something to show.
    const bool profiles = !FProfiles->series().isEmpty();
    const bool forces = !FForces->series().isEmpty();
    FProfilesView->setVisible(profiles || !forces);
    FForcesView->setVisible(forces);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    layout->addWidget(split);
}

std::vector<ChartPane> TfrmCompareChart::Panes() const
{
    std::vector<ChartPane> panes;
    if (!FProfilesView->isHidden())
        panes.push_back({"profiles", FProfilesView});
    if (!FForcesView->isHidden())
        panes.push_back({"forces", FForcesView});
    return panes;
}

QString TfrmCompareChart::SaveTo(const QString& fileName) const
{
    return SaveCharts(fileName, Panes(), windowTitle());
}
