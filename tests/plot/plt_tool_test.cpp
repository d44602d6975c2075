#include "plot/plt_tool.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "plot/module_reset.hpp"

namespace orv {
namespace {

// What the fake modules behind the hooks were told.
struct Seen {
    std::vector<std::string> calls;
    std::vector<std::string> files;
    std::vector<int> frames;
    int written = 1;
    std::vector<Domain> domains;
    int detached = 0;
};
Seen seen;

void note(const std::string& text) { seen.calls.push_back(text); }

class PltToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        seen = Seen{};
        MESS_set(0, static_cast<int>(kMessMess));
        RES_put("name_conv", dir_.file("no_conventions").c_str());
    }
    void TearDown() override { reset(); }
    static void reset() { test::reset_modules(); }
    static void install_writers() {
        for (int type = kDumpXwd; type <= kDumpPng; ++type)
            PLT_hooks()->image_dump[type] = [](const char* file) {
                seen.files.emplace_back(file);
                return seen.written;
            };
    }
    orv::testing::ScratchDir dir_;
};

TEST_F(PltToolTest, PlotParametersReachTheirModules) {
    PltHooks* h = PLT_hooks();
    h->cont_set_bar = [](int flag) { note("bar " + std::to_string(flag)); };
    h->cont_set_bar_range = [](float max, float min) { note("range " + std::to_string(max) + " " + std::to_string(min)); };
    h->cont_set_skip = [](int c, int r) { note("skip " + std::to_string(c) + " " + std::to_string(r)); };
    h->map_latlon = [](int dot, float extra, float lat, float lon) {
        note("lalo " + std::to_string(dot) + " " + std::to_string(static_cast<int>(extra)) + " " + std::to_string(lat) +
             " " + std::to_string(lon));
    };
    h->grd_set_grid_factor = [](int f) { note("gridx " + std::to_string(f)); };
    h->grd_use_hdr_file = [](int f) { note("hdr " + std::to_string(f)); };
    h->grib_set_max_bad = [](int n) { note("max_bad " + std::to_string(n)); };
    h->gif_transparent = [](int f) { note("gif_trans " + std::to_string(f)); };
    RES_put("plot_param", "FULLAB,bar:40:-10,lalo:5,plt_skip:3,gridx4,max_bad:0,over:2:3,"
                          "nohdr,gif_trans,shadow:0,unknown,gif:pic%i.gif");
    EXPECT_EQ(PLT_param_decode(), 12);
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"bar 2", "range 40.000000 -10.000000", "lalo 0 0 5.000000 5.000000",
                                                    "skip 3 3", "gridx 4", "max_bad 5", "hdr 0", "gif_trans 1"}));
    EXPECT_EQ(PLT_get_full_lab(), 1);
    EXPECT_EQ(PLT_get_overlay_base(), 2);
    EXPECT_EQ(PLT_get_num_over(), 3);
    EXPECT_EQ(gget_font_drop(), 4);
    EXPECT_EQ(PLT_get_dump_type(), kDumpGif);
    // "bar" alone turns the bar on without a range; "nobar" off.
    seen.calls.clear();
    RES_put("plot_param", "bar,nobar,barb,lalo:10:20:1:30,max_bad:1,shadow:1");
    PLT_param_decode();
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"bar 2", "bar -2", "lalo 1 30 10.000000 20.000000", "max_bad 1"}));
    EXPECT_EQ(gget_font_drop(), 1);
    // Without the modules the parameters are passed over quietly.
    PLT_reset_for_tests();
    RES_put("plot_param", "bar:1:2,gridx2,plt_skip:2:3,nohdr,max_bad:3,grdfmt:%8.2f,clear");
    EXPECT_EQ(PLT_param_decode(), 7);
    RES_put("out_file", "png:frame%i.png,orv");
    PLT_param_decode();
    EXPECT_EQ(PLT_get_dump_type(), kDumpPng);
}

