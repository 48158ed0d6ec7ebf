#pragma once
// The traffic-light images of the tray icon: two sets of four motifs (dark,
// green lit, yellow lit, red lit). Each motif is drawn for the size asked for,
// so HiDPI trays get a sharp light instead of a scaled 16 x 16 bitmap.

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace vexrem {

enum TrayImage : int {
    TrayImageDark = 0,
    TrayImageGreen = 1,
    TrayImageYellow = 2,
    TrayImageRed = 3,
};

class TrayImageSet {
public:
    // reducedColors: the few-colour set without transparency (ImageIcons16);
    // otherwise the full-colour set with transparency (ImageIcons).
    explicit TrayImageSet(bool reducedColors) : reduced_(reducedColors) {}

    bool Reduced() const { return reduced_; }
    static constexpr int Count = 4;

    // The motif at index (an index beyond the set shows its last image).
    QPixmap Pixmap(int index, int size = 16) const;
    // Draws the motif into a size x size square at the painter's origin, on
    // any paint device (the installed icons are drawn with it too).
    void Paint(QPainter& painter, int index, int size) const;
    // All common tray sizes of one motif in one icon.
    QIcon Icon(int index) const;

private:
    bool reduced_;
};

} // namespace vexrem
