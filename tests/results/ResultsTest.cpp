// SPDX-License-Identifier: GPL-3.0-or-later
#include "CavityReference.h"
#include "FieldPicture.h"
#include "LbmResults.h"
#include "Prompts.h"
#include "TaskChart.h"
#include "TaskRunner.h"
#include "TestSupport.h"

#include <QAbstractSeries>
#include <QChart>
#include <QFile>
#include <QLineSeries>
#include <QLocale>
#include <QScatterSeries>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QXYSeries>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

lbm::Fields Uniform(int gx, int gy, double ux, double uy)
{
    lbm::Fields f;
    f.gx = gx;
    f.gy = gy;
    const auto n = std::size_t(gx) * std::size_t(gy);
    f.ux.assign(n, ux);
    f.uy.assign(n, uy);
    f.rho.assign(n, 1.0);
    return f;
}

QSet<QRgb> Colours(const QImage& picture)
{
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            colours.insert(picture.pixel(x, y));
    return colours;
}

} // namespace

TEST(FieldPicture, AUniformFlowIsOneColourAndSpeedsFollowTheScale)
{
    // Uniform flows of several speeds and directions: one colour each, the
    // one the scale gives their speed.
    struct Case {
        double ux, uy, top, t;
    };
    const Case cases[] = {{0.05, 0, 0, 1}, {0.03, 0.04, 1, 0.5}, {0, 0, 0, 0}, {-0.1, 0, 2, 0.5}};
    for (const Case& c : cases) {
        const QImage picture = SpeedPicture(Uniform(9, 5, c.ux, c.uy), 0.1, c.top);
        ASSERT_EQ(picture.size(), QSize(9, 5));
        const QSet<QRgb> colours = Colours(picture);
        ASSERT_EQ(colours.size(), 1) << c.ux << " " << c.uy;
        EXPECT_EQ(*colours.begin(), ScaleColour(c.t).rgb()) << c.ux << " " << c.uy;
    }
    // The lid's row is the picture's top row.
    lbm::Fields f = Uniform(4, 3, 0, 0);
    for (int i = 0; i < 4; ++i)
        f.ux[std::size_t(2 * 4 + i)] = 0.1;
    const QImage lid = SpeedPicture(f, 0.1);
    EXPECT_EQ(lid.pixel(0, 0), ScaleColour(1).rgb());
    EXPECT_EQ(lid.pixel(0, 2), ScaleColour(0).rgb());
    // Fields that cannot be shown give no picture rather than reading past them.
    lbm::Fields shortField = Uniform(4, 3, 0, 0);
    shortField.uy.resize(5);
    EXPECT_TRUE(SpeedPicture(shortField, 0.1).isNull());
    EXPECT_TRUE(SpeedPicture(Uniform(4, 3, 0, 0), 0).isNull());
    EXPECT_NE(ScaleColour(0).rgb(), ScaleColour(1).rgb());
    EXPECT_EQ(ScaleColour(NAN).rgb(), ScaleColour(0).rgb());
}

TEST(FieldPicture, StreamlinesOfALayeredFlowRunWithIt)
{
    // A closed flow along x under the lid, u = U (3y^2 - 2y): the stream
    // function varies with y alone, so every line drawn is a whole row of the
    // picture; each level is met twice (psi has one minimum), so there are at
    // most twice as many rows as lines asked.
    const double lid = 0.05;
    lbm::Fields layered = Uniform(9, 12, 0, 0);
    for (int j = 0; j < layered.gy; ++j)
        for (int i = 0; i < layered.gx; ++i) {
            const double y = (j + 0.5) / layered.gy;
            layered.ux[std::size_t(j) * std::size_t(layered.gx) + std::size_t(i)] = lid * (3 * y * y - 2 * y);
        }
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::white);
    DrawStreamlines(picture, layered, lid, 6);
    const QRgb white = QColor(Qt::white).rgb();
    int lines = 0;
    for (int y = 0; y < picture.height(); ++y) {
        int dark = 0;
        for (int x = 0; x < picture.width(); ++x)
            dark += picture.pixel(x, y) != white;
        EXPECT_TRUE(dark == 0 || dark == picture.width()) << "row " << y;
        lines += dark == picture.width();
    }
    EXPECT_GE(lines, 5);
    EXPECT_LE(lines, 12);
    // A field at rest under a lid at rest draws nothing.
    QImage still(16, 16, QImage::Format_RGB32);
    still.fill(Qt::white);
    DrawStreamlines(still, Uniform(5, 5, 0, 0), 0);
    EXPECT_EQ(Colours(still).size(), 1);
}

