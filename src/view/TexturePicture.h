// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The largest power of two not greater than n (n itself when it is one; 1 for
// anything below 2).
int PowerOfTwoAtMost(int n);

// The size of the texture a picture of the given size becomes: powers of two
// no larger than the picture nor than maxTextureSize, halved further until the
// decoded picture (four bytes a pixel) fits byteLimit (no limit when 0).
QSize TextureSizeFor(QSize picture, int maxTextureSize, qint64 byteLimit);

// Picture files larger than this are refused before they are read.
constexpr qint64 kMaxPictureFileBytes = qint64(1) << 30;

// Reads a picture file for a texture. A picture larger than its texture is
// scaled to the texture's size while it is decoded (where its format allows),
// so that large photos need little memory. Only a regular file of at most
// kMaxPictureFileBytes is opened. Throws with a message naming the
// file when it cannot be read.
QImage ReadTexturePicture(const QString& fileName, int maxTextureSize);
