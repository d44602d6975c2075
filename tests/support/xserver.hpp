// A private X server (Xvfb) for the window tests, the people-like input that
// xdotool gives it, and screenshots taken with xwd.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orv::testing {

class XServer {
public:
    // Starts Xvfb on a display number it picks itself, with a screen of the
    // given depth (8 gives a colour-mapped visual); ok() is false when it
    // could not start (the tests then skip with why()).
    explicit XServer(int depth = 24);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    bool ok() const { return !display_.empty(); }
    const std::string& why() const { return why_; }
    // ":N", and "DISPLAY=:N" for a child's environment.
    const std::string& display() const { return display_; }
    std::string env() const { return "DISPLAY=" + display_; }
    // Ends the server now (as when it goes away under a client).
    void stop();

    // Runs xdotool with the arguments on this display; its standard output.
    std::string xdotool(const std::string& args) const;
    // The first window whose name contains `name`, waiting up to
    // timeout_seconds for it to appear; "" when none did.
    std::string find_window(const std::string& name, int timeout_seconds) const;
    std::string window_name(const std::string& window) const;

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string why_;
};

// A screenshot: width x height pixels as 0xRRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // The number of pixels that differ from the other picture (of the same size).
    int differing(const Picture& other) const;
    // The number of pixels that are not `colour`.
    int not_of(std::uint32_t colour) const;
};

// Takes a screenshot of a window with xwd; an empty picture on failure.
Picture screenshot(const XServer& x, const std::string& window);

}  // namespace orv::testing
