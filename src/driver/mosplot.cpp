// mosplot: plots MOS station forecast bulletins as weather maps.
#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "core/system.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/region.hpp"
#include "gks/gks_img.hpp"
#include "gks/gks_text.hpp"
#include "mos/mos_plt.hpp"
#include "plot/colors.hpp"
#include "plot/data_plt.hpp"

namespace {
constexpr int kContourType = 11;
constexpr const char* kProgramTitle = "RAD AZOD ORURIVERAR";
constexpr int kRegionFromResourcesOrMenu = 4;

// Region and domain resources decode into a Domain record.
int decode_domain(const char* text, void* domain) {
    return orv::DOM_decode(text, static_cast<orv::Domain*>(domain));
}
}  // namespace

int main(int argc, char** argv) {
    using namespace orv;
    RES_set_domain_decoder(decode_domain);
    CLR_register_hooks();
    gtext_register_hooks();
    MAP_register_hooks();
    DATA_register_hooks();
    IMG_register_hooks();
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
