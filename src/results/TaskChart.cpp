// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaskChart.h"

#include "ChartFiles.h"

#include "CavityReference.h"
#include "LbmResults.h"
#include "Messages.h"
#include "Prompts.h"
#include "SafeFileQt.h"
#include "TaskRunner.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QLegend>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QPainter>
#include <QScatterSeries>
#include <QSplitter>
#include <QSvgGenerator>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QXYSeries>

#include <algorithm>
#include <cmath>

void TfrmTaskChart::ProfileChart(const QueuedTask& task, const lbm::Profile& u, const lbm::Profile& v)
{
    // u along the vertical centre line (drawn as u against y, as it is
    // usually shown) and v along the horizontal one, on shared axes.
    const double re = task.task.reynolds;
    if (!u.empty())
        FProfiles->addSeries(ChartLine(QStringLiteral("u(y), x = 1/2"), u, true));
    if (!v.empty())
        FProfiles->addSeries(ChartLine(QStringLiteral("v(x), y = 1/2"), v, false));
    const auto refU = CavityReference('u', re);
    const auto refV = CavityReference('v', re);
    if (!refU.empty())
        FProfiles->addSeries(
            ChartMarkers(QStringLiteral("u, Ghia et al. 1982"), refU, true, QColor(0, 90, 200)));
    if (!refV.empty())
        FProfiles->addSeries(
            ChartMarkers(QStringLiteral("v, Ghia et al. 1982"), refV, false, QColor(200, 60, 0)));
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
}

void TfrmTaskChart::ForceChart(const QueuedTask& task, const TaskOutcome& outcome)
{
    // cD on the left axis, cL on the right: their sizes differ by orders.
    const lbm::ForceHistory& h = outcome.figures.history;
    auto* drag = new QLineSeries;
    drag->setName(QStringLiteral("cD"));
    auto* lift = new QLineSeries;
    lift->setName(QStringLiteral("cL"));
    double dragLow = 0, dragHigh = 0, liftLow = 0, liftHigh = 0;
    bool any = false;
    const std::size_t n = std::min({h.steps.size(), h.cd.size(), h.cl.size()});
    // A long run's history is drawn in at most about kMaxChartPoints samples,
    // evenly spaced, its last one always.
    constexpr std::size_t kMaxChartPoints = 20000;
    const std::size_t stride = std::max<std::size_t>(1, (n + kMaxChartPoints - 1) / kMaxChartPoints);
    std::vector<std::size_t> drawn;
    for (std::size_t k = 0; k < n; k += stride)
        drawn.push_back(k);
    if (n > 0 && drawn.back() != n - 1)
        drawn.push_back(n - 1);
    for (const std::size_t k : drawn) {
        if (!std::isfinite(h.cd[k]) || !std::isfinite(h.cl[k]))
            continue;
        drag->append(double(h.steps[k]), h.cd[k]);
        lift->append(double(h.steps[k]), h.cl[k]);
        dragLow = any ? std::min(dragLow, h.cd[k]) : h.cd[k];
        dragHigh = any ? std::max(dragHigh, h.cd[k]) : h.cd[k];
        liftLow = any ? std::min(liftLow, h.cl[k]) : h.cl[k];
        liftHigh = any ? std::max(liftHigh, h.cl[k]) : h.cl[k];
        any = true;
    }
    FProfiles->addSeries(drag);
    FProfiles->addSeries(lift);
    auto* steps = new QValueAxis;
    steps->setTitleText(QStringLiteral("step"));
    steps->setLabelFormat(QStringLiteral("%.0f"));
    steps->setRange(0, std::max<double>(1, n > 0 ? double(h.steps[n - 1]) : double(outcome.steps)));
    auto* cd = new QValueAxis;
    cd->setTitleText(QStringLiteral("cD"));
    auto* cl = new QValueAxis;
    cl->setTitleText(QStringLiteral("cL"));
    // A constant series still gets an axis with some height.
    const auto range = [](QValueAxis* axis, double low, double high) {
        const double pad = std::max(1e-3, 0.05 * (high - low));
        axis->setRange(low - pad, high + pad);
    };
    range(cd, dragLow, dragHigh);
    range(cl, liftLow, liftHigh);
    FProfiles->addAxis(steps, Qt::AlignBottom);
    FProfiles->addAxis(cd, Qt::AlignLeft);
    FProfiles->addAxis(cl, Qt::AlignRight);
    drag->attachAxis(steps);
    drag->attachAxis(cd);
    lift->attachAxis(steps);
    lift->attachAxis(cl);
    const lbm::ChannelFigures& f = outcome.figures;
    QString figures;
    if (std::isfinite(f.cd) && std::isfinite(f.cl))
        figures = f.periodic ? QStringLiteral("cD max %1, cL max %2, St %3")
                                   .arg(f.cd, 0, 'f', 4)
                                   .arg(f.cl, 0, 'f', 4)
                                   .arg(f.strouhal, 0, 'f', 4)
                             : QStringLiteral("cD %1, cL %2").arg(f.cd, 0, 'f', 4).arg(f.cl, 0, 'f', 4);
    FProfiles->setTitle(QStringLiteral("Drag and lift, %1%2")
                            .arg(task.line, figures.isEmpty() ? QString() : QStringLiteral(": ") + figures));
    FProfiles->legend()->setAlignment(Qt::AlignBottom);
}

