// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChartFiles.h"

#include "Messages.h"
#include "Prompts.h"
#include "SafeFileQt.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QXYSeries>

#include <algorithm>

namespace {

QSize PaintSize(const std::vector<ChartPane>& panes)
{
    int width = 1, height = 0;
    for (const ChartPane& pane : panes) {
        width = std::max(width, pane.view->width());
        height += pane.view->height();
    }
    return QSize(width, std::max(height, 1));
}

void Paint(const std::vector<ChartPane>& panes, QPainter& painter)
{
    const QSize size = PaintSize(panes);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    int top = 0;
    for (const ChartPane& pane : panes) {
        pane.view->render(&painter, QRectF(0, top, size.width(), pane.view->height()));
        top += pane.view->height();
    }
}

// A field of a comma-separated line, quoted when it holds a comma or a quote.
QString CsvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

} // namespace

QImage ChartsPicture(const std::vector<ChartPane>& panes)
{
    QImage image(PaintSize(panes), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    Paint(panes, painter);
    painter.end();
    return image;
}

QByteArray ChartsDrawing(const std::vector<ChartPane>& panes, const QString& title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(PaintSize(panes));
    if (!panes.empty())
        svg.setResolution(panes.front().view->logicalDpiX()); // text as large as on the screen
    svg.setViewBox(QRect(QPoint(0, 0), PaintSize(panes)));
    svg.setTitle(title);
    QPainter painter(&svg);
    Paint(panes, painter);
    painter.end();
    return buffer.data();
}

QByteArray ChartsNumbers(const std::vector<ChartPane>& panes)
{
    QString text = QStringLiteral("chart,series,x,y\n");
    for (const ChartPane& pane : panes)
        for (QAbstractSeries* series : pane.view->chart()->series())
            if (auto* xy = qobject_cast<QXYSeries*>(series))
                for (const QPointF& p : xy->points())
                    text += QStringLiteral("%1,%2,%3,%4\n")
                                .arg(QLatin1String(pane.name), CsvField(series->name()),
                                     QString::number(p.x(), 'g', QLocale::FloatingPointShortest),
                                     QString::number(p.y(), 'g', QLocale::FloatingPointShortest));
    return text.toUtf8();
}

QString ChartsSaveFilter()
{
    return QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg);;Numbers, comma-separated (*.csv)");
}

QString SaveCharts(const QString& fileName, const std::vector<ChartPane>& panes, const QString& title)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    QByteArray bytes;
    if (suffix == QLatin1String("png")) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(ChartsPicture(panes)))
            return QStringLiteral("Could not save %1: %2").arg(fileName, writer.errorString());
    } else if (suffix == QLatin1String("svg")) {
        bytes = ChartsDrawing(panes, title);
    } else if (suffix == QLatin1String("csv")) {
        bytes = ChartsNumbers(panes);
    } else {
        return QStringLiteral("Could not save %1: a chart saves as .png, .svg or .csv").arg(fileName);
    }
    // Whole, or not at all.
    const QString reason = safefile::WriteWhole(fileName, bytes);
    return reason.isEmpty() ? QString() : QStringLiteral("Could not write %1: %2").arg(fileName, reason);
}

void SaveChartsAs(QWidget* parent, const std::vector<ChartPane>& panes, const QString& title)
{
    QString fileName =
        corvane::ChooseFileName(parent, true, QStringLiteral("Save Chart As"), QString(), ChartsSaveFilter());
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".png");
    const QString error = SaveCharts(fileName, panes, title);
    if (!error.isEmpty())
        corvane::ShowMessage(error);
}

QLineSeries* ChartLine(const QString& name, const std::vector<std::pair<double, double>>& points, bool swap)
{
    auto* series = new QLineSeries;
    series->setName(name);
    for (const auto& [position, value] : points)
        series->append(swap ? QPointF(value, position) : QPointF(position, value));
    return series;
}

QScatterSeries* ChartMarkers(const QString& name, const std::vector<std::pair<double, double>>& points,
                             bool swap, const QColor& colour)
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
