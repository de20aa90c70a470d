// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CoordFile.h"
#include "TGLObject.h"

#include <functional>
#include <string>
#include <vector>

// A polygon object loaded from a coordinate file and its face file. The
// coordinates are used as they are, in the object's model space.
class TGLPolyObject : public TGLObject {
public:
    using MessageFunction = std::function<void(const std::string&)>;

    TGLPolyObject();
    ~TGLPolyObject() override;

    // Reads fileName as the coordinate file and the matching ".poly" file as
    // the face file, then computes the normals. On failure shows one message
    // through message and returns false; the object is then to be discarded.
    bool LoadFromFile(const std::string& fileName, const MessageFunction& message);

    // Takes the geometry of a parsed pair of files and computes the normals.
    void SetMesh(coordfile::Mesh&& mesh);

    void GetMin(float& x, float& y, float& z) const;
    void GetMax(float& x, float& y, float& z) const;

    void ComputeNormals();
    // Unit normal of the triangle p0, p1, p2 (outward for counter-clockwise points).
    static void FaceNormal(const float* p0, const float* p1, const float* p2, float out[3]);

    void Draw(GLenum mode) override;
    std::unique_ptr<TGLObject> Clone() override;
    std::unique_ptr<TGLObject> CreateNew() override;
    std::uint64_t TrianglesAt(int) const override;

    // The coordinate file the geometry came from, when it came from one.
    const std::string& GetSourceFile() const { return FSourceFile; }
    void SetSourceFile(const std::string& fileName) { FSourceFile = fileName; }

    // Read access for tests and tools. Vertex numbers are 1-based.
    int GetVertexCount() const { return FVertexCount; }
    int GetFaceCount() const { return FFaceCount; }
    const float* GetVertex(int k) const { return &FVertices[static_cast<std::size_t>(k - 1) * 3]; }
    const float* GetVertexNormal(int k) const { return &FNormals[static_cast<std::size_t>(k - 1) * 3]; }
    const TPolyFace& GetFace(int i) const { return FFaces[static_cast<std::size_t>(i)]; }
    std::vector<int> GetFaceIndices(int i) const;

private:
    // The filled faces in one array draw; false where the device cannot take it.
    bool DrawTriangleArrays() const;
    std::int32_t FVertexCount = 0;
    std::vector<float> FVertices; // 3 per vertex
    std::vector<float> FNormals;  // 3 per vertex
    // Filled faces as triangles of 0-based vertex numbers, in the corner order
    // they are drawn in; made on the first filled drawing, dropped with the mesh.
    mutable std::vector<GLuint> FTriangleIndices;
    float FMinX = 0, FMinY = 0, FMinZ = 0;
    float FMaxX = 0, FMaxY = 0, FMaxZ = 0;
    std::int32_t FFaceCount = 0;
    std::vector<TPolyFace> FFaces;
    std::vector<std::int32_t> FIndices; // every face's vertex numbers, face after face
    std::string FSourceFile;
};
