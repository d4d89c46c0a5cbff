// Renders Tonwerk's icon (an SVG) into the PNG sizes of the desktop's icon theme, at build time.
// Usage: tonwerk-make-icons ICON.svg OUTPUT_FOLDER   (writes OUTPUT_FOLDER/NxN/apps/NAME.png)
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        static_cast<void>(std::fputs("usage: tonwerk-make-icons ICON.svg OUTPUT_FOLDER\n", stderr));
        return 2;
    }
    const QString svg = QString::fromLocal8Bit(argv[1]);
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        static_cast<void>(std::fprintf(stderr, "tonwerk-make-icons: cannot read %s\n", argv[1]));
        return 1;
    }
    const QString name = QFileInfo(svg).completeBaseName();
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        QDir().mkpath(folder);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!image.save(file)) {
            static_cast<void>(
                std::fprintf(stderr, "tonwerk-make-icons: cannot write %s\n", file.toLocal8Bit().constData()));
            return 1;
        }
    }
    return 0;
}
