// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the import helper sends back to the program: the meshes it read, in
// a compact binary form, or the reason it could not read them. The program
// decodes it as hostile input: the helper runs a third-party reader on a file
// anyone may have made.
//
// A reply is a header, then the meshes or the reason:
//   header  "CVMI", version, status, count, total bytes of the reply (u64)
//   meshes  per mesh: vertex count, face count, index count, 0 (u32 each),
//           the positions (3 floats a vertex), each face's vertex count
//           (i32), every face's vertex numbers, 0-based (i32)
//   reason  count bytes of UTF-8 text
// Numbers are in the machine's own byte order (the helper runs beside the
// program on the same machine).

#include "CoordFile.h"
#include "PolyMesh.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace meshwire {

constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = 24;
// The longest reason a reply may give.
constexpr std::size_t kMaxReasonBytes = 1024;
// The helper's exit status when an allocation failed.
constexpr int kExitOutOfMemory = 3;

using Sink = std::function<void(const void* data, std::size_t size)>;

// Writes a reply with the meshes (each with at least one vertex and one face
// of three or more vertices in range) to put, piece by piece.
void EncodeMeshes(const std::vector<meshio::PolyMesh>& meshes, const Sink& put);
// Writes a reply that gives the reason the file could not be read.
void EncodeFailure(const std::string& reason, const Sink& put);

// The total size a reply's header announces, once its first kHeaderBytes
// bytes are in; 0 when they are no reply header.
std::uint64_t AnnouncedSize(const char* header);

struct Reply {
    bool ok = false;
    std::string reason;                  // when !ok: the helper's reason (checked UTF-8 text)
    std::vector<coordfile::Mesh> meshes; // when ok: vertex numbers 1-based, bounds set
};

// Decodes a whole reply. Every count is checked against the bytes there are,
// every vertex number against the vertices, every position must be finite,
// and the meshes may take no more than budget bytes once decoded. Returns an
// empty string, or what is wrong with the data.
std::string Decode(const char* data, std::size_t size, std::size_t budget, Reply& reply);

} // namespace meshwire
