#include "mos/cty_read.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/tools.hpp"

namespace orv {
namespace {

constexpr int kMaxOpenFiles = 8;
constexpr int kLineBuffer = 256;
constexpr const char* kFallbackFile = "sao.cty";
constexpr int kDefaultPriorityLimit = 10;

struct OpenFile {
    std::FILE* file = nullptr;
    CityFileInfo info{};
};

struct CtyReadState {
    std::array<OpenFile, kMaxOpenFiles> files{};
};
CtyReadState g;

OpenFile* open_file(int fd) {
    if (fd < 0 || fd >= kMaxOpenFiles || g.files[fd].file == nullptr) return nullptr;
    return &g.files[fd];
}

std::string station_path(const char* name) {
    if (std::strchr(name, '/') != nullptr) return name;
    std::string path = orv_file_path();
    if (!path.empty() && path.back() != '/') path += '/';
    return path + name;
}

// Reads one whole line into buf (truncated to its size); false at the end of the file.
bool read_line(std::FILE* file, char* buf, int size) {
    if (std::fgets(buf, size, file) == nullptr) return false;
    const std::size_t n = std::strlen(buf);
    if (n > 0 && buf[n - 1] != '\n') {
        int c = 0;
        while ((c = std::getc(file)) != '\n' && c != EOF) {
        }
    }
    return true;
}

// "3", "*3", "3*" or "*3*": the digit and the two marks; false without a digit.
bool decode_priority(const char* text, CityFileEntry* entry) {
    const char* p = text;
    entry->mark1 = ' ';
    entry->mark2 = ' ';
    if (*p == '*') {
        entry->mark1 = '*';
        ++p;
    }
    if (*p < '0' || *p > '9') return false;
    entry->priority = *p - '0';
    if (p[1] == '*') entry->mark2 = '*';
    return true;
}

void clear_entry(CityFileEntry* entry) {
    *entry = CityFileEntry{};
    entry->priority = 9;
    entry->mark1 = ' ';
    entry->mark2 = ' ';
    entry->elev = kMissingF;
    entry->number = kCityNoNumber;
}

// The fields of a station line, read as the scanf family reads "%20s %2s %2s
// %9s %15s %f %f %f %d %d": each field skips white space, a text takes at most
// its width of non-blank characters (the rest of a longer word is the next
// field), and the first field that does not convert ends the line.
class FieldReader {
public:
    explicit FieldReader(const char* line) : p_(line) {}

