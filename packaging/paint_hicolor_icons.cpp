// Paints the installed program icon set: OUTPUT_DIRECTORY/<size>x<size>/apps/<NAME>.png for each size given
// (the build passes the hicolor sizes that the package fills). The pictures come from the painter of the
// committed icons in res/icons, so the menu shows the icon the windows show; they are made at build time
// instead of committed because only the installation uses them. The painter draws shapes only, no text, so no
// application object (and no display) is needed.

#include "game/qt/icon_painter.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fputs("usage: paint_hicolor_icons OUTPUT_DIRECTORY NAME SIZE...\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString file_name = QString::fromLocal8Bit(argv[2]) + QStringLiteral(".png");
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "paint_hicolor_icons: not a size: %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = out.filePath(folder + QLatin1Char('/') + file_name);
        if (!out.mkpath(folder) || !pyrandel::IconPainter::Paint(pyrandel::IconId::PROGRAM, size).save(path)) {
            std::fprintf(stderr, "paint_hicolor_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
