#pragma once

// Writing an object's mesh: our own ".coor"/".poly" pair, or OBJ, STL and PLY
// through the Open Asset Import Library.

#include "PolyMesh.h"

#include <QString>
#include <QStringList>

class TGLObject;

namespace meshio {

enum class ExportFormat { Pair, Obj, Stl, Ply };

// Filters for a file dialog, one per format, in the order of ExportFormat.
QStringList ExportFilters();
// The format a file dialog's chosen filter stands for; without a filter (or
// an unknown one) the file name's extension decides, and our pair otherwise.
ExportFormat ExportFormatFor(const QString& filter, const QString& fileName);
// The file name with the format's extension added when it has none.
QString WithExtension(const QString& fileName, ExportFormat format);

// Writes the mesh; a pair goes to fileName (the coordinate file) and the face
// file beside it. STL holds triangles only, so its polygons are split; the
// other formats keep them. Returns an empty string or the message to show.
QString ExportMesh(const PolyMesh& mesh, const QString& fileName, ExportFormat format);

// Writes the object's mesh in its own model space (see MeshOf).
QString ExportObject(TGLObject& object, const QString& fileName, ExportFormat format);

} // namespace meshio
