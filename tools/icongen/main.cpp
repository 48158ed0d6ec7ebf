// Writes the installed application icon (the traffic light with its green
// lamp lit) as SVG and as PNGs of the given sizes, drawn by the same code as
// the tray icon, so the menu icon can never drift from what the tray shows.
//   vexrem-icongen OUTDIR NAME SIZE...
// gives OUTDIR/scalable/NAME.svg and OUTDIR/<n>x<n>/NAME.png for each size;
//   vexrem-icongen --ico FILE SIZE...
// gives the Windows icon file with one PNG image per size.

#include "ui/TrayIcons.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kSvgSize = 256;

bool WriteSvg(const vexrem::TrayImageSet& set, const QString& file) {
    QSvgGenerator svg;
    svg.setFileName(file);
    svg.setSize(QSize(kSvgSize, kSvgSize));
    svg.setViewBox(QRect(0, 0, kSvgSize, kSvgSize));
    svg.setTitle(QStringLiteral("VexelReminder"));
    QPainter p;
    if (!p.begin(&svg)) {
        return false;
    }
    set.Paint(p, vexrem::TrayImageGreen, kSvgSize);
    return p.end();
}

bool WritePng(const vexrem::TrayImageSet& set, int size, const QString& file) {
    return set.Pixmap(vexrem::TrayImageGreen, size).toImage().save(file, "PNG");
}

// An .ico file whose images are PNGs (read by Windows since Vista), one per
// size; sizes from 8 to 256.
bool WriteIco(const vexrem::TrayImageSet& set, const QList<int>& sizes, const QString& file) {
    QList<QByteArray> images;
    for (int size : sizes) {
        if (size < 8 || size > 256) {
            return false;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!set.Pixmap(vexrem::TrayImageGreen, size).toImage().save(&buffer, "PNG")) {
            return false;
        }
        images.append(png);
    }
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    QDataStream ds(&out);
    ds.setByteOrder(QDataStream::LittleEndian);
    ds << quint16(0) << quint16(1) << quint16(images.size()); // reserved, icon, count
    quint32 offset = 6 + 16 * quint32(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const quint8 side = sizes[i] == 256 ? 0 : quint8(sizes[i]); // 0 means 256
        ds << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
           << quint32(images[i].size()) << offset;
        offset += quint32(images[i].size());
    }
    for (const QByteArray& png : images) {
        ds.writeRawData(png.constData(), int(png.size()));
    }
    return ds.status() == QDataStream::Ok && out.flush();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTDIR NAME SIZE...\n       %s --ico FILE SIZE...\n",
                     argv[0], argv[0]);
        return 2;
    }
    // Drawing needs a GUI application, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (std::strcmp(argv[1], "--ico") == 0) {
        QList<int> sizes;
        for (int i = 3; i < argc; ++i) {
            sizes.append(std::atoi(argv[i]));
        }
        if (!WriteIco(vexrem::TrayImageSet(false), sizes, QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "icongen: cannot write the icon file\n");
            return 1;
        }
        return 0;
    }

    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    const vexrem::TrayImageSet set(false);

    if (!out.mkpath(QStringLiteral("scalable")) ||
        !WriteSvg(set, out.filePath(QStringLiteral("scalable/") + name + QStringLiteral(".svg")))) {
        std::fprintf(stderr, "icongen: cannot write the SVG icon\n");
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString dir = QStringLiteral("%1x%1").arg(size);
        if (size < 8 || !out.mkpath(dir) ||
            !WritePng(set, size,
                      out.filePath(dir + QLatin1Char('/') + name + QStringLiteral(".png")))) {
            std::fprintf(stderr, "icongen: cannot write the %s px icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
