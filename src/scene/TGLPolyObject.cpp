// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGLPolyObject.h"

#include "FileText.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// Pairs smaller than this are read the plain way: for them neither a second
// thread nor streaming makes any difference a user could notice.
constexpr std::uint64_t kQuickPairBytes = std::uint64_t(1) << 20;

// A regular file of at most coordfile::kMaxFileBytes, read with pread up to
// the size it had when opened.
class FileSource {
public:
    explicit FileSource(const std::string& path)
    {
        std::string problem;
        std::uint64_t size = 0;
        FFd = OpenRegularFile(path, coordfile::kMaxFileBytes, size, problem);
        if (FFd < 0) {
            std::uint64_t any = 0;
            std::string unused;
            const int fd = OpenRegularFile(path, std::numeric_limits<std::uint64_t>::max(), any, unused);
            FTooLarge = fd >= 0;
            if (fd >= 0)
                ::close(fd);
            return;
        }
        FileText::RunOpenHookForTesting(path);
        FSource.size = size;
        FSource.read = [this](std::uint64_t offset, char* dst, std::size_t max) -> std::ptrdiff_t {
            if (offset >= FSource.size)
                return 0;
            max = static_cast<std::size_t>(std::min<std::uint64_t>(max, FSource.size - offset));
            for (;;) {
                const ssize_t got = ::pread(FFd, dst, max, static_cast<off_t>(offset));
                if (got >= 0 || errno != EINTR)
                    return got;
            }
        };
    }
    ~FileSource()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool IsOpen() const { return static_cast<bool>(FSource.read); }
    // A regular file, but larger than any this program reads.
    bool TooLarge() const { return FTooLarge; }
    const coordfile::Source& Source() const { return FSource; }

private:
    int FFd = -1;
    bool FTooLarge = false;
    coordfile::Source FSource;
};

// Meshes with fewer faces get their normals on one thread.
constexpr std::size_t kParallelFaces = std::size_t(1) << 16;

// Runs work(0) on a second thread and work(1) on this one; both on this one
// when no thread can be had.
template <class Work> void OnTwoThreads(const Work& work)
{
    std::thread other;
    try {
        other = std::thread([&] { work(0); });
    } catch (const std::system_error&) {
        work(0);
    }
    work(1);
    if (other.joinable())
        other.join();
}

// Whether a face file goes wrong in its first bytes (whatever the vertex
// count): the quick reading would count the whole file before it finds out,
// the plain reading stops there.
bool FacesGoWrongEarly(const coordfile::Source& faces, std::size_t memoryLimit)
{
    const coordfile::Source head{
        std::min(faces.size, kQuickPairBytes),
        [&faces](std::uint64_t offset, char* dst, std::size_t max) -> std::ptrdiff_t {
            if (offset >= kQuickPairBytes)
                return -1; // as a read error: the probe says nothing of what lies beyond
            return faces.read(
                offset, dst,
                static_cast<std::size_t>(std::min<std::uint64_t>(max, kQuickPairBytes - offset)));
        }};
    coordfile::Mesh probe;
    probe.vertexCount = std::numeric_limits<std::int32_t>::max();
    const std::string error = coordfile::ParseFaces(head, {}, probe, memoryLimit);
    return !error.empty() && error.rfind("Could not read file", 0) != 0;
}

} // namespace

TGLPolyObject::TGLPolyObject() = default;
TGLPolyObject::~TGLPolyObject() = default;

