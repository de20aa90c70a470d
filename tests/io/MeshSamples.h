// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small mesh files of every common format, written by the tests themselves:
// one box in each, from (-1, -2, -3) to (4, 5, 6), so that a swapped or
// mirrored axis shows in the bounds. Its faces are counter-clockwise seen
// from outside; formats that hold polygons get six quadrilaterals, the others
// twelve triangles.

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace samples {

extern const float kBoxVertices[8][3];
extern const int kBoxQuads[6][4];

QByteArray Obj();
QByteArray StlText();
QByteArray StlBinary(unsigned claimedFacets = 12);
QByteArray PlyText();
QByteArray PlyBinary();
QByteArray Gltf();
QByteArray Glb();
QByteArray Off();
QByteArray ThreeDs();
QByteArray Collada();

// A folder for one test's files, removed afterwards.
class Folder {
public:
    QString Write(const QString& name, const QByteArray& bytes) const;
    QString Path(const QString& name) const { return QDir(FDir.path()).filePath(name); }

private:
    QTemporaryDir FDir;
};

} // namespace samples
