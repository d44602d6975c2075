#include "mos/cty_tool.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/tools.hpp"

namespace orv {
namespace {

constexpr int kMaxRing = 49;
constexpr int kKeySize = 32;
constexpr double kEarthRadiusKm = kEarthRadius * 100.0;
constexpr double kRadPerDeg = 0.017453292519943295;

struct CtyState {
    HashTable table{};
    int type = 0;  // storage type of the loaded table; 0 = none
    int data_size = 0;
    CityEnterFunc enter_func = nullptr;
    int id_type = 0;
};
CtyState g;

using Key = char[kKeySize];

// Writes 0 <= v < 10^9 right-aligned in width characters padded with pad
// ("%05ld" or "%5ld"); returns the end of the text, not terminated.
char* put_right(char* out, long v, int width, char pad) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0);
    for (int i = n; i < width; ++i) *out++ = pad;
    while (n > 0) *out++ = digits[--n];
    return out;
}

// As put_right, for -10^9 < v < 10^9 padded with spaces ("%5ld").
char* put_signed(char* out, long v, int width) {
    if (v >= 0) return put_right(out, v, width, ' ');
    char digits[12];
    const int n = static_cast<int>(put_right(digits, -v, 0, ' ') - digits);
    for (int i = n + 1; i < width; ++i) *out++ = ' ';
    *out++ = '-';
    std::memcpy(out, digits, static_cast<std::size_t>(n));
    return out + n;
}

constexpr long kFastLimit = 1000000000L;

// The text of a station's number: "%05d", "b%05d" for a buoy.
void number_string(Key& out, const CityFileEntry& station) {
    const bool buoy = std::strcmp(station.state, "B_") == 0;
    if (station.number < 0 || station.number >= kFastLimit) {
        std::snprintf(out, kKeySize, buoy ? "b%05d" : "%05d", station.number);
        return;
    }
    char* p = out;
    if (buoy) *p++ = 'b';
    *put_right(p, station.number, 5, '0') = '\0';
}

// The location key of a point: tenths of a degree, rounded ("%5ld%6ld").
void location_key(Key& out, long lat10, long lon10) {
    if (lat10 <= -kFastLimit || lat10 >= kFastLimit || lon10 <= -kFastLimit || lon10 >= kFastLimit) {
        std::snprintf(out, kKeySize, "%5ld%6ld", lat10, lon10);
        return;
    }
    *put_signed(put_signed(out, lat10, 5), lon10, 6) = '\0';
}

long tenths(float degrees) { return std::lround(10.0 * static_cast<double>(degrees)); }

void entry_id(char (&id)[12], const CityFileEntry& station, const char* number) {
    const bool no_id = std::strcmp(station.id, "-") == 0;
    switch (g.id_type) {
    case 1:
        copy_text(id, station.number == kCityNoNumber ? station.id : number);
        break;
    case 2:
        if (!no_id) {
            copy_text(id, station.id);
        } else if (std::strcmp(station.state, "B_") == 0) {
            copy_text(id, number);
        } else {
            char code[kWmoIdSize];
            copy_text(id, wmo_to_id(code, station.number));
        }
        break;
    default:
        copy_text(id, no_id ? number : station.id);
        break;
    }
}

// ---- identifier filter ----

double earth_distance_km(double lat1, double lon1, double lat2, double lon2) {
    const double p1 = lat1 * kRadPerDeg;
    const double p2 = lat2 * kRadPerDeg;
    const double dp = p2 - p1;
    const double dl = (lon2 - lon1) * kRadPerDeg;
    const double h = std::sin(dp / 2) * std::sin(dp / 2) + std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2.0 * kEarthRadiusKm * std::asin(std::sqrt(std::fmin(1.0, h)));
}