bool TGLPolyObject::LoadFromFile(const std::string& fileName, const MessageFunction& message)
{
    coordfile::Mesh mesh;
    const std::size_t limit = coordfile::DefaultMemoryLimit();
    const std::string faceFileName = coordfile::FaceFileName(fileName);
    const FileSource coor(fileName), poly(faceFileName);
    // Large pairs: both files at once, on two threads. Whatever that does not
    // take on, the plain reading below does again and reports.
    if (coor.IsOpen() && poly.IsOpen() && coor.Source().size + poly.Source().size >= kQuickPairBytes &&
        !FacesGoWrongEarly(poly.Source(), limit) &&
        coordfile::ParsePairQuickly(coor.Source(), poly.Source(), mesh, limit)) {
        SetMesh(std::move(mesh));
        FSourceFile = fileName;
        return true;
    }
    // Otherwise each file streamed in turn, left at its first error.
    const auto readable = [&](const FileSource& file, const std::string& name, const char* cannotOpen) {
        if (file.TooLarge())
            message("File " + name + " is too large to load");
        else if (!file.IsOpen())
            message(cannotOpen + name);
        return file.IsOpen();
    };
    if (!readable(coor, fileName, "Failed to open file "))
        return false;
    std::string error = coordfile::ParseCoordinates(coor.Source(), fileName, mesh, limit);
    if (error.empty()) {
        if (!readable(poly, faceFileName, "Could not open file "))
            return false;
        error = coordfile::ParseFaces(poly.Source(), faceFileName, mesh, limit);
    }
    if (!error.empty()) {
        message(error);
        return false;
    }
    SetMesh(std::move(mesh));
    FSourceFile = fileName;
    return true;
}

std::uint64_t TGLPolyObject::TrianglesAt(int) const
{
    // Each face is drawn as a fan: corners less two.
    return FIndices.size() - 2 * FFaces.size();
}

void TGLPolyObject::SetMesh(coordfile::Mesh&& mesh)
{
    FVertexCount = mesh.vertexCount;
    FVertices = std::move(mesh.vertices);
    FMinX = mesh.minX;
    FMinY = mesh.minY;
    FMinZ = mesh.minZ;
    FMaxX = mesh.maxX;
    FMaxY = mesh.maxY;
    FMaxZ = mesh.maxZ;
    FFaces = std::move(mesh.faces);
    FFaceCount = static_cast<std::int32_t>(FFaces.size());
    FIndices = std::move(mesh.indices);
    FTriangleIndices = std::vector<GLuint>();
    ComputeNormals();
}

bool TGLPolyObject::DrawTriangleArrays() const
{
    if (FTriangleIndices.empty()) {
        std::size_t count = 0;
        for (const TPolyFace& face : FFaces)
            if (face.Count >= 3)
                count += 3 * static_cast<std::size_t>(face.Count - 2);
        if (count == 0 || count > static_cast<std::size_t>(std::numeric_limits<GLsizei>::max()))
            return false;
        FTriangleIndices.reserve(count);
        for (const TPolyFace& face : FFaces) {
            const std::int32_t* idx = &FIndices[static_cast<std::size_t>(face.First)];
            for (std::int32_t k = 1; k + 1 < face.Count; ++k)
                for (std::int32_t j : {k, k + 1, 0})
                    FTriangleIndices.push_back(static_cast<GLuint>(idx[j] - 1));
        }
    }
    return gl::DrawTriangleElements(FVertices.data(), FNormals.data(), FTriangleIndices.data(),
                                    static_cast<GLsizei>(FTriangleIndices.size()));
}

void TGLPolyObject::GetMin(float& x, float& y, float& z) const
{
    x = FMinX;
    y = FMinY;
    z = FMinZ;
}

void TGLPolyObject::GetMax(float& x, float& y, float& z) const
{
    x = FMaxX;
    y = FMaxY;
    z = FMaxZ;
}

std::vector<int> TGLPolyObject::GetFaceIndices(int i) const
{
    const TPolyFace& face = GetFace(i);
    return std::vector<int>(FIndices.begin() + face.First, FIndices.begin() + face.First + face.Count);
}

void TGLPolyObject::FaceNormal(const float* p0, const float* p1, const float* p2, float out[3])
{
    const float u[3] = {p0[0] - p1[0], p0[1] - p1[1], p0[2] - p1[2]};
    const float v[3] = {p1[0] - p2[0], p1[1] - p2[1], p1[2] - p2[2]};
    out[0] = u[1] * v[2] - u[2] * v[1];
    out[1] = u[2] * v[0] - u[0] * v[2];
    out[2] = u[0] * v[1] - u[1] * v[0];
    NormalizeVector(out);
}

