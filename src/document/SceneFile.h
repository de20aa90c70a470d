// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class TSceneDocument;

// The scene file: a JSON text (see docs/scene-format.md) holding the objects,
// the camera and the view options of one document.
namespace scenefile {

// The version this program writes; it reads this one and none newer.
constexpr int kVersion = 1;
// The file name extension of scene files, without its dot.
inline QString Extension() { return QStringLiteral("cvs"); }
// Files larger than this are refused before they are read.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

// The file's text for the document's scene; paths are written relative to
// sceneFolder where possible.
QByteArray ToText(const TSceneDocument& doc, const QString& sceneFolder);

// Writes the document to fileName atomically; false with the reason in error,
// any old file left intact.
bool Write(const TSceneDocument& doc, const QString& fileName, QString& error);

// Fills doc from fileName. False with the reason in error when nothing could be
// read (the document is then unchanged); otherwise true, with what had to be
// left out listed in skipped.
bool Read(TSceneDocument& doc, const QString& fileName, QString& error, QStringList& skipped);

// Fills doc from the file's text, as Read does; fileName names the file in
// messages and sceneFolder resolves relative paths.
bool ReadText(TSceneDocument& doc, const QByteArray& text, const QString& fileName,
              const QString& sceneFolder, QString& error, QStringList& skipped);

} // namespace scenefile
