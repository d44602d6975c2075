// A product file held in memory for the MOS reader tests: the operations of
// the product file reader over a text, with its cleaning of lines, heading
// patterns (alternatives, sets, "." and "_"), blank lines ending sections and
// the transmission characters 1 and 3 ending products.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "mos/mos_read.hpp"

namespace orv::test {

class MemoryProduct {
public:
    static MemoryProduct& instance() {
        static MemoryProduct p;
        return p;
    }

    // Loads the text and installs the product as the readers' access; fd 0.
    void load(const std::string& text) {
        lines_.clear();
        std::string line;
        std::istringstream in(text);
        while (std::getline(in, line)) lines_.push_back(line);
        cur_ = 0;
        status_ = 0;
        heading_.clear();
        strip_blank_ = false;
        static constexpr MosProductAccess kAccess = {open, close, rewind, search, read, status, get_pos, seek};
        MOS_set_product_access(&kAccess);
        MOS_set_fd(0);
    }

    bool load_file(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        if (!f) return false;
        std::ostringstream s;
        s << f.rdbuf();
        load(s.str());
        return true;
    }

private:
    static int open(const DateRecord*) { return 0; }
    static int close(int) { return 1; }
    static int rewind(int) {
        auto& p = instance();
        p.cur_ = 0;
        p.status_ = 0;
        return 1;
    }
    static int status(int) { return instance().status_; }
    static std::int64_t get_pos(int) { return instance().pos_; }
    static int seek(int, std::int64_t pos) {
        auto& p = instance();
        p.cur_ = static_cast<std::size_t>(pos);
        p.status_ = 0;
        return 1;
    }

    static int search(int, const char* pattern) {
        auto& p = instance();
        const std::regex re(to_regex(pattern));
        while (p.cur_ < p.lines_.size()) {
            std::string raw = p.lines_[p.cur_];
            p.pos_ = static_cast<std::int64_t>(p.cur_);
            ++p.cur_;
            std::string line = clean(raw, false);
            std::size_t lead = line.find_first_not_of(' ');
            if (lead == std::string::npos) continue;
            if (std::regex_search(line.substr(lead), re, std::regex_constants::match_continuous)) {
                p.strip_blank_ = lead > 0;
                p.heading_ = line;
                p.status_ = 1;
                return 1;
            }
        }
        p.status_ = 4;
        return -1;
    }

    static int read(int, int, int n, char* out) {
        auto& p = instance();
        out[0] = '\0';
        if (!p.heading_.empty() && n == 0) {
            std::strncpy(out, p.heading_.c_str(), 128);
            out[128] = '\0';
            return 1;
        }
        p.heading_.clear();
        if (p.cur_ >= p.lines_.size()) {
            p.status_ = 4;
            return -1;
        }
        const std::string& raw = p.lines_[p.cur_];
        p.pos_ = static_cast<std::int64_t>(p.cur_);
        ++p.cur_;
        if (!raw.empty() && (raw[0] == '\x01' || raw[0] == '\x03')) {
            p.status_ = 4;
            return 0;
        }
        std::string line = clean(raw, p.strip_blank_);
        if (line.empty()) {
            p.status_ = 256;
            return 0;
        }
        p.status_ = 0;
        std::strncpy(out, line.c_str(), 128);
        out[128] = '\0';
        return 1;
    }

    static std::string clean(std::string s, bool strip_blank) {
        s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
        std::size_t start = 0;
        while (start < s.size() && static_cast<unsigned char>(s[start]) < 32 && s[start] != ' ') ++start;
        s.erase(0, start);
        for (char& c : s)
            if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = ' ';
        if (strip_blank && !s.empty() && s[0] == ' ') s.erase(0, 1);
        while (!s.empty() && s.back() == ' ') s.pop_back();
        if (s.size() > 128) s.resize(128);
        return s;
    }

    static std::string to_regex(const char* pattern) {
        std::string r;
        for (const char* c = pattern; *c != '\0'; ++c) {
            if (*c == '_') r += ' ';
            else if (*c == '?') r += '.';
            else if (*c == '*') r += ".*";
            else r += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        }
        return r;
    }

    std::vector<std::string> lines_;
    std::size_t cur_ = 0;
    std::int64_t pos_ = 0;
    int status_ = 0;
    std::string heading_;
    bool strip_blank_ = false;
};

}  // namespace orv::test
