#include "MeshExport.h"

#include "CoordFile.h"
#include "SafeFileQt.h"
#include "TGLObject.h"

#include <QFile>
#include <QFileInfo>

#include <assimp/Exporter.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <charconv>
#include <memory>
#include <new>
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

// A scene of one mesh with one plain material under the root node.
std::unique_ptr<aiScene> SceneOf(const PolyMesh& mesh)
{
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode();
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned[1]{0};
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
    auto* m = new aiMesh();
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh* [1] { m };
    m->mMaterialIndex = 0;
    m->mNumVertices = static_cast<unsigned>(mesh.VertexCount());
    m->mVertices = new aiVector3D[m->mNumVertices];
    for (std::size_t k = 0; k < mesh.VertexCount(); ++k)
        m->mVertices[k] =
            aiVector3D(mesh.vertices[k * 3], mesh.vertices[k * 3 + 1], mesh.vertices[k * 3 + 2]);
    m->mNumFaces = static_cast<unsigned>(mesh.FaceCount());
    m->mFaces = new aiFace[m->mNumFaces];
    std::size_t at = 0;
    for (std::size_t f = 0; f < mesh.FaceCount(); ++f) {
        aiFace& face = m->mFaces[f];
        face.mNumIndices = static_cast<unsigned>(mesh.faceSizes[f]);
        face.mIndices = new unsigned[face.mNumIndices];
        for (unsigned j = 0; j < face.mNumIndices; ++j)
            face.mIndices[j] = static_cast<unsigned>(mesh.indices[at++]);
        m->mPrimitiveTypes |= face.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE : aiPrimitiveType_POLYGON;
    }
    return scene;
}

QString WriteThroughLibrary(const PolyMesh& mesh, const QString& fileName, ExportFormat format)
{
    const char* id = format == ExportFormat::Obj ? "objnomtl" : format == ExportFormat::Stl ? "stlb" : "plyb";
    // STL holds only triangles.
    const unsigned steps = format == ExportFormat::Stl ? aiProcess_Triangulate : 0u;
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = nullptr;
    try {
        const std::unique_ptr<aiScene> scene = SceneOf(mesh);
        blob = exporter.ExportToBlob(scene.get(), id, steps);
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Could not write %1: not enough memory").arg(fileName);
    }
    if (!blob)
        return QStringLiteral("Could not write %1: %2")
            .arg(fileName, QString::fromLocal8Bit(exporter.GetErrorString()).trimmed());
    return WriteWhole(fileName,
                      QByteArray(static_cast<const char*>(blob->data), static_cast<qsizetype>(blob->size)));
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
    if (mesh.FaceCount() == 0)
        return QStringLiteral("Could not write %1: the object has no faces").arg(fileName);
    if (format == ExportFormat::Pair)
        return WritePair(mesh, fileName);
    return WriteThroughLibrary(mesh, fileName, format);
}

QString ExportObject(TGLObject& object, const QString& fileName, ExportFormat format)
{
    return ExportMesh(MeshOf(object), fileName, format);
}

} // namespace meshio