TEST_F(PltToolTest, PanelLayoutsSizeTheView) {
    const struct {
        const char* layout;
        int result;
        std::vector<float> view;  // empty: unchanged
    } cases[] = {
        {"2x2+1+0", 4, {0.5F, 1.0F, 0.5F, 1.0F}},
        {"20x1+0+0", 4, {0.0F, 0.125F, 0.0F, 1.0F}},  // at most eight columns
        {"3x2", 2, {}},                                // incomplete: unchanged
        {"-1x2+0+0", 4, {}},  // no columns: unchanged
    };
    std::vector<float> last(4);
    for (const auto& c : cases) {
        EXPECT_EQ(PLT_panel_decode(c.layout), c.result) << c.layout;
        std::vector<float> rect(4);
        GPH_get_view_size(rect.data());
        EXPECT_EQ(rect, c.view.empty() ? last : c.view) << c.layout;
        last = rect;
    }
}

TEST_F(PltToolTest, ViewOffsetsLabelTypeAndTheBarFlag) {
    float view[4];
    FLAG_setplot(kPlotAll, 0);  // nothing to draw: no graphics
    PLT_open(1.0F);
    PLT_get_view(view);
    EXPECT_FLOAT_EQ(view[2], 0.04F);
    EXPECT_FLOAT_EQ(view[3], 0.04F);
    PLT_set_view_offset(0.1F);
    FLAG_set(kFlagPlotType, 99);
    PLT_set_label_type(-4);
    PLT_reset(1.0F);
    PLT_get_view(view);
    EXPECT_FLOAT_EQ(view[0], 0.0F);
    EXPECT_FLOAT_EQ(view[3], 0.1F);
    EXPECT_EQ(gchk_graphics(), 0);
    EXPECT_EQ(PLT_get_label_type(), -1);  // the reset narrows the label type
    PLT_set_label_type(3);
    PLT_reset(1.0F);
    EXPECT_EQ(PLT_get_label_type(), 1);

    EXPECT_EQ(PLT_bar(), 0);  // no contour module
    static int bar = 1;
    PLT_hooks()->cont_get_bar = [] { return bar; };
    EXPECT_EQ(PLT_bar(), 1);
    EXPECT_EQ(PLT_bar(), 0);  // once
    PLT_set_bar(0);
    bar = 0;
    EXPECT_EQ(PLT_bar(), 0);
}

