#include "PolyMesh.h"

#include "ForwardingDevice.h"
#include "TGLCube.h"
#include "TGLObject.h"
#include "TGLPolyObject.h"

#include <cstring>
#include <unordered_map>

namespace meshio {
namespace {

// Records the triangles drawn between glBegin and glEnd; every other call
// goes to the null device. Matrix calls are ignored, so the triangles come out
// in the drawing object's model space.
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
        FPrimitive.push_back(x);
        FPrimitive.push_back(y);
        FPrimitive.push_back(z);
    }
    void Vertex3fv(const GLfloat* v) override { Vertex3f(v[0], v[1], v[2]); }

    PolyMesh& Mesh() { return FMesh; }

private:
    void Triangle(std::size_t a, std::size_t b, std::size_t c)
    {
        for (std::size_t k : {a, b, c}) {
            FMesh.indices.push_back(static_cast<std::int32_t>(FMesh.VertexCount()));
            FMesh.vertices.insert(FMesh.vertices.end(), &FPrimitive[k * 3], &FPrimitive[k * 3] + 3);
        }
        FMesh.faceSizes.push_back(3);
    }

    void Assemble()
    {
        const std::size_t n = FPrimitive.size() / 3;
        switch (FMode) {
        case GL_TRIANGLES:
            for (std::size_t i = 0; i + 2 < n; i += 3)
                Triangle(i, i + 1, i + 2);
            break;
        case GL_QUADS:
            for (std::size_t i = 0; i + 3 < n; i += 4) {
                Triangle(i, i + 1, i + 2);
                Triangle(i, i + 2, i + 3);
            }
            break;
        case GL_TRIANGLE_STRIP:
            for (std::size_t i = 0; i + 2 < n; ++i)
                if (i % 2 == 0)
                    Triangle(i, i + 1, i + 2);
                else
                    Triangle(i + 1, i, i + 2);
            break;
        case GL_QUAD_STRIP:
            for (std::size_t i = 0; i + 3 < n; i += 2) {
                Triangle(i, i + 1, i + 3);
                Triangle(i, i + 3, i + 2);
            }
            break;
        case GL_TRIANGLE_FAN:
        case GL_POLYGON:
            for (std::size_t i = 1; i + 1 < n; ++i)
                Triangle(0, i, i + 1);
            break;
        default: // points and lines have no surface
            break;
        }
        FPrimitive.clear();
    }

    GLenum FMode = GL_POINTS;
    std::vector<float> FPrimitive;
    PolyMesh FMesh;
};

PolyMesh Capture(TGLObject& object)
{
    TriangleCapture capture;
    const bool selected = object.IsSelected();
    object.SetSelected(false);
    {
        gl::ScopedDevice scope(capture);
        object.Draw(GL_RENDER);
    }
    object.SetSelected(selected);
    JoinIdenticalVertices(capture.Mesh());
    return std::move(capture.Mesh());
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
    if (std::strcmp(object.GetTypeName(), "TGLLight") == 0) {
        // A light draws a wire cube: its surface is the unit box the wires outline.
        TGLCube box(0, 0);
        return Capture(box);
    }
    return Capture(object);
}

} // namespace meshio
