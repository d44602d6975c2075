// A small reader of binary CGM (the standard's binary encoding): command
// words of class, element id and parameter length, long-form lengths in
// partitions, padding to whole words; the pictures with their VDC extent,
// polylines, polygons and direct line colours.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace orv::test {

using CgmId = std::pair<int, int>;  // class, element id

struct CgmElement {
    int cgm_class = 0;
    int element = 0;
    std::vector<unsigned char> params;
    CgmId id() const { return {cgm_class, element}; }
    int word(std::size_t i) const {
        const int w = (params.at(2 * i) << 8) | params.at(2 * i + 1);
        return w >= 0x8000 ? w - 0x10000 : w;
    }
};

struct CgmPoint {
    int x = 0, y = 0;
    bool operator==(const CgmPoint&) const = default;
};

struct CgmPicture {
    std::vector<int> extent;
    std::vector<std::vector<CgmPoint>> polylines;
    std::vector<std::vector<CgmPoint>> polygons;
    std::vector<std::vector<int>> line_colors;
};

struct CgmFile {
    std::vector<CgmElement> elements;
    std::string description;
    std::vector<CgmPicture> pictures;
    int count(int cgm_class, int element) const {
        int n = 0;
        for (const CgmElement& e : elements) n += e.id() == CgmId(cgm_class, element) ? 1 : 0;
        return n;
    }
};

inline std::vector<CgmPoint> cgm_points(const CgmElement& e) {
    std::vector<CgmPoint> pts;
    for (std::size_t i = 0; i + 1 < e.params.size() / 2; i += 2) pts.push_back({e.word(i), e.word(i + 1)});
    return pts;
}

// Decodes the elements; `error` says what is wrong when the encoding or the
// order of pictures is not sound.
inline CgmFile read_cgm(const std::string& bytes, std::string* error) {
    CgmFile file;
    std::size_t pos = 0;
    const auto take_word = [&](int* w) {
        if (pos + 2 > bytes.size()) return false;
        *w = (static_cast<unsigned char>(bytes[pos]) << 8) | static_cast<unsigned char>(bytes[pos + 1]);
        pos += 2;
        return true;
    };
    const auto take = [&](std::size_t n, std::vector<unsigned char>* out) {
        if (pos + n > bytes.size()) return false;
        out->insert(out->end(), bytes.begin() + static_cast<long>(pos), bytes.begin() + static_cast<long>(pos + n));
        pos += n + n % 2;
        return true;
    };
    bool in_body = false;
    while (pos < bytes.size()) {
        int head = 0;
        take_word(&head);
        CgmElement e;
        e.cgm_class = head >> 12;
        e.element = (head >> 5) & 0x7F;
        const int len = head & 31;
        bool ok = true;
        if (len < 31) {
            ok = take(static_cast<std::size_t>(len), &e.params);
        } else {
            int part = 0x8000;
            while (ok && (part & 0x8000) != 0) ok = take_word(&part) && take(static_cast<std::size_t>(part & 0x7FFF), &e.params);
        }
        if (!ok) {
            *error = "truncated element at byte " + std::to_string(pos);
            return file;
        }
        if (e.id() == CgmId(1, 2) && !e.params.empty())
            file.description.assign(e.params.begin() + 1, e.params.begin() + 1 + std::min<int>(e.params[0], static_cast<int>(e.params.size()) - 1));
        if (e.id() == CgmId(0, 3)) file.pictures.emplace_back();
        if (e.id() == CgmId(0, 4)) in_body = !file.pictures.empty();
        if (e.id() == CgmId(0, 5)) {
            if (!in_body) *error = "END PICTURE outside a picture body";
            in_body = false;
        }
        if (!file.pictures.empty()) {
            CgmPicture& pic = file.pictures.back();
            if (e.id() == CgmId(2, 6)) pic.extent = {e.word(0), e.word(1), e.word(2), e.word(3)};
            if (e.id() == CgmId(5, 4)) pic.line_colors.push_back({e.params.at(0), e.params.at(1), e.params.at(2)});
            if (e.cgm_class == 4 && !in_body) *error = "drawing outside a picture body";
            if (e.id() == CgmId(4, 1)) pic.polylines.push_back(cgm_points(e));
            if (e.id() == CgmId(4, 7)) pic.polygons.push_back(cgm_points(e));
        }
        file.elements.push_back(std::move(e));
    }
    if (in_body && error->empty()) *error = "a picture is not ended";
    return file;
}

}  // namespace orv::test
