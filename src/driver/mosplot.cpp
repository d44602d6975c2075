// mosplot: plots MOS station forecast bulletins as weather maps.
#include <strings.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/system.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/region.hpp"
#include "gks/gks_img.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_x11.hpp"
#include "grid/grd_read.hpp"
#include "grid/grd_tool.hpp"
#include "mos/mos_plt.hpp"
#include "plot/colors.hpp"
#include "plot/data_plt.hpp"
#include "plot/plt_tool.hpp"
#include "plot/raw_plt.hpp"
#include "plot/raw_read.hpp"
#include "plot/vect_plt.hpp"

namespace {
constexpr int kContourType = 11;
constexpr int kPlotNone = 99;
constexpr const char* kProgramTitle = "RAD AZOD ORURIVERAR";
constexpr int kRegionFromResourcesOrMenu = 4;

// Region and domain resources decode into a Domain record.
int decode_domain(const char* text, void* domain) {
    return orv::DOM_decode(text, static_cast<orv::Domain*>(domain));
}

// The plot and the MOS driver reach the window's frames and events here.
void register_window() {
    using namespace orv;
    PltHooks* h = PLT_hooks();
    h->set_mouse_callback = [](PltDisplayEventFunc f) { gset_mouse_callback(f); };
    h->set_refresh_callback = [](float interval, PltRefreshFunc f) { gset_refresh_callback(interval, f); };
    h->set_loop_title = [](int flag) { gset_loop_title(flag); };
    h->num_frames = gget_num_frames;
    h->current_frame = gget_cur_frame;
    h->select_frame = gselect_frame;
    h->set_rubber_band = [](int mode, float x, float y) { gset_rubber_band(mode, x, y); };
    h->update_window = [] { gupdate_window(); };
    MosFrameSeams* f = MOS_frame_seams();
    f->create_frame = gcreate_frame;
    f->select_frame = gselect_frame;
    f->display_frame = gdisplay_frame;
    f->set_looping = gset_looping;
}

bool is_batch() { return orv::FLAG_batch() != 0; }

// An option or plot type the program does not know ends a batch run; a
// dialogue warns and goes on.
void check_options() {
    using namespace orv;
    if (const char* option = RES_unknown_option()) {
        MESS_print(is_batch() ? kMessError : kMessWarn, "Unknown option: %s (-h lists the options)\n", option);
        if (is_batch()) ORV_exit(kExitUsage);
    }
    const char* plot_type = RES_get("plot_type");
    if (plot_type != nullptr && is_missing(FLAG_get(kFlagPlotType))) {
        MESS_print(is_batch() ? kMessError : kMessWarn, "Unknown plot type: %s\n", plot_type);
        if (is_batch()) ORV_exit(kExitUsage);
    }
}

// The output devices by the words that name them.
bool is_known_device(std::string_view word) {
    for (std::string_view known : {"d", "disp", "x", "x11", "win", "window", "display", "p", "ps", "postscript",
                                   "h", "hp", "hpgl", "q", "pcl", "m", "meta", "metafile", "w", "pixmap", "png",
                                   "gif", "xwd", "img", "pdf", "svg"})
        if (word.size() == known.size() && strncasecmp(word.data(), known.data(), word.size()) == 0) return true;
    return false;
}

// A device that cannot draw what was asked ends the run before anything is
// written: an image name would otherwise get PostScript.
void check_device() {
    using namespace orv;
    const char* device = RES_get("device");
    const bool draws = FLAG_get(kFlagPlotType) != kPlotNone;
    if (device == nullptr || *device == '\0') {
        if (is_batch() && draws && std::getenv("DISPLAY") == nullptr) {
            MESS_print(kMessError, "A batch run needs an output device: give one with -de (for example -de p,map.ps)\n");
            ORV_exit(kExitGraphics);
        }
        return;
    }
    const std::string_view text(device);
    const std::string_view word = text.substr(0, text.find(','));
    if (is_known_device(word)) return;
    MESS_print(kMessError,
               "Unknown device: %.*s (p,FILE.ps PostScript, png|gif|xwd|img|pdf|svg,FILE pictures, h,FILE HPGL, "
               "m,FILE metafile, d window)\n",
               static_cast<int>(word.size()), word.data());
    ORV_exit(kExitGraphics);
}

// Grid files asked for as netCDF need the netCDF library, which is loaded
// only for them: a batch run that cannot load it ends before anything is read.
void check_grid_output() {
    using namespace orv;
    FILE_save_name_conv();
    const int kind = MOS_grd_out_file();
    FILE_restore_name_conv();
    if (kind != kGridNetcdf) return;
    const char* why = GRD_netcdf_unavailable();
    if (why == nullptr) return;
    MESS_print(is_batch() ? kMessError : kMessWarn, "netCDF grid files (-of cdf) cannot be written: %s\n", why);
    if (is_batch()) ORV_exit(kExitNoNetcdf);
}

// A run never analyses or draws with a domain it cannot use: the plot
// domain and the grid domain are checked before anything is read.
void check_domain(int decoded, const orv::Domain& domain, const char* what) {
    using namespace orv;
    if (decoded == kDomInvalid) ORV_exit(kExitInvalidDomain);  // the decoder said why
    if (decoded != kDomRegionRef || domain.proj != -1) return;
    MESS_print(kMessError, "Invalid domain: unknown region in the %s\n", what);
    ORV_exit(kExitInvalidDomain);
}
}  // namespace

int main(int argc, char** argv) {
    using namespace orv;
    RES_set_domain_decoder(decode_domain);
    CLR_register_hooks();
    gtext_register_hooks();
    MAP_register_hooks();
    DATA_register_hooks();
    RAW_register_hooks();
    VECT_register_hooks();
    GRD_register_hooks();
    RAW_register_file_hooks();
    register_window();
    IMG_register_hooks();  // after the window: it wraps the frame seams it finds
    RES_init(argc, argv, kMosplotKeyedIds, kMosplotPositionalIds);
    if (FLAG_help()) {
        char progname[64];
        RES_get_progname(progname);
        MESS_print(15, "%s: This program plots various types of MOS data\n", progname);
        RES_help_print(progname, kMosplotKeyedIds, kMosplotPositionalIds);
        ORV_exit(0);
    }
    check_options();
    check_device();
    check_grid_output();
    MOS_in_file();
    VAR_set_def_type(kContourType);
    Domain region;
    DOM_init(&region);
    check_domain(DOM_get_region(&region, kRegionFromResourcesOrMenu), region, "plot domain");
    Domain grid;
    check_domain(DOM_get_grid_domain(&grid), grid, "grid domain");
    MESS_print_prog(kProgramTitle);
    // "back" at the time menu returns to the file prompt when that is where
    // the bulletin was chosen; a bulletin named on the command line ends the run.
    do {
        char bulletin[kFileNameSize];
        FILE_get_file("Enter the surface filename: ", bulletin);
        MOS_set_date(nullptr);
        while (MOS_prompt_time() != 0) {
            MOS_set_prompt_variable(1);
            while (MOS_prompt_variable() != 0) MOS_plot(&region);
        }
    } while (MOS_time_back() != 0 && FILE_chosen_at_prompt() != 0);
    return is_batch() ? ORV_run_status() : 0;
}
