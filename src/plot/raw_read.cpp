#include "plot/raw_read.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/maptran.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "mos/cty_tool.hpp"
#include "plot/colors.hpp"
#include "plot/data_plt.hpp"
#include "plot/plt_labl.hpp"
#include "plot/raw_plt.hpp"

namespace orv {
namespace {

constexpr const char* kMagic = "ORVRAW";
constexpr std::size_t kFileLabelSize = 80;
constexpr std::size_t kFileInfoSize = 160;

struct Field {
    char name[kRawFieldNameSize] = "";
    char info[kRawFieldInfoSize] = "";
    char format[kRawFieldFormatSize] = "";
};

enum class Location { none, latlon, pressure };

struct RawFile {
    std::FILE* fp = nullptr;
    bool standard = false;
    int mode = 0;
    int type = kRawFileRaw;
    char info[kFileInfoSize] = "";
    char label[kFileLabelSize] = "";
    std::vector<Field> fields;
    long data_start = 0;
    int next_line = 0;       // the data line the next read gives
    bool line_open = false;  // a written line not yet ended
    bool header_written = false;
    bool overflow_reported = false;
};

std::array<RawFile, kRawMaxFiles> g_files;

RawFile* file_of(int fd) {
    if (fd < 0 || fd >= kRawMaxFiles || g_files[static_cast<std::size_t>(fd)].fp == nullptr) return nullptr;
    return &g_files[static_cast<std::size_t>(fd)];
}

bool is_standard(const char* name) {
    return name[0] == '\0' || std::strcmp(name, "-") == 0 || std::strcmp(name, "std") == 0;
}

// One line of at most kRawLineMax characters (the rest of a longer line is
// passed over), without its newline and carriage return. False at the end.
bool read_line(std::FILE* fp, std::string& line) {
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(fp)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < kRawLineMax) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

std::vector<std::string_view> words_of(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
        const std::size_t start = i;
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) == 0) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

template <std::size_t N>
void set_text(char (&dst)[N], std::string_view text) {
    copy_text(dst, std::string(text).c_str());
}

std::string underscores_to_blanks(std::string text) {
    for (char& c : text)
        if (c == '_') c = ' ';
    return text;
}

std::string blanks_to_underscores(std::string text) {
    for (char& c : text)
        if (c == ' ') c = '_';
    return text;
}

// A field-table word: name[:description[:format]].
Field field_of_word(std::string_view word) {
    Field f;
    const std::size_t a = word.find(':');
    set_text(f.name, word.substr(0, a));
    if (a != std::string_view::npos) {
        const std::string_view rest = word.substr(a + 1);
        const std::size_t b = rest.find(':');
        set_text(f.info, underscores_to_blanks(std::string(rest.substr(0, b))));
        if (b != std::string_view::npos) set_text(f.format, underscores_to_blanks(std::string(rest.substr(b + 1))));
    }
    return f;
}

void add_field(RawFile& file, const Field& f) {
    if (file.fields.size() >= static_cast<std::size_t>(kRawMaxFields)) {
        if (!file.overflow_reported)
            MESS_print(kMessWarn, "RAW: more than %d fields, the rest from %s ignored\n", kRawMaxFields, f.name);
        file.overflow_reported = true;
        return;
    }
    file.fields.push_back(f);
}

void read_header(RawFile& file) {
    std::string line;
    read_line(file.fp, line);  // the magic
    if (read_line(file.fp, line)) set_text(file.label, line);
    if (read_line(file.fp, line)) {
        if (!line.empty() && line[0] == '!') {
            set_text(file.info, std::string_view(line).substr(1));
            bool done = false;
            while (!done && read_line(file.fp, line)) {
                for (std::string_view w : words_of(line)) {
                    if (w[0] == '$') {
                        done = true;
                        break;
                    }
                    add_field(file, field_of_word(w));
                }
            }
        } else {
            set_text(file.info, line);
        }
    }
    if (file.fields.empty())
        for (const char* name : {"id", "lat", "lon"}) add_field(file, field_of_word(name));
    file.data_start = file.standard ? 0 : std::ftell(file.fp);
    file.next_line = 0;
}

Location location_of(const RawFile& file) {
    if (file.fields.size() < 2) return Location::none;
    const char* second = file.fields[1].name;
    if (std::strcmp(second, "lat") == 0 || (std::strcmp(second, "x") == 0 && file.fields.size() > 3))
        return Location::latlon;
    if (std::strcmp(second, "p") == 0 || std::strcmp(second, "pres") == 0) return Location::pressure;
    return Location::none;
}

bool parse_number(std::string_view word, float* out) {
    char buf[kRawValueSize];
    set_text(buf, word);
    char* end = nullptr;
    const double v = std::strtod(buf, &end);
    if (end == buf || *end != '\0' || !std::isfinite(v)) return false;
    *out = static_cast<float>(v);
    return true;
}

void decode_value(const RawFile& file, std::size_t index, std::string_view word, RawData* record) {
    const std::size_t colon = word.find(':');
    std::string format = index < file.fields.size() ? file.fields[index].format : "";
    if (colon != std::string_view::npos) {
        format += ":";
        format += std::string(word.substr(colon + 1));
        word = word.substr(0, colon);
    }
    copy_text(record->format, format.c_str());
    RawFormat f;
    RAW_init_attrib(&f);
    if (const int type = RAW_parse_format(&f, format.c_str()); type > 0) record->type = type;
    if (word == "-") return;
    set_text(record->text, word);
    if (word.empty() || !(std::isdigit(static_cast<unsigned char>(word[0])) != 0 || word[0] == '-' || word[0] == '.'))
        return;
    char buf[kRawValueSize];
    set_text(buf, word);
    float a = kMissingF, b = kMissingF;
    const int n = std::sscanf(buf, "%f,%f", &a, &b);
    if (n >= 1 && std::isfinite(a)) record->value = a;
    if (n == 2 && std::isfinite(b)) record->second = b;
}

const char* value_text(const RawData& r, char* buf, std::size_t size) {
    const bool text_type = r.type == kRawData || r.type == kRawText || r.type == kRawMark || r.type == kRawCloud ||
                           r.type == kRawSymb || r.type == kRawLine;
    const bool wind = (r.type >= kRawWind && r.type <= kRawTrack) || (r.type >= kRawWbarb && r.type <= kRawVbarb);
    if (text_type) {
        const std::string t = blanks_to_underscores(r.text);
        std::snprintf(buf, size, "%s", t.empty() ? "-" : t.c_str());
    } else if (wind) {
        if (is_missing(r.value) || is_missing(r.second))
            std::snprintf(buf, size, "-");
        else
            std::snprintf(buf, size, "%1.0f,%1.0f", static_cast<double>(r.value), static_cast<double>(r.second));
    } else if (is_missing(r.value)) {
        std::snprintf(buf, size, "-");
    } else if (r.type == kRawInt) {
        std::snprintf(buf, size, "%d", static_cast<int>(r.value));
    } else {
        std::snprintf(buf, size, "%1.0f", static_cast<double>(r.value));
    }
    return buf;
}

// Where a labelled raw-file plot places its stations. A station table asked
// for ("city_file" or "stat_prior") places every station and drops those it
// does not hold; otherwise only stations without a latitude are looked up.
// The plot's own station table, when one is loaded, is used as it stands (a
// table loaded here would replace it); a table loaded here goes at the end.
class StationPlacer {
public:
    explicit StationPlacer(bool with_labels) : labels_(with_labels) {
        if (!labels_) return;
        RES_getvals("identifier", &count_, &ids_);
        if (count_ == 1 && stricmp(ids_[0], "all") == 0) drop_ids();
        every_ = is_set("city_file") || is_set("stat_prior");
        if (every_) load();
    }
    ~StationPlacer() {
        drop_ids();
        if (loaded_) CTY_clear();
    }
    StationPlacer(const StationPlacer&) = delete;
    StationPlacer& operator=(const StationPlacer&) = delete;