void TGLPolyObject::ComputeNormals()
{
    FNormals.clear();
    coordfile::ReserveResident(FNormals, FVertices.size());
    FNormals.assign(FVertices.size(), 0.0f);
    const std::size_t faces = FFaces.size();
    auto faceNormals = [this](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            TPolyFace& face = FFaces[i];
            const std::int32_t* idx = &FIndices[static_cast<std::size_t>(face.First)];
            FaceNormal(GetVertex(idx[0]), GetVertex(idx[1]), GetVertex(idx[2]), face.Normal);
        }
    };
    // A vertex's normal is the sum of its faces' normals taken in face order,
    // so that it comes out the same to the bit however the work is shared:
    // each share adds for the vertices numbered above low up to high only.
    auto vertexNormals = [this](std::int32_t low, std::int32_t high) {
        for (const TPolyFace& face : FFaces) {
            const std::int32_t* idx = &FIndices[static_cast<std::size_t>(face.First)];
            for (std::int32_t j = 0; j < face.Count; ++j) {
                if (idx[j] <= low || idx[j] > high)
                    continue;
                float* n = &FNormals[static_cast<std::size_t>(idx[j] - 1) * 3];
                n[0] += face.Normal[0];
                n[1] += face.Normal[1];
                n[2] += face.Normal[2];
            }
        }
        // Vertices no face uses keep their zero normal.
        for (std::size_t k = static_cast<std::size_t>(low) * 3; k < static_cast<std::size_t>(high) * 3;
             k += 3)
            NormalizeVector(&FNormals[k]);
    };
    if (faces < kParallelFaces) {
        faceNormals(0, faces);
        vertexNormals(0, FVertexCount);
        return;
    }
    OnTwoThreads([&](int share) { faceNormals(share == 0 ? 0 : faces / 2, share == 0 ? faces / 2 : faces); });
    const std::int32_t middle = FVertexCount / 2;
    OnTwoThreads(
        [&](int share) { vertexNormals(share == 0 ? 0 : middle, share == 0 ? middle : FVertexCount); });
}

