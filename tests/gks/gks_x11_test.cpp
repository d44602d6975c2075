// The window device against a private X server: frames, stepping, delays,
// the frame table's end, drawing into pixmaps and pixel zoom.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gif.hpp"
#include "gks/gks_img.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gks_x11.hpp"
#include "support/run_program.hpp"
#include "support/xserver.hpp"

namespace orv {
namespace {

constexpr int kRed = 5;
constexpr int kBlue = 6;

class X11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<testing::XServer>(); }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override {
        if (!server_->ok()) GTEST_SKIP() << server_->why();
        gks_reset_all_for_tests();
        MESS_reset_for_tests();
        gset_geometry("64x48+0+0");
        ASSERT_EQ(gopen_gks(nullptr), 0);
        ASSERT_EQ(gopen_ws(1, server_->display().c_str(), kWsWindow), 0);
        gset_colr_rep(1, kRed, 1.0F, 0.0F, 0.0F);
        gset_colr_rep(1, kBlue, 0.0F, 0.0F, 1.0F);
    }
    void TearDown() override {
        gks_reset_all_for_tests();
        RES_reset_for_tests();
    }
    // Fills the whole picture (transformation 0 is the unit square).
    static void fill(int colour) {
        gset_fill_colr_ind(colour);
        const GPoint box[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        gfill_area(4, box);
    }
    static long pixel_of(int colour) { return gget_color_ind(colour); }
    static std::unique_ptr<testing::XServer> server_;
};
std::unique_ptr<testing::XServer> X11Test::server_;

TEST_F(X11Test, FramesHoldTheirOwnPicturesAndTheTitleTheirNumber) {
    for (int colour : {kRed, kBlue}) {
        const int n = gcreate_frame(-1);
        gselect_frame(n);
        fill(colour);
    }
    gdisplay_frame(1);
    EXPECT_EQ(gget_pixel(30, 20), pixel_of(kBlue));
    EXPECT_NE(std::string(gget_win_title_full()).find("[1]"), std::string::npos);
    gdisplay_frame(0);
    EXPECT_EQ(gget_pixel(30, 20), pixel_of(kRed));
    gdelete_frame(0);
    EXPECT_EQ(gget_num_frames(), 1);
    EXPECT_EQ(gget_pixel(30, 20), pixel_of(kBlue));
    // The next plot's window starts without frames or a frame number.
    gclose_ws(1);
    ASSERT_EQ(gopen_ws(1, server_->display().c_str(), kWsWindow), 0);
    EXPECT_EQ(gget_num_frames(), 0);
    EXPECT_EQ(std::string(gget_win_title_full()).find('['), std::string::npos);
}

TEST_F(X11Test, FrameTableEndsAt128WithoutTouchingTheLastFrame) {
    for (int i = 0; i < kMaxFrames; ++i) ASSERT_EQ(gcreate_frame(-1), i);
    gselect_frame(kMaxFrames - 1);
    fill(kRed);
    EXPECT_EQ(gcreate_frame(-1), -1);
    EXPECT_EQ(gselect_frame(kMaxFrames), -1);
    fill(kBlue);
    gdisplay_frame(kMaxFrames - 1);
    EXPECT_EQ(gget_pixel(10, 10), pixel_of(kRed));
    EXPECT_EQ(gdelete_frame(kMaxFrames + 5), -1);
    for (int frame : {-1, kMaxFrames}) EXPECT_EQ(gset_frame_id(frame, 0), -1) << frame;
    EXPECT_EQ(gget_num_frames(), kMaxFrames);
}

// A cleared region is painted in the background, both edges included.
TEST_F(X11Test, ClearedRegionHoldsItsEdges) {
    fill(kRed);
    const float quarter[4] = {0.0F, 0.5F, 0.0F, 0.5F};
    gclear_region(quarter);
    // The unit square is the left 48 x 48 pixels; (0.5, 0.5) is pixel (24, 24).
    int cleared = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) cleared += gget_pixel(x, y) != pixel_of(kRed) ? 1 : 0;
    EXPECT_EQ(cleared, 25 * 24);  // columns 0-24, rows 24-47
}

