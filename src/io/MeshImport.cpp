#include "MeshImport.h"

#include "CoordFile.h"
#include "PolyMesh.h"
#include "TGLPolyObject.h"

#include <QFile>
#include <QFileInfo>

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/cimport.h>
#include <assimp/importerdesc.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace meshio {
namespace {

// Node trees deeper than this are refused rather than walked.
constexpr int kMaxNodeDepth = 1024;

// Opens only regular files (never a device, pipe or folder a file may name,
// which could block or never end) and only as many bytes in all as the
// memory limit allows.
class GuardedIOSystem final : public Assimp::DefaultIOSystem {
public:
    explicit GuardedIOSystem(std::size_t byteLimit) : FByteLimit(byteLimit) {}

    bool Exists(const char* file) const override
    {
        struct stat info {};
        return ::stat(file, &info) == 0 && S_ISREG(info.st_mode);
    }

    Assimp::IOStream* Open(const char* file, const char* mode) override
    {
        const std::string m = mode ? mode : "rb";
        if (m.find_first_of("wa+") != std::string::npos) {
            FRefusal = QStringLiteral("the reader asked to write a file");
            return nullptr;
        }
        struct stat info {};
        if (::stat(file, &info) != 0)
            return nullptr;
        if (!S_ISREG(info.st_mode)) {
            FRefusal = QStringLiteral("%1 is not a regular file").arg(QFile::decodeName(file));
            return nullptr;
        }
        FBytes += static_cast<std::uint64_t>(info.st_size);
        if (FBytes > FByteLimit) {
            FRefusal = QStringLiteral("it is too large to load");
            return nullptr;
        }
        return DefaultIOSystem::Open(file, mode);
    }

    // Why the last refused file was refused; empty when none was.
    const QString& Refusal() const { return FRefusal; }

private:
    std::size_t FByteLimit;
    std::uint64_t FBytes = 0;
    QString FRefusal;
};

struct Instance {
    const aiMesh* mesh;
    aiMatrix4x4 transform;
};

// The meshes the node tree shows, each with its node's transform. A node
// met a second time (a cycle, or a node shared between parents) is skipped.
bool CollectInstances(const aiScene& scene, std::vector<Instance>& out)
{
    if (!scene.mRootNode)
        return true;
    struct Pending {
        const aiNode* node;
        aiMatrix4x4 parent;
        int depth;
    };
    std::vector<Pending> stack{{scene.mRootNode, aiMatrix4x4(), 0}};
    std::set<const aiNode*> seen;
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        if (!p.node || !seen.insert(p.node).second)
            continue;
        if (p.depth > kMaxNodeDepth)
            return false;
        const aiMatrix4x4 global = p.parent * p.node->mTransformation;
        for (unsigned i = 0; i < p.node->mNumMeshes; ++i) {
            const unsigned m = p.node->mMeshes[i];
            if (m < scene.mNumMeshes && scene.mMeshes[m])
                out.push_back({scene.mMeshes[m], global});
        }
        for (unsigned i = p.node->mNumChildren; i-- > 0;)
            stack.push_back({p.node->mChildren[i], global, p.depth + 1});
    }
    return true;
}

