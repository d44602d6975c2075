#include "geo/region.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/menu.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/system.hpp"
#include "mos/cty_read.hpp"

#ifndef ORV_DATA_DIR
#define ORV_DATA_DIR "data/"
#endif

namespace orv {
namespace {

constexpr unsigned kLevelDebug = 0x40000000U;
constexpr const char* kRegionFileName = "orv.reg";
constexpr const char* kDefaultStationTable = "sao.cty";
constexpr std::size_t kPathSize = 160;  // file names: 159 characters and the terminator
// Region references may name further regions; a chain this deep is a loop.
constexpr int kMaxNesting = 8;
constexpr int kDefaultNx = 25;
constexpr int kDefaultNy = 17;
constexpr float kDefaultSpacing = 1.2F;
constexpr float kZoomSpacing = 1.0F;
// Larger grids are not analyses anyone asked for: they only fill the disk.
constexpr std::int64_t kMaxGridSide = 4096;
constexpr std::int64_t kMaxGridPoints = 1 << 20;
// On the earth a side longer than this (in map units of 100 km, or degrees)
// wraps the globe more than twice.
constexpr double kMaxEarthExtent = 1000.0;

struct RegionEntry {
    bool present = false;  // false ends the menu
    char label[32] = {};  // loaded labels are cut to 20 characters; entry 0's is longer
    char key[kRegionKeySize] = {};
    int item = 0;
    int listed = 1;
};

struct BuiltinRegion {
    const char* key;
    const char* label;
    float clat;
    float clon;
    float spacing;
};

// The regions known without a region file; "var" asks for its centre.
constexpr BuiltinRegion kBuiltinRegions[] = {
    {"us", "Contiguous US", 39.0F, -97.0F, 2.3F},   {"ne", "New England", 42.0F, -76.0F, 0.9F},
    {"at", "Atlantic", 37.0F, -82.0F, 0.9F},         {"se", "Southeastern", 31.0F, -88.0F, 1.1F},
    {"mw", "Midwestern", 43.0F, -93.0F, 1.1F},       {"sp", "Southern Plains", 32.5F, -100.0F, 1.2F},
    {"nw", "Northwestern", 44.0F, -112.0F, 1.0F},    {"sw", "Southwestern", 37.0F, -112.0F, 1.0F},
    {"var", "Variable", kMissingF, kMissingF, 1.2F},
};

using RegionMenu = std::array<RegionEntry, kRegionMenuSize>;

RegionMenu builtin_menu() {
    RegionMenu menu{};
    menu[0].present = true;
    copy_text(menu[0].label, "Return to previous menu");
    copy_text(menu[0].key, "back");
    int n = 0;
    for (const BuiltinRegion& r : kBuiltinRegions) {
        RegionEntry& e = menu[static_cast<std::size_t>(++n)];
        e.present = true;
        copy_text(e.label, r.label);
        copy_text(e.key, r.key);
        e.item = n;
    }
    return menu;
}

struct DomState {
    int priority = 3;
    int loc_prior = 4;
    int prompt_region = 1;
    RegionMenu entries = builtin_menu();
    int num_regs = 0;
    std::array<MenuEntry, kRegionMenuSize> menu{};  // the entries as the menu service sees them
    DomStationLookup station_lookup = CTY_get_loc;
    DomKeyStore key_store = nullptr;
    int nesting = 0;
    char region_file[kPathSize] = {};
};
DomState g;

// ---------------------------------------------------------------- texts

bool equals_nocase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool starts_nocase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equals_nocase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimmed(std::string_view s) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<std::string> split(std::string_view text, char sep) {
    std::vector<std::string> parts;
    for (;;) {
        const std::size_t at = text.find(sep);
        parts.emplace_back(trimmed(text.substr(0, at)));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

// Numbers as "%f" and "%d" read them: leading digits count, the rest of the
// field is ignored. Values that are not finite or do not fit never convert.
bool to_float(const std::string& s, float& out) {
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(s.c_str(), &end);
    if (end == s.c_str() || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool to_int(const std::string& s, std::int32_t& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str() || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

// Projection origins may be left empty, which reads as 0.
bool to_float_or_zero(const std::string& s, float& out) {
    if (s.empty()) {
        out = 0.0F;
        return true;
    }
    return to_float(s, out);
}

// ---------------------------------------------------------------- files

// A name is joined to the "file_path" directory unless it is a full path;
// without that resource the shipped data directory is used.
std::string resolve_file(const char* name) {
    const std::string_view n = name != nullptr ? name : "";
    if (!n.empty() && (n.front() == '/' || n.front() == '.' || n.front() == '~')) return std::string(n);
    const char* path = RES_get("file_path");
    std::string dir = (path != nullptr && path[0] != '\0') ? path : ORV_DATA_DIR;
    if (equals_nocase(dir, "none")) dir.clear();
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::string full = dir + std::string(n);
    if (full.size() >= kPathSize) full.resize(kPathSize - 1);
    return full;
}

// One line of at most kRegionLineMax characters; the rest of a longer line
// is dropped. False at the end of the file.
bool read_line(std::FILE* file, std::string& line) {
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < kRegionLineMax) line += static_cast<char>(c);
    }
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

bool is_comment(const std::string& line) { return !line.empty() && line.front() == '#'; }

// The whitespace-separated words of a line: key, label, listing flag, specification.
struct RegionLine {
    int count = 0;  // fields read, as a scan of "%s %s %d %s" counts them
    char key[kRegionSpecSize] = {};
    char label[kRegionSpecSize] = {};
    int listed = 0;
    char spec[kRegionSpecSize] = {};
};

RegionLine scan_line(const std::string& line) {
    RegionLine r;
    r.count = std::sscanf(line.c_str(), "%500s %500s %d %500s", r.key, r.label, &r.listed, r.spec);
    return r;
}

class RegionFile {
public:
    explicit RegionFile(const char* name) : file_(FILE_open(name, "r")) {
        if (file_ == nullptr) MESS_print(kMessError, "Unable to open region file: %s\n", name);
    }
    ~RegionFile() {
        if (file_ != nullptr) FILE_close(file_);
    }
    RegionFile(const RegionFile&) = delete;
    RegionFile& operator=(const RegionFile&) = delete;
    bool is_open() const { return file_ != nullptr; }
    // The next line that is not a comment.
    bool next(std::string& line) {
        while (read_line(file_, line))
            if (!is_comment(line)) return true;
        return false;
    }

private:
    std::FILE* file_;
};

// ---------------------------------------------------------------- fields

bool is_station_field(const char* field) { return field != nullptr && starts_nocase(field, "id:"); }

// "NAME", "NAME:PLON" or "NAME[:e]:PLAT[:PLON[:P1[:P2[:P3[:P4]]]]]".
bool decode_projection(const char* field, Domain& d) {
    const std::vector<std::string> parts = split(field, ':');
    d.proj = DOM_proj_str(parts[0].c_str());
    if (d.proj == -1) {
        d.proj = kProjPolarStereo;
        return false;
    }
    if (parts.size() == 2 && !equals_nocase(parts[1], "e")) return to_float_or_zero(parts[1], d.plon);
    std::size_t at = 1;
    if (parts.size() >= 2 && equals_nocase(parts[1], "e")) {
        d.ellipsoid = 1;
        at = 2;
    }
    constexpr std::size_t kMaxNumbers = 6;  // PLAT, PLON, P1..P4
    if (parts.size() - at > kMaxNumbers) return false;
    if (at < parts.size() && !to_float_or_zero(parts[at], d.plat)) return false;
    if (at + 1 < parts.size() && !to_float_or_zero(parts[at + 1], d.plon)) return false;
    for (std::size_t k = at + 2; k < parts.size(); ++k)
        if (!parts[k].empty() && !to_float(parts[k], d.params[k - at - 2])) return false;
    return true;
}

// "id:STATION" or "id:TABLE:STATION": the centre from the station table.
bool decode_station(const char* field, Domain& d) {
    if (!is_station_field(field) || g.station_lookup == nullptr) return false;
    const std::string_view rest = std::string_view(field).substr(3);
    const std::size_t colon = rest.find(':');
    const std::string table = colon == std::string_view::npos ? kDefaultStationTable
                                                              : std::string(rest.substr(0, colon));
    const std::string id(colon == std::string_view::npos ? rest : rest.substr(colon + 1));
    if (id.empty() || table.empty()) return false;
    float lat = kMissingF;
    float lon = kMissingF;
    if (g.station_lookup(table.c_str(), id.c_str(), &lat, &lon) != 1) return false;
    d.clat = lat;
    d.clon = lon;
    return true;
}

bool decode_field(DomField kind, const char* field, Domain& d) {
    const std::string text = field != nullptr ? field : "";
    switch (kind) {
    case kDomProj: return decode_projection(text.c_str(), d);
    case kDomPlon: return to_float(text, d.plon);
    case kDomClat: return is_station_field(field) ? decode_station(field, d) : to_float(text, d.clat);
    case kDomClon: return to_float(text, d.clon);
    case kDomNx: return to_int(text, d.nx);
    case kDomNy: return to_int(text, d.ny);
    case kDomDx: return to_float(text, d.dx);
    case kDomDy: return to_float(text, d.dy);
    case kDomStation: return decode_station(field, d);
    case kDomRegion: return !text.empty() && !is_station_field(field);
    case kDomEnd: break;
    }
    return false;
}

bool lat_ok(float v) { return is_missing(v) || std::fabs(v) <= 90.0F; }
bool lon_ok(float v) { return is_missing(v) || std::fabs(v) <= 540.0F; }

// On the earth, centres and origins lie on the globe and true latitudes
// between the poles; the other planes take any numbers.
bool on_the_globe(const Domain& d, bool earth) {
    if (!earth) return true;
    const bool true_lats = d.proj != kProjLambert && d.proj != kProjPolarStereo
                               ? true
                               : lat_ok(d.params[0]) && lat_ok(d.params[1]);
    return lat_ok(d.clat) && lat_ok(d.plat) && lon_ok(d.clon) && lon_ok(d.plon) && true_lats;
}

bool is_earth_proj(int proj) { return proj >= kProjPolarStereo && proj <= kProjSatellite; }

// ---------------------------------------------------------------- templates

struct Template {
    std::array<DomField, 8> kinds;
    const char* text;
    bool default_proj;     // proj = 1
    bool default_size;     // 25 x 17 points
    float spacing;         // dx = dy, when not 0
    bool square;           // dy = dx
};

constexpr Template kTemplates[] = {
    {{kDomProj, kDomPlon, kDomClat, kDomClon, kDomNx, kDomNy, kDomDx, kDomDy},
     "proj,plon,clat,clon,nx,ny,dx,dy", false, false, 0.0F, false},
    {{kDomProj, kDomClat, kDomClon, kDomNx, kDomNy, kDomDx, kDomDy}, "proj,clat,clon,nx,ny,dx,dy",
     false, false, 0.0F, false},
    {{kDomProj, kDomPlon, kDomClat, kDomClon, kDomDx, kDomDy}, "proj,plon,clat,clon,dx,dy", false,
     true, 0.0F, false},
    {{kDomProj, kDomClat, kDomClon, kDomNx, kDomNy, kDomDx}, "proj,clat,clon,nx,ny,dx", false, false,
     0.0F, true},
    {{kDomClat, kDomClon, kDomNx, kDomNy, kDomDx, kDomDy}, "clat,clon,nx,ny,dx,dy", true, false, 0.0F,
     false},
    {{kDomProj, kDomClat, kDomClon, kDomDx, kDomDy}, "proj,clat,clon,dx,dy", false, true, 0.0F, false},
    {{kDomClat, kDomClon, kDomNx, kDomNy, kDomDx}, "clat,clon,nx,ny,dx", true, false, 0.0F, true},
    {{kDomProj, kDomClat, kDomClon, kDomDx}, "proj,clat,clon,dx", false, true, 0.0F, true},
    {{kDomClat, kDomClon, kDomNx, kDomNy}, "clat,clon,nx,ny", true, false, kDefaultSpacing, false},
    {{kDomClat, kDomClon, kDomDx}, "clat,clon,dx", true, true, 0.0F, true},
    {{kDomProj, kDomClat, kDomClon}, "proj,clat,clon", false, true, kDefaultSpacing, false},
    {{kDomClat, kDomClon}, "clat,clon", true, true, kDefaultSpacing, false},
    {{kDomStation}, "id:###", true, true, kDefaultSpacing, false},
    {{kDomRegion}, "reg:REG", false, false, 0.0F, false},
};

int set_params(int count, const char* const* fields, Domain& d, const std::array<DomField, 8>& kinds) {
    const auto n_kinds = static_cast<int>(std::find(kinds.begin(), kinds.end(), kDomEnd) - kinds.begin());
    const auto clat_at = static_cast<int>(std::find(kinds.begin(), kinds.end(), kDomClat) - kinds.begin());
    const bool station_centre = clat_at < n_kinds && clat_at + 1 < n_kinds &&
                                kinds[static_cast<std::size_t>(clat_at) + 1] == kDomClon &&
                                clat_at < count && is_station_field(fields[clat_at]);
    if (count != n_kinds - (station_centre ? 1 : 0) || count <= 0) return -1;
    DOM_init(&d);
    if (std::strcmp(fields[0], "miss") == 0 || std::strcmp(fields[0], "none") == 0) return 0;
    int f = 0;
    bool has_proj = false;
    for (int k = 0; k < n_kinds; ++k) {
        const DomField kind = kinds[static_cast<std::size_t>(k)];
        if (kind == kDomClon && station_centre) continue;  // the station gave it
        if (!decode_field(kind, fields[f++], d)) return -1;
        has_proj = has_proj || kind == kDomProj;
    }
    return on_the_globe(d, !has_proj || is_earth_proj(d.proj)) ? 0 : -1;
}

void fill_in(const Template& t, Domain& d) {
    if (t.default_proj) d.proj = kProjPolarStereo;
    if (d.proj == kProjSize && t.spacing != 0.0F) {  // "size,W,H": the picture size
        d.nx = static_cast<std::int32_t>(std::clamp(d.clat, -2.0e9F, 2.0e9F));
        d.ny = static_cast<std::int32_t>(std::clamp(d.clon, -2.0e9F, 2.0e9F));
        d.clat = kMissingF;
        d.clon = kMissingF;
        return;
    }
    if (t.default_size) {
        d.nx = kDefaultNx;
        d.ny = kDefaultNy;
    }
    if (t.spacing != 0.0F) d.dx = d.dy = d.proj == kProjZoom ? kZoomSpacing : t.spacing;
    if (t.square) d.dy = d.dx;
}

// Why a decoded domain cannot be analysed or drawn, or nullptr when it can.
// The picture-size form holds a width and height instead of a grid.
const char* domain_fault(const Domain& d) {
    if (d.proj == kProjSize)
        return d.nx >= 1 && d.ny >= 1 && d.nx <= kMaxGridSide * 4 && d.ny <= kMaxGridSide * 4
                   ? nullptr
                   : "the picture size is out of range";
    if (!(d.dx > 0.0F) || !(d.dy > 0.0F) || !std::isfinite(d.dx) || !std::isfinite(d.dy))
        return "the grid spacing must be above 0";
    if (d.nx < 2 || d.ny < 2) return "the grid needs at least 2 x 2 points";
    if (d.nx > kMaxGridSide || d.ny > kMaxGridSide ||
        static_cast<std::int64_t>(d.nx) * d.ny > kMaxGridPoints)
        return "the grid has too many points";
    if (is_earth_proj(d.proj) && (static_cast<double>(d.nx - 1) * d.dx > kMaxEarthExtent ||
                                  static_cast<double>(d.ny - 1) * d.dy > kMaxEarthExtent))
        return "the grid is larger than the earth";
    return nullptr;
}

const BuiltinRegion* builtin_region(const char* key) {
    const auto* r = std::find_if(std::begin(kBuiltinRegions), std::end(kBuiltinRegions),
                                 [&](const BuiltinRegion& b) { return equals_nocase(key, b.key); });
    return r != std::end(kBuiltinRegions) ? r : nullptr;
}

// The built-in region whose centre is asked for ("var").
bool asks_for_centre(const char* key) {
    const BuiltinRegion* r = builtin_region(key);
    return r != nullptr && is_missing(r->clat);
}

// An explicit domain, or invalid (the record reset) with the reason printed.
int usable_or_invalid(Domain& d) {
    const char* fault = domain_fault(d);
    if (fault == nullptr) return kDomExplicit;
    DOM_init(&d);
    MESS_print(kMessError, "DOM_decode: Invalid plot domain: %s\n", fault);
    return kDomInvalid;
}

// ---------------------------------------------------------------- regions

struct NestingGuard {
    NestingGuard() { ++g.nesting; }
    ~NestingGuard() { --g.nesting; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};

// A region's specification, decoded; a specification that is itself
// invalid makes the reference invalid.
int decode_region_spec(const char* spec, Domain& d) {
    const int r = DOM_decode(spec, &d);
    return r > 0 ? kDomRegionRef : r;
}

// The key's specification from the file, else the built-in region; a key
// known to neither leaves projection -1.
int decode_region_key(const char* file, const std::string& key, Domain& d) {
    char spec[kRegionSpecSize] = {};
    // A region defined as its own key ("var Variable 1 var") is the built-in one.
    if (DOM_search_file(file, key.c_str(), spec, sizeof spec) == 1 && !equals_nocase(spec, key))
        return decode_region_spec(spec, d);
    if (FLAG_batch() != 0 && asks_for_centre(key.c_str())) {
        DOM_init(&d);
        MESS_print(kMessError, "DOM_decode: region %s asks for its centre, which a batch run cannot do; "
                               "give clat,clon instead\n", key.c_str());
        return kDomInvalid;
    }
    if (DOM_get_def_region(key.c_str(), &d) == 1) return kDomRegionRef;
    DOM_init(&d);
    d.proj = -1;
    return kDomRegionRef;
}

int decode_region(const char* field, Domain& d) {
    const std::string_view f(field);
    if (starts_nocase(f, "fi:")) {
        const std::string file = resolve_file(std::string(f.substr(3)).c_str());
        char spec[kRegionSpecSize] = {};
        if (DOM_search_file(file.c_str(), nullptr, spec, sizeof spec) == 1) return decode_region_spec(spec, d);
        DOM_init(&d);
        d.proj = -1;
        return kDomRegionRef;
    }
    const std::size_t colon = f.find(':');
    if (colon == std::string_view::npos) {
        const std::string file = DOM_region_file();
        return decode_region_key(file.c_str(), std::string(f), d);
    }
    const std::string file = resolve_file(std::string(f.substr(0, colon)).c_str());
    const std::string key(f.substr(colon + 1));
    if (key.empty()) {
        DOM_read_menu(file.c_str());
        return kDomRegionRef;
    }
    return decode_region_key(file.c_str(), key, d);
}

int match_templates(const std::vector<std::string>& fields, Domain& d) {
    std::vector<const char*> items;
    items.reserve(fields.size());
    for (const std::string& s : fields) items.push_back(s.c_str());
    const int count = static_cast<int>(items.size());

    if (count > 0 && std::strcmp(items[0], "size") == 0 &&
        DOM_set_params(count, items.data(), &d, kDomProj, kDomNx, kDomNy) == 0)
        return usable_or_invalid(d);

    int order = 0;
    for (const Template& t : kTemplates) {
        ++order;
        if (set_params(count, items.data(), d, t.kinds) != 0) continue;
        MESS_print(kLevelDebug, "%2d %s\n", order, t.text);
        if (t.kinds[0] == kDomRegion) return decode_region(items[0], d);
        fill_in(t, d);
        return usable_or_invalid(d);
    }
    DOM_init(&d);
    MESS_print(kMessError, "DOM_decode: Invalid plot domain\n");
    return kDomInvalid;
}

bool is_blank_text(const char* text) {
    return text == nullptr || trimmed(text).empty();
}

// The menu as the menu service takes it: the present entries, then a null label.
const MenuEntry* region_menu() {
    std::size_t n = 0;
    for (; n < g.entries.size() && g.entries[n].present; ++n) {
        const RegionEntry& e = g.entries[n];
        MenuEntry& m = g.menu[n];
        m.label = e.label;
        m.abbr = e.key;
        m.value = e.item;
        std::fill(std::begin(m.shown), std::end(m.shown), e.listed != 0 ? 1 : 0);
    }
    if (n < g.menu.size()) g.menu[n] = MenuEntry{nullptr, nullptr, 0, {}};
    return g.menu.data();
}

void load_menu_once() {
    if (g.num_regs == 0) DOM_read_menu(DOM_region_file());
}

// The first region of the menu, or "us" when the menu is empty.
const char* first_region_key() {
    const RegionEntry& e = g.entries[1];
    return e.present && e.key[0] != '\0' ? e.key : "us";
}

const char* resource_value(const char* name) {
    const char* v = RES_get(name);
    return v != nullptr && v[0] != '\0' ? v : nullptr;
}

[[noreturn]] void invalid_domain_exit() {
    MESS_print(kMessError, "Invalid domain\n");
    ORV_exit(43);
}

int decode_or_exit(const char* text, Domain* domain) {
    const int r = DOM_decode(text, domain);
    if (r == kDomInvalid) invalid_domain_exit();
    return r;
}

int ask_region(Domain* domain) {
    constexpr int kPasses = 5;
    constexpr int kExitAndBack = kMenuExit | kMenuBack;
    for (int pass = 0; pass < kPasses; ++pass) {
        char reply[kMenuReplySize] = {};
        const int r = MENU_process("\n        Region Menu\n", region_menu(), 0, "Enter the region: ", reply,
                                   kExitAndBack);
        if (equals_nocase(reply, "list")) {
            DOM_print_file(DOM_region_file());
            continue;
        }
        if (r == -1) ORV_exit(0);
        if (r == 0) return 0;
        const int d = DOM_decode(reply, domain);
        if (d != kDomInvalid) return d;
        MESS_print(kMessError, "Invalid domain\n");
    }
    return kDomInvalid;
}

}  // namespace

// ---------------------------------------------------------------- decoding

void DOM_init(Domain* domain) {
    if (domain != nullptr) *domain = Domain{};
}

int DOM_proj_str(const char* text) { return MAP_proj_str(text); }

int DOM_set_params(int count, const char* const* fields, Domain* domain, DomField k1, DomField k2,
                   DomField k3, DomField k4, DomField k5, DomField k6, DomField k7, DomField k8) {
    if (fields == nullptr || domain == nullptr || count < 0) return -1;
    for (int i = 0; i < count; ++i)
        if (fields[i] == nullptr) return -1;
    return set_params(count, fields, *domain, {k1, k2, k3, k4, k5, k6, k7, k8});
}

int DOM_decode(const char* text, Domain* domain) {
    Domain scratch;
    Domain& d = domain != nullptr ? *domain : scratch;
    DOM_init(&d);
    if (is_blank_text(text) || std::strcmp(text, "miss") == 0) return kDomEmpty;
    if (g.nesting >= kMaxNesting) {
        MESS_print(kMessError, "DOM_decode: Invalid plot domain\n");
        return kDomInvalid;
    }
    const NestingGuard guard;
    const std::vector<std::string> fields = split(text, ',');
    MESS_print(kLevelDebug, "******** PARSING DOMAIN: %d %s\n", static_cast<int>(fields.size()), text);
    const int result = match_templates(fields, d);
    FLAG_set(kFlagDomainSet, result);
    if (g.key_store != nullptr) g.key_store('r', text);
    if (!is_missing(d.ny) && !is_missing(d.dy)) DOM_set_base_prior(static_cast<float>(d.ny - 1) * d.dy);
    return result;
}

// ---------------------------------------------------------------- resources and menu

int DOM_get_region(Domain* domain, int mode) {
    const bool from_plot_domain = mode == 1 || mode == 3 || mode == 4;
    if (from_plot_domain) {
        if (const char* v = resource_value("plot_domain")) return DOM_decode(v, domain);
    }
    if (const char* v = resource_value("region")) return DOM_decode(v, domain);
    if (mode != 4) return 0;
    load_menu_once();
    return DOM_decode(first_region_key(), domain);
}

int DOM_get_grid_domain(Domain* domain) {
    for (const char* name : {"grid_domain", "region", "plot_domain"})
        if (const char* v = resource_value(name)) return DOM_decode(v, domain);
    return 0;
}

int DOM_prompt_region(Domain* domain, int mode) {
    if (g.prompt_region == 0) return 0;
    for (const char* name : {"plot_domain", "region"}) {
        if (mode != 1 && std::strcmp(name, "plot_domain") == 0) continue;
        const char* v = resource_value(name);
        if (v == nullptr) continue;
        const int r = decode_or_exit(v, domain);
        if (r > 0) {
            g.prompt_region = 0;
            return r;
        }
    }
    load_menu_once();
    if (FLAG_batch() != 0) return decode_or_exit(first_region_key(), domain);
    return ask_region(domain);
}

void DOM_set_prompt_region(int flag) { g.prompt_region = flag; }

int DOM_get_def_region(const char* key, Domain* domain) {
    if (key == nullptr) return 0;
    const BuiltinRegion* r = builtin_region(key);
    // A batch run never prompts.
    if (r == nullptr || (FLAG_batch() != 0 && is_missing(r->clat))) return 0;
    Domain scratch;
    Domain& d = domain != nullptr ? *domain : scratch;
    DOM_init(&d);
    d.proj = kProjPolarStereo;
    d.clat = r->clat;
    d.clon = r->clon;
    if (is_missing(r->clat)) {
        d.clat = ORV_promptf("Enter the central latitude: ");
        d.clon = ORV_promptf("Enter the central longitude: ");
    }
    d.plon = d.clon;
    d.nx = kDefaultNx;
    d.ny = kDefaultNy;
    d.dx = d.dy = r->spacing;
    return 1;
}

int DOM_read_menu(const char* file) {
    if (file == nullptr) return 0;
    RegionFile in(file);
    if (!in.is_open()) return 0;
    int n = 0;
    std::string line;
    while (n < kRegionMenuMax && in.next(line)) {
        const RegionLine r = scan_line(line);
        if (r.count < 3 || r.listed == 0) continue;
        RegionEntry& e = g.entries[static_cast<std::size_t>(++n)];
        e = RegionEntry{};
        e.present = true;
        copy_text(e.key, r.key);
        strntcpy(e.label, r.label, kRegionLabelSize);
        fill_string(e.label, '_', ' ');
        e.item = n;
        e.listed = r.listed;
    }
    for (std::size_t k = static_cast<std::size_t>(n) + 1; k < g.entries.size(); ++k) g.entries[k] = RegionEntry{};
    g.num_regs = n + 1;
    return 1;
}

int DOM_search_file(const char* file, const char* key, char* out, std::size_t size) {
    if (file == nullptr || out == nullptr || size == 0) return 0;
    RegionFile in(file);
    if (!in.is_open()) return 0;
    std::string line;
    while (in.next(line)) {
        const RegionLine r = scan_line(line);
        // A file that holds a bare specification: its first line is the domain.
        if (r.count == 1 && key == nullptr) {
            strntcpy(out, r.key, size);
            return 1;
        }
        if (r.count < 4) continue;
        if (key == nullptr || equals_nocase(r.key, key)) {
            strntcpy(out, r.spec, size);
            return 1;
        }
    }
    return 0;
}

void DOM_print_file(const char* file) {
    if (file == nullptr) return;
    RegionFile in(file);
    if (!in.is_open()) return;
    MESS_print(kMessPrint, " Abbr    Description\n");
    std::string line;
    while (in.next(line)) {
        RegionLine r = scan_line(line);
        if (r.count < 2) continue;
        fill_string(r.label, '_', ' ');
        MESS_print(kMessPrint, "%-8s %-50s\n", r.key, r.label);
    }
}

const char* DOM_get_region_name(int n) {
    if (n < 0 || n >= kRegionMenuSize) return nullptr;
    for (int k = 0; k <= n; ++k)
        if (!g.entries[static_cast<std::size_t>(k)].present) return nullptr;
    return g.entries[static_cast<std::size_t>(n)].label;
}

const char* DOM_region_file() {
    copy_text(g.region_file, resolve_file(kRegionFileName).c_str());
    return g.region_file;
}

// ---------------------------------------------------------------- comparison and printing

namespace {
// A missing origin stands for the centre.
bool same_origin(float a, float b, float centre_a, float centre_b) {
    const float ea = is_missing(a) ? centre_a : a;
    const float eb = is_missing(b) ? centre_b : b;
    return ea == eb;
}

bool same_projection(const Domain& a, const Domain& b) {
    return a.proj == b.proj && a.ellipsoid == b.ellipsoid &&
           std::equal(std::begin(a.params), std::end(a.params), std::begin(b.params)) &&
           same_origin(a.plat, b.plat, a.clat, b.clat) && same_origin(a.plon, b.plon, a.clon, b.clon);
}
}  // namespace

int DOM_comp(const Domain* a, const Domain* b) {
    if (a == nullptr || b == nullptr) return a == b ? 1 : 0;
    const bool same = same_projection(*a, *b) && a->clat == b->clat && a->clon == b->clon &&
                      a->dx == b->dx && a->dy == b->dy && a->nx == b->nx && a->ny == b->ny;
    return same ? 1 : 0;
}

int DOM_comp_proj(const Domain* a, const Domain* b) {
    if (a == nullptr || b == nullptr) return a == b ? 1 : 0;
    return same_projection(*a, *b) ? 1 : 0;
}

void DOM_print(unsigned level, const Domain* domain) {
    if (domain == nullptr || MESS_check(level) == 0) return;
    const Domain& d = *domain;
    std::string text = MAP_proj_name(d.proj);
    if (d.ellipsoid != 0) text += ":e";
    char number[64];
    for (float v : {d.plat, d.plon, d.params[0], d.params[1], d.params[2]}) {
        text += ':';
        if (is_missing(v)) continue;
        std::snprintf(number, sizeof number, "%3.3f", static_cast<double>(v));
        text += number;
    }
    char tail[256];
    std::snprintf(tail, sizeof tail, ",%3.3f,%3.3f,%d,%d,%4.4f,%4.4f\n", static_cast<double>(d.clat),
                  static_cast<double>(d.clon), static_cast<int>(d.nx), static_cast<int>(d.ny),
                  static_cast<double>(d.dx), static_cast<double>(d.dy));
    text += tail;
    MESS_print(level, "%s", text.c_str());
}

float DOM_aspect(const Domain* domain) {
    if (domain == nullptr || domain->nx < 2 || domain->ny < 2) return 1.0F;
    return static_cast<float>(domain->nx - 1) / static_cast<float>(domain->ny - 1);
}

// ---------------------------------------------------------------- priority

void DOM_set_base_prior(float height) {
    int p = 6;
    if (height > 50.0F) p = 1;
    else if (height > 25.0F) p = 2;
    else if (height > 12.5F) p = 3;
    else if (height > 6.25F) p = 4;
    else if (height > 3.0F) p = 5;
    const char* adjust = RES_get("stat_prior");
    if (adjust != nullptr) {
        const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
        if (adjust[0] == '+' && digit(adjust[1])) p += adjust[1] - '0';
        else if (adjust[0] == '-' && digit(adjust[1])) p -= adjust[1] - '0';
        else if (digit(adjust[0])) p = static_cast<int>(std::min(std::strtol(adjust, nullptr, 10), 1000L));
    }
    g.priority = p;
}

void DOM_set_prior(int priority) { g.priority = priority; }
int DOM_get_prior() { return g.priority; }
void DOM_set_loc_prior(int priority) { g.loc_prior = priority; }
int DOM_get_loc_prior() { return g.loc_prior; }

// ---------------------------------------------------------------- seams

void DOM_set_station_lookup(DomStationLookup lookup) { g.station_lookup = lookup; }
void DOM_set_key_store(DomKeyStore store) { g.key_store = store; }

void DOM_reset_for_tests() { g = DomState{}; }

}  // namespace orv