bool starts_with(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool same_text(const char* a, const char* b) { return stricmp(a, b) == 0; }

// "xx" compares with the state, "xx_yy" with state and country.
bool state_matches(const CityFileEntry& s, const char* value) {
    if (std::strlen(value) <= 2) return same_text(s.state, value);
    const std::string joined = std::string(s.state) + "_" + s.country;
    return same_text(joined.c_str(), value);
}

// "=", "<" (at most) or ">" (at least) between value and the number after op.
bool compare(double value, char op, const char* number) {
    const double limit = std::strtod(number, nullptr);
    switch (op) {
    case '=': return value == limit;
    case '<': return value <= limit;
    case '>': return value >= limit;
    default: return false;
    }
}

// A comparison condition such as "Lat>40": true when it is one of name's and holds.
bool numeric_condition(std::string_view item, std::string_view name, double value, bool* holds) {
    if (!starts_with(item, name) || item.size() <= name.size()) return false;
    const char op = item[name.size()];
    if (op != '=' && op != '<' && op != '>') return false;
    *holds = compare(value, op, item.data() + name.size() + 1);
    return true;
}

class ConditionList {
public:
    ConditionList(char** items, int count, const CityFileEntry& s, const char* number)
        : items_(items), count_(count), s_(s), number_(number) {}

    // True when every condition holds; an unknown item is a condition that fails.
    bool all_hold() {
        if (count_ <= 0) return false;
        for (i_ = 0; i_ < count_; ++i_)
            if (!holds(items_[i_])) return false;
        return true;
    }

private:
    const char* next_item() { return i_ + 1 < count_ ? items_[++i_] : nullptr; }

    bool holds(const char* item) {
        const std::string_view c(item);
        if (starts_with(c, "Name=")) {
            const char* text = item + 5;
            while (*text == ' ') ++text;
            return strnicmp(s_.name, text, std::strlen(text)) == 0;
        }
        if (starts_with(c, "ST=")) return state_matches(s_, item + 3);
        if (c == "ST") {
            const char* value = next_item();
            return value != nullptr && state_matches(s_, value);
        }
        if (starts_with(c, "CN=")) return same_text(s_.country, item + 3);
        if (c == "CN") {
            const char* value = next_item();
            return value != nullptr && same_text(s_.country, value);
        }
        if (starts_with(c, "ID=")) return same_text(s_.id, item + 3);
        if (starts_with(c, "RA<")) return within_range(std::strtod(item + 3, nullptr));
        if (starts_with(c, "WMO=")) return same_text(number_, item + 4);
        bool result = false;
        if (numeric_condition(c, "WMO", s_.number, &result)) return result;
        if (numeric_condition(c, "P", s_.priority, &result)) return result;
        if (numeric_condition(c, "Lat", s_.lat, &result)) return result;
        if (numeric_condition(c, "Lon", s_.lon, &result)) return result;
        if (numeric_condition(c, "Elev", s_.elev, &result)) return !is_missing(s_.elev) && result;
        return false;
    }

    bool within_range(double radius_km) {
        const char* lat = next_item();
        const char* lon = next_item();
        if (lat == nullptr || lon == nullptr) return false;
        return earth_distance_km(s_.lat, s_.lon, std::strtod(lat, nullptr), std::strtod(lon, nullptr)) <= radius_km;
    }

    char** items_;
    int count_;
    const CityFileEntry& s_;
    const char* number_;
    int i_ = 0;
};

bool entry_accepts(const char* entry, const CityFileEntry& s, const char* number) {
    if (same_text(entry, number) || same_text(entry, s.id)) return true;
    const std::size_t n = std::strlen(entry);
    if (n > 4 && strnicmp(s.name, entry, n) == 0) return true;
    int count = 0;
    char** items = nullptr;
    parse_string(entry, ':', &count, &items);
    const bool accepted = ConditionList(items, count, s, number).all_hold();
    free_parsed_array(count, items);
    return accepted;
}

constexpr const char* kConditionPrefixes[] = {
    "Name=", "ST=", "ST:", "CN=", "CN:", "ID=", "RA<", "P=", "P<", "P>", "Lat=",
    "Lat<",  "Lat>", "Lon=", "Lon<", "Lon>", "Elev=", "Elev<", "Elev>", "WMO=", "WMO<", "WMO>",
};

bool is_condition(const char* entry) {
    for (const char* prefix : kConditionPrefixes)
        if (starts_with(entry, prefix)) return true;
    return false;
}

// The "identifier" resource as a list; "all" means no filter.
int identifier_list(int* count, char*** items) {
    RES_getvals("identifier", count, items);
    if (*count == 1 && same_text((*items)[0], "all")) {
        free_parsed_array(*count, *items);
        *count = 0;
        *items = nullptr;
    }
    return *count;
}

// ---- the table ----

int keys_of(int type) { return type == kCityLocation ? 3 : 2; }

int entry_size(int type) {
    return type == kCityFull ? static_cast<int>(sizeof(CityFileEntry)) : static_cast<int>(sizeof(CityEntry));
}

void* block_of(void* data) {
    if (data == nullptr) return nullptr;
    return g.type == kCityFull ? static_cast<CityFileEntry*>(data)->data : static_cast<CityEntry*>(data)->data;
}

void set_block(void* data, void* block) {
    if (g.type == kCityFull) static_cast<CityFileEntry*>(data)->data = block;
    else static_cast<CityEntry*>(data)->data = block;
}

void* new_block(const CityFileEntry& station) {
    if (g.data_size <= 0) return nullptr;
    void* block = std::calloc(1, static_cast<std::size_t>(g.data_size));
    if (block != nullptr && g.enter_func != nullptr) g.enter_func(&station, block);
    return block;
}

bool enter_station(CityFileEntry station, const char* number, float x, float y) {
    station.data = new_block(station);
    int r = 0;
    if (g.type == kCityFull) {
        r = TAB_enter(&g.table, &station, station.id, number);
    } else {
        CityEntry e{};
        entry_id(e.id, station, number);
        e.number = station.number;
        e.x = x;
        e.y = y;
        e.elev = station.elev;
        e.priority = station.priority;
        e.data = station.data;
        if (g.type == kCityLocation) {
            Key location;
            location_key(location, tenths(station.lat), tenths(station.lon));
            r = TAB_enter(&g.table, &e, e.id, number, location);
        } else {
            r = TAB_enter(&g.table, &e, e.id, number);
        }
    }
    if (r != 0) std::free(station.data);
    return r == 0;
}

bool usable(const CityFileEntry& s, int fields) {
    return fields >= kCityMinFields && std::isfinite(s.lat) && std::isfinite(s.lon) && std::fabs(s.lat) <= 90.0F &&
           std::fabs(s.lon) <= 360.0F;
}

void load_stations(int fd, int limit) {
    int count = 0;
    char** list = nullptr;
    identifier_list(&count, &list);
    CityFileEntry station{};
    int fields = 0;
    while ((fields = CTY_read(fd, &station)) >= 0) {
        if (!usable(station, fields) || station.priority > limit) continue;
        Key number;
        number_string(number, station);
        if (CTY_data_cmp(count, list, &station, number) < 0) continue;
        float x = kMissingF, y = kMissingF;
        if (MAP_tran(&x, &y, station.lat, station.lon) != 1 || MAP_in_grid_domain(x, y) != 1) continue;
        if (!enter_station(station, number, x, y)) {
            MESS_print(kMessWarn, "CTY_store: out of memory after %s\n", station.id);
            break;
        }
    }
    free_parsed_array(count, list);
}

// The key number and key text of a search id.
int search_key(const char* id, Key& key) {
    const std::size_t n = std::strlen(id);
    auto digits = [](const char* s, std::size_t k) {
        for (std::size_t i = 0; i < k; ++i)
            if (s[i] < '0' || s[i] > '9') return false;
        return true;
    };
    copy_text(key, id);
    if (n == 5 && digits(id, 5)) return 2;
    if (n == 5 && id[0] >= 'A' && id[0] <= 'Z' && digits(id + 2, 3)) {
        int wmo = 0;
        if (id_to_wmo(id, &wmo) == 0) {
            std::snprintf(key, kKeySize, "%5.5d", wmo);
            return 2;
        }
        return 1;
    }
    if (n == 6 && id[0] == 'b') return 2;
    return 1;
}

void* find(const char* id) {
    if (id == nullptr || g.type == 0) return nullptr;
    Key key;
    const int i = search_key(id, key);
    return TAB_search(&g.table, i, key);
}

// Copies the position fields up to the priority; the caller's data pointer stays.
void copy_position(CityEntry* to, const CityEntry& from) {
    void* keep = to->data;
    *to = from;
    to->data = keep;
}

void position_of_full(CityEntry* to, const CityFileEntry& s) {
    Key number;
    number_string(number, s);
    CityEntry e{};
    entry_id(e.id, s, number);
    e.number = s.number;
    MAP_tran(&e.x, &e.y, s.lat, s.lon);
    e.elev = s.elev;
    e.priority = s.priority;
    copy_position(to, e);
}

}  // namespace

