// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TGLObject;

namespace meshio {

// A polygon mesh as the export writes it: vertex positions and faces of any
// number of vertices (at least three), the vertex numbers 0-based; the
// shading normals, one per vertex, where it has them.
struct PolyMesh {
    std::vector<float> vertices;         // 3 per vertex
    std::vector<std::int32_t> faceSizes; // vertices of each face
    std::vector<std::int32_t> indices;   // every face's vertex numbers, face after face
    std::vector<float> normals;          // 3 per vertex, or none
    std::string name;                    // what formats that name their objects call it (UTF-8)

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
// the box its wire frame outlines. No normals.
PolyMesh MeshOf(TGLObject& object);

// A placement as a column-major 4 x 4 matrix (OpenGL's order), in double.
using Matrix = std::array<double, 16>;

// The transform a view applies to the object as it draws it: from the
// object's model space to the scene's coordinates (its position, then its
// rotations about x, y and z, then its scale).
Matrix PlacementOf(const TGLObject& object);

// The object as a view shows it, in the scene's coordinates: the geometry of
// MeshOf moved, turned and scaled by PlacementOf, with the object's shading
// normals (a polygon object's vertex normals; the normals a solid draws with,
// a flat shaded face taking the one OpenGL lights it with), transformed by the
// inverse transpose of the placement and of unit length. Every face turns
// counter-clockwise about its normal seen from outside where the object
// says which side that is: a mirroring placement has its faces turned back,
// and a solid's triangles follow their normals. Named after the object
// ("cube", a polygon object by its file).
PolyMesh SceneMeshOf(TGLObject& object);

// The objects of a scene that an export writes, in drawing order, each as
// SceneMeshOf gives it, named "<name>_<n>" with n counting from 1; lights
// are left out.
std::vector<PolyMesh> SceneMeshesOf(const std::vector<TGLObject*>& objects);

} // namespace meshio