    // The station's map position in x, y: false when it is not plotted.
    bool place(const char* id, float lat, float lon, float* x, float* y) {
        if (labels_ && CTY_ids_cmp(count_, ids_, id) == 0) return false;
        if (labels_ && (every_ || is_missing(lat))) return look_up(id, x, y);
        if (is_missing(lat) || is_missing(lon)) return false;
        return MAP_tran(x, y, lat, lon) > 0;
    }

private:
    static bool is_set(const char* name) {
        const char* value = RES_get(name);
        return value != nullptr && *value != '\0';
    }
    void drop_ids() {
        free_parsed_array(count_, ids_);
        count_ = 0;
        ids_ = nullptr;
    }
    void load() {
        if (tried_) return;
        tried_ = true;
        if (CTY_get_table()->head != nullptr) return;
        loaded_ = CTY_store("sao.cty", kCityPosition, nullptr, kMissing) != nullptr;
    }
    bool look_up(const char* id, float* x, float* y) {
        load();
        CityEntry entry{};
        if (CTY_search(id, &entry) == 0) return false;
        *x = entry.x;
        *y = entry.y;
        return true;
    }

    bool labels_;
    bool every_ = false;
    bool tried_ = false;
    bool loaded_ = false;
    int count_ = 0;
    char** ids_ = nullptr;
};

}  // namespace

