// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshSamples.h"

#include <QFile>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace samples {

const float kBoxVertices[8][3] = {{-1, -2, -3}, {4, -2, -3}, {4, 5, -3}, {-1, 5, -3},
                                  {-1, -2, 6},  {4, -2, 6},  {4, 5, 6},  {-1, 5, 6}};
const int kBoxQuads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                             {3, 7, 6, 2}, {0, 4, 7, 3}, {1, 2, 6, 5}};

namespace {

// The quads split along their first diagonal.
std::vector<std::array<int, 3>> Triangles()
{
    std::vector<std::array<int, 3>> result;
    for (const auto& q : kBoxQuads) {
        result.push_back({q[0], q[1], q[2]});
        result.push_back({q[0], q[2], q[3]});
    }
    return result;
}

template <typename T> void Put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T)); // the tests run on little-endian machines
    out.append(bytes, sizeof(T));
}

QByteArray VertexLines(const char* prefix)
{
    QByteArray out;
    for (const auto& v : kBoxVertices)
        out += QStringLiteral("%1%2 %3 %4\n")
                   .arg(QLatin1String(prefix))
                   .arg(v[0])
                   .arg(v[1])
                   .arg(v[2])
                   .toLatin1();
    return out;
}

// Positions (8 x 3 floats) then the triangles' indices (36 x uint16).
QByteArray TriangleBuffer()
{
    QByteArray out;
    for (const auto& v : kBoxVertices)
        for (float c : v)
            Put<float>(out, c);
    for (const auto& t : Triangles())
        for (int i : t)
            Put<std::uint16_t>(out, static_cast<std::uint16_t>(i));
    return out;
}

QByteArray GltfJson(const QByteArray& bufferEntry, int bufferLength)
{
    return QByteArray(R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
                      R"("meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1,"mode":4}]}],)"
                      R"("buffers":[{"byteLength":)") +
           QByteArray::number(bufferLength) + bufferEntry +
           R"(}],"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":96,"target":34962},)"
           R"({"buffer":0,"byteOffset":96,"byteLength":72,"target":34963}],)"
           R"("accessors":[{"bufferView":0,"componentType":5126,"count":8,"type":"VEC3",)"
           R"("min":[-1,-2,-3],"max":[4,5,6]},)"
           R"({"bufferView":1,"componentType":5123,"count":36,"type":"SCALAR"}]})";
}

// A 3DS chunk: identifier, length with the six header bytes, contents.
QByteArray Chunk(std::uint16_t id, const QByteArray& contents)
{
    QByteArray out;
    Put<std::uint16_t>(out, id);
    Put<std::uint32_t>(out, static_cast<std::uint32_t>(contents.size() + 6));
    return out + contents;
}

} // namespace

QByteArray Obj()
{
    QByteArray out = "# a box\no box\n" + VertexLines("v ");
    for (const auto& q : kBoxQuads)
        out += QStringLiteral("f %1 %2 %3 %4\n")
                   .arg(q[0] + 1)
                   .arg(q[1] + 1)
                   .arg(q[2] + 1)
                   .arg(q[3] + 1)
                   .toLatin1();
    return out;
}

QByteArray StlText()
{
    QByteArray out = "solid box\n";
    for (const auto& t : Triangles()) {
        out += "facet normal 0 0 0\n outer loop\n";
        for (int i : t)
            out += QStringLiteral("  vertex %1 %2 %3\n")
                       .arg(kBoxVertices[i][0])
                       .arg(kBoxVertices[i][1])
                       .arg(kBoxVertices[i][2])
                       .toLatin1();
        out += " endloop\nendfacet\n";
    }
    return out + "endsolid box\n";
}

QByteArray StlBinary(unsigned claimedFacets)
{
    QByteArray out(80, ' ');
    out.replace(0, 10, "binary box");
    Put<std::uint32_t>(out, claimedFacets);
    for (const auto& t : Triangles()) {
        for (int c = 0; c < 3; ++c)
            Put<float>(out, 0);
        for (int i : t)
            for (float c : kBoxVertices[i])
                Put<float>(out, c);
        Put<std::uint16_t>(out, 0);
    }
    return out;
}

static QByteArray PlyHeader(const char* format)
{
    return QByteArray("ply\nformat ") + format +
           " 1.0\ncomment a box\nelement vertex 8\nproperty float x\nproperty float y\nproperty float z\n"
           "element face 6\nproperty list uchar int vertex_indices\nend_header\n";
}

QByteArray PlyText()
{
    QByteArray out = PlyHeader("ascii") + VertexLines("");
    for (const auto& q : kBoxQuads)
        out += QStringLiteral("4 %1 %2 %3 %4\n").arg(q[0]).arg(q[1]).arg(q[2]).arg(q[3]).toLatin1();
    return out;
}

