// Draws the program's SVG icon as PNG files of the sizes given, for the icon theme:
//   icon_bitmaps <icon.svg> <folder> <name> <size>...
// writes <folder>/<size>x<size>/<name>.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 5) {
        std::fprintf(stderr, "usage: icon_bitmaps <icon.svg> <folder> <name> <size>...\n");
        return 2;
    }
    QSvgRenderer drawing(arguments[1]);
    if (!drawing.isValid()) {
        std::fprintf(stderr, "icon_bitmaps: cannot read %s\n", qPrintable(arguments[1]));
        return 1;
    }
    for (const QString& given : arguments.mid(4)) {
        const int size = given.toInt();
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            drawing.render(&painter, QRectF(0, 0, size, size));
        }
        const QDir folder(arguments[2] + QStringLiteral("/%1x%1").arg(size));
        const QString file = folder.filePath(arguments[3] + QStringLiteral(".png"));
        if (!QDir().mkpath(folder.path()) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "icon_bitmaps: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
