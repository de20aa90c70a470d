#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TGLObject;

namespace meshio {

// A polygon mesh as the export writes it: vertex positions and faces of any
// number of vertices (at least three), the vertex numbers 0-based.
struct PolyMesh {
    std::vector<float> vertices;         // 3 per vertex
    std::vector<std::int32_t> faceSizes; // vertices of each face
    std::vector<std::int32_t> indices;   // every face's vertex numbers, face after face

    std::size_t VertexCount() const { return vertices.size() / 3; }
    std::size_t FaceCount() const { return faceSizes.size(); }
};

// Gathers vertices, each position once: Add gives the number of the vertex
// at that exact position (0 and -0 count as the same), appending it to the
// output when it is new.
class VertexJoiner {
public:
    explicit VertexJoiner(std::vector<float>& out);
    std::int32_t Add(const float* p);

private:
    void Rehash(std::size_t size);

    std::vector<float>& FOut;
    std::vector<std::int32_t> FTable; // vertex numbers, -1 for an empty slot
    std::size_t FMask = 0;
    std::size_t FCount = 0;
};

// Merges vertices at exactly the same position (0 and -0 count as the same),
// keeping the first occurrence's place, and renumbers the faces.
void JoinIdenticalVertices(PolyMesh& mesh);

// The object's geometry in its own model space, without its placement,
// rotation and scale: a polygon object's own vertices and faces; for every
// other object the triangles it draws (quadrilaterals and polygons split into
// triangles), identical vertices joined. A light draws only lines; it gives
// the box its wire frame outlines.
PolyMesh MeshOf(TGLObject& object);

} // namespace meshio
