// SPDX-License-Identifier: GPL-3.0-or-later
#include "PolyMesh.h"

#include "ForwardingDevice.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLObject.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"
#include "TGLPyramid.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace meshio {
namespace {

// Records the triangles drawn between glBegin and glEnd, each corner with
// the normal OpenGL would light it with; every other call goes to the null
// device. Matrix calls are ignored, so the triangles come out in the drawing
// object's model space.
class TriangleCapture final : public gl::ForwardingDevice {
public:
    TriangleCapture() : ForwardingDevice(gl::nullDevice()) {}

    void Begin(GLenum mode) override
    {
        FMode = mode;
        FPrimitive.clear();
    }
    void End() override { Assemble(); }
    void Vertex3f(GLfloat x, GLfloat y, GLfloat z) override
    {
        FPrimitive.push_back({x, y, z, FNormal[0], FNormal[1], FNormal[2]});
    }
    void Vertex3fv(const GLfloat* v) override { Vertex3f(v[0], v[1], v[2]); }
    void Normal3f(GLfloat x, GLfloat y, GLfloat z) override { FNormal = {x, y, z}; }
    void Normal3fv(const GLfloat* v) override { FNormal = {v[0], v[1], v[2]}; }
    void ShadeModel(GLenum mode) override { FFlat = mode == GL_FLAT; }

    // Three corners per triangle: position and normal.
    const std::vector<std::array<float, 6>>& Corners() const { return FCorners; }

private:
    // Corners a, b, c of the primitive; a flat shaded triangle takes the
    // normal of its provoking corner p for all three.
    void Triangle(std::size_t a, std::size_t b, std::size_t c, std::size_t p)
    {
        for (std::size_t k : {a, b, c}) {
            std::array<float, 6> corner = FPrimitive[k];
            if (FFlat)
                std::copy(&FPrimitive[p][3], &FPrimitive[p][3] + 3, &corner[3]);
            FCorners.push_back(corner);
        }
    }

    void Assemble()
    {
        const std::size_t n = FPrimitive.size();
        switch (FMode) {
        case GL_TRIANGLES:
            for (std::size_t i = 0; i + 2 < n; i += 3)
                Triangle(i, i + 1, i + 2, i + 2);
            break;
        case GL_QUADS:
            for (std::size_t i = 0; i + 3 < n; i += 4) {
                Triangle(i, i + 1, i + 2, i + 3);
                Triangle(i, i + 2, i + 3, i + 3);
            }
            break;
        case GL_TRIANGLE_STRIP:
            for (std::size_t i = 0; i + 2 < n; ++i)
                if (i % 2 == 0)
                    Triangle(i, i + 1, i + 2, i + 2);
                else
                    Triangle(i + 1, i, i + 2, i + 2);
            break;
        case GL_QUAD_STRIP:
            for (std::size_t i = 0; i + 3 < n; i += 2) {
                Triangle(i, i + 1, i + 3, i + 3);
                Triangle(i, i + 3, i + 2, i + 3);
            }
            break;
        case GL_TRIANGLE_FAN:
            for (std::size_t i = 1; i + 1 < n; ++i)
                Triangle(0, i, i + 1, i + 1);
            break;
        case GL_POLYGON:
            for (std::size_t i = 1; i + 1 < n; ++i)
                Triangle(0, i, i + 1, 0);
            break;
        default: // points and lines have no surface
            break;
        }
        FPrimitive.clear();
    }

