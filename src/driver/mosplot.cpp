// mosplot: plots MOS station forecast bulletins as weather maps.
#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "core/system.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/region.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_x11.hpp"
#include "mos/mos_plt.hpp"
#include "plot/colors.hpp"
#include "plot/data_plt.hpp"
#include "plot/plt_tool.hpp"

namespace {
constexpr int kContourType = 11;
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
}  // namespace

int main(int argc, char** argv) {
    using namespace orv;
    RES_set_domain_decoder(decode_domain);
    CLR_register_hooks();
    gtext_register_hooks();
    MAP_register_hooks();
    DATA_register_hooks();
    register_window();
    RES_init(argc, argv, kMosplotKeyedIds, kMosplotPositionalIds);
    if (FLAG_help()) {
        char progname[64];
        RES_get_progname(progname);
        MESS_print(15, "%s: This program plots various types of MOS data\n", progname);
        RES_help_print(progname, kMosplotKeyedIds, kMosplotPositionalIds);
        ORV_exit(0);
    }
    MOS_in_file();
    VAR_set_def_type(kContourType);
    Domain region;
    DOM_init(&region);
    DOM_get_region(&region, kRegionFromResourcesOrMenu);
    MESS_print_prog(kProgramTitle);
    char bulletin[kFileNameSize];
    FILE_get_file("Enter the surface filename: ", bulletin);
    MOS_set_date(nullptr);
    while (MOS_prompt_time() != 0) {
        MOS_set_prompt_variable(1);
        while (MOS_prompt_variable() != 0) MOS_plot(&region);
    }
    return 0;
}
