// Shared fixture of the graphics tests: fresh kernel, devices, display list
// and plotting layer, a temporary directory, and no printer settings from
// the environment.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"
#include "gks/ps_render.hpp"

namespace orv::test {

// A window device without a display: it records into the display list so
// that the list can be replayed and printed.
inline int fake_window_open(int /*ws*/, const char* /*text*/) {
    gset_window_size(757, 577);
    gset_window_offset(0, 0);
    ginit_objs();
    gset_redraw(1);
    gset_cache(1);
    ginit_plot(1);
    return 0;
}

inline const GDevice kFakeWindow = {kWsWindow, fake_window_open, nullptr, nullptr, nullptr,
                                    nullptr,   nullptr,          nullptr, nullptr, nullptr,
                                    nullptr,   nullptr,          nullptr, nullptr, nullptr,
                                    nullptr,   nullptr,          nullptr, nullptr, nullptr};

// Enough points to fill a pipe's buffer, inside the unit square.
inline std::vector<GPoint> many_points() {
    std::vector<GPoint> pts(20000);
    for (std::size_t i = 0; i < pts.size(); ++i) pts[i] = {static_cast<float>(i % 100) / 100, static_cast<float>(i % 77) / 77};
    return pts;
}

// What the calls write to standard error.
inline std::string stderr_of(const std::function<void()>& calls) {
    ::testing::internal::CaptureStderr();
    calls();
    return ::testing::internal::GetCapturedStderr();
}

class GksTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"orvps_param", "orvps_print", "PSPRINT", "PSCOLOR", "orvps_geometry",
                              "PSGEOMETRY", "orvprint", "orvredraw", "METAOUT"})
            unsetenv(v);
        reset();
        dir_ = make_temp_dir();
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        reset();
        if (std::getenv("GKS_KEEP_TEST_DIR") == nullptr) remove_dir(dir_);
    }
    static void reset() {
        gks_reset_all_for_tests();
        GPH_reset_for_tests();
        RES_reset_for_tests();
        FLAG_reset_for_tests();
        MESS_reset_for_tests();
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    // Opens the kernel and a PostScript workstation on a device text.
    int open_ps(const std::string& text) {
        if (gopen_gks(nullptr) != 0) return -1;
        return gopen_ws(1, text.c_str(), kWsPostScript);
    }
    int open_window() {
        gregister_device(&kFakeWindow);
        if (gopen_gks(nullptr) != 0) return -1;
        return gopen_ws(1, "", kWsWindow);
    }
    // Ghostscript renders the file without an error (skipped without gs).
    void expect_renders(const std::string& file) {
        if (!have_ghostscript()) return;
        std::string log;
        EXPECT_TRUE(ps_renders(file, dir_, &log)) << file << ":\n" << log;
    }
    // Ghostscript renders that many pages from the file (skipped without gs).
    static void expect_pages(const std::string& file, int pages) {
        if (have_ghostscript()) {
            EXPECT_EQ(ps_page_count(file), pages) << file;
        }
    }
    std::string dir_;
};

}  // namespace orv::test
