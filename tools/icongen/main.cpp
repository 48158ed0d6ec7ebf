// Writes the installed application icon (the traffic light with its green
// lamp lit) as SVG and as PNGs of the given sizes, drawn by the same code as
// the tray icon, so the menu icon can never drift from what the tray shows.
//   vexrem-icongen OUTDIR NAME SIZE...
// gives OUTDIR/scalable/NAME.svg and OUTDIR/<n>x<n>/NAME.png for each size.

#include "ui/TrayIcons.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>
#include <cstdlib>

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

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTDIR NAME SIZE...\n", argv[0]);
        return 2;
    }
    // Drawing needs a GUI application, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

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