// Events as another client (a window manager, a looping program) sends them.
class Sender {
public:
    explicit Sender(const std::string& display) : d_(XOpenDisplay(display.c_str())) {}
    ~Sender() {
        if (d_ != nullptr) XCloseDisplay(d_);
    }
    Window window() const {  // the one top-level window of the test
        Window root = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        XQueryTree(d_, DefaultRootWindow(d_), &root, &parent, &children, &n);
        const Window w = n > 0 ? children[n - 1] : 0;
        XFree(children);
        return w;
    }
    void send(XEvent e, long mask) const {
        e.xany.window = window();
        XSendEvent(d_, window(), False, mask, &e);
        XSync(d_, False);
    }
    void expose() const {
        XEvent e{};
        e.xexpose.type = Expose;
        e.xexpose.width = e.xexpose.height = 10;
        send(e, ExposureMask);
    }
    void client_message(const char* type, long first) const {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.message_type = XInternAtom(d_, type, False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = first;
        send(e, NoEventMask);
    }
    Atom atom(const char* name) const { return XInternAtom(d_, name, False); }

private:
    Display* d_;
};

TEST_F(X11Test, BurstOfExposuresUpdatesTheWindowOnce) {
    const Sender s(server_->display());
    gsync();
    gcheck_event();
    const int before = gget_expose_count();
    s.client_message("ORV_OTHER", 0);  // any other event ends a burst
    for (int i = 0; i < 4; ++i) s.expose();
    gsync();
    gcheck_event();
    EXPECT_EQ(gget_expose_count(), before + 1);
}

TEST_F(X11Test, WindowManagerCloseEndsTheHold) {
    const Sender s(server_->display());
    s.client_message("WM_PROTOCOLS", static_cast<long>(s.atom("WM_DELETE_WINDOW")));
    EXPECT_EQ(ghold(0), 0);  // returns instead of waiting for the user
    EXPECT_EQ(gget_input_mode(), kInputIdle);
}

std::vector<std::string> g_written;

TEST_F(X11Test, ImageFilesAreNamedFromTheTitleAndFrame) {
    gset_win_title("Surface Analysis");
    g_written.clear();
    gset_image_writer(kImageGif, [](const char* file) {
        g_written.emplace_back(file);
        return 1;
    });
    EXPECT_EQ(gsave_images(kImageGif), 1);
    for (int i = 0; i < 4; ++i) gcreate_frame(-1);
    gdisplay_frame(3);
    EXPECT_EQ(gsave_images(kImageGif), 1);
    gset_looping(1);
    EXPECT_EQ(gsave_images(kImageGif), 4);
    ASSERT_EQ(g_written.size(), 6U);
    EXPECT_EQ(g_written[0], "Surfa.gif");
    EXPECT_EQ(g_written[1], "Surfa-03.gif");
    EXPECT_EQ(g_written[5], "Surfa-03.gif");
    EXPECT_EQ(gsave_images(kImageXwd), 0);  // no XWD writer
    gset_image_writer(kImageGif, nullptr);
}

// What the window shows is captured as colours, and Alt+g writes it as a GIF
// that reads back the same.
TEST_F(X11Test, CaptureAndSavedGifHoldTheWindowsColours) {
    fill(kBlue);
    gset_fill_colr_ind(kRed);
    const GPoint left[4] = {{0, 0}, {0.5F, 0}, {0.5F, 1}, {0, 1}};
    gfill_area(4, left);
    gset_window_capture(gx11_capture);
    ImageRecord image;
    ASSERT_EQ(gget_image(&image), 1);
    ASSERT_EQ(image.width, 64);
    ASSERT_EQ(image.height, 48);
    const testing::ScratchDir dir;
    RES_put("image_path", dir.path().c_str());
    gset_win_title("Capture");
    gset_image_writer(kImageGif, GIF_dump);
    ASSERT_EQ(gsave_images(kImageGif), 1);
    ImageRecord back;
    ASSERT_EQ(IMG_read(dir.file("Captu.gif").c_str(), &back, 0), 1);
    for (const ImageRecord* picture : {&image, &back})
        for (const auto& [x, rgb] : {std::pair{10, 0xFF0000}, std::pair{36, 0x0000FF}}) {
            int r = 0, g = 0, b = 0;
            IMG_pixel_rgb(*picture, IMG_pixel(*picture, x, 20), &r, &g, &b);
            EXPECT_EQ(r * 65536 + g * 256 + b, rgb) << x;
        }
    gset_window_capture(nullptr);
}

}  // namespace
}  // namespace orv
