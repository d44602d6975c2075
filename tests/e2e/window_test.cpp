// The plot window on a real X server: the map appears, frames loop and step
// on Alt keys, a shift-drag zooms, Alt+v reads the value under the pointer,
// Alt+m writes the drawing as a metafile,
// and the program ends cleanly or with a failure status when the window or
// the server goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <thread>
#include <vector>

#include "gks/gks_img.hpp"
#include "support/run_program.hpp"
#include "support/xserver.hpp"

namespace orv::testing {
namespace {

const std::string kSample = ORV_SOURCE_DIR "/examples/mos_2026120600.txt";

std::vector<std::string> plot_args(const std::string& times) {
    return {"-me", "mess", "-mo", "gfs", "-if", "mos_dat", "-dp", ORV_SOURCE_DIR "/examples", "-re", "us",
            "-ft", times, "-va", "temp", "-pl", "cf", "-fm", "bar", "-in", "5",
            "-gd", "ps,-97,39,-97,97,65,0.575,0.575", "-oa", "1,20", "-de", "d", "-ge", "1100x850+0+0"};
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Waits (at most thirty seconds) until the program's output holds `part`.
bool output_shows(const ScratchDir& dir, const std::string& part, std::size_t from = 0) {
    for (int i = 0; i < 300; ++i) {
        if (read_file(dir.file(".stdout")).find(part, from) != std::string::npos) return true;
        pause_ms(100);
    }
    return false;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!x_.ok()) GTEST_SKIP() << x_.why();
    }
    // Starts the plot and waits for its window.
    void start(const std::string& times) {
        pid_ = start_mosplot(dir_, plot_args(times), kSample + "\n", {x_.env()});
        window_ = x_.find_window("mosplot", 30);
        ASSERT_FALSE(window_.empty()) << read_file(dir_.file(".stdout")) << read_file(dir_.file(".stderr"));
        x_.xdotool("mousemove --window " + window_ + " 550 400");
    }
    // A key as a person presses it, with the pointer in the window.
    void key(const std::string& keys) {
        x_.xdotool("key " + keys);
        pause_ms(300);
    }
    RunResult finish() { return finish_mosplot(dir_, pid_, 30); }
    void quit() {
        key("alt+q");
        const RunResult r = finish();
        EXPECT_EQ(r.status, 0) << r.out << r.err;
    }
    // The picture once drawing has settled (two equal screenshots).
    Picture settled() {
        Picture last = screenshot(x_, window_);
        for (int i = 0; i < 40; ++i) {
            pause_ms(250);
            Picture now = screenshot(x_, window_);
            if (now.differing(last) == 0 && now.width > 0) return now;
            last = now;
        }
        return last;
    }
    // The value that Alt+v prints at window pixel (x, y).
    float value_at(int x, int y) {
        const std::size_t from = read_file(dir_.file(".stdout")).size();
        x_.xdotool("mousemove --window " + window_ + " " + std::to_string(x) + " " + std::to_string(y));
        key("alt+v");
        EXPECT_TRUE(output_shows(dir_, "Grid:", from));
        const std::string out = read_file(dir_.file(".stdout")).substr(from);
        const std::size_t eq = out.find(" = ", out.find("Grid:"));
        return eq == std::string::npos ? -9999.0F : std::strtof(out.c_str() + eq + 3, nullptr);
    }