TEST_F(PltToolTest, DumpsWriteTheDefaultNameOrATemplateAndReportFailures) {
    install_writers();
    RES_put("image_path", dir_.file("images").c_str());
    const auto in = [this](const std::string& name) { return dir_.file("images/" + name); };
    EXPECT_EQ(PLT_dump(0), -1);  // nothing requested
    EXPECT_TRUE(seen.files.empty());
    PLT_set_dump(kDumpGif, "");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(PLT_dump(0), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Wrote GIF file: " + in("orv.gif") + "\n");
    PLT_set_dump(kDumpPng, "");
    PLT_dump(0);
    PLT_set_dump(kDumpImg, "");
    PLT_dump(0);
    EXPECT_EQ(seen.files, (std::vector<std::string>{in("orv.gif"), in("orv.png"), in("orv.xwd")}));

    RES_put("title", "Surface Analysis");
    GPH_set_win_title();
    FILE_set_name("@kept%h");  // the caller's convention survives the dump
    PLT_set_dump(kDumpPng, "%p-%i.png");
    seen.files.clear();
    PLT_dump(3);
    EXPECT_EQ(seen.files, std::vector<std::string>{in("Surface_Analysis-win.png")});
    static int frames = 3;
    PltHooks* h = PLT_hooks();
    h->num_frames = [] { return frames; };
    h->current_frame = [] { return 1; };
    h->select_frame = [](int n) {
        seen.frames.push_back(n);
        return 0;
    };
    PLT_set_dump(kDumpXwd, "f%i.xwd");
    seen.files.clear();
    PLT_dump(kDumpAllFrames);
    PLT_dump(-1);
    EXPECT_EQ(seen.files, (std::vector<std::string>{in("f00.xwd"), in("f01.xwd"), in("f02.xwd"), in("f01.xwd")}));
    EXPECT_EQ(seen.frames, (std::vector<int>{0, 1, 2, 1}));
    char conv[400];
    FILE_get_name_conv(conv, sizeof conv);
    EXPECT_NE(std::string(conv).find("kept%h"), std::string::npos) << conv;

    seen.written = 0;
    frames = 0;
    PLT_set_dump(kDumpXwd, "b.xwd");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(PLT_dump(0), -1);
    PLT_hooks()->image_dump[kDumpGif] = nullptr;  // no writer in this build
    PLT_set_dump(kDumpGif, "a.gif");
    EXPECT_EQ(PLT_dump(0), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "PLT_dump: Unable to write xdump file: " + in("b.xwd") + "\nPLT_dump: Unable to write GIF file: " + in("a.gif") + "\n");
}

class PltEventTest : public PltToolTest {
protected:
    void SetUp() override {
        PltToolTest::SetUp();
        DOM_init(&domain_);
        ASSERT_EQ(DOM_decode("ps,40,-100,33,25,2", &domain_), kDomExplicit);
        MAP_setup(&domain_);
        PLT_set_zoom_func([](const Domain* d) {
            seen.domains.push_back(*d);
            return 0;
        });
    }
    Domain domain_{};
};

TEST_F(PltEventTest, ShiftDragZoomsOntoTheBoxAndAltUUndoes) {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    MAP_tran(&x0, &y0, 35.0F, -105.0F);
    MAP_tran(&x1, &y1, 45.0F, -95.0F);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(PLT_plot_zoom("B1-P-Shft", x0, y0), 1);
    EXPECT_EQ(PLT_plot_zoom("B1-R", x0, y0), 1);  // no box: nothing
    EXPECT_TRUE(seen.domains.empty());
    EXPECT_EQ(PLT_plot_zoom("B1-P-Shft", x0, y0), 1);
    EXPECT_EQ(PLT_plot_zoom("B1-R-Shft", x1, y1), 1);
    ASSERT_EQ(seen.domains.size(), 1U);
    const Domain& z = seen.domains[0];
    float clat = 0, clon = 0;
    MAP_untran(&clat, &clon, (x0 + x1) / 2, (y0 + y1) / 2);
    EXPECT_NEAR(z.clat, clat, 1e-4);
    EXPECT_NEAR(z.clon, clon, 1e-4);
    const float spacing = std::max(std::fabs(x1 - x0) / 32, std::fabs(y1 - y0) / 24);
    EXPECT_FLOAT_EQ(z.dx, spacing);
    EXPECT_FLOAT_EQ(z.dy, spacing);
    EXPECT_EQ(z.nx, 33);
    EXPECT_EQ(PLT_get_zoom(), 1);
    EXPECT_EQ(PLT_plot_zoom("B1-R", x1, y1), 0);  // the band has ended
    EXPECT_EQ(PLT_plot_zoom("u-Alt", 0, 0), 1);
    ASSERT_EQ(seen.domains.size(), 2U);
    EXPECT_EQ(DOM_comp(&seen.domains[1], &domain_), 1);
    EXPECT_EQ(PLT_get_zoom(), 0);
    EXPECT_EQ(PLT_plot_zoom("u-Alt", 0, 0), 0);  // nothing to undo
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("New domain: "), std::string::npos);
    EXPECT_NE(out.find("Original domain: "), std::string::npos);
}

