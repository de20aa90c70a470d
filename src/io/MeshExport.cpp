// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshExport.h"

#include "CoordFile.h"
#include "SafeFileQt.h"
#include "TGLObject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QtEndian>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

namespace meshio {
namespace {

struct FormatInfo {
    ExportFormat format;
    const char* filter;
    const char* extension;
};

const FormatInfo kFormats[] = {
    {ExportFormat::Pair, "Coordinate and face files (*.coor)", "coor"},
    {ExportFormat::Obj, "Wavefront OBJ (*.obj)", "obj"},
    {ExportFormat::Stl, "STL, binary (*.stl)", "stl"},
    {ExportFormat::Ply, "PLY, binary (*.ply)", "ply"},
};

const FormatInfo& InfoOf(ExportFormat format)
{
    for (const FormatInfo& info : kFormats)
        if (info.format == format)
            return info;
    return kFormats[0];
}

QString WriteWhole(const QString& fileName, const QByteArray& bytes)
{
    const QString reason = safefile::WriteWhole(fileName, bytes);
    return reason.isEmpty() ? QString() : QStringLiteral("Could not write %1: %2").arg(fileName, reason);
}

void AppendFloat(std::string& out, float v)
{
    char buffer[32];
    // The shortest text that reads back as exactly this float.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, result.ptr);
}

QString WritePair(const PolyMesh& mesh, const QString& fileName)
{
    std::string coor = std::to_string(mesh.VertexCount()) + "\n";
    coor.reserve(mesh.VertexCount() * 40);
    for (std::size_t k = 0; k < mesh.VertexCount(); ++k) {
        coor += std::to_string(k + 1);
        for (int i = 0; i < 3; ++i) {
            coor += ',';
            AppendFloat(coor, mesh.vertices[k * 3 + static_cast<std::size_t>(i)]);
        }
        coor += '\n';
    }
    std::string poly = std::to_string(mesh.FaceCount()) + "\n";
    std::size_t at = 0;
    for (std::int32_t size : mesh.faceSizes) {
        poly += 'f';
        for (std::int32_t j = 0; j < size; ++j) {
            poly += ' ';
            poly += std::to_string(mesh.indices[at++] + 1);
        }
        poly += '\n';
    }
    const QString polyName = QFile::decodeName(
        QByteArray::fromStdString(coordfile::FaceFileName(QFile::encodeName(fileName).toStdString())));
    QString error = WriteWhole(fileName, QByteArray::fromStdString(coor));
    if (error.isEmpty())
        error = WriteWhole(polyName, QByteArray::fromStdString(poly));
    return error;
}

void AppendBytes(std::string& out, const void* data, std::size_t size)
{
    out.append(static_cast<const char*>(data), size);
}

void AppendLittle(std::string& out, float v)
{
    const float little = qToLittleEndian(v);
    AppendBytes(out, &little, sizeof little);
}

void AppendLittle(std::string& out, std::int32_t v)
{
    const std::int32_t little = qToLittleEndian(v);
    AppendBytes(out, &little, sizeof little);
}

// The unit normal of the triangle a, b, c by its winding (counter-clockwise
// seen from the side it points to); zero for a triangle without area.
std::array<float, 3> WindingNormal(const float* a, const float* b, const float* c)
{
    const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0) || !std::isfinite(length))
        return {0, 0, 0};
    return {static_cast<float>(n[0] / length), static_cast<float>(n[1] / length),
            static_cast<float>(n[2] / length)};
}

const float* VertexOf(const PolyMesh& mesh, std::int32_t index)
{
    return &mesh.vertices[static_cast<std::size_t>(index) * 3];
}

// Calls triangle(a, b, c) for every triangle of the meshes' faces, each face
// split from its first corner as it is drawn.
template <class Function> void ForEachTriangle(const std::vector<PolyMesh>& meshes, const Function& triangle)
{
    for (const PolyMesh& mesh : meshes) {
        std::size_t at = 0;
        for (std::int32_t size : mesh.faceSizes) {
            const std::int32_t* face = &mesh.indices[at];
            for (std::int32_t k = 1; k + 1 < size; ++k)
                triangle(VertexOf(mesh, face[0]), VertexOf(mesh, face[k]), VertexOf(mesh, face[k + 1]));
            at += static_cast<std::size_t>(size);
        }
    }
}

