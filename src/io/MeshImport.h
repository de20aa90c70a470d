#pragma once

// Reading polygon objects from mesh files of the common formats (OBJ, STL,
// PLY, glTF, OFF, 3DS, Collada and every other format the Open Asset Import
// Library reads) and from our own ".coor"/".poly" pairs.

#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class TGLPolyObject;

namespace meshio {

using MessageFunction = std::function<void(const QString&)>;

// True for a coordinate file of our own pair: extension ".coor" (any case),
// or an extension of no mesh format and a ".poly" file beside it.
bool IsCoordinateFile(const QString& fileName);

// Reads every mesh of the file as one polygon object: vertices at the same
// position joined, faces kept as the polygons the file holds (points and
// lines dropped), each mesh placed by the transforms of the nodes that show
// it, normals computed as for a coordinate file. A ".coor" file is read by our
// own reader with its ".poly" file. On failure shows one message naming the
// file and the reason and returns nothing. memoryLimit caps the bytes the
// file and the objects made from it may take.
std::vector<std::unique_ptr<TGLPolyObject>> ImportMeshes(const QString& fileName,
                                                         const MessageFunction& message);
std::vector<std::unique_ptr<TGLPolyObject>>
ImportMeshes(const QString& fileName, const MessageFunction& message, std::size_t memoryLimit);

// Filters for a file dialog: "All meshes" first, then our pair, then one
// filter per format the library reads.
QStringList ImportFilters();

} // namespace meshio
