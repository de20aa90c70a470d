// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the program's side of mesh import: the decoder of what the
// import helper sends back. A rejected reply leaves nothing behind; an
// accepted one encodes back to exactly its own bytes, and its meshes are
// turned into polygon objects, their normals computed and drawn (into the
// null device), so that every vertex number it let through is used.
#include "GlDevice.h"
#include "MeshImportWire.h"
#include "TGLPolyObject.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    meshwire::Reply reply;
    const std::string error = meshwire::Decode(bytes, size, std::size_t(64) << 20, reply);
    if (!error.empty()) {
        if (reply.ok || !reply.meshes.empty() || !reply.reason.empty())
            std::abort(); // a rejected reply left something behind
        return 0;
    }

    std::string again;
    const meshwire::Sink put = [&](const void* p, std::size_t n) {
        again.append(static_cast<const char*>(p), n);
    };
    if (!reply.ok) {
        for (char ch : reply.reason)
            if (static_cast<unsigned char>(ch) < 0x20)
                std::abort(); // a reason is one line of text
        meshwire::EncodeFailure(reply.reason, put);
    } else {
        std::vector<meshio::PolyMesh> meshes;
        for (const coordfile::Mesh& m : reply.meshes) {
            meshio::PolyMesh p;
            p.vertices = m.vertices;
            for (const TPolyFace& f : m.faces)
                p.faceSizes.push_back(f.Count);
            for (std::int32_t i : m.indices)
                p.indices.push_back(i - 1);
            meshes.push_back(std::move(p));
        }
        meshwire::EncodeMeshes(meshes, put);
    }
    // (A reason's control characters are blanked: compare the rest.)
    if (again.size() != size || (reply.ok && std::memcmp(again.data(), bytes, size) != 0))
        std::abort();

    gl::ScopedDevice device(gl::nullDevice());
    for (coordfile::Mesh& mesh : reply.meshes) {
        TGLPolyObject object;
        object.SetMesh(std::move(mesh));
        object.SetSelected(true);
        object.Draw(GL_RENDER);
        object.Clone()->Draw(GL_SELECT);
    }
    return 0;
}