void CTY_data_size(int n) { g.data_size = n > 0 ? n : 0; }
void CTY_enter_func(CityEnterFunc fn) { g.enter_func = fn; }
void CTY_set_id_type(int type) { g.id_type = type; }

HashTable* CTY_store(const char* file, int type, const Domain* domain, int priority) {
    CTY_clear();
    if (type < kCityFull || type > kCityLocation) {
        MESS_print(kMessWarn, "CTY_store: unknown storage type %d\n", type);
        return nullptr;
    }
    int capacity = 0;
    const int fd = CTY_open_file(file, &capacity);
    if (fd < 0) return nullptr;
    if (domain != nullptr) MAP_domain(domain);
    MESS_print(kMessMess, "Reading the city database file...\n");
    if (TAB_create(&g.table, capacity, entry_size(type), keys_of(type)) != 0) {
        CTY_close(fd);
        return nullptr;
    }
    g.type = type;
    load_stations(fd, is_missing(priority) ? CTY_get_prior() : priority);
    CTY_close(fd);
    return &g.table;
}

int CTY_search(const char* id, CityEntry* entry) {
    const void* data = find(id);
    if (data == nullptr || entry == nullptr) return 0;
    if (g.type == kCityFull) position_of_full(entry, *static_cast<const CityFileEntry*>(data));
    else copy_position(entry, *static_cast<const CityEntry*>(data));
    return 1;
}

