#include "core/files.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/orv.hpp"
#include "core/string.hpp"

namespace orv {
namespace {

constexpr DateRecord kUnsetTime{kMissing, kMissing, kMissing, kMissing,
                                kMissing, kMissing, kMissing, kMissing};

struct FileState {
    DateRecord time_setting = kUnsetTime;
    std::vector<std::FILE*> pipes;  // streams opened with popen
};
FileState g;

std::string expand_user(const char* name) {
    if (name == nullptr) return {};
    if (name[0] != '~') return name;
    const std::string_view rest(name + 1);
    const std::size_t slash = rest.find('/');
    const std::string user(rest.substr(0, slash));
    const struct passwd* pw = user.empty() ? getpwuid(getuid()) : getpwnam(user.c_str());
    if (pw == nullptr || pw->pw_dir == nullptr) return name;
    std::string out = pw->pw_dir;
    if (slash != std::string_view::npos) out.append(rest.substr(slash));
    return out;
}

bool stat_of(const char* name, struct stat* st) {
    if (name == nullptr || *name == '\0') return false;
    const std::string path = expand_user(name);
    return ::stat(path.c_str(), st) == 0;
}

template <typename Pred>
int stat_test(const char* name, Pred pred) {
    struct stat st{};
    return stat_of(name, &st) && pred(st.st_mode) ? 1 : 0;
}

bool is_directory(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// popen knows only reading and writing; appending to a command is writing.
const char* pipe_mode(const char* mode) { return mode != nullptr && mode[0] == 'r' ? "r" : "w"; }

}  // namespace

int FILE_is_stdio(const char* name) {
    if (name == nullptr || *name == '\0') return 1;
    return std::strcmp(name, "-") == 0 || stricmp(name, "std") == 0 || stricmp(name, "stdn") == 0
               ? 1
               : 0;
}

int FILE_fullpath(const char* name) {
    return name != nullptr && (name[0] == '.' || name[0] == '/' || name[0] == '~') ? 1 : 0;
}

char* FILE_add_user_path(const char* name, char* out, std::size_t size) {
    if (out == nullptr) return nullptr;
    const std::string expanded = expand_user(name);
    return strntcpy(out, expanded.c_str(), size);
}

char* FILE_add_path(const char* dir, const char* name, char* out, std::size_t size) {
    if (out == nullptr) return nullptr;
    if (FILE_is_stdio(name) != 0 || FILE_fullpath(name) != 0) return strntcpy(out, name, size);
    std::string joined = dir != nullptr ? dir : "";
    if (!joined.empty() && joined.back() != '/') joined += '/';
    joined += name;
    return strntcpy(out, joined.c_str(), size);
}

char* FILE_add_path_delim(char* text, std::size_t size) {
    if (text == nullptr || size == 0) return text;
    const std::size_t n = strnlen(text, size);
    if (n == 0 || n >= size || text[n - 1] == '/') return text;
    if (n + 1 < size) {
        text[n] = '/';
        text[n + 1] = '\0';
    }
    return text;
}

int FILE_exist(const char* name) {
    if (FILE_is_stdio(name) != 0) return 1;
    struct stat st{};
    return stat_of(name, &st) ? 1 : 0;
}

int FILE_is_dir(const char* name) {
    return stat_test(name, [](mode_t m) { return S_ISDIR(m); });
}
int FILE_is_file(const char* name) {
    return stat_test(name, [](mode_t m) { return S_ISREG(m); });
}
int FILE_is_fifo(const char* name) {
    return stat_test(name, [](mode_t m) { return S_ISFIFO(m); });
}
int FILE_is_device(const char* name) {
    return stat_test(name, [](mode_t m) { return S_ISCHR(m) || S_ISBLK(m); });
}

std::int64_t FILE_size(const char* name) {
    struct stat st{};
    return stat_of(name, &st) ? static_cast<std::int64_t>(st.st_size) : -1;
}

std::int64_t FILE_modtime(const char* name) {
    struct stat st{};
    return stat_of(name, &st) ? static_cast<std::int64_t>(st.st_mtime) : -1;
}

int FILE_delete(const char* name) {
    if (name == nullptr || *name == '\0') return -1;
    const std::string path = expand_user(name);
    return ::unlink(path.c_str()) == 0 ? 0 : -1;
}

int FILE_make_dir(const char* path, int skip) {
    if (path == nullptr) return 1;
    std::string p = expand_user(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    for (int k = 0; k < skip; ++k) {
        while (!p.empty() && p.back() == '/') p.pop_back();
        const std::size_t slash = p.rfind('/');
        p.erase(slash == std::string::npos ? 0 : slash);
    }
    if (p.empty() || is_directory(p)) return 1;
    for (std::size_t at = p.find('/', 1);; at = p.find('/', at + 1)) {
        const std::string level = p.substr(0, at);
        if (!level.empty() && level.back() != '/' && ::mkdir(level.c_str(), 0755) != 0 &&
            errno != EEXIST)
            break;
        if (at == std::string::npos) break;
    }
    return 0;
}

std::FILE* FILE_open(const char* name, const char* mode) {
    if (mode == nullptr) return nullptr;
    if (FILE_is_stdio(name) != 0) return mode[0] == 'r' ? stdin : stdout;
    if (name[0] == '|') {
        std::fflush(nullptr);
        std::FILE* f = ::popen(name + 1, pipe_mode(mode));
        if (f != nullptr) g.pipes.push_back(f);
        return f;
    }
    const std::string path = expand_user(name);
    if (mode[0] == 'w' || mode[0] == 'a') FILE_make_dir(path.c_str(), 1);
    return std::fopen(path.c_str(), mode);
}

int FILE_close(std::FILE* file) {
    if (file == nullptr) return -1;
    if (file == stdin) return 0;
    if (file == stdout || file == stderr) return std::fflush(file);
    const auto it = std::find(g.pipes.begin(), g.pipes.end(), file);
    if (it != g.pipes.end()) {
        g.pipes.erase(it);
        return ::pclose(file);
    }
    return std::fclose(file);
}

int ORV_share() { return 0; }

void FILE_set_time(const DateRecord* date) {
    if (date != nullptr) g.time_setting = *date;
}

void FILE_get_time(DateRecord* date) {
    if (date != nullptr) *date = g.time_setting;
}

void FILE_reset_time() {
    DateRecord& t = g.time_setting;
    t.year = t.month = t.day = t.hour = t.minute = kMissing;
}

void FILE_reset_for_tests() {
    g.time_setting = kUnsetTime;
    g.pipes.clear();
}

}  // namespace orv
