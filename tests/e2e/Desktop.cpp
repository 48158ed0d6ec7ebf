#include "Desktop.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace vexrem::e2e {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kTrayHeight = 32;

std::string AreaText(const Rect& r) {
    return std::to_string(r.width) + "x" + std::to_string(r.height) + "+" + std::to_string(r.x) +
           "+" + std::to_string(r.y);
}

// The value of KEY=value in xdotool's --shell output.
std::optional<int> ShellValue(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) == 0) {
            try {
                return std::stoi(line.substr(key.size() + 1));
            } catch (const std::exception&) {
                return std::nullopt;
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

} // namespace

Rgb Image::At(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

std::optional<Image> ParsePpm(const std::string& bytes) {
    // "P6" width height maxval, one whitespace, then the samples: one byte
    // each up to maxval 255, two (big-endian) above.
    std::size_t pos = 0;
    auto token = [&]() -> std::string {
        while (pos < bytes.size()) {
            if (bytes[pos] == '#') {
                while (pos < bytes.size() && bytes[pos] != '\n') {
                    ++pos;
                }
            } else if (std::isspace(static_cast<unsigned char>(bytes[pos])) != 0) {
                ++pos;
            } else {
                break;
            }
        }
        const std::size_t begin = pos;
        while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos])) == 0) {
            ++pos;
        }
        return bytes.substr(begin, pos - begin);
    };
    if (token() != "P6") {
        return std::nullopt;
    }
    Image image;
    int maxval = 0;
    try {
        image.width = std::stoi(token());
        image.height = std::stoi(token());
        maxval = std::stoi(token());
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (maxval != 255 && maxval != 65535) {
        return std::nullopt;
    }
    ++pos; // the single whitespace before the data
    const std::size_t samples = static_cast<std::size_t>(image.width) * image.height * 3;
    const std::size_t step = maxval == 255 ? 1 : 2;
    if (image.width <= 0 || image.height <= 0 || bytes.size() < pos + samples * step) {
        return std::nullopt;
    }
    image.rgb.resize(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        image.rgb[i] = static_cast<std::uint8_t>(bytes[pos + i * step]);
    }
    return image;
}

ColourSpot FindColour(const Image& image, Rgb colour, int tolerance) {
    ColourSpot spot;
    long sumX = 0;
    long sumY = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb p = image.At(x, y);
            if (std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
                std::abs(p.b - colour.b) <= tolerance) {
                ++spot.count;
                sumX += x;
                sumY += y;
            }
        }
    }
    if (spot.count > 0) {
        spot.centreX = static_cast<int>(sumX / spot.count);
        spot.centreY = static_cast<int>(sumY / spot.count);
    }
    return spot;
}

Desktop::Desktop(bool withTrayer) {
    for (const char* tool : {"Xvfb", "trayer", "xdotool", "import"}) {
        if ((withTrayer || std::string(tool) != "trayer") && !InPath(tool)) {
            problem_ = std::string(tool) + " is not installed (scripts/setup installs it)";
            return;
        }
    }
    // -displayfd: Xvfb picks a free display and tells its number when it
    // accepts connections, so parallel runs never collide.
    const std::string screen =
        std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24";
    xvfb_ = std::make_unique<Process>(std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen",
                                                               "0", screen, "-nolisten", "tcp",
                                                               "-br", "-noreset"},
                                      CurrentEnvironment(), true);
    const auto number = xvfb_->ReadLine(30s);
    if (!number || number->empty()) {
        problem_ = "Xvfb did not start";
        return;
    }
    display_ = ":" + *number;
    if (!withTrayer) {
        ready_ = true;
        return;
    }

    trayer_ = std::make_unique<Process>(
        std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype",
                                 "request", "--height", std::to_string(kTrayHeight),
                                 "--transparent", "false", "--tint", "0xd0d0d0", "--SetDockType",
                                 "true"},
        ClientEnvironment());
    const auto deadline = Clock::now() + 30s;
    while (Clock::now() < deadline && trayer_->Running()) {
        if (TrayArea()) {
            ready_ = true;
            return;
        }
        std::this_thread::sleep_for(100ms);
    }
    problem_ = "trayer did not show its panel on " + display_;
}

