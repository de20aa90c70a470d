#include "TaskChart.h"

#include "CavityReference.h"
#include "LbmResults.h"
#include "TaskRunner.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QSplitter>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

QLineSeries* Line(const QString& name, const lbm::Profile& profile, bool swap)
{
    auto* series = new QLineSeries;
    series->setName(name);
    for (const auto& [position, value] : profile)
        series->append(swap ? QPointF(value, position) : QPointF(position, value));
    return series;
}

QScatterSeries* Markers(const QString& name, const std::vector<std::pair<double, double>>& points, bool swap,
                        QColor colour)
{
    auto* series = new QScatterSeries;
    series->setName(name);
    series->setMarkerSize(8);
    series->setColor(colour);
    series->setBorderColor(colour.darker());
    for (const auto& [position, value] : points)
        series->append(swap ? QPointF(value, position) : QPointF(position, value));
    return series;
}

} // namespace

TfrmTaskChart::TfrmTaskChart(const QueuedTask& task, const TaskOutcome& outcome, double lidSpeed,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), FProfiles(new QChart), FResiduals(new QChart)
{
    setObjectName(QStringLiteral("frmTaskChart"));
    setWindowTitle(QStringLiteral("Chart - %1").arg(task.line));
    resize(620, 720);

    // u along the vertical centre line (drawn as u against y, as it is
    // usually shown) and v along the horizontal one, on shared axes.
    const double re = task.task.reynolds;
    if (outcome.fields) {
        const lbm::Profile u = lbm::UCentreline(*outcome.fields, lidSpeed);
        const lbm::Profile v = lbm::VCentreline(*outcome.fields, lidSpeed);
        FProfiles->addSeries(Line(QStringLiteral("u(y), x = 1/2"), u, true));
        FProfiles->addSeries(Line(QStringLiteral("v(x), y = 1/2"), v, false));
    }
    const auto refU = CavityReference('u', re);
    const auto refV = CavityReference('v', re);
    if (!refU.empty())
        FProfiles->addSeries(Markers(QStringLiteral("u, Ghia et al. 1982"), refU, true, QColor(0, 90, 200)));
    if (!refV.empty())
        FProfiles->addSeries(Markers(QStringLiteral("v, Ghia et al. 1982"), refV, false, QColor(200, 60, 0)));
    auto* x = new QValueAxis;
    x->setRange(-0.6, 1.0);
    x->setTitleText(QStringLiteral("u / U  (or x / L for v)"));
    auto* y = new QValueAxis;
    y->setRange(-0.6, 1.0);
    y->setTitleText(QStringLiteral("y / L  (or v / U)"));
    FProfiles->addAxis(x, Qt::AlignBottom);
    FProfiles->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : FProfiles->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    FProfiles->setTitle(QStringLiteral("Centre-line velocities, %1 (%2)")
                            .arg(task.line, refU.empty()
                                                ? QStringLiteral("no published points for this Re")
                                                : QStringLiteral("points: Ghia, Ghia and Shin 1982")));
    FProfiles->legend()->setAlignment(Qt::AlignBottom);

    // The residual on a log scale.
    auto* history = new QLineSeries;
    history->setName(QStringLiteral("residual"));
    double low = 1, high = 1;
    bool any = false;
    for (const auto& [step, residual] : outcome.residualHistory)
        if (residual > 0 && std::isfinite(residual)) {
            history->append(double(step), residual);
            low = any ? std::min(low, residual) : residual;
            high = any ? std::max(high, residual) : residual;
            any = true;
        }
    if (!any) {
        low = 1e-8;
        high = 1;
    }
    FResiduals->addSeries(history);
    auto* steps = new QValueAxis;
    steps->setTitleText(QStringLiteral("step"));
    steps->setLabelFormat(QStringLiteral("%.0f"));
    steps->setRange(0, std::max<double>(1, double(outcome.steps)));
    steps->applyNiceNumbers();
    auto* log = new QLogValueAxis;
    log->setBase(10);
    log->setTitleText(QStringLiteral("residual"));
    log->setLabelFormat(QStringLiteral("%.0e"));
    log->setRange(std::pow(10.0, std::floor(std::log10(low))), std::pow(10.0, std::ceil(std::log10(high))));
    FResiduals->addAxis(steps, Qt::AlignBottom);
    FResiduals->addAxis(log, Qt::AlignLeft);
    history->attachAxis(steps);
    history->attachAxis(log);
    FResiduals->setTitle(QStringLiteral("Residual history (%1)").arg(TaskStateName(outcome.state)));
    FResiduals->legend()->hide();

    auto* layout = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Vertical, this);
    auto* profiles = new QChartView(FProfiles, split);
    profiles->setRenderHint(QPainter::Antialiasing);
    profiles->setObjectName(QStringLiteral("ProfilesView"));
    auto* residuals = new QChartView(FResiduals, split);
    residuals->setRenderHint(QPainter::Antialiasing);
    residuals->setObjectName(QStringLiteral("ResidualsView"));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split);
}

TfrmTaskChart* ShowTaskChart(const QueuedTask& task, const TaskOutcome& outcome, double lidSpeed,
                             QWidget* parent)
{
    auto* chart = new TfrmTaskChart(task, outcome, lidSpeed, parent);
    chart->setAttribute(Qt::WA_DeleteOnClose);
    chart->show();
    return chart;
}
