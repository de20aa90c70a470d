// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the scene file reader: an input is the text of a scene file.
// Whatever the reader accepts is drawn (into the null device) and written
// again, so that every value it let through is used.
#include "GlDevice.h"
#include "SceneFile.h"
#include "TGLObject.h"
#include "TSceneDocument.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_scene";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    gl::ScopedDevice none(gl::nullDevice());

    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TSceneDocument doc;
    QString error;
    QStringList skipped;
    // Relative mesh and picture paths resolve in a folder that holds nothing.
    if (scenefile::ReadText(doc, text, QStringLiteral("fuzz.cvs"), QStringLiteral("/nonexistent"), error,
                            skipped)) {
        for (TGLObject* obj : doc.Objects())
            obj->Draw(GL_RENDER);
        (void)scenefile::ToText(doc, QStringLiteral("/nonexistent"));
        doc.DeleteAll(QStringLiteral("Delete All"));
        doc.Undo();
    }
    return 0;
}
