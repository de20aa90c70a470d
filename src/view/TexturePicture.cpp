// SPDX-License-Identifier: GPL-3.0-or-later
#include "TexturePicture.h"

#include "FileText.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <stdexcept>
#include <unistd.h>

int PowerOfTwoAtMost(int n)
{
    int p = 1;
    while (p <= n / 2)
        p *= 2;
    return p;
}

QSize TextureSizeFor(QSize picture, int maxTextureSize, qint64 byteLimit)
{
    const int limit = PowerOfTwoAtMost(std::max(maxTextureSize, 1));
    QSize size(std::min(PowerOfTwoAtMost(picture.width()), limit),
               std::min(PowerOfTwoAtMost(picture.height()), limit));
    // Four bytes a pixel while the picture is decoded; halve the longer side
    // until that fits the reader's allocation limit.
    while (byteLimit > 0 && qint64(size.width()) * size.height() * 4 > byteLimit) {
        if (size.width() >= size.height())
            size.setWidth(size.width() / 2);
        else
            size.setHeight(size.height() / 2);
    }
    return size;
}

QImage ReadTexturePicture(const QString& fileName, int maxTextureSize)
{
    // Only a regular file of bounded size is read: a named pipe would block
    // the reader for ever.
    std::uint64_t bytes = 0;
    std::string problem;
    const int fd =
        OpenRegularFile(QFile::encodeName(fileName).toStdString(), kMaxPictureFileBytes, bytes, problem);
    if (fd < 0)
        throw std::runtime_error(QStringLiteral("Could not read the picture: %1")
                                     .arg(QFile::decodeName(QByteArray::fromStdString(problem)))
                                     .toStdString());
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw std::runtime_error(QStringLiteral("Could not read the picture in %1: %2")
                                     .arg(fileName, file.errorString())
                                     .toStdString());
    }
    // The name's extension is the hint a reader given the name would take.
    QImageReader reader(&file, QFileInfo(fileName).suffix().toLower().toLatin1());
    const QSize picture = reader.size();
    const qint64 byteLimit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (picture.width() > 0 && picture.height() > 0) {
        if (reader.supportsOption(QImageIOHandler::ScaledSize)) {
            // A picture larger than its texture is scaled while it is decoded,
            // so it never has to fit in memory whole (a phone's photo would
            // exceed the reader's allocation limit).
            const QSize target = TextureSizeFor(picture, maxTextureSize, byteLimit);
            if (target != picture)
                reader.setScaledSize(target);
        } else if (byteLimit > 0 && qint64(picture.width()) * picture.height() * 4 > byteLimit) {
            throw std::runtime_error(
                QStringLiteral("The picture in %1 is %2 x %3 pixels, too large to read in its format; "
                               "save it as PNG or JPEG to make a texture of it")
                    .arg(fileName)
                    .arg(picture.width())
                    .arg(picture.height())
                    .toStdString());
        }
    }
    QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error(QStringLiteral("Could not read the picture in %1: %2")
                                     .arg(fileName, reader.errorString())
                                     .toStdString());
    return image;
}