int RAW_chktype(const char* name) {
    if (name == nullptr) return -1;
    std::FILE* fp = std::fopen(name, "r");
    if (fp == nullptr) return -1;
    char word[32] = "";
    const int got = std::fscanf(fp, "%31s", word);
    std::fclose(fp);
    return got == 1 && word[0] == kMagic[0] ? kRawFileRaw : kRawFileTable;
}

int RAW_open(const char* name, int mode, int type) {
    if (name == nullptr) return -1;
    int fd = 0;
    while (fd < kRawMaxFiles && g_files[static_cast<std::size_t>(fd)].fp != nullptr) ++fd;
    if (fd == kRawMaxFiles) {
        MESS_print(kMessWarn, "RAW_open: Too many open raw files: %s\n", name);
        return -1;
    }
    RawFile file;
    file.mode = mode;
    file.type = type;
    if (is_standard(name) || std::strcmp(name, "stdn") == 0) {
        file.standard = true;
        file.fp = mode == 0 ? stdin : stdout;
        if (std::strcmp(name, "stdn") == 0) file.type = kRawFileTable;
    } else {
        if (mode != 1) {
            const int t = RAW_chktype(name);
            if (t < 0 && mode == 0) return -1;
            if (t > 0) file.type = t;
        }
        file.fp = std::fopen(name, mode == 0 ? "r" : mode == 2 ? "a" : "w");
        if (file.fp == nullptr) return -1;
    }
    if (mode == 0 && file.type == kRawFileRaw) read_header(file);
    if (mode == 0 && file.type != kRawFileRaw) {
        for (const char* n : {"id", "lat", "lon"}) add_field(file, field_of_word(n));
        file.data_start = file.standard ? 0 : std::ftell(file.fp);
    }
    if (mode == 2) file.header_written = true;
    g_files[static_cast<std::size_t>(fd)] = std::move(file);
    return fd;
}

int RAW_close(int fd) {
    RawFile* file = file_of(fd);
    if (file == nullptr) return -1;
    if (file->line_open) std::fputc('\n', file->fp);
    if (file->standard)
        std::fflush(file->fp);
    else
        std::fclose(file->fp);
    *file = RawFile{};
    return 0;
}

int RAW_rewind(int fd) {
    RawFile* file = file_of(fd);
    if (file == nullptr || file->standard || file->mode != 0) return -1;
    std::fseek(file->fp, file->data_start, SEEK_SET);
    file->next_line = 0;
    return 0;
}

int RAW_getinfo(int fd, char* info, std::size_t info_size, char* label, std::size_t label_size) {
    RawFile* file = file_of(fd);
    if (file == nullptr) return -1;
    if (info != nullptr) strntcpy(info, file->info, info_size);
    if (label != nullptr) strntcpy(label, file->label, label_size);
    return 0;
}

int RAW_putheader(int fd, const char* text) {
    RawFile* file = file_of(fd);
    if (file == nullptr || text == nullptr) return -1;
    std::fprintf(file->fp, "%s $\n", text);
    return 0;
}

int RAW_putinfo(int fd, const char* info, const char* label) {
    RawFile* file = file_of(fd);
    if (file == nullptr) return -1;
    std::fprintf(file->fp, "%s\n%s\n", kMagic, label != nullptr ? label : "");
    const bool table = file->fields.size() > 3;
    std::fprintf(file->fp, "%s%s\n", table ? "!" : "", info != nullptr ? info : "");
    if (table) {
        std::fprintf(file->fp, "id lat lon\n");
        for (std::size_t i = 3; i < file->fields.size(); ++i) {
            const Field& f = file->fields[i];
            std::fprintf(file->fp, "%s:%s:%s\n", f.name, blanks_to_underscores(f.info).c_str(),
                         blanks_to_underscores(f.format).c_str());
        }
        std::fprintf(file->fp, "$\n");
    }
    file->header_written = true;
    return 0;
}

int RAW_get_num_field(int fd) {
    const RawFile* file = file_of(fd);
    return file != nullptr ? static_cast<int>(file->fields.size()) : -1;
}