// Binary STL: an 80-byte header that does not start as a text STL does, the
// triangle count, then per triangle its normal, its corners and two zero bytes.
QString StlOf(const std::vector<PolyMesh>& meshes, std::string& out)
{
    std::uint64_t count = 0;
    ForEachTriangle(meshes, [&](const float*, const float*, const float*) { ++count; });
    if (count > std::numeric_limits<std::uint32_t>::max())
        return QStringLiteral("more triangles than an STL file can hold");
    out.reserve(84 + count * 50);
    std::string header = "Binary STL written by Corvane";
    header.resize(80, ' ');
    out += header;
    const std::uint32_t little = qToLittleEndian(static_cast<std::uint32_t>(count));
    AppendBytes(out, &little, sizeof little);
    ForEachTriangle(meshes, [&](const float* a, const float* b, const float* c) {
        for (float v : WindingNormal(a, b, c))
            AppendLittle(out, v);
        for (const float* p : {a, b, c})
            for (int i = 0; i < 3; ++i)
                AppendLittle(out, p[i]);
        out.append(2, '\0');
    });
    return {};
}

// Wavefront OBJ: one named object per mesh, its vertices with their
// normals beside them in the same order (vertex k has normal k, as simple
// readers expect), faces as they are (numbered from 1 through the file).
QString ObjOf(const std::vector<PolyMesh>& meshes, std::string& out)
{
    out += "# Written by Corvane\n";
    std::size_t base = 0;
    for (const PolyMesh& mesh : meshes) {
        out += "o " + mesh.name + "\n";
        const bool withNormals = mesh.normals.size() == mesh.vertices.size();
        auto lines = [&out](const char* prefix, const std::vector<float>& values) {
            for (std::size_t k = 0; k + 2 < values.size(); k += 3) {
                out += prefix;
                for (int i = 0; i < 3; ++i) {
                    out += ' ';
                    AppendFloat(out, values[k + static_cast<std::size_t>(i)]);
                }
                out += '\n';
            }
        };
        lines("v", mesh.vertices);
        if (withNormals)
            lines("vn", mesh.normals);
        std::size_t at = 0;
        for (std::int32_t size : mesh.faceSizes) {
            out += 'f';
            for (std::int32_t j = 0; j < size; ++j) {
                const std::string number =
                    std::to_string(base + static_cast<std::size_t>(mesh.indices[at++]) + 1);
                out += ' ';
                out += number;
                if (withNormals)
                    out += "//" + number;
            }
            out += '\n';
        }
        base += mesh.VertexCount();
    }
    return {};
}

// Binary little-endian PLY: all meshes as one, their normals beside the
// positions when every mesh has them, faces as they are.
QString PlyOf(const std::vector<PolyMesh>& meshes, std::string& out)
{
    std::uint64_t vertices = 0, faces = 0;
    bool normals = true;
    std::int32_t largest = 0;
    for (const PolyMesh& mesh : meshes) {
        vertices += mesh.VertexCount();
        faces += mesh.FaceCount();
        normals = normals && mesh.normals.size() == mesh.vertices.size();
        for (std::int32_t size : mesh.faceSizes)
            largest = std::max(largest, size);
    }
    if (vertices > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return QStringLiteral("more vertices than a PLY file's vertex numbers can count");
    out += "ply\nformat binary_little_endian 1.0\ncomment Written by Corvane\n";
    out += "element vertex " + std::to_string(vertices) + "\n";
    out += "property float x\nproperty float y\nproperty float z\n";
    if (normals)
        out += "property float nx\nproperty float ny\nproperty float nz\n";
    out += "element face " + std::to_string(faces) + "\n";
    const bool shortCounts = largest <= 255;
    out +=
        shortCounts ? "property list uchar int vertex_indices\n" : "property list int int vertex_indices\n";
    out += "end_header\n";
    for (const PolyMesh& mesh : meshes)
        for (std::size_t k = 0; k < mesh.VertexCount(); ++k) {
            for (int i = 0; i < 3; ++i)
                AppendLittle(out, mesh.vertices[k * 3 + static_cast<std::size_t>(i)]);
            if (normals)
                for (int i = 0; i < 3; ++i)
                    AppendLittle(out, mesh.normals[k * 3 + static_cast<std::size_t>(i)]);
        }
    std::int32_t base = 0;
    for (const PolyMesh& mesh : meshes) {
        std::size_t at = 0;
        for (std::int32_t size : mesh.faceSizes) {
            if (shortCounts)
                out += static_cast<char>(static_cast<unsigned char>(size));
            else
                AppendLittle(out, size);
            for (std::int32_t j = 0; j < size; ++j)
                AppendLittle(out, base + mesh.indices[at++]);
        }
        base += static_cast<std::int32_t>(mesh.VertexCount());
    }
    return {};
}

QString WriteMeshes(const std::vector<PolyMesh>& meshes, const QString& fileName, ExportFormat format)
{
    std::string bytes;
    QString problem;
    try {
        problem = format == ExportFormat::Obj   ? ObjOf(meshes, bytes)
                  : format == ExportFormat::Stl ? StlOf(meshes, bytes)
                                                : PlyOf(meshes, bytes);
    } catch (const std::bad_alloc&) {
        problem = QStringLiteral("not enough memory");
    } catch (const std::length_error&) {
        problem = QStringLiteral("not enough memory");
    }
    if (!problem.isEmpty())
        return QStringLiteral("Could not write %1: %2").arg(fileName, problem);
    return WriteWhole(fileName, QByteArray::fromStdString(bytes));
}

bool HasFaces(const std::vector<PolyMesh>& meshes)
{
    for (const PolyMesh& mesh : meshes)
        if (mesh.FaceCount() > 0)
            return true;
    return false;
}

} // namespace

