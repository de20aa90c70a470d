// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaskChart.h"

#include "SafeFileQt.h"

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

void TfrmTaskChart::ProfileChart(const QueuedTask& task, const lbm::Profile& u, const lbm::Profile& v)
{
    // u along the vertical centre line (drawn as u against y, as it is
    // usually shown) and v along the horizontal one, on shared axes.
    const double re = task.task.reynolds;
    if (!u.empty())
        FProfiles->addSeries(Line(QStringLiteral("u(y), x = 1/2"), u, true));
    if (!v.empty())
        FProfiles->addSeries(Line(QStringLiteral("v(x), y = 1/2"), v, false));
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

QString TfrmTaskChart::SaveFilter()
{
    return QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg);;Numbers, comma-separated (*.csv)");
}

QSize TfrmTaskChart::PaintSize() const
{
    // Both charts one above the other, as the window shows them.
    const int width = std::max(FProfilesView->width(), FResidualsView->width());
    return QSize(std::max(width, 1), std::max(FProfilesView->height() + FResidualsView->height(), 1));
}

void TfrmTaskChart::Paint(QPainter& painter) const
{
    const QSize size = PaintSize();
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const int top = FProfilesView->height();
    FProfilesView->render(&painter, QRectF(0, 0, size.width(), top));
    FResidualsView->render(&painter, QRectF(0, top, size.width(), size.height() - top));
}

QImage TfrmTaskChart::Picture() const
{
    QImage image(PaintSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    Paint(painter);
    painter.end();
    return image;
}

QByteArray TfrmTaskChart::Drawing() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(PaintSize());
    svg.setResolution(FProfilesView->logicalDpiX()); // text as large as on the screen
    svg.setViewBox(QRect(QPoint(0, 0), PaintSize()));
    svg.setTitle(windowTitle());
    QPainter painter(&svg);
    Paint(painter);
    painter.end();
    return buffer.data();
}

namespace {

// A field of a comma-separated line, quoted when it holds a comma or a quote.
QString CsvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// Where every file the chart saves is written: whole, or not at all.
QString WriteChartFile(const QString& fileName, const QByteArray& bytes)
{
    const QString reason = safefile::WriteWhole(fileName, bytes);
    return reason.isEmpty() ? QString() : QStringLiteral("Could not write %1: %2").arg(fileName, reason);
}

} // namespace

QByteArray TfrmTaskChart::Numbers() const
{
    QString text = QStringLiteral("chart,series,x,y\n");
    const std::pair<const char*, QChart*> charts[] = {{FForces ? "forces" : "profiles", FProfiles},
                                                      {"residuals", FResiduals}};
    for (const auto& [name, chart] : charts)
        for (QAbstractSeries* series : chart->series())
            if (auto* xy = qobject_cast<QXYSeries*>(series))
                for (const QPointF& p : xy->points())
                    text += QStringLiteral("%1,%2,%3,%4\n")
                                .arg(QLatin1String(name), CsvField(series->name()),
                                     QString::number(p.x(), 'g', QLocale::FloatingPointShortest),
                                     QString::number(p.y(), 'g', QLocale::FloatingPointShortest));
    return text.toUtf8();
}

QString TfrmTaskChart::SaveTo(const QString& fileName) const
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    QByteArray bytes;
    if (suffix == QLatin1String("png")) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(Picture()))
            return QStringLiteral("Could not save %1: %2").arg(fileName, writer.errorString());
    } else if (suffix == QLatin1String("svg")) {
        bytes = Drawing();
    } else if (suffix == QLatin1String("csv")) {
        bytes = Numbers();
    } else {
        return QStringLiteral("Could not save %1: a chart saves as .png, .svg or .csv").arg(fileName);
    }
    return WriteChartFile(fileName, bytes);
}

void TfrmTaskChart::SaveAsClick()
{
    QString fileName =
        corvane::ChooseFileName(this, true, QStringLiteral("Save Chart As"), QString(), SaveFilter());
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".png");
    const QString error = SaveTo(fileName);
    if (!error.isEmpty())
        corvane::ShowMessage(error);
}