// Fills a pair-file mesh from one mesh instance. Returns an empty string or
// the reason it cannot.
QString Convert(const Instance& instance, std::size_t& budget, coordfile::Mesh& out)
{
    const aiMesh& mesh = *instance.mesh;
    if (!mesh.mVertices || mesh.mNumVertices == 0)
        return {};
    std::size_t faceCount = 0;
    std::size_t indexCount = 0;
    if (mesh.mFaces)
        for (unsigned f = 0; f < mesh.mNumFaces; ++f)
            if (mesh.mFaces[f].mNumIndices >= 3 && mesh.mFaces[f].mIndices) {
                ++faceCount;
                indexCount += mesh.mFaces[f].mNumIndices;
            }
    if (faceCount == 0)
        return {};
    // Room for the positions and normals, the faces and their vertex numbers,
    // and the table that joins vertices.
    const std::uint64_t bytes =
        std::uint64_t(mesh.mNumVertices) * (6 * sizeof(float) + 4 * sizeof(std::int32_t)) +
        std::uint64_t(faceCount) * sizeof(TPolyFace) + std::uint64_t(indexCount) * sizeof(std::int32_t);
    constexpr auto kMaxInt = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    if (bytes > budget || indexCount > kMaxInt || faceCount > kMaxInt)
        return QStringLiteral("it is too large to load");
    budget -= bytes;

    // Each position once; newIndex maps the mesh's vertex numbers to ours.
    std::vector<std::int32_t> newIndex(mesh.mNumVertices);
    VertexJoiner joiner(out.vertices);
    const aiMatrix4x4& t = instance.transform;
    const bool identity = t.IsIdentity();
    for (unsigned k = 0; k < mesh.mNumVertices; ++k) {
        aiVector3D v = mesh.mVertices[k];
        if (!identity)
            v = t * v;
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z))
            return QStringLiteral("vertex %1 of a mesh is not a finite point").arg(k + 1);
        const float p[3] = {v.x, v.y, v.z};
        newIndex[k] = joiner.Add(p);
    }
    out.faces.reserve(faceCount);
    out.indices.reserve(indexCount);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices < 3 || !face.mIndices)
            continue;
        TPolyFace record;
        record.First = static_cast<std::int32_t>(out.indices.size());
        record.Count = static_cast<std::int32_t>(face.mNumIndices);
        for (unsigned j = 0; j < face.mNumIndices; ++j) {
            if (face.mIndices[j] >= mesh.mNumVertices)
                return QStringLiteral("face %1 of a mesh names vertex %2 of %3")
                    .arg(f + 1)
                    .arg(face.mIndices[j] + 1)
                    .arg(mesh.mNumVertices);
            out.indices.push_back(newIndex[face.mIndices[j]] + 1); // the pair's numbers start at 1
        }
        out.faces.push_back(record);
    }
    out.vertexCount = static_cast<std::int32_t>(out.vertices.size() / 3);
    out.minX = out.minY = out.minZ = FLT_MAX;
    out.maxX = out.maxY = out.maxZ = -FLT_MAX;
    for (std::size_t k = 0; k < out.vertices.size(); k += 3) {
        out.minX = std::min(out.minX, out.vertices[k]);
        out.maxX = std::max(out.maxX, out.vertices[k]);
        out.minY = std::min(out.minY, out.vertices[k + 1]);
        out.maxY = std::max(out.maxY, out.vertices[k + 1]);
        out.minZ = std::min(out.minZ, out.vertices[k + 2]);
        out.maxZ = std::max(out.maxZ, out.vertices[k + 2]);
    }
    return {};
}

std::vector<std::unique_ptr<TGLPolyObject>> ImportPair(const QString& fileName,
                                                       const MessageFunction& message)
{
    std::vector<std::unique_ptr<TGLPolyObject>> objects;
    auto poly = std::make_unique<TGLPolyObject>();
    if (poly->LoadFromFile(QFile::encodeName(fileName).toStdString(), [&](const std::string& text) {
            message(QFile::decodeName(QByteArray::fromStdString(text)));
        }))
        objects.push_back(std::move(poly));
    return objects;
}

