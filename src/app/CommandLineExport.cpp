// SPDX-License-Identifier: GPL-3.0-or-later
// `corvane --export FILE OUT`: a scene or mesh converted without a window.
#include "CommandLine.h"

#include "MeshExport.h"
#include "MeshImport.h"
#include "SceneFile.h"
#include "TGLPolyObject.h"
#include "TSceneDocument.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

void Say(const QString& text) { std::fprintf(stderr, "corvane: %s\n", text.toLocal8Bit().constData()); }

// The document's host when there is no window: OpenGL calls go nowhere and
// textures are not made (an export does not write them).
class HeadlessHost final : public TSceneHost {
public:
    std::unique_ptr<TContextToken> EnterContext() override { return std::make_unique<NullContext>(); }
    void ShowMessage(const QString& text) override { Say(text); }
    GLuint LoadTexture(const QString&) override { return 0; }

private:
    class NullContext final : public TContextToken {
    public:
        NullContext() : FScope(gl::nullDevice()) {}

    private:
        gl::ScopedDevice FScope;
    };
};

// The export format OUT's extension names, if it names one.
bool FormatOf(const QString& outName, meshio::ExportFormat& format)
{
    const QString suffix = QFileInfo(outName).suffix().toLower();
    for (const QString& known :
         {QStringLiteral("coor"), QStringLiteral("obj"), QStringLiteral("stl"), QStringLiteral("ply")})
        if (suffix == known) {
            format = meshio::ExportFormatFor(QString(), outName);
            return true;
        }
    return false;
}

} // namespace

int RunExport(const QString& fileName, const QString& outName)
{
    meshio::ExportFormat format = meshio::ExportFormat::Pair;
    if (!FormatOf(outName, format)) {
        Say(QStringLiteral(
                "cannot tell the format to write %1 in: give it the extension .obj, .stl, .ply or .coor")
                .arg(outName));
        return 2;
    }
    const QFileInfo info(fileName);
    if (info.isDir()) {
        Say(QStringLiteral("Cannot open %1: it is a folder").arg(fileName));
        return 1;
    }
    if (!info.isFile()) {
        Say(QStringLiteral("Cannot open %1: there is no such file").arg(fileName));
        return 1;
    }

    HeadlessHost host;
    TSceneDocument document;
    document.SetHost(&host);
    std::vector<std::unique_ptr<TGLPolyObject>> meshes;
    std::vector<TGLObject*> objects;
    if (info.suffix().compare(scenefile::Extension(), Qt::CaseInsensitive) == 0) {
        QString error;
        QStringList skipped;
        if (!document.Load(fileName, error, skipped)) {
            Say(error);
            return 1;
        }
        if (!skipped.isEmpty())
            Say(QStringLiteral("some of %1 could not be loaded and is not written:\n  %2")
                    .arg(fileName, skipped.join(QStringLiteral("\n  "))));
        objects = document.Objects();
    } else if (meshio::IsCoordinateFile(fileName)) {
        auto poly = std::make_unique<TGLPolyObject>();
        if (!poly->LoadFromFile(QFile::encodeName(fileName).toStdString(), [](const std::string& text) {
                Say(QFile::decodeName(QByteArray::fromStdString(text)));
            }))
            return 1;
        meshes.push_back(std::move(poly));
    } else {
        meshes = meshio::ImportMeshes(fileName, [](const QString& text) { Say(text); });
        if (meshes.empty())
            return 1;
    }
    for (const auto& mesh : meshes)
        objects.push_back(mesh.get());
    const QString error = meshio::ExportScene(objects, outName, format);
    if (!error.isEmpty()) {
        Say(error);
        return 1;
    }
    return 0;
}