    GLenum FMode = GL_POINTS;
    bool FFlat = false;
    std::array<float, 3> FNormal{0, 0, 1}; // OpenGL's initial normal
    std::vector<std::array<float, 6>> FPrimitive;
    std::vector<std::array<float, 6>> FCorners;
};

// The corners the object draws, with their normals; the selection it has
// is kept.
std::vector<std::array<float, 6>> Capture(TGLObject& object)
{
    TriangleCapture capture;
    const bool selected = object.IsSelected();
    object.SetSelected(false);
    {
        gl::ScopedDevice scope(capture);
        object.Draw(GL_RENDER);
    }
    object.SetSelected(selected);
    return capture.Corners();
}

bool IsLight(TGLObject& object) { return std::strcmp(object.GetTypeName(), "TGLLight") == 0; }

// What a light's surface is taken to be: the unit box its wire frame outlines.
std::vector<std::array<float, 6>> CaptureSurface(TGLObject& object)
{
    if (IsLight(object)) {
        TGLCube box(0, 0);
        return Capture(box);
    }
    return Capture(object);
}

// Positions and normals as six-float keys, -0 taken as 0.
struct CornerKey {
    std::uint32_t bits[6];
    bool operator==(const CornerKey& other) const { return std::memcmp(bits, other.bits, sizeof bits) == 0; }
};

struct CornerHash {
    std::size_t operator()(const CornerKey& key) const
    {
        std::uint64_t h = 0x9E3779B97F4A7C15ull;
        for (std::uint32_t b : key.bits) {
            h ^= b;
            h *= 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        }
        return static_cast<std::size_t>(h);
    }
};

// A solid's triangles as a mesh whose corners at the same position with the
// same normal are one vertex; each triangle turned to agree with its normals
// (the solids' own corner orders do not all go one way round).
PolyMesh SolidMesh(const std::vector<std::array<float, 6>>& corners)
{
    PolyMesh mesh;
    std::unordered_map<CornerKey, std::int32_t, CornerHash> numbers;
    auto add = [&](const std::array<float, 6>& c) {
        CornerKey key;
        for (int i = 0; i < 6; ++i) {
            const float v = c[static_cast<std::size_t>(i)] + 0.0f; // -0 + 0 is +0
            std::memcpy(&key.bits[i], &v, sizeof v);
        }
        const auto found = numbers.emplace(key, static_cast<std::int32_t>(numbers.size()));
        if (found.second) {
            mesh.vertices.insert(mesh.vertices.end(), c.begin(), c.begin() + 3);
            mesh.normals.insert(mesh.normals.end(), c.begin() + 3, c.end());
        }
        return found.first->second;
    };
    for (std::size_t t = 0; t + 2 < corners.size(); t += 3) {
        const std::array<float, 6>& a = corners[t];
        const std::array<float, 6>& b = corners[t + 1];
        const std::array<float, 6>& c = corners[t + 2];
        double turn = 0; // the winding's normal against the corners' normals
        const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        const double w[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        for (int i = 0; i < 3; ++i)
            turn += w[i] * (double(a[3 + i]) + b[3 + i] + c[3 + i]);
        mesh.faceSizes.push_back(3);
        mesh.indices.push_back(add(a));
        if (turn < 0) {
            mesh.indices.push_back(add(c));
            mesh.indices.push_back(add(b));
        } else {
            mesh.indices.push_back(add(b));
            mesh.indices.push_back(add(c));
        }
    }
    return mesh;
}

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix m{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                m[static_cast<std::size_t>(c * 4 + r)] +=
                    a[static_cast<std::size_t>(k * 4 + r)] * b[static_cast<std::size_t>(c * 4 + k)];
    return m;
}

Matrix Identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

// glRotatef's matrix for a turn of degrees about the unit axis (x, y, z).
Matrix Rotation(double degrees, double x, double y, double z)
{
    const double a = degrees * (M_PI / 180.0);
    const double c = std::cos(a), s = std::sin(a), t = 1 - c;
    return {t * x * x + c,
            t * x * y + s * z,
            t * x * z - s * y,
            0, //
            t * x * y - s * z,
            t * y * y + c,
            t * y * z + s * x,
            0, //
            t * x * z + s * y,
            t * y * z - s * x,
            t * z * z + c,
            0, //
            0,
            0,
            0,
            1};
}

std::string NameOf(TGLObject& object)
{
    if (auto* poly = dynamic_cast<TGLPolyObject*>(&object)) {
        std::string name = poly->GetSourceFile();
        name = name.substr(name.find_last_of('/') + 1);
        const std::size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && dot > 0)
            name.resize(dot);
        for (char& ch : name)
            if (std::isspace(static_cast<unsigned char>(ch)) || std::iscntrl(static_cast<unsigned char>(ch)))
                ch = '_';
        return name.empty() ? "mesh" : name;
    }
    if (dynamic_cast<TGLCube*>(&object))
        return "cube";
    if (dynamic_cast<TGLPyramid*>(&object))
        return "pyramid";
    if (dynamic_cast<TGLPlane*>(&object))
        return "plane";
    if (dynamic_cast<TGLIcosahedron*>(&object))
        return "icosahedron";
    return IsLight(object) ? "light" : "object";
}

} // namespace

void JoinIdenticalVertices(PolyMesh& mesh)
{
    std::vector<float> joined;
    VertexJoiner joiner(joined);
    std::vector<std::int32_t> newIndex(mesh.VertexCount());
    for (std::size_t k = 0; k < mesh.VertexCount(); ++k)
        newIndex[k] = joiner.Add(&mesh.vertices[k * 3]);
    mesh.vertices = std::move(joined);
    for (std::int32_t& i : mesh.indices)
        i = newIndex[static_cast<std::size_t>(i)];
}

