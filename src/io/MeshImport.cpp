// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshImport.h"

#include "CoordFile.h"
#include "MeshImportProcess.h"
#include "MeshImportWire.h"
#include "TGLPolyObject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <assimp/cimport.h>
#include <assimp/importerdesc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace meshio {
namespace {

const char* const kHelperName = "corvane-import";

std::uint64_t DefaultHelperMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    constexpr std::uint64_t kMax = std::uint64_t(4) << 30;
    if (pages <= 0 || pageSize <= 0)
        return kMax;
    return std::min(kMax, std::uint64_t(pages) * std::uint64_t(pageSize) / 4);
}

bool IsExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

std::vector<std::unique_ptr<TGLPolyObject>> ImportPair(const QString& fileName,
                                                       const MessageFunction& message)
{
    std::vector<std::unique_ptr<TGLPolyObject>> objects;
    auto poly = std::make_unique<TGLPolyObject>();
    if (poly->LoadFromFile(QFile::encodeName(fileName).toStdString(), [&](const std::string& text) {
            message(QFile::decodeName(QByteArray::fromStdString(text)));
        }))
        objects.push_back(std::move(poly));
    return objects;
}

std::vector<std::unique_ptr<TGLPolyObject>>
ImportThroughLibrary(const QString& fileName, const MessageFunction& message, const ImportOptions& options)
{
    auto fail = [&](const QString& reason) {
        message(QStringLiteral("Could not load %1: %2").arg(fileName, reason));
        return std::vector<std::unique_ptr<TGLPolyObject>>();
    };
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return fail(QStringLiteral("the file does not exist"));
    if (!S_ISREG(info.st_mode))
        return fail(QStringLiteral("it is not a regular file"));
    if (info.st_size == 0)
        return fail(QStringLiteral("the file is empty"));

    const std::size_t memoryLimit =
        options.memoryLimit ? options.memoryLimit : coordfile::DefaultMemoryLimit();
    const std::uint64_t helperMemory = options.helperMemory ? options.helperMemory : DefaultHelperMemory();
    const double seconds =
        options.timeLimit > 0 ? options.timeLimit : 10 + static_cast<double>(info.st_size) / 1e6;
    const QString helper = options.helper.isEmpty() ? ImportHelper() : options.helper;
    if (helper.isEmpty())
        return fail(QStringLiteral("the import helper %1 is not installed beside the program")
                        .arg(QLatin1String(kHelperName)));

    // The helper's processor time is limited too, should the program end
    // before it does.
    const QStringList arguments{QStringLiteral("--memory"),
                                QString::number(memoryLimit),
                                QStringLiteral("--address-space"),
                                QString::number(helperMemory),
                                QStringLiteral("--seconds"),
                                QString::number(std::ceil(seconds) + 1),
                                QStringLiteral("--"),
                                fileName};
    const HelperRun run = RunHelper(helper, arguments, seconds, memoryLimit / 2 + 4096);
    if (!run.startError.isEmpty())
        return fail(
            QStringLiteral("the import helper %1 could not be started (%2)").arg(helper, run.startError));
    if (run.tooLarge)
        return fail(QStringLiteral("it is too large to load"));
    if (!run.failure.isEmpty())
        return fail(QStringLiteral("the reader failed (%1)").arg(run.failure));

    meshwire::Reply reply;
    std::string error;
    try {
        error = meshwire::Decode(run.reply.Data(), run.size, memoryLimit / 2, reply);
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("it is too large to load"));
    }
    if (!error.empty())
        return fail(
            QStringLiteral("the reader failed (sent malformed data: %1)").arg(QString::fromStdString(error)));
    if (!reply.ok)
        return fail(QString::fromUtf8(reply.reason.data(), static_cast<int>(reply.reason.size())));

    std::vector<std::unique_ptr<TGLPolyObject>> objects;
    try {
        for (coordfile::Mesh& mesh : reply.meshes) {
            auto poly = std::make_unique<TGLPolyObject>();
            poly->SetMesh(std::move(mesh));
            objects.push_back(std::move(poly));
        }
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("it is too large to load"));
    }
    return objects;
}

} // namespace