    XServer x_;
    ScratchDir dir_;
    pid_t pid_ = -1;
    std::string window_;
};

TEST(WindowDisplay, MissingOrBadDisplayFailsWithMessage) {
    for (const std::string display : {"DISPLAY=", "DISPLAY=:4091"}) {
        ScratchDir dir;
        const RunResult r = run_mosplot(dir, plot_args("h24"), kSample + "\n", {display});
        EXPECT_EQ(r.status, 4) << display;
        EXPECT_TRUE(contains(r.out + r.err, "unable to connect to display")) << display << r.out << r.err;
    }
}

TEST_F(WindowTest, MapAppearsZoomsOnDragAndReadsValues) {
    start("h24");
    const Picture map = settled();
    ASSERT_GT(map.width, 0);
    // Colour fill covers most of the window, and more than a few colours show.
    EXPECT_GT(map.not_of(map.at(2, 2)), map.width * map.height / 2);
    // Gulf coast warm, northern Plains cold.
    const float south = value_at(760, 700);
    const float north = value_at(380, 190);
    EXPECT_GT(south, north + 20.0F) << read_file(dir_.file(".stdout"));

    x_.xdotool("mousemove --window " + window_ + " 300 200 keydown shift mousedown 1 mousemove --window " +
               window_ + " 600 450 mouseup 1 keyup shift");
    EXPECT_TRUE(output_shows(dir_, "New domain:"));
    const Picture zoomed = settled();
    EXPECT_GT(zoomed.differing(map), map.width * map.height / 4);

    // A resized window is drawn again for its new size, not cut.
    const std::size_t plotted = read_file(dir_.file(".stdout")).size();
    x_.xdotool("windowsize " + window_ + " 700 500");
    EXPECT_TRUE(output_shows(dir_, "GFS MOS", plotted));
    const Picture resized = settled();
    ASSERT_EQ(resized.width, 700);
    Picture cut = resized;
    for (int y = 0; y < cut.height; ++y)
        for (int x = 0; x < cut.width; ++x) cut.pixels[static_cast<std::size_t>(y * cut.width + x)] = zoomed.at(x, y);
    EXPECT_GT(resized.differing(cut), resized.width * resized.height / 4);

    // Alt+m writes the drawing of the window as a metafile.
    const std::size_t before_meta = read_file(dir_.file(".stdout")).size();
    key("alt+m");
    EXPECT_TRUE(output_shows(dir_, "Created metafile", before_meta));
    const std::string meta = read_file(dir_.file("orv.meta"));
    EXPECT_EQ(meta.rfind("ORVMETA\n", 0), 0U);
    EXPECT_TRUE(contains(meta, "\nFA ") && contains(meta, "\nTE ")) << meta.substr(0, 400);

    quit();
}

TEST_F(WindowTest, FramesLoopAndStepOnAltKeys) {
    start("h12,h24");
    // Looping shows both frames in turn: the title carries the frame number.
    std::string names;
    for (int i = 0; i < 100 && !(contains(names, "[0]") && contains(names, "[1]")); ++i) {
        names += x_.window_name(window_);
        pause_ms(100);
    }
    EXPECT_TRUE(contains(names, "[0]") && contains(names, "[1]")) << names;

    key("alt+l");
    EXPECT_TRUE(output_shows(dir_, "Looping stopped"));
    const std::string before = x_.window_name(window_);
    const Picture first = settled();
    key("alt+bracketright");
    const Picture second = settled();
    EXPECT_NE(x_.window_name(window_), before);
    EXPECT_GT(second.differing(first), 1000);
    key("alt+bracketleft");
    EXPECT_EQ(settled().differing(first), 0);

    quit();
}

// The headless picture device draws what the window shows: a white window and
// a GIF (neither smoothed) agree in all but a small share of their pixels.
TEST_F(WindowTest, HeadlessPictureMatchesTheWindow) {
    pid_ = start_mosplot(dir_, plot_args("h24"), kSample + "\n", {x_.env(), "orvinverse=1"});
    window_ = x_.find_window("mosplot", 30);
    ASSERT_FALSE(window_.empty()) << read_file(dir_.file(".stderr"));
    const Picture shown = settled();
    quit();

    std::vector<std::string> args = plot_args("h24");
    *(std::find(args.begin(), args.end(), "-de") + 1) = "gif,map.gif";
    args.insert(args.begin(), "-ba");
    const RunResult r = run_mosplot(dir_, args, kSample + "\n", {"DISPLAY="});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ImageRecord gif;
    ASSERT_EQ(IMG_read(dir_.file("map.gif").c_str(), &gif, 0), 1);
    ASSERT_EQ(gif.width, shown.width);
    ASSERT_EQ(gif.height, shown.height);
    int differing = 0;
    for (int y = 0; y < gif.height; ++y)
        for (int x = 0; x < gif.width; ++x) {
            int red = 0, green = 0, blue = 0;
            IMG_pixel_rgb(gif, IMG_pixel(gif, x, y), &red, &green, &blue);
            differing += static_cast<std::uint32_t>(red << 16 | green << 8 | blue) != shown.at(x, y);
        }
    EXPECT_LT(differing, gif.width * gif.height / 100);
}

TEST_F(WindowTest, WindowOrServerGoingEndsTheProgram) {
    // Only the first case can close the window: the second ends the server.
    for (const auto& [closed, status, message] : {std::tuple{true, 0, ""}, std::tuple{false, 4, "Fatal X11 Error"}}) {
        start("h12,h24");  // frames loop while the window or server goes
        if (closed)
            x_.xdotool("windowclose " + window_);
        else
            x_.stop();
        const RunResult r = finish();
        EXPECT_EQ(r.status, status) << closed << r.out << r.err;
        EXPECT_TRUE(contains(r.out + r.err, message)) << closed << r.out << r.err;
    }
}

}  // namespace
}  // namespace orv::testing