Desktop::~Desktop() {
    if (trayer_) {
        trayer_->Signal(SIGTERM);
        trayer_->WaitExit(5s);
    }
    if (xvfb_) {
        xvfb_->Signal(SIGTERM);
        xvfb_->WaitExit(5s);
    }
}

Environment Desktop::ClientEnvironment() const {
    Environment env = CurrentEnvironment();
    env["DISPLAY"] = display_;
    env.erase("WAYLAND_DISPLAY");
    env.erase("XAUTHORITY");
    return env;
}

std::optional<Rect> Desktop::Geometry(const std::string& windowId) const {
    const RunResult r =
        Run({"xdotool", "getwindowgeometry", "--shell", windowId}, ClientEnvironment());
    if (r.exitCode != 0) {
        return std::nullopt;
    }
    const auto x = ShellValue(r.out, "X");
    const auto y = ShellValue(r.out, "Y");
    const auto w = ShellValue(r.out, "WIDTH");
    const auto h = ShellValue(r.out, "HEIGHT");
    if (!x || !y || !w || !h) {
        return std::nullopt;
    }
    return Rect{*x, *y, *w, *h};
}

std::optional<Rect> Desktop::TrayArea() const {
    // trayer has a few windows; the panel is the one along the top edge.
    const RunResult r =
        Run({"xdotool", "search", "--onlyvisible", "--class", "trayer"}, ClientEnvironment());
    std::optional<Rect> best;
    for (const auto& id : Lines(r.out)) {
        const auto g = Geometry(id);
        if (g && g->y == 0 && g->height >= kTrayHeight / 2 &&
            (!best || g->width * g->height > best->width * best->height)) {
            best = g;
        }
    }
    return best;
}

std::optional<Image> Desktop::Capture(const Rect& area) const {
    const RunResult r =
        Run({"import", "-silent", "-window", "root", "-depth", "8", "ppm:-"}, ClientEnvironment());
    auto screen = ParsePpm(r.out);
    if (r.exitCode != 0 || !screen) {
        return std::nullopt;
    }
    const int x0 = std::clamp(area.x, 0, screen->width);
    const int y0 = std::clamp(area.y, 0, screen->height);
    const int x1 = std::clamp(area.x + area.width, x0, screen->width);
    const int y1 = std::clamp(area.y + area.height, y0, screen->height);
    Image part;
    part.width = x1 - x0;
    part.height = y1 - y0;
    for (int y = y0; y < y1; ++y) {
        const auto row =
            screen->rgb.begin() + (static_cast<std::ptrdiff_t>(y) * screen->width + x0) * 3;
        part.rgb.insert(part.rgb.end(), row, row + static_cast<std::ptrdiff_t>(part.width) * 3);
    }
    return part;
}

bool Desktop::SaveCapture(const Rect& area, const std::string& file, int scalePercent) const {
    std::vector<std::string> argv{"import", "-silent",      "-window", "root",
                                  "-crop",  AreaText(area), "+repage"};
    if (scalePercent != 100) {
        // Whole pixels, no smoothing: the lamps keep their colours.
        argv.insert(argv.end(),
                    {"-filter", "Point", "-resize", std::to_string(scalePercent) + "%"});
    }
    argv.push_back(file);
    return Run(argv, ClientEnvironment()).exitCode == 0;
}

std::vector<std::string> Desktop::VisibleWindows(const std::string& by,
                                                 const std::string& pattern) const {
    return Lines(Run({"xdotool", "search", "--onlyvisible", by, pattern}, ClientEnvironment()).out);
}

std::vector<Rect> Desktop::LargeWindows(const std::string& by, const std::string& pattern,
                                        int minWidth, int minHeight) const {
    std::vector<Rect> found;
    for (const auto& id : VisibleWindows(by, pattern)) {
        const auto g = Geometry(id);
        if (g && g->width >= minWidth && g->height >= minHeight) {
            found.push_back(*g);
        }
    }
    return found;
}

bool Desktop::Keys(const std::vector<std::string>& keys) const {
    std::vector<std::string> argv{"xdotool", "key", "--delay", "100"};
    argv.insert(argv.end(), keys.begin(), keys.end());
    return Run(argv, ClientEnvironment()).exitCode == 0;
}

bool Desktop::Click(int x, int y, int button) const {
    return Run({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "sleep", "0.2",
                "click", std::to_string(button)},
               ClientEnvironment())
               .exitCode == 0;
}

} // namespace vexrem::e2e
