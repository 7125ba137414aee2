// Writes the committed icon pictures: res/icons/<name>.png at 32 pixels and <name>@2x.png at 64 pixels, for a
// device pixel ratio of 2. Run by the `icons` build target after a change to the painter; the output is
// committed.

#include "game/qt/icon_painter.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: paint_icons OUTPUT_DIRECTORY\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const pyrandel::IconId id : pyrandel::ALL_ICONS) {
        const QString name = pyrandel::IconFileName(id);
        if (!pyrandel::IconPainter::Paint(id, 32).save(out.filePath(name + QStringLiteral(".png"))) ||
            !pyrandel::IconPainter::Paint(id, 64).save(out.filePath(name + QStringLiteral("@2x.png")))) {
            std::fprintf(stderr, "paint_icons: cannot write %s\n", qPrintable(out.filePath(name)));
            return 1;
        }
    }
    return 0;
}