TEST(TaskChart, HoldsTheComputedProfilesTheReferencePointsAndTheResidualHistory)
{
    // A tiny finished run stands in for a real one: the chart draws whatever
    // the fields say, so a uniform field is enough to count the series.
    struct Case {
        double re;
        bool reference;
    };
    for (const Case& c : {Case{400, true}, Case{250, false}}) {
        QueuedTask task;
        task.line = QStringLiteral("D2Q9 ren %1Gx 17 Gy 17").arg(c.re);
        task.task.reynolds = c.re;
        TaskOutcome outcome;
        outcome.state = TaskState::Converged;
        outcome.steps = 300;
        outcome.residualHistory = {{100, 1e-2}, {200, 1e-4}, {300, 1e-6}};
        outcome.fields = std::make_shared<lbm::Fields>(Uniform(17, 17, 0.01, 0));
        TfrmTaskChart chart(task, outcome, 0.1);
        int lines = 0, points = 0;
        for (QAbstractSeries* s : chart.Profiles()->series()) {
            if (auto* scatter = qobject_cast<QScatterSeries*>(s)) {
                ++points;
                const char profile = s->name().startsWith(QLatin1Char('u')) ? 'u' : 'v';
                EXPECT_EQ(std::size_t(scatter->count()), CavityReference(profile, c.re).size());
            } else if (auto* line = qobject_cast<QLineSeries*>(s)) {
                ++lines;
                EXPECT_EQ(line->count(), 17 + 2) << "every node of the centre line and both walls";
            }
        }
        EXPECT_EQ(lines, 2);
        EXPECT_EQ(points, c.reference ? 2 : 0) << c.re;
        ASSERT_EQ(chart.Residuals()->series().size(), 1);
        EXPECT_EQ(qobject_cast<QLineSeries*>(chart.Residuals()->series().first())->count(), 3);
    }
}

TEST(TaskChart, SavesAsAPictureADrawingAndThePlottedNumbers)
{
    QueuedTask task;
    task.line = QStringLiteral("D2Q9 ren 400Gx 17 Gy 17");
    task.task.reynolds = 400;
    TaskOutcome outcome;
    outcome.state = TaskState::Converged;
    outcome.steps = 300;
    outcome.residualHistory = {{100, 1e-2}, {200, 1e-4}, {300, 1e-6}};
    outcome.fields = std::make_shared<lbm::Fields>(Uniform(17, 17, 0.01, 0));
    TfrmTaskChart chart(task, outcome, 0.1);
    chart.resize(400, 500);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));

    QTemporaryDir dir;
    QString chosen;
    corvane::SetFileNameChooser([&](bool save, const QString&, const QString& filter) {
        EXPECT_TRUE(save);
        EXPECT_EQ(filter, TfrmTaskChart::SaveFilter());
        return chosen;
    });
    MessageRecorder messages;
    auto read = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };

    // Each format through the window's own Save As button.
    const struct {
        const char* name;
        std::function<void(const QByteArray&)> check;
    } cases[] = {
        {"chart.png",
         [&](const QByteArray& bytes) {
             const QImage picture = QImage::fromData(bytes, "PNG");
             ASSERT_FALSE(picture.isNull());
             EXPECT_GE(picture.width(), 300);
             EXPECT_GE(picture.height(), 300);
             EXPECT_GT(Colours(picture).size(), 3) << "the curves drawn, not a blank page";
         }},
        {"chart.svg",
         [&](const QByteArray& bytes) {
             EXPECT_TRUE(bytes.contains("<svg"));
             EXPECT_TRUE(bytes.contains("<title>Chart - D2Q9 ren 400Gx 17 Gy 17</title>"));
             EXPECT_TRUE(bytes.contains("<polyline") || bytes.contains("<path")) << "drawn as vectors";
         }},
        {"no extension",
         [&](const QByteArray&) { EXPECT_TRUE(QFile::exists(dir.filePath("no extension.png"))); }},
        {"chart.csv",
         [&](const QByteArray& bytes) {
             const QList<QByteArray> lines = bytes.trimmed().split('\n');
             ASSERT_FALSE(lines.isEmpty());
             EXPECT_EQ(lines.first(), QByteArray("chart,series,x,y"));
             // Every plotted point once, with its series and both coordinates.
             qsizetype points = 0;
             for (QChart* c : {chart.Profiles(), chart.Residuals()})
                 for (QAbstractSeries* s : c->series())
                     points += qobject_cast<QXYSeries*>(s)->count();
             EXPECT_EQ(lines.size(), points + 1);
             QList<QByteArray> step200;
             for (const QByteArray& line : lines)
                 if (line.startsWith("residuals,residual,200,"))
                     step200 << line;
             ASSERT_EQ(step200.size(), 1) << bytes.right(200).toStdString();
             EXPECT_EQ(step200.first().split(',').last().toDouble(), 1e-4);
             const QPointF first = qobject_cast<QXYSeries*>(chart.Profiles()->series().first())->at(0);
             // Shortest round-trip numbers: they read back as plotted.
             EXPECT_TRUE(
                 lines.contains(QStringLiteral("profiles,\"u(y), x = 1/2\",%1,%2")
                                    .arg(QString::number(first.x(), 'g', QLocale::FloatingPointShortest),
                                         QString::number(first.y(), 'g', QLocale::FloatingPointShortest))
                                    .toUtf8()))
                 << lines.value(1).toStdString();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        chosen = dir.filePath(QLatin1String(c.name));
        chart.SaveButton()->click();
        EXPECT_TRUE(messages.Plain.isEmpty()) << messages.Plain.join('\n').toStdString();
        c.check(read(chosen));
    }

    // What cannot be written is said, and nothing is left behind.
    const struct {
        const char* name;
        QString file;
    } bad[] = {{"an unknown format", dir.filePath("chart.bmp")},
               {"a missing folder", dir.filePath("missing/chart.png")}};
    for (const auto& b : bad) {
        SCOPED_TRACE(b.name);
        messages.Plain.clear();
        chosen = b.file;
        chart.SaveButton()->click();
        ASSERT_EQ(messages.Plain.size(), 1);
        EXPECT_TRUE(messages.Plain.first().startsWith("Could not")) << messages.Plain.first().toStdString();
        EXPECT_FALSE(QFile::exists(b.file));
    }
    corvane::SetFileNameChooser(nullptr);
}