int RAW_get_field_ind(int fd, const char* name) {
    const RawFile* file = file_of(fd);
    if (file == nullptr || name == nullptr) return -1;
    for (std::size_t i = 0; i < file->fields.size(); ++i)
        if (std::strcmp(file->fields[i].name, name) == 0) return static_cast<int>(i);
    return -1;
}

// Fields written by the plot data control are numbered from 10; they follow
// id, lat and lon in the file.
int RAW_set_field(int fd, int field, const char* name, const char* info, const char* format) {
    RawFile* file = file_of(fd);
    if (file == nullptr) return -1;
    if (file->fields.empty())
        for (const char* n : {"id", "lat", "lon"}) add_field(*file, field_of_word(n));
    const int index = field >= 10 ? field - 10 + 3 : field;
    if (index < 0 || index >= kRawMaxFields) return -1;
    while (file->fields.size() <= static_cast<std::size_t>(index)) add_field(*file, Field{});
    Field& f = file->fields[static_cast<std::size_t>(index)];
    if (name != nullptr) copy_text(f.name, name);
    if (info != nullptr) copy_text(f.info, info);
    if (format != nullptr) copy_text(f.format, format);
    return index;
}

int RAW_set_field_name(int fd, int field, const char* name) { return RAW_set_field(fd, field, name, nullptr, nullptr); }
int RAW_set_field_info(int fd, int field, const char* info) { return RAW_set_field(fd, field, nullptr, info, nullptr); }
int RAW_set_field_fmt(int fd, int field, const char* format) { return RAW_set_field(fd, field, nullptr, nullptr, format); }

const char* RAW_get_field_name(int fd, int field) {
    const RawFile* file = file_of(fd);
    if (file == nullptr || field < 0 || static_cast<std::size_t>(field) >= file->fields.size()) return nullptr;
    return file->fields[static_cast<std::size_t>(field)].name;
}
const char* RAW_get_field_info(int fd, int field) {
    const RawFile* file = file_of(fd);
    if (file == nullptr || field < 0 || static_cast<std::size_t>(field) >= file->fields.size()) return nullptr;
    return file->fields[static_cast<std::size_t>(field)].info;
}
const char* RAW_get_field_fmt(int fd, int field) {
    const RawFile* file = file_of(fd);
    if (file == nullptr || field < 0 || static_cast<std::size_t>(field) >= file->fields.size()) return nullptr;
    return file->fields[static_cast<std::size_t>(field)].format;
}

int RAW_dec_line(int fd, const char* text, RawData* record, int field, char* id) {
    const RawFile* file = file_of(fd);
    if (file == nullptr || text == nullptr || record == nullptr) return -1;
    RAW_data_init(record);
    const std::vector<std::string_view> words = words_of(text);
    if (words.empty()) return 0;
    if (id != nullptr) strntcpy(id, std::string(words[0]).c_str(), kRawIdSize);
    std::size_t w = 1;
    std::size_t index = 1;
    const Location location = location_of(*file);
    if (location == Location::latlon) {
        float lat = 0.0F, lon = 0.0F;
        if (words.size() >= 3 && parse_number(words[1], &lat) && parse_number(words[2], &lon) &&
            std::fabs(lat) <= 90.0F && std::fabs(lon) <= 360.0F) {
            record->x = lat;
            record->y = lon;
            w = 3;
        } else if (words.size() >= 3 && words[1] == "-" && words[2] == "-") {
            w = 3;
        }
        index = 3;
    } else if (location == Location::pressure) {
        float p = 0.0F;
        if (words.size() >= 2 && parse_number(words[1], &p)) record->value = p;
        w = 2;
        index = 2;
    }
    if (field == 0) {
        set_text(record->text, words[0]);
        return 1;
    }
    for (; w < words.size(); ++w, ++index) {
        std::string_view word = words[w];
        std::size_t at = index;
        if (const std::size_t eq = word.find('='); eq != std::string_view::npos) {
            const int named = RAW_get_field_ind(fd, std::string(word.substr(0, eq)).c_str());
            if (named < 0) continue;
            at = static_cast<std::size_t>(named);
            word = word.substr(eq + 1);
        }
        if (at == static_cast<std::size_t>(field)) {
            decode_value(*file, at, word, record);
            return 1;
        }
    }
    return 1;
}

