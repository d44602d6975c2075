// Domains and regions: the domain specification texts users give on the
// command line, in resources, in the region file or at a prompt; the region
// menu; comparison and printing of domains; the station priority implied by
// a domain's size.
//
// A specification is a comma-separated list such as "ps,40,-100,25,17,1.2"
// (projection, centre, size, spacing; shorter forms fill in defaults), a
// station-centred "ps,id:DEN", or a region reference: a key of the region
// file "orv.reg" ("us"), "file:key", "file:" (load that file as the menu)
// or "fi:file" (the first specification in that file).
#pragma once

#include <cstddef>

#include "geo/maptran.hpp"

namespace orv {

// Menu texts: keys hold at most 5 characters, labels at most 20.
inline constexpr std::size_t kRegionKeySize = 6;
inline constexpr std::size_t kRegionLabelSize = 21;
// Region file lines hold at most 500 characters; so does a specification.
inline constexpr std::size_t kRegionLineMax = 500;
inline constexpr std::size_t kRegionSpecSize = kRegionLineMax + 1;
// The menu: entry 0 ("back"), at most 19 regions, and the ending entry.
inline constexpr int kRegionMenuSize = 21;
inline constexpr int kRegionMenuMax = 19;

// Field kinds of a specification template.
enum DomField : int {
    kDomEnd = 0,   // no further field
    kDomProj,      // NAME[:e][:PLAT[:PLON[:P1..P4]]] or NAME:PLON
    kDomPlon,
    kDomClat,      // or "id:[table:]station", standing for clat and clon
    kDomClon,
    kDomNx,
    kDomNy,
    kDomDx,
    kDomDy,
    kDomStation,   // "id:[table:]station" alone
    kDomRegion,    // a region reference
};

// Decode results.
inline constexpr int kDomExplicit = 1;
inline constexpr int kDomRegionRef = 2;
inline constexpr int kDomInvalid = -1;
inline constexpr int kDomEmpty = -9999;

void DOM_init(Domain* domain);
// 1 explicit domain, 2 region reference, -1 invalid, -9999 empty, null or "miss".
int DOM_decode(const char* text, Domain* domain);
// Matches the fields against one template of up to eight kinds: 0 when it
// matches (the domain then holds the fields), -1 otherwise.
int DOM_set_params(int count, const char* const* fields, Domain* domain, DomField k1,
                   DomField k2 = kDomEnd, DomField k3 = kDomEnd, DomField k4 = kDomEnd,
                   DomField k5 = kDomEnd, DomField k6 = kDomEnd, DomField k7 = kDomEnd,
                   DomField k8 = kDomEnd);
// Projection name to code: -1 for none or an unknown name, -9999 for "miss".
int DOM_proj_str(const char* text);

// Domains from the resources "plot_domain", "region" and "grid_domain", and
// from the region menu. Results as DOM_decode; 0 when nothing was decoded.
int DOM_get_region(Domain* domain, int mode);
int DOM_get_grid_domain(Domain* domain);
int DOM_prompt_region(Domain* domain, int mode);
void DOM_set_prompt_region(int flag);

// Regions.
int DOM_get_def_region(const char* key, Domain* domain);  // 1 built in, 0 not
int DOM_read_menu(const char* file);                       // 1 loaded, 0 not
// The domain text of the region `key` (the first region when key is null)
// into out, `size` bytes: 1 found, 0 not.
int DOM_search_file(const char* file, const char* key, char* out,
                    std::size_t size = kRegionSpecSize);
void DOM_print_file(const char* file);
// Label of menu entry n, or null beyond the menu.
const char* DOM_get_region_name(int n);
// Full name of the region file: "orv.reg" in the "file_path" directory.
const char* DOM_region_file();

// Comparison, printing, shape.
int DOM_comp(const Domain* a, const Domain* b);
int DOM_comp_proj(const Domain* a, const Domain* b);
void DOM_print(unsigned level, const Domain* domain);
float DOM_aspect(const Domain* domain);

// Station priority (smaller = larger domain, fewer stations).
void DOM_set_base_prior(float height);
void DOM_set_prior(int priority);
int DOM_get_prior();
void DOM_set_loc_prior(int priority);
int DOM_get_loc_prior();

// Seams to other modules.
// The station lookup, CTY_get_loc unless replaced: 1 and the station's
// position when found.
using DomStationLookup = int (*)(const char* table, const char* id, float* lat, float* lon);
void DOM_set_station_lookup(DomStationLookup lookup);
// The file-name key store (none until the program installs one): receives
// ('r', text) for every decoded text.
using DomKeyStore = void (*)(char key, const char* text);
void DOM_set_key_store(DomKeyStore store);

void DOM_reset_for_tests();

}  // namespace orv
