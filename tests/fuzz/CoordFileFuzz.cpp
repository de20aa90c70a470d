// Fuzz target for the coordinate and face file reader. An input is the text of
// a coordinate file, a NUL byte, and the text of its face file. Whatever the
// reader accepts is then turned into a polygon object, its normals computed
// and drawn (into the null device), so that every index it let through is used.
#include "CoordFile.h"
#include "GlDevice.h"
#include "TGLPolyObject.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string_view coor = input.substr(0, nul);
    const std::string_view poly = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);

    constexpr std::size_t kLimit = std::size_t(64) << 20;
    coordfile::Mesh mesh;
    if (!coordfile::ParseCoordinates(coor, "fuzz.coor", mesh, kLimit).empty())
        return 0;
    if (!coordfile::ParseFaces(poly, "fuzz.poly", mesh, kLimit).empty())
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