bool IsCoordinateFile(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    if (suffix.compare(QLatin1String("coor"), Qt::CaseInsensitive) == 0)
        return true;
    if (!suffix.isEmpty() && aiIsExtensionSupported(("." + suffix.toLower()).toUtf8().constData()))
        return false;
    // Any other file with a face file beside it has always been read as a
    // coordinate file.
    return QFileInfo::exists(QFile::decodeName(
        QByteArray::fromStdString(coordfile::FaceFileName(QFile::encodeName(fileName).toStdString()))));
}

std::vector<std::unique_ptr<TGLPolyObject>> ImportMeshes(const QString& fileName,
                                                         const MessageFunction& message)
{
    return ImportMeshes(fileName, message, coordfile::DefaultMemoryLimit());
}

std::vector<std::unique_ptr<TGLPolyObject>>
ImportMeshes(const QString& fileName, const MessageFunction& message, std::size_t memoryLimit)
{
    ImportOptions options;
    options.memoryLimit = memoryLimit;
    return ImportMeshes(fileName, message, options);
}

std::vector<std::unique_ptr<TGLPolyObject>>
ImportMeshes(const QString& fileName, const MessageFunction& message, const ImportOptions& options)
{
    if (IsCoordinateFile(fileName))
        return ImportPair(fileName, message);
    return ImportThroughLibrary(fileName, message, options);
}

QString ImportHelper()
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString dir = QFileInfo(self.canonicalFilePath()).absolutePath();
    for (const QString& candidate :
         {dir + QLatin1Char('/') + QLatin1String(kHelperName),
          QDir::cleanPath(dir + QStringLiteral("/../lib/corvane/") + QLatin1String(kHelperName))})
        if (IsExecutableFile(candidate))
            return candidate;
#ifdef CORVANE_BUILD_TREE
    // Tests, benchmarks and tools of the build tree use the helper built there.
    const QString tree = QDir(QStringLiteral(CORVANE_BUILD_TREE)).canonicalPath();
    if (!tree.isEmpty() && (dir == tree || dir.startsWith(tree + QLatin1Char('/'))) &&
        IsExecutableFile(QStringLiteral(CORVANE_BUILD_TREE_HELPER)))
        return QStringLiteral(CORVANE_BUILD_TREE_HELPER);
#endif
    return {};
}

QStringList ImportFilters()
{
    // Format name -> its patterns; names made plain ("... Importer" dropped).
    std::map<QString, QStringList> formats;
    QStringList all{QStringLiteral("*.coor")};
    for (std::size_t i = 0; i < aiGetImportFormatCount(); ++i) {
        const aiImporterDesc* desc = aiGetImportFormatDescription(i);
        if (!desc || !desc->mName || !desc->mFileExtensions)
            continue;
        QString name = QString::fromUtf8(desc->mName).simplified();
        for (const char* suffix : {" Importer", " importer", " Reader", " reader", " Loader", " loader"})
            if (name.endsWith(QLatin1String(suffix)))
                name.chop(static_cast<int>(std::strlen(suffix)));
        QStringList& patterns = formats[name];
        for (const QString& ext :
             QString::fromUtf8(desc->mFileExtensions).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString pattern = QStringLiteral("*.") + ext.toLower();
            if (!patterns.contains(pattern))
                patterns << pattern;
            if (!all.contains(pattern))
                all << pattern;
        }
    }
    QStringList filters;
    filters << QStringLiteral("All meshes (%1)").arg(all.join(QLatin1Char(' ')));
    filters << QStringLiteral("Coordinate and face files (*.coor)");
    for (const auto& [name, patterns] : formats)
        if (!patterns.isEmpty())
            filters << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    return filters;
}

} // namespace meshio
