#include "plot/plt_tool.hpp"

#include "plot/module_reset.hpp"

namespace orv {
namespace {
// What the fake modules behind the hooks were told.
struct Seen { std::vector<std::string> calls, files; std::vector<int> frames; int written = 1; };
Seen seen;
void note(const std::string& text) { seen.calls.push_back(text); }
class PltToolTest : public test::ModuleTest {
protected:
    void SetUp() override {
        test::ModuleTest::SetUp();
        seen = Seen{};
        MESS_set(0, static_cast<int>(kMessMess));
        RES_put("name_conv", dir_.file("no_conventions").c_str());
    }
    static void install_writers() {
        for (int type = kDumpXwd; type <= kDumpPng; ++type)
            PLT_hooks()->image_dump[type] = [](const char* file) {
                seen.files.emplace_back(file);
                return seen.written;
            };
    }
};
TEST_F(PltToolTest, PlotParametersReachTheirModules) {
    PltHooks* h = PLT_hooks();
    h->cont_set_bar = [](int flag) { note("bar " + std::to_string(flag)); };
    h->cont_set_bar_range = [](float max, float min) { note("range " + std::to_string(max) + " " + std::to_string(min)); };
    h->cont_set_skip = [](int c, int r) { note("skip " + std::to_string(c) + " " + std::to_string(r)); };
    h->map_latlon = [](int dot, float extra, float lat, float lon) {
        note("lalo " + std::to_string(dot) + " " + std::to_string(static_cast<int>(extra)) + " " + std::to_string(lat) + " " + std::to_string(lon));
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
TEST_F(PltToolTest, ViewOffsetsLabelTypeAndTheBarFlag) {
    float view[4];
    FLAG_setplot(kPlotAll, 0);  // nothing to draw: no graphics
    PLT_open(1.0F);
    PLT_get_view(view);
    EXPECT_EQ(std::make_pair(view[2], view[3]), std::make_pair(0.04F, 0.04F));
    PLT_set_view_offset(0.1F);
    FLAG_set(kFlagPlotType, 99);
    PLT_set_label_type(-4);
    PLT_reset(1.0F);
    PLT_get_view(view);
    EXPECT_EQ(std::make_pair(view[0], view[3]), std::make_pair(0.0F, 0.1F));
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
    EXPECT_EQ(test::stdout_of([&] { EXPECT_EQ(PLT_dump(0), 0); }), "Wrote GIF file: " + in("orv.gif") + "\n");
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
    PLT_hooks()->num_frames = [] { return frames; };
    PLT_hooks()->current_frame = [] { return 1; };
    PLT_hooks()->select_frame = [](int n) {
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
    }
    Domain domain_{};
};
// The pointer's place, then each plotted variable: named only when there
// are several.
TEST_F(PltEventTest, ValuePrintShowsThePointerAndNamesVariablesWhenSeveral) {
    float x = 0, y = 0;
    MAP_tran(&x, &y, 40.0F, -100.0F);
    for (const char* vars : {"temp", "temp,dewp"}) {
        VAR_reset_for_tests();
        VAR_setup(nullptr, vars);
        const std::string out = test::stdout_of([&] {  // "e-Alt": no grid to edit
            EXPECT_EQ((std::vector<int>{PLT_print_values("v-Alt", x, y), PLT_print_values("x-Alt", x, y), PLT_print_values("e-Alt", x, y)}),
                      (std::vector<int>{1, 0, 0}));
        });
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
