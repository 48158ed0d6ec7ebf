#pragma once
// A virtual X screen with a tray host, and the few things the tests do with
// it: look at the tray, find a window, click.

#include "Process.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexrem::e2e {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

// A screen region's pixels (from a PPM image).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // width * height * 3

    Rgb At(int x, int y) const;
};

// Parses a binary PPM (P6, maxval 255); nothing on any other input.
std::optional<Image> ParsePpm(const std::string& bytes);

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Where pixels near a colour are, within an image.
struct ColourSpot {
    int count = 0;   // pixels within the tolerance
    int centreX = 0; // their mean position, in image coordinates
    int centreY = 0;
};
ColourSpot FindColour(const Image& image, Rgb colour, int tolerance);

class Desktop {
public:
    // Starts Xvfb on a free display and, with withTrayer, trayer on its top
    // edge. Check Ready().
    explicit Desktop(bool withTrayer = true);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    bool Ready() const { return ready_; }
    // Why it is not ready.
    const std::string& Problem() const { return problem_; }
    // ":N"
    const std::string& Display() const { return display_; }
    // The environment for X clients of this screen.
    Environment ClientEnvironment() const;

    // The tray host's panel on the screen, if it can be found.
    std::optional<Rect> TrayArea() const;
    // A picture of a part of the screen.
    std::optional<Image> Capture(const Rect& area) const;
    // Saves a part of the screen as an image file (format by extension).
    bool SaveCapture(const Rect& area, const std::string& file, int scalePercent = 100) const;
    // Ids of visible windows whose title (--name) or class name (--classname)
    // matches the pattern.
    std::vector<std::string> VisibleWindows(const std::string& by,
                                            const std::string& pattern) const;
    // Where a window is on the screen.
    std::optional<Rect> Geometry(const std::string& windowId) const;
    // The same, only those at least that large (the tray icon's window has
    // the program's name and class too).
    std::vector<Rect> LargeWindows(const std::string& by, const std::string& pattern, int minWidth,
                                   int minHeight) const;
    // A left (button 1) or right (3) click at a screen position.
    bool Click(int x, int y, int button = 1) const;
    // Key presses, in xdotool's names ("a", "Return").
    bool Keys(const std::vector<std::string>& keys) const;

private:
    std::unique_ptr<Process> xvfb_;
    std::unique_ptr<Process> trayer_;
    std::string display_;
    std::string problem_;
    bool ready_ = false;
};

} // namespace vexrem::e2e
