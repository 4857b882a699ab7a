// Build tool: writes the window's icon, drawn in code, as DIR/NxN/fenrow.png in
// the sizes desktops look for, so that the install ships the same picture.
#include "app/qt/widgets.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: icon_render DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QIcon icon = fenrow::app_icon();
    for (int size : fenrow::app_icon_sizes) {
        const QString dir = QStringLiteral("%1/%2x%2").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(dir) || !icon.pixmap(size, size).save(dir + QStringLiteral("/fenrow.png"))) {
            std::fprintf(stderr, "icon_render: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
