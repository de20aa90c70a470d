// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a scene of many objects (10^4, 10^5 and 10^6 planes, the most a
// scene may hold), against parsing the same bytes with QJsonDocument in the
// same run: what the reader adds to the JSON parse it cannot avoid.
#include "SceneFile.h"
#include "TSceneDocument.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

QByteArray SceneOf(int objects)
{
    QByteArray text = R"({"format": "corvane-scene", "version": 1, "objects": [)";
    for (int i = 0; i < objects; ++i) {
        if (i)
            text += ',';
        text += R"({"class": "TGLPlane", "position": [)" + QByteArray::number(i % 1000) + ", " +
                QByteArray::number(i / 1000) + R"(, 0], "color": [0.5, 0.25, 1]})";
    }
    return text + "]}";
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_LoadObjects(benchmark::State& state)
{
    const int objects = static_cast<int>(state.range(0));
    const QByteArray text = SceneOf(objects);
    double load = 0, parse = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        const QJsonDocument json = QJsonDocument::fromJson(text);
        benchmark::DoNotOptimize(json.isNull());
        parse += Seconds(std::chrono::steady_clock::now() - t0);

        TSceneDocument doc;
        QString error;
        QStringList skipped;
        t0 = std::chrono::steady_clock::now();
        if (!scenefile::ReadText(doc, text, QStringLiteral("many.cvs"), QStringLiteral("/"), error,
                                 skipped) ||
            doc.Count() != objects)
            state.SkipWithError("the scene did not load whole");
        load += Seconds(std::chrono::steady_clock::now() - t0);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["load_s"] = load / n;
    state.counters["json_s"] = parse / n;
    state.counters["x_json"] = load / parse;
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_LoadObjects)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    return 0;
}
