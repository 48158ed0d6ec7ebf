#include "ui/TrayIcons.h"

#include <QPainter>
#include <algorithm>

namespace vexrem {

namespace {

struct Palette {
    QColor background; // transparent for the full-colour set
    QColor housing;
    QColor outline;
    QColor lit[3]; // red, yellow, green
    QColor dim[3];
};

const Palette& FullColours() {
    static const Palette p{QColor(0, 0, 0, 0),
                           QColor(48, 48, 52),
                           QColor(12, 12, 14),
                           {QColor(255, 48, 40), QColor(255, 214, 0), QColor(40, 220, 60)},
                           {QColor(96, 28, 24), QColor(96, 84, 16), QColor(22, 84, 30)}};
    return p;
}

// Only web-palette levels (0, 51, 102, 153, 204, 255) and the standard greys,
// and no transparency: displays with few colours show these faithfully.
const Palette& ReducedColours() {
    static const Palette p{QColor(192, 192, 192),
                           QColor(51, 51, 51),
                           QColor(0, 0, 0),
                           {QColor(255, 0, 0), QColor(255, 255, 0), QColor(0, 255, 0)},
                           {QColor(128, 0, 0), QColor(102, 102, 0), QColor(0, 102, 0)}};
    return p;
}

// Which lamp (0 = top/red, 1 = middle/yellow, 2 = bottom/green) a motif lights.
int LitLamp(int index) {
    switch (index) {
    case TrayImageGreen:
        return 2;
    case TrayImageYellow:
        return 1;
    case TrayImageRed:
        return 0;
    default:
        return -1;
    }
}

} // namespace

QPixmap TrayImageSet::Pixmap(int index, int size) const {
    size = std::max(size, 8);
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(reduced_ ? ReducedColours().background : FullColours().background);
    QPainter p(&img);
    Paint(p, index, size);
    p.end();
    return QPixmap::fromImage(img);
}

void TrayImageSet::Paint(QPainter& p, int index, int size) const {
    index = std::clamp(index, 0, Count - 1);
    size = std::max(size, 8);
    const Palette& pal = reduced_ ? ReducedColours() : FullColours();

    p.save();
    // The few-colour set must not invent blended colours at the edges.
    p.setRenderHint(QPainter::Antialiasing, !reduced_);

    // An upright housing half as wide as high, filling the height.
    const qreal h = size;
    const qreal w = size / 2.0;
    const QRectF housing((size - w) / 2.0, 0, w, h);
    const qreal edge = std::max<qreal>(1.0, size / 16.0);
    p.setPen(Qt::NoPen);
    p.setBrush(pal.outline);
    p.drawRoundedRect(housing, w / 4, w / 4);
    p.setBrush(pal.housing);
    p.drawRoundedRect(housing.adjusted(edge, edge, -edge, -edge), w / 5, w / 5);

    const int lit = LitLamp(index);
    const qreal slot = (h - 2 * edge) / 3.0;
    const qreal d = std::min(w - 2.5 * edge, slot - edge);
    for (int lamp = 0; lamp < 3; ++lamp) {
        const qreal cy = edge + slot * lamp + slot / 2.0;
        const QRectF r(size / 2.0 - d / 2.0, cy - d / 2.0, d, d);
        p.setBrush(lamp == lit ? pal.lit[lamp] : pal.dim[lamp]);
        p.drawEllipse(r);
    }
    p.restore();
}

QIcon TrayImageSet::Icon(int index) const {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        icon.addPixmap(Pixmap(index, size));
    }
    return icon;
}

} // namespace vexrem
