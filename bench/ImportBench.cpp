// SPDX-License-Identifier: GPL-3.0-or-later
// Importing a binary STL of a million triangles (a 708 x 708 vertex height
// field, each triangle with its own three corners as STL stores them) through
// our mesh import, which runs the library in the import helper (a process of
// its own) and decodes its reply, against the asset import library reading
// the same file on its own in this process (ReadFile without any
// post-processing) in the same run.
// Figures: ms per import, "x_library" = our import's time / the library's
// ReadFile time (the import must stay at or below 2).
// And a small file (a box of 8 vertices in OBJ): our import, helper process
// and all, against the library's own read of it in this process.
// Figures: "import_ms" (must stay below 300) and "library_ms".
#include "MeshImport.h"
#include "TGLPolyObject.h"

#include <QFile>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct StlFile {
    std::string dir, path;
    std::uint32_t triangles = 0;
    StlFile()
    {
        std::string pattern = (fs::temp_directory_path() / "corvane-bench-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        path = dir + "/field.stl";
        const int n = 708; // 2 * 707 * 707 = 999,698 triangles
        auto height = [](int i, int j) {
            return static_cast<float>(std::sin(i * 0.02) * std::cos(j * 0.03) * 5);
        };
        std::vector<char> bytes(80, ' ');
        triangles = static_cast<std::uint32_t>(2 * (n - 1) * (n - 1));
        auto put = [&bytes](const void* p, std::size_t size) {
            bytes.insert(bytes.end(), static_cast<const char*>(p), static_cast<const char*>(p) + size);
        };
        put(&triangles, 4);
        bytes.reserve(84 + std::size_t(triangles) * 50);
        auto corner = [&](int i, int j) {
            const float v[3] = {static_cast<float>(i) * 0.1f, height(i, j), static_cast<float>(j) * 0.1f};
            put(v, sizeof v);
        };
        const float normal[3] = {0, 0, 0};
        const std::uint16_t attribute = 0;
        for (int i = 0; i + 1 < n; ++i)
            for (int j = 0; j + 1 < n; ++j) {
                put(normal, sizeof normal);
                corner(i, j);
                corner(i, j + 1);
                corner(i + 1, j + 1);
                put(&attribute, 2);
                put(normal, sizeof normal);
                corner(i, j);
                corner(i + 1, j + 1);
                corner(i + 1, j);
                put(&attribute, 2);
            }
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~StlFile() { fs::remove_all(dir); }
};

const StlFile& File()
{
    static StlFile file;
    return file;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_ImportBinaryStl(benchmark::State& state)
{
    const StlFile& file = File();
    const QString name = QFile::decodeName(QByteArray::fromStdString(file.path));
    double ours = 0, library = 0;
    std::int64_t runs = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        {
            Assimp::Importer importer;
            const aiScene* scene = importer.ReadFile(file.path, 0);
            if (!scene || scene->mNumMeshes != 1)
                state.SkipWithError("the library could not read the file");
            benchmark::DoNotOptimize(scene);
        }
        const auto t1 = std::chrono::steady_clock::now();
        {
            const auto objects = meshio::ImportMeshes(
                name, [](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
            if (objects.size() != 1 || objects[0]->GetFaceCount() != static_cast<int>(file.triangles))
                state.SkipWithError("import failed");
        }
        const auto t2 = std::chrono::steady_clock::now();
        library += Seconds(t1 - t0);
        ours += Seconds(t2 - t1);
        ++runs;
    }
    const double n = static_cast<double>(runs);
    state.counters["import_ms"] = 1000 * ours / n;
    state.counters["library_ms"] = 1000 * library / n;
    state.counters["x_library"] = ours / library;
}
BENCHMARK(BM_ImportBinaryStl)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ImportSmallFile(benchmark::State& state)
{
    const std::string path = File().dir + "/box.obj";
    if (std::FILE* f = std::fopen(path.c_str(), "w")) {
        std::fputs(
            "o box\nv -1 -2 -3\nv 4 -2 -3\nv 4 5 -3\nv -1 5 -3\nv -1 -2 6\nv 4 -2 6\nv 4 5 6\nv -1 5 6\n"
            "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 1 5 8 4\nf 2 3 7 6\n",
            f);
        std::fclose(f);
    }
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    double ours = 0, library = 0;
    std::int64_t runs = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        {
            Assimp::Importer importer;
            const aiScene* scene = importer.ReadFile(path, 0);
            if (!scene || scene->mNumMeshes != 1)
                state.SkipWithError("the library could not read the file");
            benchmark::DoNotOptimize(scene);
        }
        const auto t1 = std::chrono::steady_clock::now();
        {
            const auto objects = meshio::ImportMeshes(
                name, [](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
            if (objects.size() != 1 || objects[0]->GetFaceCount() != 6)
                state.SkipWithError("import failed");
        }
        const auto t2 = std::chrono::steady_clock::now();
        library += Seconds(t1 - t0);
        ours += Seconds(t2 - t1);
        ++runs;
    }
    const double n = static_cast<double>(runs);
    state.counters["import_ms"] = 1000 * ours / n;
    state.counters["library_ms"] = 1000 * library / n;
}
BENCHMARK(BM_ImportSmallFile)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

BENCHMARK_MAIN();