PolyMesh MeshOf(TGLObject& object)
{
    if (auto* poly = dynamic_cast<TGLPolyObject*>(&object)) {
        PolyMesh mesh;
        const int n = poly->GetVertexCount();
        mesh.vertices.reserve(static_cast<std::size_t>(n) * 3);
        for (int k = 1; k <= n; ++k)
            mesh.vertices.insert(mesh.vertices.end(), poly->GetVertex(k), poly->GetVertex(k) + 3);
        for (int i = 0; i < poly->GetFaceCount(); ++i) {
            const std::vector<int> face = poly->GetFaceIndices(i);
            mesh.faceSizes.push_back(static_cast<std::int32_t>(face.size()));
            for (int k : face)
                mesh.indices.push_back(k - 1);
        }
        return mesh;
    }
    PolyMesh mesh;
    for (const std::array<float, 6>& corner : CaptureSurface(object)) {
        mesh.indices.push_back(static_cast<std::int32_t>(mesh.VertexCount()));
        mesh.vertices.insert(mesh.vertices.end(), corner.begin(), corner.begin() + 3);
    }
    mesh.faceSizes.assign(mesh.indices.size() / 3, 3);
    JoinIdenticalVertices(mesh);
    return mesh;
}

Matrix PlacementOf(const TGLObject& object)
{
    // The calls TGLObject::BeginDraw makes, in its order.
    float x, y, z;
    object.GetXY(x, y);
    object.GetZ(z);
    Matrix m = Identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    float rx, ry, rz;
    object.GetRotation(rx, ry, rz);
    m = Multiply(m, Rotation(rx, 1, 0, 0));
    m = Multiply(m, Rotation(ry, 0, 1, 0));
    m = Multiply(m, Rotation(rz, 0, 0, 1));
    float sx, sy, sz;
    object.GetScale(sx, sy, sz);
    Matrix scale = Identity();
    scale[0] = sx;
    scale[5] = sy;
    scale[10] = sz;
    return Multiply(m, scale);
}

PolyMesh SceneMeshOf(TGLObject& object)
{
    PolyMesh mesh;
    if (auto* poly = dynamic_cast<TGLPolyObject*>(&object)) {
        mesh = MeshOf(object);
        mesh.normals.reserve(mesh.vertices.size());
        for (int k = 1; k <= poly->GetVertexCount(); ++k)
            mesh.normals.insert(mesh.normals.end(), poly->GetVertexNormal(k), poly->GetVertexNormal(k) + 3);
    } else {
        mesh = SolidMesh(CaptureSurface(object));
    }
    mesh.name = NameOf(object);

    const Matrix m = PlacementOf(object);
    auto at = [&m](int row, int column) { return m[static_cast<std::size_t>(column * 4 + row)]; };
    // Normals go by the cofactors of the placement's linear part: its
    // inverse transpose times its determinant, defined for a flat scale too.
    double cof[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            cof[r][c] = at(r1, c1) * at(r2, c2) - at(r1, c2) * at(r2, c1);
        }
    const double det = at(0, 0) * cof[0][0] + at(0, 1) * cof[0][1] + at(0, 2) * cof[0][2];
    const double sign = det < 0 ? -1 : 1;
    for (std::size_t k = 0; k < mesh.vertices.size(); k += 3) {
        const double p[3] = {mesh.vertices[k], mesh.vertices[k + 1], mesh.vertices[k + 2]};
        for (int r = 0; r < 3; ++r)
            mesh.vertices[k + static_cast<std::size_t>(r)] =
                static_cast<float>(at(r, 0) * p[0] + at(r, 1) * p[1] + at(r, 2) * p[2] + at(r, 3));
    }
    for (std::size_t k = 0; k + 2 < mesh.normals.size(); k += 3) {
        const double n[3] = {mesh.normals[k], mesh.normals[k + 1], mesh.normals[k + 2]};
        double t[3];
        for (int r = 0; r < 3; ++r)
            t[r] = sign * (cof[r][0] * n[0] + cof[r][1] * n[1] + cof[r][2] * n[2]);
        const double length = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
        for (int r = 0; r < 3; ++r)
            mesh.normals[k + static_cast<std::size_t>(r)] =
                length > 0 ? static_cast<float>(t[r] / length) : 0.0f;
    }
    if (det < 0) {
        // A mirror turns every face the other way round: turn them back.
        std::size_t first = 0;
        for (std::int32_t size : mesh.faceSizes) {
            std::reverse(mesh.indices.begin() + static_cast<std::ptrdiff_t>(first) + 1,
                         mesh.indices.begin() +
                             static_cast<std::ptrdiff_t>(first + static_cast<std::size_t>(size)));
            first += static_cast<std::size_t>(size);
        }
    }
    return mesh;
}

std::vector<PolyMesh> SceneMeshesOf(const std::vector<TGLObject*>& objects)
{
    std::vector<PolyMesh> meshes;
    for (TGLObject* object : objects) {
        if (!object || IsLight(*object))
            continue;
        meshes.push_back(SceneMeshOf(*object));
        meshes.back().name += "_" + std::to_string(meshes.size());
    }
    return meshes;
}

} // namespace meshio