    // False at the end of the line.
    bool skip_space() {
        while (is_space(*p_)) ++p_;
        return *p_ != '\0';
    }
    bool text(char* out, int width) {
        if (!skip_space()) return false;
        int n = 0;
        while (n < width && *p_ != '\0' && !is_space(*p_)) out[n++] = *p_++;
        out[n] = '\0';
        return true;
    }
    bool real(float* out) {
        if (!skip_space()) return false;
        float value = 0.0F;
        const char* end = p_ + std::strlen(p_);
        const auto [stop, ec] = std::from_chars(p_, end, value);
        if (ec == std::errc{} && (stop == end || is_space(*stop) || !continues_number(*stop))) {
            *out = value;
            p_ = stop;
            return true;
        }
        // Signs, hexadecimal and out-of-range values take the library's way.
        char* last = nullptr;
        value = std::strtof(p_, &last);
        if (last == p_) return false;
        *out = value;
        p_ = last;
        // The scan also takes an exponent mark without digits ("1e", "1e+").
        if (*p_ == 'e' || *p_ == 'E') {
            ++p_;
            if (*p_ == '+' || *p_ == '-') ++p_;
        }
        return true;
    }
    bool integer(std::int32_t* out) {
        if (!skip_space()) return false;
        char* last = nullptr;
        const long value = std::strtol(p_, &last, 10);
        if (last == p_) return false;
        *out = static_cast<std::int32_t>(value);
        p_ = last;
        return true;
    }

private:
    static bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    // Characters after which the library might read a longer number.
    static bool continues_number(char c) { return c == 'x' || c == 'X' || c == 'e' || c == 'E' || c == 'p' || c == 'P'; }
    const char* p_;
};

// The number of fields converted, as the scanf family counts them (0 for a
// blank line).
int scan_fields(const char* line, CityFileEntry* entry, char (&priority)[16]) {
    FieldReader r(line);
    if (!r.text(entry->name, 20)) return 0;
    if (!r.text(entry->state, 2)) return 1;
    if (!r.text(entry->country, 2)) return 2;
    if (!r.text(entry->id, 9)) return 3;
    if (!r.text(priority, 15)) return 4;
    if (!r.real(&entry->lat)) return 5;
    if (!r.real(&entry->lon)) return 6;
    if (!r.real(&entry->elev)) return 7;
    if (!r.integer(&entry->number)) return 8;
    if (!r.integer(&entry->extra)) return 9;
    return 10;
}

int decode_line(const char* line, CityFileEntry* entry) {
    clear_entry(entry);
    char priority[16] = "";
    const int n = scan_fields(line, entry, priority);
    if (n < 5) return n;
    if (!decode_priority(priority, entry)) return 4;
    if (n >= 8 && entry->elev > kCityElevMissingAbove) entry->elev = kMissingF;
    return n;
}

bool matches_key(const CityFileEntry& entry, int fields, const char* key) {
    if (fields < kCityMinFields) return false;
    if (stricmp(entry.id, key) == 0 || stricmp(entry.name, key) == 0) return true;
    char number[16];
    std::snprintf(number, sizeof number, "%05d", entry.number);
    return fields >= 9 && std::strcmp(number, key) == 0;
}

}  // namespace

int CTY_open(const char* name, int mode, CityFileInfo* info) {
    if (name == nullptr || *name == '\0') return -1;
    const auto slot = std::find_if(g.files.begin(), g.files.end(), [](const OpenFile& f) { return f.file == nullptr; });
    if (slot == g.files.end()) return -1;
    const std::string path = station_path(name);
    std::FILE* file = FILE_open(path.c_str(), mode == 1 ? "w" : "r");
    if (info != nullptr) {
        *info = CityFileInfo{};
        copy_text(info->name, path.c_str());
        info->mode = mode;
    }
    if (file == nullptr) return -1;
    slot->file = file;
    slot->info = CityFileInfo{};
    copy_text(slot->info.name, path.c_str());
    slot->info.mode = mode == 1 ? 1 : 0;
    if (std::fseek(file, 0, SEEK_END) == 0) slot->info.size = std::ftell(file);
    std::rewind(file);
    slot->info.capacity = static_cast<int>(std::clamp<long>(slot->info.size / kCityLineBytes, 1, kCityMaxCapacity));
    if (info != nullptr) *info = slot->info;
    return static_cast<int>(slot - g.files.begin());
}

int CTY_open_file(const char* default_name, int* capacity) {
    const char* name = RES_get("city_file");
    if (name == nullptr || *name == '\0') name = default_name;
    if (name == nullptr || *name == '\0') name = kFallbackFile;
    if (stricmp(name, "none") == 0) return -1;
    CityFileInfo info{};
    const int fd = CTY_open(name, 0, &info);
    if (fd < 0) {
        MESS_print(kMessWarn, "CTY_open_file: Database file not found: %s\n", info.name[0] != '\0' ? info.name : name);
        return -1;
    }
    if (capacity != nullptr) *capacity = info.capacity;
    return fd;
}

int CTY_rewind(int fd) {
    OpenFile* f = open_file(fd);
    if (f == nullptr) return -1;
    std::rewind(f->file);
    return 0;
}

int CTY_close(int fd) {
    OpenFile* f = open_file(fd);
    if (f == nullptr) return -1;
    FILE_close(f->file);
    *f = OpenFile{};
    return 0;
}

int CTY_read(int fd, CityFileEntry* entry) {
    OpenFile* f = open_file(fd);
    if (f == nullptr || entry == nullptr || f->info.mode != 0) return -1;
    char line[kLineBuffer];
    if (!read_line(f->file, line, sizeof line)) return -1;
    return decode_line(line, entry);
}

int CTY_getinfo(int fd, CityFileInfo* info) {
    const OpenFile* f = open_file(fd);
    if (f == nullptr || info == nullptr) return -1;
    *info = f->info;
    return 0;
}

int CTY_get(const char* file, const char* key, CityFileEntry* entry) {
    if (key == nullptr || entry == nullptr) return 0;
    CityFileInfo info{};
    const int fd = CTY_open(file != nullptr && *file != '\0' ? file : kFallbackFile, 0, &info);
    if (fd < 0) {
        MESS_print(kMessWarn, "CTY_open_file: Database file not found: %s\n", info.name);
        return -1;
    }
    MESS_print(kMessMess, "Searching the city database file for: %s ...\n", key);
    CityFileEntry station{};
    int fields = 0;
    int found = 0;
    while ((fields = CTY_read(fd, &station)) >= 0) {
        if (matches_key(station, fields, key)) {
            *entry = station;
            found = 1;
            break;
        }
    }
    CTY_close(fd);
    return found;
}

int CTY_get_loc(const char* file, const char* key, float* lat, float* lon) {
    CityFileEntry station{};
    const int r = CTY_get(file, key, &station);
    if (r == 1) {
        if (lat != nullptr) *lat = station.lat;
        if (lon != nullptr) *lon = station.lon;
    }
    return r;
}

int CTY_get_prior() {
    const char* text = RES_get("stat_prior");
    if (text == nullptr || *text == '\0') return kDefaultPriorityLimit;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || value < -99 || value > 99) return kDefaultPriorityLimit;
    return static_cast<int>(value);
}

void CTY_read_reset_for_tests() {
    for (int fd = 0; fd < kMaxOpenFiles; ++fd) CTY_close(fd);
    g = CtyReadState{};
}

}  // namespace orv
