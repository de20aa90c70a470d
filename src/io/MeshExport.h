// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Writing objects as meshes: our own ".coor"/".poly" pair, OBJ, binary STL and
// binary PLY, in the scene's coordinates.

#include "PolyMesh.h"

#include <QString>
#include <QStringList>

#include <vector>

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
// file beside it. STL holds triangles only, so its polygons are split from
// their first corner (as they are drawn), and each triangle's normal is the
// one its corners' order gives; OBJ and PLY keep the polygons and the mesh's
// own normals. Returns an empty string or the message to show.
QString ExportMesh(const PolyMesh& mesh, const QString& fileName, ExportFormat format);

// Writes the meshes into one file: OBJ as one named object each, STL and PLY
// merged. Our pair holds one mesh: with several, each goes to a pair of its
// own named as ExportFileNames says.
QString ExportMeshes(const std::vector<PolyMesh>& meshes, const QString& fileName, ExportFormat format);

// The files ExportMeshes writes the meshes to (the coordinate files of
// pairs): fileName itself, or for several meshes in pairs, one coordinate
// file per mesh named "<base>-<mesh name>.<extension>" beside it.
QStringList ExportFileNames(const std::vector<PolyMesh>& meshes, const QString& fileName,
                            ExportFormat format);

// Writes the object as a view shows it, in the scene's coordinates (see
// SceneMeshOf).
QString ExportObject(TGLObject& object, const QString& fileName, ExportFormat format);

// Writes every object of the scene but its lights (see SceneMeshesOf) as
// ExportMeshes does; a scene with nothing else is refused with a message.
// written, where given, receives the names of the files written.
QString ExportScene(const std::vector<TGLObject*>& objects, const QString& fileName, ExportFormat format,
                    QStringList* written = nullptr);

} // namespace meshio