TfrmTaskChart::TfrmTaskChart(const QueuedTask& task, const TaskOutcome& outcome, double lidSpeed,
                             QWidget* parent)
    : TfrmTaskChart(
          task, outcome,
          outcome.fields && !outcome.channel ? lbm::UCentreline(*outcome.fields, lidSpeed) : lbm::Profile(),
          outcome.fields && !outcome.channel ? lbm::VCentreline(*outcome.fields, lidSpeed) : lbm::Profile(),
          parent)
{
}

TfrmTaskChart::TfrmTaskChart(const QueuedTask& task, const TaskOutcome& outcome, const lbm::Profile& u,
                             const lbm::Profile& v, QWidget* parent)
    : QWidget(parent), FProfiles(new QChart), FResiduals(new QChart)
{
    setObjectName(QStringLiteral("frmTaskChart"));
    setWindowTitle(QStringLiteral("Chart - %1").arg(task.line));
    resize(620, 720);

    FForces = outcome.channel;
    if (outcome.channel)
        ForceChart(task, outcome);
    else
        ProfileChart(task, u, v);

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
    layout->setContentsMargins(4, 4, 4, 4);
    FSave = new QToolButton(this);
    FSave->setObjectName(QStringLiteral("SaveChart"));
    FSave->setText(QStringLiteral("Save As\u2026"));
    FSave->setToolButtonStyle(Qt::ToolButtonTextOnly);
    FSave->setStatusTip(
        QStringLiteral("Saves the chart as a PNG picture, an SVG drawing or its numbers (CSV)"));
    connect(FSave, &QToolButton::clicked, this, [this] { corvane::RunHandler([this] { SaveAsClick(); }); });
    auto* row = new QHBoxLayout;
    row->addWidget(FSave);
    row->addStretch();
    layout->addLayout(row);
    auto* split = new QSplitter(Qt::Vertical, this);
    FProfilesView = new QChartView(FProfiles, split);
    FProfilesView->setRenderHint(QPainter::Antialiasing);
    FProfilesView->setObjectName(QStringLiteral("ProfilesView"));
    FResidualsView = new QChartView(FResiduals, split);
    FResidualsView->setRenderHint(QPainter::Antialiasing);
    FResidualsView->setObjectName(QStringLiteral("ResidualsView"));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split);
}

std::vector<ChartPane> TfrmTaskChart::Panes() const
{
    return {{FForces ? "forces" : "profiles", FProfilesView}, {"residuals", FResidualsView}};
}

QString TfrmTaskChart::SaveFilter() { return ChartsSaveFilter(); }

QImage TfrmTaskChart::Picture() const { return ChartsPicture(Panes()); }

QByteArray TfrmTaskChart::Drawing() const { return ChartsDrawing(Panes(), windowTitle()); }

QByteArray TfrmTaskChart::Numbers() const { return ChartsNumbers(Panes()); }

QString TfrmTaskChart::SaveTo(const QString& fileName) const
{
    return SaveCharts(fileName, Panes(), windowTitle());
}

void TfrmTaskChart::SaveAsClick() { SaveChartsAs(this, Panes(), windowTitle()); }