QByteArray PlyBinary()
{
    QByteArray out = PlyHeader("binary_little_endian");
    for (const auto& v : kBoxVertices)
        for (float c : v)
            Put<float>(out, c);
    for (const auto& q : kBoxQuads) {
        Put<std::uint8_t>(out, 4);
        for (int i : q)
            Put<std::int32_t>(out, i);
    }
    return out;
}

QByteArray Gltf()
{
    const QByteArray buffer = TriangleBuffer();
    return GltfJson(R"(,"uri":"data:application/octet-stream;base64,)" + buffer.toBase64() + "\"",
                    static_cast<int>(buffer.size()));
}

QByteArray Glb()
{
    QByteArray buffer = TriangleBuffer();
    QByteArray json = GltfJson("", static_cast<int>(buffer.size()));
    while (json.size() % 4)
        json += ' ';
    while (buffer.size() % 4)
        buffer += '\0';
    QByteArray out;
    Put<std::uint32_t>(out, 0x46546C67); // "glTF"
    Put<std::uint32_t>(out, 2);
    Put<std::uint32_t>(out, static_cast<std::uint32_t>(12 + 8 + json.size() + 8 + buffer.size()));
    Put<std::uint32_t>(out, static_cast<std::uint32_t>(json.size()));
    Put<std::uint32_t>(out, 0x4E4F534A); // "JSON"
    out += json;
    Put<std::uint32_t>(out, static_cast<std::uint32_t>(buffer.size()));
    Put<std::uint32_t>(out, 0x004E4942); // "BIN"
    return out + buffer;
}

QByteArray Off()
{
    QByteArray out = "OFF\n8 6 0\n" + VertexLines("");
    for (const auto& q : kBoxQuads)
        out += QStringLiteral("4 %1 %2 %3 %4\n").arg(q[0]).arg(q[1]).arg(q[2]).arg(q[3]).toLatin1();
    return out;
}

QByteArray ThreeDs()
{
    QByteArray vertices;
    Put<std::uint16_t>(vertices, 8);
    for (const auto& v : kBoxVertices)
        for (float c : v)
            Put<float>(vertices, c);
    QByteArray faces;
    const auto triangles = Triangles();
    Put<std::uint16_t>(faces, static_cast<std::uint16_t>(triangles.size()));
    for (const auto& t : triangles) {
        for (int i : t)
            Put<std::uint16_t>(faces, static_cast<std::uint16_t>(i));
        Put<std::uint16_t>(faces, 7); // edge flags
    }
    QByteArray version;
    Put<std::uint32_t>(version, 3);
    const QByteArray mesh = Chunk(0x4100, Chunk(0x4110, vertices) + Chunk(0x4120, faces));
    const QByteArray object = Chunk(0x4000, QByteArray("box", 4) + mesh);
    return Chunk(0x4D4D, Chunk(0x0002, version) + Chunk(0x3D3D, object));
}

QByteArray Collada()
{
    QByteArray positions;
    for (const auto& v : kBoxVertices)
        positions += QStringLiteral("%1 %2 %3 ").arg(v[0]).arg(v[1]).arg(v[2]).toLatin1();
    QByteArray polygons;
    for (const auto& q : kBoxQuads)
        polygons += QStringLiteral("%1 %2 %3 %4 ").arg(q[0]).arg(q[1]).arg(q[2]).arg(q[3]).toLatin1();
    return QByteArray(R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
 <asset><unit name="meter" meter="1"/><up_axis>Y_UP</up_axis></asset>
 <library_geometries><geometry id="box" name="box"><mesh>
  <source id="box-pos"><float_array id="box-pos-array" count="24">)") +
           positions.trimmed() + R"(</float_array>
   <technique_common><accessor source="#box-pos-array" count="8" stride="3">
    <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
   </accessor></technique_common></source>
  <vertices id="box-vtx"><input semantic="POSITION" source="#box-pos"/></vertices>
  <polylist count="6"><input semantic="VERTEX" source="#box-vtx" offset="0"/>
   <vcount>4 4 4 4 4 4</vcount><p>)" +
           polygons.trimmed() + R"(</p></polylist>
 </mesh></geometry></library_geometries>
 <library_visual_scenes><visual_scene id="scene"><node id="n" name="n">
  <instance_geometry url="#box"/></node></visual_scene></library_visual_scenes>
 <scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)";
}

QString Folder::Write(const QString& name, const QByteArray& bytes) const
{
    const QString path = Path(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

} // namespace samples
