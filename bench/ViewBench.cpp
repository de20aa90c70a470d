// SPDX-License-Identifier: GPL-3.0-or-later
// What users wait on in a view, each against a reference measured in the same
// run and context (these machines are shared and noisy):
//  - making a texture from a 4096 x 4096 picture, against uploading the same
//    bytes with one glTexImage2D call;
//  - one frame of a heavy scene (an icosahedron at depth 7; a thousand objects;
//    a scene at the triangle budget), against the same triangles drawn from
//    one vertex array;
//  - one frame of a loaded polygon object (the sample sphere; a sheet of a
//    million triangles), against the same triangles from one vertex array;
//  - one pick on the thousand-object scene and on the million triangles
//    (against a frame), and one animation tick.
// Needs a display (run it under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1).
#include "DrawBudget.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLPolyObject.h"
#include "TGLPyramid.h"
#include "TfrmPlot.h"

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <vector>

namespace {

TfrmPlot* g_view = nullptr;

// The median of per-iteration ratios: steadier than a ratio of sums on a shared machine.
double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

template <class F> double Time(F&& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    glFinish();
    return Seconds(std::chrono::steady_clock::now() - t0);
}

void ClearScene() { g_view->DeleteAll(); }

std::vector<GLfloat> SphereTriangles(int depth);

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

// Triangles in world coordinates with their normals: the reference geometry.
struct Mesh {
    std::vector<GLfloat> positions;
    std::vector<GLfloat> normals;

    void Add(const float* p, const float* n, float x, float y, float scale)
    {
        positions.insert(positions.end(), {x + scale * p[0], y + scale * p[1], scale * p[2]});
        normals.insert(normals.end(), n, n + 3);
    }
    void Triangle(const float* a, const float* b, const float* c, const float* n, float x, float y,
                  float scale)
    {
        Add(a, n, x, y, scale);
        Add(b, n, x, y, scale);
        Add(c, n, x, y, scale);
    }
};

// The triangles the scene's objects draw (a placed solid has scale 5, no rotation).
void AddSphere(Mesh& mesh, int depth, float x, float y)
{
    const std::vector<GLfloat> sphere = SphereTriangles(depth);
    for (std::size_t i = 0; i < sphere.size(); i += 3)
        mesh.Add(&sphere[i], &sphere[i], x, y, 5);
}

void AddCube(Mesh& mesh, float x, float y)
{
    static const float faces[6][5][3] = {
        {{0, 0, -1}, {-.5f, -.5f, -.5f}, {.5f, -.5f, -.5f}, {.5f, .5f, -.5f}, {-.5f, .5f, -.5f}},
        {{0, 1, 0}, {.5f, .5f, -.5f}, {-.5f, .5f, -.5f}, {-.5f, .5f, .5f}, {.5f, .5f, .5f}},
        {{1, 0, 0}, {.5f, .5f, -.5f}, {.5f, -.5f, -.5f}, {.5f, -.5f, .5f}, {.5f, .5f, .5f}},
        {{-1, 0, 0}, {-.5f, .5f, -.5f}, {-.5f, -.5f, -.5f}, {-.5f, -.5f, .5f}, {-.5f, .5f, .5f}},
        {{0, -1, 0}, {.5f, -.5f, -.5f}, {-.5f, -.5f, -.5f}, {-.5f, -.5f, .5f}, {.5f, -.5f, .5f}},
        {{0, 0, 1}, {-.5f, -.5f, .5f}, {.5f, -.5f, .5f}, {.5f, .5f, .5f}, {-.5f, .5f, .5f}}};
    for (const auto& f : faces) {
        mesh.Triangle(f[1], f[2], f[3], f[0], x, y, 5);
        mesh.Triangle(f[1], f[3], f[4], f[0], x, y, 5);
    }
}

void AddPyramid(Mesh& mesh, float x, float y)
{
    const float s = 0.70710677f;
    const float apex[3] = {0, .5f, 0}, down[3] = {0, -1, 0};
    const float rim[5][3] = {
        {.5f, -.5f, -.5f}, {-.5f, -.5f, -.5f}, {-.5f, -.5f, .5f}, {.5f, -.5f, .5f}, {.5f, -.5f, -.5f}};
    const float sides[4][3] = {{0, s, -s}, {-s, s, 0}, {0, s, s}, {s, s, 0}};
    mesh.Triangle(rim[0], rim[1], rim[2], down, x, y, 5);
    mesh.Triangle(rim[0], rim[2], rim[3], down, x, y, 5);
    for (int i = 0; i < 4; ++i)
        mesh.Triangle(apex, rim[i], rim[i + 1], sides[i], x, y, 5);
}

// The reference: the same triangles from one client-side vertex array.
double DrawArrays(const Mesh& mesh)
{
    g_view->MakeCurrent();
    return Time([&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 0, 0);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, mesh.positions.data());
        glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(mesh.positions.size() / 3));
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    });
}

// Frames of the view's scene, each followed by the reference drawing of mesh
// and by the scene walk alone (the same calls into a device that draws nothing).
void MeasureFrames(benchmark::State& state, const Mesh& mesh)
{
    std::vector<double> frames, ratios, walks;
    for (auto _ : state) {
        const double frame = Time([] { g_view->RenderScene(GL_RENDER); });
        frames.push_back(frame);
        ratios.push_back(frame / DrawArrays(mesh));
        walks.push_back(Time([] {
            gl::ScopedDevice none(gl::nullDevice());
            g_view->RenderScene(GL_RENDER);
        }));
    }
    state.counters["ms"] = 1000 * Median(frames);
    state.counters["walk_ms"] = 1000 * Median(walks);
    state.counters["x_arrays"] = Median(ratios);
}