QStringList ExportFilters()
{
    QStringList filters;
    for (const FormatInfo& info : kFormats)
        filters << QString::fromLatin1(info.filter);
    return filters;
}

ExportFormat ExportFormatFor(const QString& filter, const QString& fileName)
{
    for (const FormatInfo& info : kFormats)
        if (filter == QLatin1String(info.filter))
            return info.format;
    const QString suffix = QFileInfo(fileName).suffix();
    for (const FormatInfo& info : kFormats)
        if (suffix.compare(QLatin1String(info.extension), Qt::CaseInsensitive) == 0)
            return info.format;
    return ExportFormat::Pair;
}

QString WithExtension(const QString& fileName, ExportFormat format)
{
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + QLatin1String(InfoOf(format).extension);
}

QString ExportMesh(const PolyMesh& mesh, const QString& fileName, ExportFormat format)
{
    return ExportMeshes({mesh}, fileName, format);
}

QStringList ExportFileNames(const std::vector<PolyMesh>& meshes, const QString& fileName, ExportFormat format)
{
    if (format != ExportFormat::Pair || meshes.size() <= 1)
        return {fileName};
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QStringList names;
    for (const PolyMesh& mesh : meshes)
        names << info.dir().filePath(info.completeBaseName() + QLatin1Char('-') +
                                     QString::fromStdString(mesh.name) + suffix);
    return names;
}

QString ExportMeshes(const std::vector<PolyMesh>& meshes, const QString& fileName, ExportFormat format)
{
    if (!HasFaces(meshes))
        return QStringLiteral("Could not write %1: %2")
            .arg(fileName, meshes.size() > 1 ? QStringLiteral("the objects have no faces")
                                             : QStringLiteral("the object has no faces"));
    if (format != ExportFormat::Pair)
        return WriteMeshes(meshes, fileName, format);
    const QStringList names = ExportFileNames(meshes, fileName, format);
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        if (meshes[i].FaceCount() == 0)
            continue;
        const QString error = WritePair(meshes[i], names[static_cast<qsizetype>(i)]);
        if (!error.isEmpty())
            return error;
    }
    return {};
}

QString ExportObject(TGLObject& object, const QString& fileName, ExportFormat format)
{
    return ExportMesh(SceneMeshOf(object), fileName, format);
}

QString ExportScene(const std::vector<TGLObject*>& objects, const QString& fileName, ExportFormat format,
                    QStringList* written)
{
    const std::vector<PolyMesh> meshes = SceneMeshesOf(objects);
    if (meshes.empty())
        return QStringLiteral("Could not write %1: the scene has no objects to export (lights are left out)")
            .arg(fileName);
    const QString error = ExportMeshes(meshes, fileName, format);
    if (error.isEmpty() && written)
        *written = ExportFileNames(meshes, fileName, format);
    return error;
}

} // namespace meshio
