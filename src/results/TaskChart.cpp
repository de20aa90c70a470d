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

TfrmTaskChart::TfrmTaskChart(const QueuedTask& task, const TaskOutcome& outcome, double lidSpeed,
                             QWidget* parent)
    : TfrmTaskChart(task, outcome,
                    outcome.fields ? lbm::UCentreline(*outcome.fields, lidSpeed) : lbm::Profile(),
                    outcome.fields ? lbm::VCentreline(*outcome.fields, lidSpeed) : lbm::Profile(), parent)
{
}

TfrmTaskChart::TfrmTaskChart(const QueuedTask& task, const TaskOutcome& outcome, const lbm::Profile& u,
                             const lbm::Profile& v, QWidget* parent)
    : QWidget(parent), FProfiles(new QChart), FResiduals(new QChart)
{
    setObjectName(QStringLiteral("frmTaskChart"));
    setWindowTitle(QStringLiteral("Chart - %1").arg(task.line));
    resize(620, 720);

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
    return {{"profiles", FProfilesView}, {"residuals", FResidualsView}};
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
