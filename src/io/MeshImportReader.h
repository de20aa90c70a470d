// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading a mesh file through the Open Asset Import Library. This runs in
// the import helper, a process of its own (corvane-import), never in the
// program: the library can crash, hang or take all memory on a crafted file.

#include "PolyMesh.h"

#include <cstddef>
#include <string>
#include <vector>

namespace meshio {

struct LibraryRead {
    std::string reason;           // empty when the file was read
    std::vector<PolyMesh> meshes; // one per mesh the node tree shows, vertices joined
};

// Reads every mesh of the file: vertices at the same position joined, faces
// kept as the polygons the file holds (points and lines dropped), each mesh
// placed by the transforms of the nodes that show it. memoryLimit caps the
// bytes the files the library opens and the meshes made from them may take.
LibraryRead ReadThroughLibrary(const std::string& fileName, std::size_t memoryLimit);

} // namespace meshio
