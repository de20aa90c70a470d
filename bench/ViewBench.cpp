// What users wait on in a view, each against a reference measured in the same
// run and context (these machines are shared and noisy):
//  - making a texture from a 4096 x 4096 picture, against uploading the same
//    bytes with one glTexImage2D call;
//  - one frame of a heavy scene (an icosahedron at depth 7; a thousand objects),
//    against the same triangles drawn from one vertex array;
//  - one pick on the thousand-object scene, and one animation tick.
// Needs a display (run it under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1).
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLPyramid.h"
#include "TfrmPlot.h"

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <vector>

namespace {

TfrmPlot* g_view = nullptr;

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

template <class F> double Time(F&& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    glFinish();
    return Seconds(std::chrono::steady_clock::now() - t0);
}

void ClearScene() { g_view->DeleteAll(); }

void BM_CreateTexture4096(benchmark::State& state)
{
    QImage picture(4096, 4096, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = qRgb(x & 255, y & 255, (x ^ y) & 255);
    }
    const std::vector<GLubyte> bytes(4096u * 4096u * 3u, 128);
    double make = 0, upload = 0;
    for (auto _ : state) {
        make += Time([&] { benchmark::DoNotOptimize(g_view->CreateTexture(picture)); });
        g_view->MakeCurrent();
        GLuint name = 0;
        upload += Time([&] {
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4096, 4096, 0, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
        });
        glDeleteTextures(1, &name);
    }
    state.counters["ms"] = 1000 * make / static_cast<double>(state.iterations());
    state.counters["x_upload"] = make / upload;
}
BENCHMARK(BM_CreateTexture4096)->Unit(benchmark::kMillisecond)->Iterations(3);

// The triangles of a depth-7 sphere as one vertex array, for the reference.
std::vector<GLfloat> SphereTriangles(int depth)
{
    std::vector<GLfloat> out;
    std::function<void(const float*, const float*, const float*, int)> split =
        [&](const float* a, const float* b, const float* c, int d) {
            if (d == 0) {
                for (const float* p : {a, b, c})
                    out.insert(out.end(), p, p + 3);
                return;
            }
            float ab[3], bc[3], ca[3];
            for (int i = 0; i < 3; ++i) {
                ab[i] = a[i] + b[i];
                bc[i] = b[i] + c[i];
                ca[i] = c[i] + a[i];
            }
            TGLIcosahedron::Normalize(ab);
            TGLIcosahedron::Normalize(bc);
            TGLIcosahedron::Normalize(ca);
            split(a, ab, ca, d - 1);
            split(b, bc, ab, d - 1);
            split(c, ca, bc, d - 1);
            split(ab, bc, ca, d - 1);
        };
    for (const int* f : IcosaFaces)
        split(IcosaVertices[f[0]], IcosaVertices[f[1]], IcosaVertices[f[2]], depth);
    return out;
}

double DrawArrays(const std::vector<GLfloat>& triangles)
{
    g_view->MakeCurrent();
    return Time([&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, triangles.data());
        glNormalPointer(GL_FLOAT, 0, triangles.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(triangles.size() / 3));
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    });
}

void BM_FrameIcosahedronDepth7(benchmark::State& state)
{
    ClearScene();
    g_view->AddIcosahedron(0, 0);
    g_view->SetDetailAll(7);
    const std::vector<GLfloat> triangles = SphereTriangles(7);
    double frame = 0, reference = 0;
    for (auto _ : state) {
        frame += Time([] { g_view->RenderScene(GL_RENDER); });
        reference += DrawArrays(triangles);
    }
    state.counters["ms"] = 1000 * frame / static_cast<double>(state.iterations());
    state.counters["x_arrays"] = frame / reference;
    ClearScene();
}
BENCHMARK(BM_FrameIcosahedronDepth7)->Unit(benchmark::kMillisecond)->Iterations(5);

void FillThousand()
{
    ClearScene();
    for (int i = 0; i < 1000; ++i) {
        const float x = static_cast<float>(i % 40) - 20, y = static_cast<float>(i / 40) - 12;
        if (i % 3 == 0)
            g_view->AddCube(x, y);
        else if (i % 3 == 1)
            g_view->AddPyramid(x, y);
        else
            g_view->AddIcosahedron(x, y);
    }
}

void BM_FrameThousandObjects(benchmark::State& state)
{
    FillThousand();
    // Cubes, pyramids and icosahedra at depth 3: about 1 280 triangles each third.
    const std::vector<GLfloat> triangles = SphereTriangles(3);
    std::vector<GLfloat> all;
    for (int i = 0; i < 1000; ++i)
        all.insert(all.end(), triangles.begin(),
                   triangles.begin() + static_cast<std::ptrdiff_t>(triangles.size() / 3));
    double frame = 0, reference = 0;
    for (auto _ : state) {
        frame += Time([] { g_view->RenderScene(GL_RENDER); });
        reference += DrawArrays(all);
    }
    state.counters["ms"] = 1000 * frame / static_cast<double>(state.iterations());
    state.counters["x_arrays"] = frame / reference;
}
BENCHMARK(BM_FrameThousandObjects)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PickThousandObjects(benchmark::State& state)
{
    FillThousand();
    double pick = 0, frame = 0;
    for (auto _ : state) {
        pick += Time([] { g_view->PickObject(150, 150); });
        frame += Time([] { g_view->RenderScene(GL_RENDER); });
    }
    state.counters["ms"] = 1000 * pick / static_cast<double>(state.iterations());
    state.counters["x_frame"] = pick / frame;
}
BENCHMARK(BM_PickThousandObjects)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AnimationTickThousandObjects(benchmark::State& state)
{
    FillThousand();
    g_view->SetAnimateFlag(afCameraY | afObjectX | afObjectY | afObjectZ);
    double tick = 0, frame = 0;
    for (auto _ : state) {
        tick += Time([] { g_view->tmrAnimationTimer(); });
        frame += Time([] { g_view->RenderScene(GL_RENDER); });
    }
    g_view->ClearAnimateFlag(afCameraY | afObjectX | afObjectY | afObjectZ);
    state.counters["ms"] = 1000 * tick / static_cast<double>(state.iterations());
    state.counters["x_frame"] = tick / frame;
}
BENCHMARK(BM_AnimationTickThousandObjects)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    ConfigureOpenGL();
    QApplication app(argc, argv);
    QMainWindow window;
    auto* area = new QMdiArea;
    window.setCentralWidget(area);
    window.resize(800, 700);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    g_view = new TfrmPlot;
    QMdiSubWindow* sub = area->addSubWindow(g_view);
    g_view->FormCreate();
    sub->show();
    if (!QTest::qWaitFor([] { return g_view->HasContext(); }, 10000))
        return 1;
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    delete sub;
    return 0;
}