TEST_F(PltEventTest, RedrawResizeRefreshAndTheDisplayCallback) {
    EXPECT_EQ(PLT_plot_zoom("r-Alt", 0, 0), 1);
    EXPECT_EQ(PLT_plot_resize("size", 0, 0), 0);  // no resize function yet
    PLT_set_resize_func([](const Domain* d) {
        seen.domains.push_back(*d);
        return 1;
    });
    EXPECT_EQ(PLT_plot_resize("size", 0, 0), 1);
    EXPECT_EQ(PLT_plot_resize("q-Alt", 0, 0), 0);
    static PltRefreshFunc registered = nullptr;
    PLT_hooks()->set_refresh_callback = [](float, PltRefreshFunc f) { registered = f; };
    PLT_set_refresh_func(60.0F, [](const Domain* d) {
        seen.domains.push_back(*d);
        return 1;
    });
    ASSERT_NE(registered, nullptr);
    registered();
    ASSERT_EQ(seen.domains.size(), 3U);
    for (const Domain& d : seen.domains) EXPECT_EQ(DOM_comp(&d, &domain_), 1);

    static PltDisplayEventFunc display = nullptr;
    PLT_hooks()->set_mouse_callback = [](PltDisplayEventFunc f) { display = f; };
    PLT_set_callback([](const char* event, float x, float) {
        note(std::string(event) + " " + std::to_string(static_cast<int>(x)));
        return 1;
    });
    ASSERT_NE(display, nullptr);
    display(2, "v-Alt", 7.0F, 0.0F);
    EXPECT_EQ(seen.calls, std::vector<std::string>{"v-Alt 7"});
}

// The pointer's place, then each plotted variable: named only when there
// are several.
TEST_F(PltEventTest, ValuePrintShowsThePointerAndNamesVariablesWhenSeveral) {
    float x = 0, y = 0;
    MAP_tran(&x, &y, 40.0F, -100.0F);
    for (const char* vars : {"temp", "temp,dewp"}) {
        VAR_reset_for_tests();
        VAR_setup(nullptr, vars);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(PLT_print_values("v-Alt", x, y), 1);
        EXPECT_EQ(PLT_print_values("x-Alt", x, y), 0);
        EXPECT_EQ(PLT_print_values("e-Alt", x, y), 0);  // no grid to edit
        const std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.rfind("Lat:  40.00 Lon: -100.00 XY: ", 0), 0U) << out;
        const bool several = std::string(vars).find(',') != std::string::npos;
        EXPECT_EQ(out.find("Var:   temp - ") != std::string::npos, several) << out;
        EXPECT_EQ(out.find("Var:   dewp - ") != std::string::npos, several) << out;
    }
}

// "plt_grid" keeps one station in a grid cell; a factor divides the cells.
TEST_F(PltEventTest, StationGridLimitDefaultsToOneStationACell) {
    for (const auto& [param, second] : {std::pair{"plt_grid", 0}, {"plt_grid:x", 0}, {"plt_grid:2", 1}}) {
        RES_put("plot_param", param);
        PLT_param_decode();
        MAP_plot_grid_init();
        float x = 0, y = 0;
        MAP_grid_tran(&x, &y, 1.1F, 1.1F);
        EXPECT_EQ(MAP_plot_grid(x, y), 1) << param;
        MAP_grid_tran(&x, &y, 1.6F, 1.6F);
        EXPECT_EQ(MAP_plot_grid(x, y), second) << param;
    }
}

TEST_F(PltToolTest, BatchClosingKeepsFilesWhole) {
    PLT_hooks()->detach = [] {
        ++seen.detached;
        return 1;
    };
    RES_put("file_path", ORV_DATA_DIR);
    RES_put("device", ("ps," + dir_.file("batch.ps")).c_str());
    FLAG_set(kFlagDevice, kWsPostScript);
    FLAG_set_batch(1);
    PLT_open(1.0F);
    ASSERT_EQ(gchk_graphics(), 1);
    PLT_label_up_left("x");
    PLT_close();
    EXPECT_EQ(seen.detached, 0);  // a file device does not detach
    EXPECT_EQ(gchk_graphics(), 0);
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "");
    EXPECT_NE(test::slurp(dir_.file("batch.ps")).find("showpage"), std::string::npos);
}

TEST_F(PltToolTest, FailedDetachEndsTheProgram) {
    const auto run = [] {
        PLT_hooks()->detach = [] { return -1; };
        static GDevice window{};
        window.kind = kWsWindow;
        window.open = [](int, const char*) { return 0; };
        gregister_device(&window);
        FLAG_set(kFlagDevice, kWsWindow);
        FLAG_set_batch(1);
        PLT_open(1.0F);
        PLT_close();
        std::exit(0);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace orv