int RAW_read(int fd, RawData* record, int field, int line, char* id) {
    RawFile* file = file_of(fd);
    if (file == nullptr || record == nullptr || file->mode != 0) return -1;
    if (line < file->next_line && RAW_rewind(fd) != 0) return -1;
    std::string text;
    while (file->next_line <= line) {
        if (!read_line(file->fp, text)) return 0;
        ++file->next_line;
    }
    return RAW_dec_line(fd, text.c_str(), record, field, id);
}

int RAW_write(int fd, int mode, const char* id, float lat, float lon, const RawData* record) {
    RawFile* file = file_of(fd);
    if (file == nullptr || file->mode == 0) return -1;
    char buf[kRawValueSize + 8];
    if (mode == 1 || mode == 3) {
        if (file->line_open) std::fputc('\n', file->fp);
        std::string name = blanks_to_underscores(id != nullptr && *id != '\0' ? id : "-");
        std::fputs(name.c_str(), file->fp);
        if (!is_missing(lat) && !is_missing(lon))
            std::fprintf(file->fp, " %6.2f %7.2f", static_cast<double>(lat), static_cast<double>(lon));
        else if (location_of(*file) == Location::latlon)
            std::fputs(" - -", file->fp);
        file->line_open = true;
        if (mode == 3) return 0;
    }
    if (mode == 5) {
        if (file->line_open) std::fputc('\n', file->fp);
        file->line_open = false;
        return 0;
    }
    if (record != nullptr) std::fprintf(file->fp, " %s", value_text(*record, buf, sizeof buf));
    if (mode == 1) {
        std::fputc('\n', file->fp);
        file->line_open = false;
    }
    return 0;
}

int RAW_plot_file(const char* name, int with_labels) {
    int field = 1;
    const char* extra = nullptr;
    const int fd = RAW_file_open(name, &field, &extra, 0);
    if (fd < 0) return -1;
    // Selections count the data fields from 10 (the first after id, lat and
    // lon); without one the first data field is plotted.
    field = field >= 10 ? field - 10 + 3 : 3;
    if (field >= RAW_get_num_field(fd)) {
        MESS_print(kMessWarn, "RAW_plot_file: No such field in %s\n", name);
        RAW_close(fd);
        return -1;
    }
    AttribRecord attributes;
    ATTRIB_init(&attributes);
    ATTRIB_get("color_data", gget_inverse() != 0 ? "DGreen" : "green", &attributes);
    gset_fill_print_solid(1);
    float scale = 1.0F;
    if (RES_getval("plot_scale", &scale, kResReal) <= 0 || !(scale > 0.0F)) scale = 1.0F;
    RAW_plot_init(&attributes, scale);
    if (const char* format = RES_get("plot_format"); format != nullptr) RAW_set_format(format);
    if (const char* format = RAW_get_field_fmt(fd, field); format != nullptr) RAW_set_format(format);
    if (extra != nullptr) RAW_set_format(extra);
    if (with_labels != 0) {
        char info[kFileInfoSize];
        char label[kFileLabelSize];
        RAW_getinfo(fd, info, sizeof info, label, sizeof label);
        const char* field_info = RAW_get_field_info(fd, field);
        std::string text = info;
        if (field_info != nullptr && *field_info != '\0') text += "-" + std::string(field_info);
        PLT_label_up_left(text.c_str());
        PLT_label_up_right(label);
    }
    const int skip = std::max(1, RAW_get_format()->skip);
    StationPlacer placer(with_labels != 0);
    RawData record;
    char id[kRawIdSize];
    int drawn = 0;
    for (int line = 0; RAW_read(fd, &record, field, line, id) > 0; line += skip) {
        float x = kMissingF, y = kMissingF;
        if (!placer.place(id, record.x, record.y, &x, &y) || MAP_in_domain(x, y) == 0) continue;
        record.x = x;
        record.y = y;
        if (RAW_plot_data(&record) >= 0) ++drawn;
    }
    gset_fill_print_solid(0);
    RAW_close(fd);
    return drawn;
}

void RAW_register_file_hooks() {
    DataSeams* s = DATA_seams();
    s->raw_open = [](const char* path, int mode) { return RAW_open(path, mode); };
    s->raw_set_field = RAW_set_field;
    s->raw_putinfo = RAW_putinfo;
    s->raw_write = RAW_write;
    s->raw_close = RAW_close;
    MAP_set_rawfile_hook([](const char* path) { return RAW_plot_file(path, 0); });
}

void RAW_read_reset_for_tests() {
    for (int fd = 0; fd < kRawMaxFiles; ++fd) RAW_close(fd);
}

}  // namespace orv
