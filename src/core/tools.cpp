#include "core/tools.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "core/files.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"

#ifndef ORV_DATA_DIR
#define ORV_DATA_DIR "data/"
#endif

namespace orv {
namespace {

struct SwapState {
    bool on = false;
};
SwapState g;

// ---------------------------------------------------------------------------
// WMO block-station number ranges and the ICAO-style prefixes of the
// countries that own them. A number takes the prefix of the narrowest range
// that holds it, so a country range may sit inside a wider national range.
// The one-letter prefixes (C, K, U, Y, Z) cover whole national blocks and keep
// four digits of the number; two-letter prefixes keep three. Every identifier
// names one number only: a two-letter prefix never covers two numbers with
// the same last three digits, a one-letter prefix two with the same last four.
struct WmoRange {
    int first;
    int last;
    const char* prefix;
};

constexpr std::array kWmoRanges = std::to_array<WmoRange>({
    // Region I: Africa
    {60000, 60099, "GC"},  // Canary Islands
    {60100, 60299, "GM"},  // Morocco
    {60300, 60699, "DA"},  // Algeria
    {60700, 60799, "DT"},  // Tunisia
    {61000, 61099, "DR"},  // Niger
    {61200, 61299, "GA"},  // Mali
    {61400, 61499, "GQ"},  // Mauritania
    {61600, 61699, "GO"},  // Senegal
    {61700, 61749, "GB"},  // Gambia
    {61750, 61799, "GG"},  // Guinea-Bissau
    {61800, 61849, "GU"},  // Guinea
    {61850, 61899, "GF"},  // Sierra Leone
    {61900, 61909, "FH"},  // Saint Helena, Ascension
    {61930, 61939, "FP"},  // Sao Tome and Principe
    {61960, 61969, "FJ"},  // Chagos Archipelago
    {61970, 61989, "FM"},  // Reunion and the scattered islands
    {61990, 61999, "FI"},  // Mauritius
    {62000, 62299, "HL"},  // Libya
    {62300, 62499, "HE"},  // Egypt
    {62600, 62799, "HS"},  // Sudan
    {62800, 62999, "HJ"},  // South Sudan
    {63000, 63099, "HH"},  // Eritrea
    {63100, 63149, "HD"},  // Djibouti
    {63150, 63299, "HC"},  // Somalia
    {63300, 63599, "HA"},  // Ethiopia
    {63600, 63699, "HU"},  // Uganda
    {63700, 63849, "HK"},  // Kenya
    {63850, 63969, "HT"},  // Tanzania
    {63970, 63999, "FS"},  // Seychelles
    {64000, 64379, "FZ"},  // Democratic Republic of the Congo
    {64380, 64389, "HR"},  // Rwanda
    {64390, 64399, "HB"},  // Burundi
    {64400, 64499, "FC"},  // Congo
    {64500, 64599, "FO"},  // Gabon
    {64600, 64699, "FE"},  // Central African Republic
    {64700, 64799, "FT"},  // Chad
    {64800, 64849, "FG"},  // Equatorial Guinea
    {64850, 64999, "FK"},  // Cameroon
    {65000, 65299, "DN"},  // Nigeria
    {65300, 65359, "DB"},  // Benin
    {65360, 65399, "DX"},  // Togo
    {65400, 65499, "DG"},  // Ghana
    {65500, 65549, "DF"},  // Burkina Faso
    {65550, 65599, "DI"},  // Cote d'Ivoire
    {65600, 65699, "GL"},  // Liberia
    {66000, 66999, "FN"},  // Angola
    {67000, 67199, "FM"},  // Madagascar, Comoros, Mayotte
    {67200, 67399, "FQ"},  // Mozambique
    {67400, 67699, "FL"},  // Zambia
    {67580, 67599, "FW"},  //   Malawi
    {67700, 67999, "FV"},  // Zimbabwe
    {68000, 68199, "FY"},  // Namibia
    {68200, 68299, "FB"},  // Botswana
    {68300, 68999, "FA"},  // South Africa
    {68390, 68399, "FD"},  //   Eswatini
    {68450, 68459, "FX"},  //   Lesotho

    // Region II: Asia
    {20000, 29999, "U"},   // Russian Federation, European and Siberian blocks
    {26000, 26249, "EE"},  //   Estonia
    {26300, 26499, "EV"},  //   Latvia
    {26500, 26799, "EY"},  //   Lithuania
    {26800, 26999, "UM"},  //   Belarus
    {30000, 30999, "UI"},  // Russian Federation, eastern Siberia
    {31000, 31999, "UH"},  // Russian Federation, Far East
    {32000, 32999, "UE"},  // Russian Federation, Sakhalin, Kuril Islands, Kamchatka
    {34000, 34999, "UU"},  // Russian Federation and Ukraine, southern plains
    {35000, 35999, "UA"},  // Kazakhstan
    {35100, 35139, "UW"},  //   Russian Federation, Orenburg
    {36000, 36999, "UN"},  // Russian Federation and Kazakhstan, Altai and Sayan
    {38000, 38999, "UT"},  // Uzbekistan, Turkmenistan, Tajikistan
    {38300, 38399, "UC"},  //   Kyrgyzstan
    {40900, 40999, "OA"},  // Afghanistan
    {40700, 40899, "OI"},  // Iran
    {40600, 40699, "OR"},  // Iraq
    {40550, 40599, "OK"},  // Kuwait
    {40350, 40499, "OE"},  // Saudi Arabia, north
    {41000, 41149, "OE"},  // Saudi Arabia, south
    {41150, 41159, "OB"},  // Bahrain
    {41160, 41179, "OT"},  // Qatar
    {41180, 41239, "OM"},  // United Arab Emirates
    {41240, 41399, "OO"},  // Oman
    {41400, 41499, "OY"},  // Yemen
    {41500, 41799, "OP"},  // Pakistan
    {41850, 41999, "VG"},  // Bangladesh
    {42000, 42999, "VI"},  // India, north and east
    {43000, 43149, "VA"},  // India, west
    {43150, 43399, "VO"},  // India, south
    {43400, 43499, "VC"},  // Sri Lanka
    {43500, 43599, "VR"},  // Maldives
    {44200, 44399, "ZM"},  // Mongolia
    {44400, 44499, "VN"},  // Nepal
    {45000, 45009, "VH"},  // Hong Kong
    {45010, 45019, "VM"},  // Macao
    {46600, 46799, "RC"},  // Taiwan
    {47000, 47099, "ZK"},  // Democratic People's Republic of Korea
    {47100, 47199, "RK"},  // Republic of Korea
    {47400, 47899, "RJ"},  // Japan
    {47900, 47999, "RO"},  // Japan, Ryukyu Islands
    {48000, 48199, "VY"},  // Myanmar
    {48300, 48599, "VT"},  // Thailand
    {48600, 48689, "WM"},  // Malaysia, peninsula
    {48690, 48699, "WS"},  // Singapore
    {48800, 48919, "VV"},  // Viet Nam
    {48920, 48959, "VL"},  // Lao People's Democratic Republic
    {48960, 48999, "VD"},  // Cambodia
    {50000, 59999, "Z"},   // China

    // Region III: South America
    {80000, 80399, "SK"},  // Colombia
    {80400, 80499, "SV"},  // Venezuela
    {81000, 81099, "SY"},  // Guyana
    {81200, 81299, "SM"},  // Suriname
    {81400, 81499, "SO"},  // French Guiana
    {82000, 82999, "SN"},  // Brazil, north
    {83000, 83999, "SB"},  // Brazil, centre and south
    {84000, 84299, "SE"},  // Ecuador
    {84300, 84999, "SP"},  // Peru
    {85000, 85299, "SL"},  // Bolivia
    {85400, 85999, "SC"},  // Chile
    {86000, 86299, "SG"},  // Paraguay
    {86300, 86599, "SU"},  // Uruguay
    {87000, 87999, "SA"},  // Argentina
    {88880, 88899, "SF"},  // Falkland Islands

    // Region IV: North and Central America
    {70000, 70999, "PA"},  // United States, Alaska
    {71000, 71999, "C"},   // Canada
    {72000, 72999, "K"},   // United States
    {74000, 74999, "K"},   // United States
    {76000, 76999, "MM"},  // Mexico
    {78000, 78049, "TX"},  // Bermuda
    {78050, 78099, "MY"},  // Bahamas
    {78100, 78199, "MB"},  // Turks and Caicos Islands
    {78200, 78379, "MU"},  // Cuba
    {78380, 78385, "MW"},  // Cayman Islands
    {78386, 78399, "MK"},  // Jamaica
    {78400, 78449, "MT"},  // Haiti
    {78450, 78499, "MD"},  // Dominican Republic
    {78500, 78549, "TJ"},  // Puerto Rico
    {78550, 78579, "TI"},  // Virgin Islands
    {78580, 78599, "MZ"},  // Belize
    {78600, 78659, "MG"},  // Guatemala
    {78660, 78699, "MS"},  // El Salvador
    {78700, 78739, "MH"},  // Honduras
    {78740, 78759, "MN"},  // Nicaragua
    {78760, 78789, "MR"},  // Costa Rica
    {78790, 78809, "MP"},  // Panama
    {78850, 78889, "TA"},  // Antigua, Saint Kitts and Nevis, Anguilla
    {78890, 78939, "TF"},  // Guadeloupe, Dominica, Martinique
    {78940, 78949, "TL"},  // Saint Lucia
    {78950, 78953, "TV"},  // Saint Vincent and the Grenadines
    {78954, 78955, "TB"},  // Barbados
    {78956, 78959, "TG"},  // Grenada
    {78960, 78979, "TT"},  // Trinidad and Tobago
    {78980, 78999, "TN"},  // Aruba, Curacao, Bonaire

    // Region V: South-West Pacific
    {91100, 91199, "PH"},  // United States, Hawaii, western islands
    {91200, 91239, "PG"},  // Guam, Northern Mariana Islands
    {91240, 91249, "PW"},  // Wake Island
    {91250, 91299, "PH"},  // United States, Hawaii
    {91300, 91359, "PT"},  // Micronesia
    {91360, 91399, "PK"},  // Marshall Islands
    {91400, 91449, "PT"},  // Palau
    {91500, 91539, "AG"},  // Solomon Islands
    {91540, 91569, "NV"},  // Vanuatu
    {91570, 91599, "NW"},  // New Caledonia
    {91600, 91649, "NG"},  // Kiribati, Tuvalu
    {91650, 91699, "NF"},  // Fiji
    {91750, 91759, "NL"},  // Wallis and Futuna
    {91760, 91779, "NS"},  // Samoa, American Samoa
    {91780, 91799, "NF"},  // Tonga
    {91800, 91899, "NC"},  // Cook Islands
    {91820, 91829, "NI"},  //   Niue
    {91900, 91999, "NT"},  // French Polynesia
    {93000, 93999, "NZ"},  // New Zealand
    {94000, 95999, "Y"},   // Australia
    {94000, 94099, "AY"},  //   Papua New Guinea
    {96000, 96999, "WI"},  // Indonesia, west
    {96300, 96499, "WB"},  //   Malaysia, Borneo, and Brunei
    {97000, 97999, "WA"},  // Indonesia, east
    {97380, 97399, "WP"},  //   Timor-Leste
    {98000, 98999, "RP"},  // Philippines

    // Region VI: Europe and the Middle East
    {1000, 1499, "EN"},    // Norway
    {2000, 2699, "ES"},    // Sweden
    {2700, 2999, "EF"},    // Finland
    {3000, 3999, "EG"},    // United Kingdom
    {3950, 3999, "EI"},    //   Ireland
    {4000, 4199, "BI"},    // Iceland
    {4200, 4399, "BG"},    // Greenland
    {6000, 6199, "EK"},    // Denmark, Faroe Islands
    {6200, 6399, "EH"},    // Netherlands
    {6400, 6499, "EB"},    // Belgium
    {6500, 6599, "EL"},    // Luxembourg
    {6600, 6799, "LS"},    // Switzerland
    {7000, 7999, "LF"},    // France
    {8000, 8499, "LE"},    // Spain
    {8490, 8499, "LX"},    //   Gibraltar
    {8500, 8579, "LP"},    // Portugal, Azores, Madeira
    {8580, 8599, "GV"},    // Cape Verde
    {10000, 10999, "ED"},  // Germany
    {11000, 11399, "LO"},  // Austria
    {11400, 11799, "LK"},  // Czech Republic
    {11800, 11999, "LZ"},  // Slovakia
    {12000, 12799, "EP"},  // Poland
    {12800, 12999, "LH"},  // Hungary
    {13000, 13499, "LY"},  // Serbia, Montenegro
    {13500, 13599, "LW"},  // North Macedonia
    {13600, 13699, "LA"},  // Albania
    {14000, 14199, "LJ"},  // Slovenia
    {14200, 14499, "LD"},  // Croatia
    {14500, 14699, "LQ"},  // Bosnia and Herzegovina
    {15000, 15499, "LR"},  // Romania
    {15500, 15999, "LB"},  // Bulgaria
    {16000, 16589, "LI"},  // Italy
    {16590, 16599, "LM"},  // Malta
    {16600, 16799, "LG"},  // Greece
    {17000, 17599, "LT"},  // Turkey
    {17600, 17699, "LC"},  // Cyprus
    {33000, 33999, "UK"},  // Ukraine
    {33000, 33099, "UM"},  //   Belarus, south-west
    {33740, 33829, "LU"},  //   Moldova
    {37000, 37399, "UR"},  // Russian Federation, Caucasus
    {37400, 37699, "UG"},  // Georgia
    {37700, 37799, "UD"},  // Armenia
    {37800, 37999, "UB"},  // Azerbaijan
    {40000, 40099, "OS"},  // Syria
    {40100, 40149, "OL"},  // Lebanon
    {40150, 40199, "LL"},  // Israel
    {40250, 40349, "OJ"},  // Jordan
});

// The narrowest range holding number, or null.
const WmoRange* wmo_range(int number) {
    const WmoRange* best = nullptr;
    for (const auto& r : kWmoRanges)
        if (number >= r.first && number <= r.last && (best == nullptr || r.last - r.first < best->last - best->first))
            best = &r;
    return best;
}

int suffix_modulus(const char* prefix) { return std::strlen(prefix) == 1 ? 10000 : 1000; }

// ---------------------------------------------------------------------------

bool is_end(int c) { return c == '\n' || c == EOF; }

// Reads the rest of the current line (at most n characters) into buf; the
// newline stays unread. Returns the number of characters stored.
int read_line_body(std::FILE* file, char* buf, int n) {
    int len = 0;
    int c = 0;
    while (len < n && !is_end(c = std::getc(file))) buf[len++] = static_cast<char>(c);
    if (c == '\n') std::ungetc(c, file);
    buf[len] = '\0';
    return len;
}

// The common reader: *used receives the characters consumed; returns the
// line length, 0 for an empty line, EOF at the end of the file.
int read_line(std::FILE* file, char* buf, int n, int* used) {
    *used = 0;
    buf[0] = '\0';
    if (file == nullptr) return EOF;
    n = std::max(n, 0);
    int c = std::getc(file);
    if (c == '\n') {
        ++*used;
        c = std::getc(file);
    }
    if (c == EOF) return EOF;
    std::ungetc(c, file);
    if (c == '\n') return 0;
    const int len = read_line_body(file, buf, n);
    *used += len;
    return len;
}

bool machine_is_big_endian() { return std::endian::native == std::endian::big; }

void reverse_bytes(void* p, std::size_t size) {
    auto* b = static_cast<unsigned char*>(p);
    std::reverse(b, b + size);
}

int swap_items(void* p, std::size_t size, int n) {
    if (!g.on) return -1;
    auto* b = static_cast<unsigned char*>(p);
    for (int i = 0; i < n; ++i) reverse_bytes(b + static_cast<std::size_t>(i) * size, size);
    return 0;
}

template <typename T>
int fread_swap(std::FILE* file, T* value) {
    const auto n = static_cast<int>(std::fread(value, sizeof(T), 1, file));
    if (n == 1) swap_items(value, sizeof(T), 1);
    return n;
}

template <typename T>
int fwrite_swap(std::FILE* file, T value) {
    swap_items(&value, sizeof(T), 1);
    return static_cast<int>(std::fwrite(&value, sizeof(T), 1, file));
}

}  // namespace

const char* orv_data_dir() { return ORV_DATA_DIR; }

const char* orv_file_path() {
    const char* path = RES_get("file_path");
    return path != nullptr && *path != '\0' ? path : orv_data_dir();
}

char* output_path(const char* dir_resource, const char* name, char* out) {
    const char* dir = RES_get(dir_resource);
    const std::string_view d = dir != nullptr ? dir : "";
    const std::string_view n = name != nullptr ? name : "";
    const bool already_there = !d.empty() && n.size() > d.size() && n.starts_with(d) &&
                               (d.back() == '/' || n[d.size()] == '/');
    return FILE_add_path(already_there ? "" : dir, name, out);
}

int fgetline(std::FILE* file, char* buf) { return fgetstring(file, buf, kLineMax) == EOF ? EOF : static_cast<int>(std::strlen(buf)); }

int fskipline(std::FILE* file) {
    if (file == nullptr) return EOF;
    int c = 0;
    while ((c = std::getc(file)) != '\n')
        if (c == EOF) return EOF;
    return 0;
}

int fgetnline(std::FILE* file, char* buf, int n) {
    int used = 0;
    return read_line(file, buf, n, &used) == EOF ? EOF : used;
}

int fgetstring(std::FILE* file, char* buf, int n) {
    int used = 0;
    const int len = read_line(file, buf, n, &used);
    return len == EOF ? EOF : (len > 0 ? 1 : 0);
}

int fget_rawstring(std::FILE* file, char* buf, int n) {
    const int result = fgetstring(file, buf, n);
    if (result == EOF) return result;
    for (char* p = buf; *p != '\0'; ++p) {
        if (*p == '\r') {
            *p = '\0';
            break;
        }
        if (static_cast<unsigned char>(*p) < 33) *p = ' ';
    }
    return result;
}

int swap_setup(int order) {
    const bool big = machine_is_big_endian();
    g.on = (order == 1 && !big) || (order == 2 && big);
    return g.on ? 1 : 0;
}

int swap_short(void* p) { return swap_items(p, 2, 1); }
int swap_long(void* p) { return swap_items(p, 4, 1); }
int swap_double(void* p) { return swap_items(p, 8, 1); }
int swap_shorts(void* p, int n) { return swap_items(p, 2, n); }
int swap_longs(void* p, int n) { return swap_items(p, 4, n); }

int fread_short_swap(std::FILE* file, std::int16_t* value) { return fread_swap(file, value); }
int fread_long_swap(std::FILE* file, std::int32_t* value) { return fread_swap(file, value); }
int fread_double_swap(std::FILE* file, double* value) { return fread_swap(file, value); }
int fwrite_short_swap(std::FILE* file, std::int16_t value) { return fwrite_swap(file, value); }
int fwrite_long_swap(std::FILE* file, std::int32_t value) { return fwrite_swap(file, value); }

void fswap(float* a, float* b) { std::swap(*a, *b); }

void swap_reset_for_tests() { g = SwapState{}; }

int float2int(float x) {
    if (x == 0.0F || !std::isfinite(x)) return 0;
    float y = std::fabs(x);
    const int e = static_cast<int>(std::log10(y) + 5.0F) - 5;
    int code = 0;
    if (e == 0) {
        code = static_cast<int>(y * 10.0F);
    } else if (e > 0) {
        for (int i = 1; i < e; ++i) y /= 10.0F;
        code = e * 100 + static_cast<int>(y) % 100;
    } else {
        for (int i = e; i < 2; ++i) y *= 10.0F;
        code = (e + 10) * 100 + static_cast<int>(y) % 100;
    }
    return x < 0.0F ? -code : code;
}

char* set_num(char* out, const char* format, double value) {
    int width = 0, digits = 3, min_decimals = 0;
    if (format == nullptr || std::sscanf(format, "%d.%d.%d", &width, &digits, &min_decimals) < 1) width = 0;
    int e = 0;
    if (std::fabs(value) < 1e-5) {
        value = 0.0;
        e = 2;
    } else if (std::isfinite(value)) {
        e = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    }
    const int decimals = std::clamp(std::max(digits - e - 1, min_decimals), 0, kSetNumSize);
    if (width <= 0) width = decimals + 1;
    width = std::max(std::min(width, 9), decimals);
    char conversion[16];
    std::snprintf(conversion, sizeof conversion, "%%%d.%df", width, decimals);
    char text[400];
    std::snprintf(text, sizeof text, conversion, value);
    return strntcpy(out, text, kSetNumSize);
}

float linear_interp(float x, float x1, float x2, float y1, float y2) {
    if (x2 == x1) return y1;
    return (y2 - y1) * (x - x1) / (x2 - x1) + y1;
}

int chk_arg(const char* text, const char* const* list, int n) {
    if (text == nullptr) return kMissing;
    for (int i = 0; list != nullptr && i < n && list[i] != nullptr; ++i)
        if (stricmp(text, list[i]) == 0) return i;
    int number = 0;
    if (std::sscanf(text, "%d", &number) == 1 && number >= 1 && number <= n) return number;
    return kMissing;
}

char* wmo_to_id(char* out, int number) {
    const WmoRange* r = wmo_range(number);
    if (r == nullptr) {
        std::snprintf(out, kWmoIdSize, "%5.5d", number);
    } else if (suffix_modulus(r->prefix) == 10000) {
        std::snprintf(out, kWmoIdSize, "%s%4.4d", r->prefix, number % 10000);
    } else {
        std::snprintf(out, kWmoIdSize, "%s%3.3d", r->prefix, number % 1000);
    }
    return out;
}

int id_to_wmo(const char* id, int* number) {
    *number = kMissing;
    if (id == nullptr) return -1;
    char text[kWmoIdSize];
    strntcpy(text, id, sizeof text);
    trim_string(text);
    up_string(text);
    if (std::strlen(text) != 5) return -1;
    if (string_is_num_len(text, 5) != 0) {
        *number = std::atoi(text);
        return 0;
    }
    const int letters = std::isalpha(static_cast<unsigned char>(text[1])) ? 2 : 1;
    if (!std::isalpha(static_cast<unsigned char>(text[0])) || string_is_num_len(text + letters, 5 - letters) == 0)
        return -1;
    const int suffix = std::atoi(text + letters);
    for (const auto& r : kWmoRanges) {
        if (std::strncmp(r.prefix, text, static_cast<std::size_t>(letters)) != 0 ||
            static_cast<int>(std::strlen(r.prefix)) != letters)
            continue;
        const int mod = suffix_modulus(r.prefix);
        int candidate = r.first - r.first % mod + suffix;
        if (candidate < r.first) candidate += mod;
        if (candidate > r.last) continue;
        char back[kWmoIdSize];
        if (std::strcmp(wmo_to_id(back, candidate), text) == 0) {
            *number = candidate;
            return 0;
        }
    }
    return -1;
}

}  // namespace orv