void BM_FrameIcosahedronDepth7(benchmark::State& state)
{
    ClearScene();
    g_view->AddIcosahedron(0, 0);
    g_view->SetDetailAll(7);
    Mesh mesh;
    AddSphere(mesh, 7, 0, 0);
    MeasureFrames(state, mesh);
    ClearScene();
}
BENCHMARK(BM_FrameIcosahedronDepth7)->Unit(benchmark::kMillisecond)->Iterations(21);

// A thousand cubes, pyramids and icosahedra (depth 3) in a grid; with the mesh
// of the same triangles.
Mesh FillThousand()
{
    ClearScene();
    Mesh mesh;
    for (int i = 0; i < 1000; ++i) {
        const float x = static_cast<float>(i % 40) - 20, y = static_cast<float>(i / 40) - 12;
        if (i % 3 == 0) {
            g_view->AddCube(x, y);
            AddCube(mesh, x, y);
        } else if (i % 3 == 1) {
            g_view->AddPyramid(x, y);
            AddPyramid(mesh, x, y);
        } else {
            g_view->AddIcosahedron(x, y);
            AddSphere(mesh, 3, x, y);
        }
    }
    return mesh;
}

void BM_FrameThousandObjects(benchmark::State& state)
{
    const Mesh mesh = FillThousand();
    MeasureFrames(state, mesh);
}
BENCHMARK(BM_FrameThousandObjects)->Unit(benchmark::kMillisecond)->Iterations(21);

// A scene at the most a frame may draw (the document lowers the detail of
// scenes beyond it): nine icosahedra at depth 7, 2,949,120 triangles.
void BM_FrameAtTriangleBudget(benchmark::State& state)
{
    ClearScene();
    Mesh mesh;
    const int count = static_cast<int>(drawbudget::kMaxTriangles / (20u << 14));
    for (int i = 0; i < count; ++i) {
        g_view->AddIcosahedron(static_cast<float>(4 * i - 16), 0);
        AddSphere(mesh, 7, static_cast<float>(4 * i - 16), 0);
    }
    g_view->SetDetailAll(7);
    state.counters["triangles"] = static_cast<double>(mesh.positions.size() / 9);
    MeasureFrames(state, mesh);
    ClearScene();
}
BENCHMARK(BM_FrameAtTriangleBudget)->Unit(benchmark::kMillisecond)->Iterations(5);

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

// A polygon object in the view, with the same triangles (the object's own
// vertex normals) for the reference.
Mesh AddPolyObject(std::unique_ptr<TGLPolyObject> object)
{
    ClearScene();
    Mesh mesh;
    for (int f = 0; f < object->GetFaceCount(); ++f) {
        const std::vector<int> corners = object->GetFaceIndices(f);
        for (std::size_t k = 1; k + 1 < corners.size(); ++k)
            for (int c : {corners[k], corners[k + 1], corners[0]})
                mesh.Add(object->GetVertex(c), object->GetVertexNormal(c), 0, 0, 1);
    }
    g_view->AddObject(std::move(object));
    return mesh;
}

// The sample sphere (81,920 triangles) as the user loads it.
void BM_FrameLoadedSphere(benchmark::State& state)
{
    auto object = std::make_unique<TGLPolyObject>();
    if (!object->LoadFromFile(CORVANE_SAMPLES_DIR "/sphere.coor", [](const std::string&) {}))
        return state.SkipWithError("the sample sphere did not load");
    const Mesh mesh = AddPolyObject(std::move(object));
    MeasureFrames(state, mesh);
    ClearScene();
}
BENCHMARK(BM_FrameLoadedSphere)->Unit(benchmark::kMillisecond)->Iterations(21);

// A wavy sheet of 708 x 708 vertices: 999,698 triangles.
std::unique_ptr<TGLPolyObject> MillionTriangles()
{
    constexpr int n = 708;
    coordfile::Mesh mesh;
    mesh.vertexCount = n * n;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const float x = -6 + 12.0f * i / (n - 1), y = -6 + 12.0f * j / (n - 1);
            mesh.vertices.insert(mesh.vertices.end(), {x, y, 0.5f * std::sin(x) * std::cos(y)});
        }
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            const std::int32_t a = j * n + i + 1, b = a + 1, c = a + n, d = c + 1;
            const std::int32_t triangles[2][3] = {{a, b, d}, {a, d, c}};
            for (const auto& tri : triangles) {
                TPolyFace face;
                face.First = static_cast<std::int32_t>(mesh.indices.size());
                face.Count = 3;
                mesh.indices.insert(mesh.indices.end(), tri, tri + 3);
                mesh.faces.push_back(face);
            }
        }
    mesh.minX = mesh.minY = -6;
    mesh.maxX = mesh.maxY = 6;
    mesh.minZ = -0.5f;
    mesh.maxZ = 0.5f;
    auto object = std::make_unique<TGLPolyObject>();
    object->SetMesh(std::move(mesh));
    return object;
}

void BM_FrameMillionTriangles(benchmark::State& state)
{
    const Mesh mesh = AddPolyObject(MillionTriangles());
    MeasureFrames(state, mesh);
    ClearScene();
}
BENCHMARK(BM_FrameMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PickMillionTriangles(benchmark::State& state)
{
    AddPolyObject(MillionTriangles());
    double pick = 0, frame = 0;
    for (auto _ : state) {
        pick += Time([] { g_view->PickObject(150, 150); });
        frame += Time([] { g_view->RenderScene(GL_RENDER); });
    }
    state.counters["ms"] = 1000 * pick / static_cast<double>(state.iterations());
    state.counters["x_frame"] = pick / frame;
    ClearScene();
}
BENCHMARK(BM_PickMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(5);

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
