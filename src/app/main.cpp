#include "Messages.h"
#include "Startup.h"
#include "TfrmPlot.h"

#include <QApplication>

#include <cstdio>
#include <exception>

int main(int argc, char* argv[])
{
    ConfigureOpenGL();
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(corvane::ApplicationTitle());
    try {
        // Every argument names a file to open (a scene or a coordinate file).
        RunApplication(3000, QApplication::arguments().mid(1));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "corvane: unknown error\n");
    }
    DestroySplash();
    return 0;
}