std::vector<std::unique_ptr<TGLPolyObject>>
ImportThroughLibrary(const QString& fileName, const MessageFunction& message, std::size_t memoryLimit)
{
    auto fail = [&](const QString& reason) {
        message(QStringLiteral("Could not load %1: %2").arg(fileName, reason));
        return std::vector<std::unique_ptr<TGLPolyObject>>();
    };
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return fail(QStringLiteral("the file does not exist"));
    if (!S_ISREG(info.st_mode))
        return fail(QStringLiteral("it is not a regular file"));
    if (info.st_size == 0)
        return fail(QStringLiteral("the file is empty"));

    Assimp::Importer importer;
    auto* io = new GuardedIOSystem(memoryLimit / 2); // the importer owns and deletes it
    importer.SetIOHandler(io);
    const aiScene* scene = nullptr;
    try {
        scene = importer.ReadFile(path.constData(), 0);
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("it is too large to load"));
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    if (!scene) {
        if (!io->Refusal().isEmpty())
            return fail(io->Refusal());
        const QString reason = QString::fromLocal8Bit(importer.GetErrorString()).trimmed();
        return fail(reason.isEmpty() ? QStringLiteral("the file could not be read") : reason);
    }
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)
        return fail(QStringLiteral("the file holds no complete scene"));

    std::vector<Instance> instances;
    if (!CollectInstances(*scene, instances))
        return fail(QStringLiteral("its node tree is too deep"));

    std::vector<std::unique_ptr<TGLPolyObject>> objects;
    std::size_t budget = memoryLimit / 2;
    try {
        for (const Instance& instance : instances) {
            coordfile::Mesh mesh;
            const QString error = Convert(instance, budget, mesh);
            if (!error.isEmpty())
                return fail(error);
            if (mesh.faces.empty())
                continue;
            auto poly = std::make_unique<TGLPolyObject>();
            poly->SetMesh(std::move(mesh));
            objects.push_back(std::move(poly));
        }
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("it is too large to load"));
    }
    if (objects.empty())
        return fail(QStringLiteral("it holds no polygon faces"));
    return objects;
}

} // namespace

bool IsCoordinateFile(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    if (suffix.compare(QLatin1String("coor"), Qt::CaseInsensitive) == 0)
        return true;
    if (!suffix.isEmpty() && aiIsExtensionSupported(("." + suffix.toLower()).toUtf8().constData()))
        return false;
    // Any other file with a face file beside it has always been read as a
    // coordinate file.
    return QFileInfo::exists(QFile::decodeName(
        QByteArray::fromStdString(coordfile::FaceFileName(QFile::encodeName(fileName).toStdString()))));
}

std::vector<std::unique_ptr<TGLPolyObject>> ImportMeshes(const QString& fileName,
                                                         const MessageFunction& message)
{
    return ImportMeshes(fileName, message, coordfile::DefaultMemoryLimit());
}

std::vector<std::unique_ptr<TGLPolyObject>>
ImportMeshes(const QString& fileName, const MessageFunction& message, std::size_t memoryLimit)
{
    if (IsCoordinateFile(fileName))
        return ImportPair(fileName, message);
    return ImportThroughLibrary(fileName, message, memoryLimit);
}

QStringList ImportFilters()
{
    // Format name -> its patterns; names made plain ("... Importer" dropped).
    std::map<QString, QStringList> formats;
    QStringList all{QStringLiteral("*.coor")};
    for (std::size_t i = 0; i < aiGetImportFormatCount(); ++i) {
        const aiImporterDesc* desc = aiGetImportFormatDescription(i);
        if (!desc || !desc->mName || !desc->mFileExtensions)
            continue;
        QString name = QString::fromUtf8(desc->mName).simplified();
        for (const char* suffix : {" Importer", " importer", " Reader", " reader", " Loader", " loader"})
            if (name.endsWith(QLatin1String(suffix)))
                name.chop(static_cast<int>(std::strlen(suffix)));
        QStringList& patterns = formats[name];
        for (const QString& ext :
             QString::fromUtf8(desc->mFileExtensions).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString pattern = QStringLiteral("*.") + ext.toLower();
            if (!patterns.contains(pattern))
                patterns << pattern;
            if (!all.contains(pattern))
                all << pattern;
        }
    }
    QStringList filters;
    filters << QStringLiteral("All meshes (%1)").arg(all.join(QLatin1Char(' ')));
    filters << QStringLiteral("Coordinate and face files (*.coor)");
    for (const auto& [name, patterns] : formats)
        if (!patterns.isEmpty())
            filters << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    return filters;
}

} // namespace meshio