void TGLPolyObject::Draw(GLenum mode)
{
    static const float kTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    BeginDraw(mode);
    const bool textured = FTexture != 0;
    // Filled faces go as the triangles OpenGL makes of a polygon: corners
    // (k, k + 1, 0) for k = 1 .. n - 2, so that the first corner still gives a
    // flat shaded face its colour; consecutive triangles are drawn together.
    // Where polygons show as lines or points, edge flags keep the inner edges
    // out of the picture; a selection pass there takes each face with more
    // than three corners as a polygon (OpenGL selects no triangle with a
    // hidden edge, yet would hit the inner edges if they were not hidden).
    GLint polygonMode[2] = {GL_FILL, GL_FILL};
    gl::GetIntegerv(GL_POLYGON_MODE, polygonMode);
    const bool outlines = polygonMode[0] != GL_FILL || polygonMode[1] != GL_FILL;
    bool flags = false; // edge flags given in this drawing
    auto corner = [&](const std::int32_t* idx, std::int32_t j) {
        const std::size_t at = static_cast<std::size_t>(idx[j] - 1) * 3;
        gl::Normal3f(FNormals[at], FNormals[at + 1], FNormals[at + 2]);
        if (textured) {
            if (j < 4)
                gl::TexCoord2f(kTexCoords[j][0], kTexCoords[j][1]);
            else
                gl::TexCoord2f(0, 0);
        }
        gl::Vertex3f(FVertices[at], FVertices[at + 1], FVertices[at + 2]);
    };
    // Filled, untextured faces go in one array draw where the device can: the
    // same triangles in the same corner order, so they draw and select what
    // the triangles sent one by one do.
    const bool drawn = !textured && !outlines && DrawTriangleArrays();
    const std::vector<TPolyFace> none;
    for (const TPolyFace& face : drawn ? none : FFaces) {
        const std::int32_t* idx = &FIndices[static_cast<std::size_t>(face.First)];
        const std::int32_t n = face.Count;
        if (n > 3 && outlines && mode == GL_SELECT) {
            gl::Begin(GL_POLYGON);
            White();
            for (std::int32_t j = 0; j < n; ++j)
                corner(idx, j);
            gl::End();
            continue;
        }
        const bool edges = n > 3 && outlines;
        gl::Begin(GL_TRIANGLES);
        White();
        for (std::int32_t k = 1; k + 1 < n; ++k) {
            if (edges || flags)
                gl::EdgeFlag(GL_TRUE);
            corner(idx, k);
            if (edges)
                gl::EdgeFlag(k + 2 == n ? GL_TRUE : GL_FALSE);
            corner(idx, k + 1);
            if (edges)
                gl::EdgeFlag(k == 1 ? GL_TRUE : GL_FALSE);
            corner(idx, 0);
        }
        flags = flags || edges;
        gl::End();
    }
    if (flags)
        gl::EdgeFlag(GL_TRUE);
    if (FSelected) {
        const bool lighting = BeginMarker();
        gl::Begin(GL_LINE_LOOP);
        gl::Vertex3f(FMinX, FMinY, FMinZ);
        gl::Vertex3f(FMaxX, FMinY, FMinZ);
        gl::Vertex3f(FMaxX, FMinY, FMaxZ);
        gl::Vertex3f(FMinX, FMinY, FMaxZ);
        gl::End();
        gl::Begin(GL_LINE_LOOP);
        gl::Vertex3f(FMinX, FMaxY, FMinZ);
        gl::Vertex3f(FMaxX, FMaxY, FMinZ);
        gl::Vertex3f(FMaxX, FMaxY, FMaxZ);
        gl::Vertex3f(FMinX, FMaxY, FMaxZ);
        gl::End();
        gl::Begin(GL_LINES);
        gl::Vertex3f(FMinX, FMinY, FMinZ);
        gl::Vertex3f(FMinX, FMaxY, FMinZ);
        gl::Vertex3f(FMaxX, FMinY, FMinZ);
        gl::Vertex3f(FMaxX, FMaxY, FMinZ);
        gl::Vertex3f(FMaxX, FMinY, FMaxZ);
        gl::Vertex3f(FMaxX, FMaxY, FMaxZ);
        gl::Vertex3f(FMinX, FMinY, FMaxZ);
        gl::Vertex3f(FMinX, FMaxY, FMaxZ);
        gl::End();
        DrawLocalAxes(static_cast<double>(FMaxX) - FMinX, static_cast<double>(FMaxY) - FMinY,
                      static_cast<double>(FMaxZ) - FMinZ, 0.02, 2);
        EndMarker(lighting);
    }
    EndDraw(mode);
}

std::unique_ptr<TGLObject> TGLPolyObject::CreateNew()
{
    auto copy = std::make_unique<TGLPolyObject>();
    copy->SetXY(FX, FY);
    return copy;
}

std::unique_ptr<TGLObject> TGLPolyObject::Clone()
{
    std::unique_ptr<TGLObject> base = TGLObject::Clone();
    auto* copy = static_cast<TGLPolyObject*>(base.get());
    copy->FMinX = FMinX;
    copy->FMinY = FMinY;
    copy->FMinZ = FMinZ;
    copy->FMaxX = FMaxX;
    copy->FMaxY = FMaxY;
    copy->FMaxZ = FMaxZ;
    copy->FVertexCount = FVertexCount;
    copy->FFaceCount = FFaceCount;
    copy->FVertices = FVertices;
    copy->FNormals = FNormals;
    copy->FFaces = FFaces;
    copy->FIndices = FIndices;
    copy->FSourceFile = FSourceFile;
    return base;
}
