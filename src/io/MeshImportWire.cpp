// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshImportWire.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <sys/mman.h>

namespace meshwire {
namespace {

constexpr char kMagic[4] = {'C', 'V', 'M', 'I'};
constexpr std::uint32_t kStatusMeshes = 0;
constexpr std::uint32_t kStatusFailure = 1;
constexpr std::size_t kMeshHeaderBytes = 16;

void PutHeader(const Sink& put, std::uint32_t status, std::uint32_t count, std::uint64_t total)
{
    char header[kHeaderBytes];
    std::memcpy(header, kMagic, 4);
    std::memcpy(header + 4, &kVersion, 4);
    std::memcpy(header + 8, &status, 4);
    std::memcpy(header + 12, &count, 4);
    std::memcpy(header + 16, &total, 8);
    put(header, sizeof header);
}

// Asks for huge pages for a fresh array's memory before it is filled: a
// large mesh then costs a page fault for every 2 MiB rather than every 4 KiB.
template <typename T> void ReserveInHugePages(std::vector<T>& v, std::size_t n)
{
    v.reserve(n);
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(v.data()) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(v.data() + n)) & ~(kHuge - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

std::uint32_t U32(const char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

} // namespace

void EncodeMeshes(const std::vector<meshio::PolyMesh>& meshes, const Sink& put)
{
    std::uint64_t total = kHeaderBytes;
    for (const meshio::PolyMesh& m : meshes)
        total +=
            kMeshHeaderBytes + 4 * (std::uint64_t(m.vertices.size()) + m.faceSizes.size() + m.indices.size());
    PutHeader(put, kStatusMeshes, static_cast<std::uint32_t>(meshes.size()), total);
    for (const meshio::PolyMesh& m : meshes) {
        const std::uint32_t counts[4] = {static_cast<std::uint32_t>(m.VertexCount()),
                                         static_cast<std::uint32_t>(m.FaceCount()),
                                         static_cast<std::uint32_t>(m.indices.size()), 0};
        put(counts, sizeof counts);
        put(m.vertices.data(), m.vertices.size() * sizeof(float));
        put(m.faceSizes.data(), m.faceSizes.size() * sizeof(std::int32_t));
        put(m.indices.data(), m.indices.size() * sizeof(std::int32_t));
    }
}

void EncodeFailure(const std::string& reason, const Sink& put)
{
    const std::string text = reason.substr(0, kMaxReasonBytes);
    PutHeader(put, kStatusFailure, static_cast<std::uint32_t>(text.size()), kHeaderBytes + text.size());
    put(text.data(), text.size());
}

std::uint64_t AnnouncedSize(const char* header)
{
    if (std::memcmp(header, kMagic, 4) != 0 || U32(header + 4) != kVersion)
        return 0;
    std::uint64_t total;
    std::memcpy(&total, header + 16, 8);
    return total;
}

namespace {

std::string DecodeInto(const char* data, std::size_t size, std::size_t budget, Reply& reply)
{
    if (size < kHeaderBytes || AnnouncedSize(data) == 0)
        return "no reply header";
    if (AnnouncedSize(data) != size)
        return "the reply's length is not the length it announces";
    const std::uint32_t status = U32(data + 8);
    const std::uint32_t count = U32(data + 12);
    std::size_t at = kHeaderBytes;
    const std::size_t left = size - at;

    if (status == kStatusFailure) {
        if (count != left || count > kMaxReasonBytes || count == 0)
            return "a reason of the wrong length";
        reply.reason.assign(data + at, count);
        // One line of text: no control characters.
        for (char& ch : reply.reason)
            if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F)
                ch = ' ';
        return {};
    }
    if (status != kStatusMeshes)
        return "an unknown status";
    if (count == 0)
        return "no meshes";
    // Each mesh takes at least its header and one vertex and face.
    if (count > left / (kMeshHeaderBytes + 4 * 7))
        return "more meshes than the reply holds";

    constexpr std::uint64_t kMaxInt = std::numeric_limits<std::int32_t>::max();
    reply.meshes.reserve(count);
    for (std::uint32_t m = 0; m < count; ++m) {
        if (size - at < kMeshHeaderBytes)
            return "a mesh cut off";
        const std::uint64_t vertexCount = U32(data + at);
        const std::uint64_t faceCount = U32(data + at + 4);
        const std::uint64_t indexCount = U32(data + at + 8);
        if (U32(data + at + 12) != 0)
            return "a mesh header of the wrong form";
        at += kMeshHeaderBytes;
        if (vertexCount == 0 || faceCount == 0 || vertexCount > kMaxInt || indexCount > kMaxInt)
            return "a mesh without vertices or faces";
        // (Each count below 2^32: the sum cannot overflow 64 bits.)
        const std::uint64_t bytes = 4 * (3 * vertexCount + faceCount + indexCount);
        if (bytes > size - at)
            return "a mesh longer than the reply";
        if (indexCount < 3 * faceCount)
            return "fewer vertex numbers than the faces need";
        const std::uint64_t decoded = vertexCount * (6 * sizeof(float) + 4 * sizeof(std::int32_t)) +
                                      faceCount * sizeof(TPolyFace) + indexCount * sizeof(std::int32_t);
        if (decoded > budget)
            return "meshes larger than the memory limit";
        budget -= static_cast<std::size_t>(decoded);

        coordfile::Mesh mesh;
        mesh.vertexCount = static_cast<std::int32_t>(vertexCount);
        ReserveInHugePages(mesh.vertices, 3 * vertexCount);
        mesh.vertices.resize(3 * vertexCount);
        std::memcpy(mesh.vertices.data(), data + at, 12 * vertexCount);
        at += 12 * vertexCount;
        mesh.minX = mesh.minY = mesh.minZ = FLT_MAX;
        mesh.maxX = mesh.maxY = mesh.maxZ = -FLT_MAX;
        for (std::size_t k = 0; k < mesh.vertices.size(); k += 3) {
            const float x = mesh.vertices[k], y = mesh.vertices[k + 1], z = mesh.vertices[k + 2];
            if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
                return "a position that is not finite";
            mesh.minX = std::min(mesh.minX, x);
            mesh.maxX = std::max(mesh.maxX, x);
            mesh.minY = std::min(mesh.minY, y);
            mesh.maxY = std::max(mesh.maxY, y);
            mesh.minZ = std::min(mesh.minZ, z);
            mesh.maxZ = std::max(mesh.maxZ, z);
        }

        const char* sizes = data + at;
        at += 4 * faceCount;
        ReserveInHugePages(mesh.faces, faceCount);
        mesh.faces.resize(faceCount);
        std::uint64_t first = 0;
        for (std::size_t f = 0; f < faceCount; ++f) {
            const std::uint32_t n = U32(sizes + 4 * f);
            if (n < 3 || n > indexCount - first)
                return "a face of the wrong size";
            mesh.faces[f].First = static_cast<std::int32_t>(first);
            mesh.faces[f].Count = static_cast<std::int32_t>(n);
            first += n;
        }
        if (first != indexCount)
            return "vertex numbers left over after the faces";

        ReserveInHugePages(mesh.indices, indexCount);
        mesh.indices.resize(indexCount);
        std::memcpy(mesh.indices.data(), data + at, 4 * indexCount);
        at += 4 * indexCount;
        for (std::int32_t& i : mesh.indices) {
            // As unsigned, a negative number is out of range too.
            if (static_cast<std::uint32_t>(i) >= vertexCount)
                return "a face names a vertex the mesh does not have";
            ++i; // the pair's numbers start at 1
        }
        reply.meshes.push_back(std::move(mesh));
    }
    if (at != size)
        return "bytes left over after the meshes";
    reply.ok = true;
    return {};
}

} // namespace

std::string Decode(const char* data, std::size_t size, std::size_t budget, Reply& reply)
{
    reply = Reply();
    std::string error = DecodeInto(data, size, budget, reply);
    if (!error.empty())
        reply = Reply();
    return error;
}

} // namespace meshwire
