// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the coordinate and face file reader. An input is the text of
// a coordinate file, a NUL byte, and the text of its face file. Whatever the
// reader accepts is then turned into a polygon object, its normals computed
// and drawn (into the null device), so that every index it let through is used.
// The quick reading of the pair (two threads, streamed through a small buffer)
// must decline what the plain parse rejects and give exactly its mesh otherwise.
#include "CoordFile.h"
#include "GlDevice.h"
#include "TGLPolyObject.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

bool Same(const coordfile::Mesh& a, const coordfile::Mesh& b)
{
    const float boundsA[] = {a.minX, a.minY, a.minZ, a.maxX, a.maxY, a.maxZ};
    const float boundsB[] = {b.minX, b.minY, b.minZ, b.maxX, b.maxY, b.maxZ};
    if (a.vertexCount != b.vertexCount || a.vertices.size() != b.vertices.size() || a.indices != b.indices ||
        a.faces.size() != b.faces.size() || std::memcmp(boundsA, boundsB, sizeof boundsA) != 0 ||
        std::memcmp(a.vertices.data(), b.vertices.data(), a.vertices.size() * sizeof(float)) != 0)
        return false;
    for (std::size_t i = 0; i < a.faces.size(); ++i)
        if (a.faces[i].First != b.faces[i].First || a.faces[i].Count != b.faces[i].Count)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string_view coor = input.substr(0, nul);
    const std::string_view poly = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);

    constexpr std::size_t kLimit = std::size_t(64) << 20;
    coordfile::Mesh mesh;
    const bool plain = coordfile::ParseCoordinates(coor, "fuzz.coor", mesh, kLimit).empty() &&
                       coordfile::ParseFaces(poly, "fuzz.poly", mesh, kLimit).empty();
    coordfile::Mesh quick;
    if (coordfile::ParsePairQuickly(coordfile::SourceOfText(coor), coordfile::SourceOfText(poly), quick,
                                    kLimit, size % 200) &&
        (!plain || !Same(mesh, quick)))
        std::abort(); // the quick reading took what the plain parse rejects, or read it differently
    if (!plain)
        return 0;
    gl::ScopedDevice device(gl::nullDevice());
    TGLPolyObject object;
    object.SetMesh(std::move(mesh));
    object.SetSelected(true);
    object.SetTexture(1);
    object.Draw(GL_RENDER);
    object.Clone()->Draw(GL_SELECT);
    return 0;
}
