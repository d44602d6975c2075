#include "support/xserver.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <numeric>
#include <chrono>
#include <cstdio>
#include <thread>

namespace orv::testing {
namespace {

// Standard output of a shell command line (its errors go nowhere).
std::string run_capture(const std::string& command) {
    std::string out;
    FILE* p = popen(("{ " + command + "; } 2>/dev/null").c_str(), "r");
    if (p == nullptr) return out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

std::uint32_t big_endian(const std::string& d, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(d[at + i]);
    return v;
}

}  // namespace

XServer::XServer(int depth) {
    int fds[2];
    if (pipe(fds) != 0) {
        why_ = "no pipe for Xvfb";
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
        const std::string fd = std::to_string(fds[1]);
        const std::string screen = "1280x1024x" + std::to_string(depth);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        why_ = "Xvfb could not start (is the xvfb package installed?)";
        stop();
        return;
    }
    // The server takes clients once one can connect. It runs without resets:
    // a server that resets when its last client leaves refuses the clients
    // that come while it does (xdotool and xwd come and go between them).
    const std::string display = ":" + number;
    for (int tries = 0; tries < 100; ++tries) {
        if (Display* d = XOpenDisplay(display.c_str()); d != nullptr) {
            XCloseDisplay(d);
            display_ = display;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    why_ = "Xvfb took no clients on " + display;
    stop();
}

XServer::~XServer() { stop(); }

void XServer::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

std::string XServer::xdotool(const std::string& args) const {
    return run_capture("DISPLAY=" + display_ + " xdotool " + args);
}

std::string XServer::find_window(const std::string& name, int timeout_seconds) const {
    for (int i = 0; i < timeout_seconds * 10; ++i) {
        const std::string id = first_line(xdotool("search --name '" + name + "'"));
        if (!id.empty()) return id;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "";
}

std::string XServer::window_name(const std::string& window) const {
    return first_line(xdotool("getwindowname " + window));
}

int Picture::differing(const Picture& other) const {
    if (other.pixels.size() != pixels.size()) return static_cast<int>(pixels.size());
    return static_cast<int>(std::inner_product(pixels.begin(), pixels.end(), other.pixels.begin(), 0L, std::plus<>(),
                                               std::not_equal_to<>()));
}

int Picture::not_of(std::uint32_t colour) const {
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [&](std::uint32_t p) { return p != colour; }));
}

// Reads xwd's 32-bit true-colour output: a big-endian header, the window
// name, the colour entries, then the rows.
Picture screenshot(const XServer& x, const std::string& window) {
    const std::string d = run_capture("xwd -silent -nobdrs -display " + x.display() + " -id " + window);
    Picture pic;
    if (d.size() < 100) return pic;
    const auto field = [&](int i) { return big_endian(d, static_cast<std::size_t>(4 * i)); };
    const std::uint32_t header = field(0), width = field(4), height = field(5), byte_order = field(7);
    const std::uint32_t bits = field(11), row_bytes = field(12), colours = field(19);
    const std::size_t start = header + static_cast<std::size_t>(colours) * 12;
    if (bits != 32 || d.size() < start + static_cast<std::size_t>(row_bytes) * height) return pic;
    pic.width = static_cast<int>(width);
    pic.height = static_cast<int>(height);
    pic.pixels.reserve(static_cast<std::size_t>(width) * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t xx = 0; xx < width; ++xx) {
            const std::size_t at = start + static_cast<std::size_t>(y) * row_bytes + 4 * xx;
            const std::uint32_t v = byte_order == 0 ? __builtin_bswap32(big_endian(d, at)) : big_endian(d, at);
            pic.pixels.push_back(v & 0xFFFFFFU);
        }
    }
    return pic;
}

}  // namespace orv::testing