int CTY_search(const char* id, CityFileEntry* entry) {
    if (g.type != kCityFull || entry == nullptr) return 0;
    const void* data = find(id);
    if (data == nullptr) return 0;
    *entry = *static_cast<const CityFileEntry*>(data);
    return 1;
}

// Ring r holds the key cells whose larger distance from the centre cell is r.
int CTY_search_loc(CityEntry* entry, float lat, float lon) {
    if (g.type != kCityLocation || entry == nullptr) return 0;
    const long a = tenths(lat);
    const long o = tenths(lon);
    for (long r = 0; r <= kMaxRing; ++r) {
        for (long k = -r; k <= r; ++k) {
            const long cells[4][2] = {{a + r, o + k}, {a + k, o + r}, {a - r, o + k}, {a + k, o - r}};
            for (const auto& cell : cells) {
                Key key;
                location_key(key, cell[0], cell[1]);
                if (const void* data = TAB_search(&g.table, 3, key)) {
                    copy_position(entry, *static_cast<const CityEntry*>(data));
                    return 1;
                }
            }
        }
    }
    return 0;
}

void* CTY_get_data(const char* id) { return block_of(find(id)); }

void* CTY_next_data(int first) {
    if (g.type == 0) return nullptr;
    return block_of(first == 0 ? TAB_first(&g.table) : TAB_next(&g.table));
}

void CTY_clear_data(int mode) {
    if (g.type == 0) return;
    for (void* data = TAB_first(&g.table); data != nullptr; data = TAB_next(&g.table)) {
        auto* block = static_cast<char*>(block_of(data));
        if (block == nullptr) continue;
        if (mode == 0) {
            std::free(block);
            set_block(data, nullptr);
        } else if (mode == 1) {
            block[0] = '\0';
        }
    }
}

void CTY_clear() {
    CTY_clear_data(0);
    TAB_clear(&g.table);
    g.type = 0;
}

HashTable* CTY_get_table() { return &g.table; }

int CTY_data_cmp(int count, const char* const* list, const CityFileEntry* station, const char* number) {
    if (count <= 0 || list == nullptr) return 0;
    if (station == nullptr || number == nullptr) return -1;
    for (int i = 0; i < count; ++i)
        if (list[i] != nullptr && entry_accepts(list[i], *station, number)) return i;
    return -1;
}

int CTY_ids_cmp(int count, const char* const* list, const char* id) {
    if (count <= 0 || list == nullptr) return 1;
    for (int i = 0; i < count; ++i) {
        if (list[i] == nullptr) continue;
        if (is_condition(list[i])) return 1;
        if (id != nullptr && same_text(list[i], id)) return 1;
    }
    return 0;
}

void CTY_reset_for_tests() {
    CTY_clear();
    g = CtyState{};
}

}  // namespace orv
