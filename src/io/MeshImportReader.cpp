// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshImportReader.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <set>
#include <sys/stat.h>

namespace meshio {
namespace {

// Node trees deeper than this are refused rather than walked.
constexpr int kMaxNodeDepth = 1024;

const char* const kTooLarge = "it is too large to load";

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
            FRefusal = "the reader asked to write a file";
            return nullptr;
        }
        struct stat info {};
        if (::stat(file, &info) != 0)
            return nullptr;
        if (!S_ISREG(info.st_mode)) {
            FRefusal = std::string(file) + " is not a regular file";
            return nullptr;
        }
        FBytes += static_cast<std::uint64_t>(info.st_size);
        if (FBytes > FByteLimit) {
            FRefusal = kTooLarge;
            return nullptr;
        }
        return DefaultIOSystem::Open(file, mode);
    }

    // Why the last refused file was refused; empty when none was.
    const std::string& Refusal() const { return FRefusal; }

private:
    std::size_t FByteLimit;
    std::uint64_t FBytes = 0;
    std::string FRefusal;
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

// Fills a mesh from one mesh instance. Returns an empty string or the
// reason it cannot.
std::string Convert(const Instance& instance, std::size_t& budget, PolyMesh& out)
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
    // and the table that joins vertices: what the program will hold.
    const std::uint64_t bytes =
        std::uint64_t(mesh.mNumVertices) * (6 * sizeof(float) + 4 * sizeof(std::int32_t)) +
        std::uint64_t(faceCount) * (2 * sizeof(std::int32_t) + 3 * sizeof(float)) + // a face record
        std::uint64_t(indexCount) * sizeof(std::int32_t);
    constexpr auto kMaxInt = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    if (bytes > budget || indexCount > kMaxInt || faceCount > kMaxInt)
        return kTooLarge;
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
            return "vertex " + std::to_string(k + 1) + " of a mesh is not a finite point";
        const float p[3] = {v.x, v.y, v.z};
        newIndex[k] = joiner.Add(p);
    }
    out.faceSizes.reserve(faceCount);
    out.indices.reserve(indexCount);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices < 3 || !face.mIndices)
            continue;
        for (unsigned j = 0; j < face.mNumIndices; ++j) {
            if (face.mIndices[j] >= mesh.mNumVertices)
                return "face " + std::to_string(f + 1) + " of a mesh names vertex " +
                       std::to_string(std::uint64_t(face.mIndices[j]) + 1) + " of " +
                       std::to_string(mesh.mNumVertices);
            out.indices.push_back(newIndex[face.mIndices[j]]);
        }
        out.faceSizes.push_back(static_cast<std::int32_t>(face.mNumIndices));
    }
    return {};
}

} // namespace

LibraryRead ReadThroughLibrary(const std::string& fileName, std::size_t memoryLimit)
{
    LibraryRead result;
    auto fail = [&](std::string reason) {
        result.meshes.clear();
        result.reason = std::move(reason);
        return std::move(result);
    };
    Assimp::Importer importer;
    auto* io = new GuardedIOSystem(memoryLimit / 2); // the importer owns and deletes it
    importer.SetIOHandler(io);
    const aiScene* scene = nullptr;
    try {
        scene = importer.ReadFile(fileName.c_str(), 0);
    } catch (const std::bad_alloc&) {
        return fail(kTooLarge);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    if (!scene) {
        if (!io->Refusal().empty())
            return fail(io->Refusal());
        std::string reason = importer.GetErrorString();
        while (!reason.empty() && std::isspace(static_cast<unsigned char>(reason.back())))
            reason.pop_back();
        return fail(reason.empty() ? "the file could not be read" : reason);
    }
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)
        return fail("the file holds no complete scene");

    std::vector<Instance> instances;
    if (!CollectInstances(*scene, instances))
        return fail("its node tree is too deep");

    std::size_t budget = memoryLimit / 2;
    try {
        for (const Instance& instance : instances) {
            PolyMesh mesh;
            std::string error = Convert(instance, budget, mesh);
            if (!error.empty())
                return fail(std::move(error));
            if (!mesh.faceSizes.empty())
                result.meshes.push_back(std::move(mesh));
        }
    } catch (const std::bad_alloc&) {
        return fail(kTooLarge);
    }
    if (result.meshes.empty())
        return fail("it holds no polygon faces");
    return result;
}

} // namespace meshio
