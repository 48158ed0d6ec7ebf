#include "ui/TrayIcons.h"

#include <QImage>
#include <gtest/gtest.h>
#include <set>

namespace vexrem {
namespace {

// Centre pixel of each lamp (top, middle, bottom) of a motif.
QColor Lamp(const QImage& img, int lamp) {
    const int y = img.height() * (1 + 2 * lamp) / 6;
    return img.pixelColor(img.width() / 2, y);
}

bool Bright(const QColor& c) {
    return std::max({c.red(), c.green(), c.blue()}) >= 200;
}

struct MotifCase {
    int index;
    int litLamp; // -1: none
};

class TrayMotifs : public ::testing::TestWithParam<std::tuple<bool, int>> {};

TEST_P(TrayMotifs, LightExactlyTheirLampAtEverySize) {
    const auto [reduced, size] = GetParam();
    const TrayImageSet set(reduced);
    for (const MotifCase m : {MotifCase{TrayImageDark, -1}, MotifCase{TrayImageGreen, 2},
                              MotifCase{TrayImageYellow, 1}, MotifCase{TrayImageRed, 0}}) {
        const QImage img = set.Pixmap(m.index, size).toImage();
        ASSERT_EQ(img.width(), size);
        for (int lamp = 0; lamp < 3; ++lamp) {
            EXPECT_EQ(Bright(Lamp(img, lamp)), lamp == m.litLamp)
                << "index " << m.index << " lamp " << lamp << " size " << size;
        }
    }
    // Lamp colours: red on top, yellow in the middle, green at the bottom.
    const QColor red = Lamp(set.Pixmap(TrayImageRed, size).toImage(), 0);
    const QColor yellow = Lamp(set.Pixmap(TrayImageYellow, size).toImage(), 1);
    const QColor green = Lamp(set.Pixmap(TrayImageGreen, size).toImage(), 2);
    EXPECT_GT(red.red(), 200);
    EXPECT_LT(red.green(), 100);
    EXPECT_GT(yellow.red(), 200);
    EXPECT_GT(yellow.green(), 200);
    EXPECT_LT(yellow.blue(), 100);
    EXPECT_GT(green.green(), 200);
    EXPECT_LT(green.red(), 100);
}

INSTANTIATE_TEST_SUITE_P(BothSets, TrayMotifs,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(16, 22, 32, 64)));

TEST(TrayImageSet, FullColourSetIsTransparentAroundTheLight) {
    const QImage img = TrayImageSet(false).Pixmap(TrayImageGreen).toImage();
    EXPECT_EQ(img.pixelColor(0, 8).alpha(), 0);
    EXPECT_EQ(img.pixelColor(15, 8).alpha(), 0);
}

TEST(TrayImageSet, ReducedSetIsOpaqueAndUsesFewColours) {
    std::set<QRgb> colours;
    for (int index = 0; index < TrayImageSet::Count; ++index) {
        const QImage img = TrayImageSet(true).Pixmap(index).toImage();
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                EXPECT_EQ(c.alpha(), 255);
                colours.insert(c.rgb());
            }
        }
    }
    EXPECT_LE(colours.size(), 12u);
}

TEST(TrayImageSet, IndexBeyondTheSetShowsTheLastImage) {
    const TrayImageSet set(false);
    EXPECT_EQ(set.Pixmap(7).toImage(), set.Pixmap(TrayImageRed).toImage());
    EXPECT_FALSE(set.Icon(TrayImageGreen).availableSizes().isEmpty());
}

} // namespace
} // namespace vexrem
