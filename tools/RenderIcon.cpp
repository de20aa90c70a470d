// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: renders the program's SVG icon as a square PNG of the sizes
// given, for the desktop's icon theme.
//   corvane-render-icon INPUT.svg OUTPUT_FOLDER SIZE...
// writes OUTPUT_FOLDER/SIZExSIZE.png for each size.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fputs("usage: corvane-render-icon INPUT.svg OUTPUT_FOLDER SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "corvane-render-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "corvane-render-icon: cannot create %s\n", argv[2]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size < 1 || size > 4096) {
            std::fprintf(stderr, "corvane-render-icon: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString file = out.filePath(QStringLiteral("%1x%1.png").arg(size));
        if (!image.save(file)) {
            std::fprintf(stderr, "corvane-render-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
