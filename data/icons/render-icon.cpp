// SPDX-License-Identifier: GPL-3.0-or-later
// Build helper: renders an SVG icon to a square PNG of the given size, so the
// PNG sizes of the icon theme come from the one drawing that is kept by hand.
//   kelvo_render_icon IN.svg OUT.png SIZE
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    // Paths and gradients only (no text), so no application object is needed.
    if (argc != 4) {
        std::fputs("usage: kelvo_render_icon IN.svg OUT.png SIZE\n", stderr);
        return 2;
    }
    bool ok = false;
    const int size = QByteArray(argv[3]).toInt(&ok);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!ok || size <= 0 || !renderer.isValid()) {
        std::fprintf(stderr, "kelvo_render_icon: cannot render %s at %s\n", argv[1], argv[3]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "kelvo_render_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
