// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading polygon objects from mesh files of the common formats (OBJ, STL,
// PLY, glTF, OFF, 3DS, Collada and every other format the Open Asset Import
// Library reads) and from our own ".coor"/".poly" pairs.

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TGLPolyObject;

namespace meshio {

using MessageFunction = std::function<void(const QString&)>;

// True for a coordinate file of our own pair: extension ".coor" (any case),
// or an extension of no mesh format and a ".poly" file beside it.
bool IsCoordinateFile(const QString& fileName);

// How a mesh file is read: the limits, and the helper program that runs the
// library. Zero or empty fields take the defaults, which suit the program.
struct ImportOptions {
    // The bytes the file and the objects made from it may take; default
    // coordfile::DefaultMemoryLimit().
    std::size_t memoryLimit = 0;
    // The helper's address space; default a quarter of the physical memory,
    // at most 4 GiB.
    std::uint64_t helperMemory = 0;
    // Seconds the helper may take before it is stopped; default 10 s and
    // 1 s more per MB of the file.
    double timeLimit = 0;
    // The helper program; default the one beside the program (ImportHelper()).
    QString helper;
};

// Reads every mesh of the file as one polygon object: vertices at the same
// position joined, faces kept as the polygons the file holds (points and
// lines dropped), each mesh placed by the transforms of the nodes that show
// it, normals computed as for a coordinate file. A ".coor" file is read by our
// own reader with its ".poly" file. Every other file is read by the library
// in a helper process with the options' memory and time limits, so that a
// file that crashes, hangs or exhausts the library gives a message ("the
// reader failed (...)") and the program goes on. On failure shows one message
// naming the file and the reason and returns nothing.
std::vector<std::unique_ptr<TGLPolyObject>> ImportMeshes(const QString& fileName,
                                                         const MessageFunction& message);
std::vector<std::unique_ptr<TGLPolyObject>>
ImportMeshes(const QString& fileName, const MessageFunction& message, std::size_t memoryLimit);
std::vector<std::unique_ptr<TGLPolyObject>>
ImportMeshes(const QString& fileName, const MessageFunction& message, const ImportOptions& options);

// The import helper the program runs (corvane-import): beside the program's
// executable, in lib/corvane beside its bin folder, or, for programs of the
// build tree, the one built there. Empty when none is found.
QString ImportHelper();

// Filters for a file dialog: "All meshes" first, then our pair, then one
// filter per format the library reads.
QStringList ImportFilters();

} // namespace meshio
