#include "geo/map.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/tools.hpp"
#include "geo/maptran.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"
#include "plot/colors.hpp"

namespace orv {
namespace {

constexpr int kMapTran = 2;
constexpr int kLabelTran = 1;
constexpr int kAllPasses = kMapUnderlay | kMapOverlay | kMapNormal;
constexpr unsigned kMessLog = kMessOut3;
constexpr int kMaxListDepth = 8;
constexpr int kMaxGridLines = 2000;
// Longitudes this close to the cut still project onto their own side.
constexpr double kCutInset = 1e-4;
constexpr float kDefaultLalo = 5.0F;
// Grid labels keep this share of the map height from the corners.
constexpr float kCornerFree = 0.04F;

// Whether the entries of the map list are being taken (region headers).
enum class Region { Open, Selected, Skipping, Ended };

// The drawing of one map file under one map set-up, kept so that the
// underlay, the overlay and every frame of a loop draw it without reading
// and projecting the file again. A changed file, domain, window or fill
// mode is drawn afresh.
struct OutlineKey {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtime_ns = 0;
    Domain domain{};
    float window[4] = {};
    bool fill = false;
};
struct Outline {
    OutlineKey key;
    int result = 0;
    std::vector<std::vector<GPoint>> runs;
};
constexpr std::size_t kOutlinesKept = 6;

struct MapState {
    char list[kMapListSize] = "";
    char format[kMapFormatSize] = "";
    float lat_spacing = 0.0F;
    float lon_spacing = 0.0F;
    int dot = 0;
    float extra = 0.0F;
    int fill_cont = 0;
    int mask = kAllPasses;
    Region region = Region::Open;
    bool filling = false;
    int list_depth = 0;
    int list_pass = kMapNormal;  // the pass of the list file being read
    MapOverlayHooks overlays{};
    std::vector<Outline> outlines;  // most recently drawn first
};
MapState g;

// ---- small text helpers ----

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool starts_with(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// A whole field as a number.
bool to_number(std::string_view field, double* value) {
    const std::string text(trim(field));
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t k = s.find(sep);
        out.push_back(s.substr(0, k));
        if (k == std::string_view::npos) return out;
        s.remove_prefix(k + 1);
    }
}

void found_path(std::string_view name, char* path) {
    const std::string text(name);
    FILE_add_path(orv_file_path(), text.c_str(), path);
}

// ---- projection with the cut ----

bool is_earth(int proj) { return proj >= 1 && proj <= 9; }

// Projections whose plane is cut along the meridian opposite the origin.
bool has_cut(int proj) {
    return proj == kProjLatLon || proj == kProjMercator || proj == kProjLambert ||
           proj == kProjMollweide;
}

double wrap180(double a) {
    while (a > 180.0) a -= 360.0;
    while (a <= -180.0) a += 360.0;
    return a;
}

double origin_lon() {
    const Domain* d = MAP_get_domain(nullptr);
    return is_missing(d->plon) ? 0.0 : d->plon;
}

bool project(double lat, double lon, GPoint* p) {
    if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90.001 ||
        std::fabs(lon) > 1080.0)
        return false;
    float x = kMissingF;
    float y = kMissingF;
    if (MAP_tran(&x, &y, static_cast<float>(lat), static_cast<float>(lon)) != 1) return false;
    if (is_missing(x) || is_missing(y) || !std::isfinite(x) || !std::isfinite(y)) return false;
    *p = GPoint{x, y};
    return true;
}

// Which sides of the window a point lies beyond (one bit per side).
unsigned outcode(const GPoint& p, const float* w) {
    return (p.x < w[0] ? 1U : 0U) | (p.x > w[1] ? 2U : 0U) | (p.y < w[2] ? 4U : 0U) | (p.y > w[3] ? 8U : 0U);
}

// Collects runs of projected points and draws each as a polyline, or as a
// fill area when filling; optionally also keeps them whole (for the labels).
// Lines wholly beyond one side of the map window are not drawn, and lines
// not kept drop the points whose two neighbouring pieces both lie beyond the
// same side: what shows on the map stays the same.
class RunWriter {
public:
    enum Mode { Draw, Fill, Trace };
    explicit RunWriter(Mode mode, bool keep = false) : mode_(mode), keep_(keep || mode == Trace) {
        MAP_get_window(window_);
    }
    ~RunWriter() { flush(); }
    RunWriter(const RunWriter&) = delete;
    RunWriter& operator=(const RunWriter&) = delete;

    void add(GPoint p) {
        if (keep_ || mode_ == Fill) run_.push_back(p);
        if (mode_ != Draw) return;
        const unsigned code = outcode(p, window_);
        beyond_ = drawn_.empty() ? code : beyond_ & code;
        const std::size_t n = drawn_.size();
        // kept runs are the grid's dashed lines, whose dashes keep their places
        if (!keep_ && n >= 2 && (codes_[n - 2] & codes_[n - 1] & code) != 0) {
            drawn_.back() = p;
            codes_.back() = code;
            return;
        }
        drawn_.push_back(p);
        codes_.push_back(code);
    }
    void flush() {
        const int n = static_cast<int>(run_.size());
        if (mode_ == Fill && n >= 3) {
            gfill_area(n, run_.data());
            if (record_ != nullptr) record_->push_back(run_);
        }
        const int m = static_cast<int>(drawn_.size());
        if (mode_ == Draw && m >= 2 && beyond_ == 0) {
            gpolyline(m, drawn_.data());
            if (record_ != nullptr) record_->push_back(drawn_);
        }
        if (keep_ && n >= 2) kept_.push_back(run_);
        run_.clear();
        drawn_.clear();
        codes_.clear();
    }
    const std::vector<std::vector<GPoint>>& runs() const { return kept_; }
    bool filling() const { return mode_ == Fill; }
    // Every run drawn from now on is also added to `drawn`.
    void record(std::vector<std::vector<GPoint>>* drawn) { record_ = drawn; }

private:
    Mode mode_;
    bool keep_;
    float window_[4];
    std::vector<GPoint> run_;    // every point (fills and kept runs)
    std::vector<GPoint> drawn_;  // the points a line is drawn through
    std::vector<unsigned> codes_;
    unsigned beyond_ = 0;  // the sides every point of the drawn run lies beyond
    std::vector<std::vector<GPoint>> kept_;
    std::vector<std::vector<GPoint>>* record_ = nullptr;
};

// Feeds the points of a line to a run writer. A point without an image ends
// the run; where the line crosses the cut of the projection the run is drawn
// to the cut on one side and a new run starts at the cut on the other, so
// that neither a stray line across the map nor a piece of the line is drawn
// wrongly or lost. Filled outlines are closed along the cut (and around the
// pole for an outline that encloses it) instead of across the map.
class LineWalker {
public:
    explicit LineWalker(RunWriter& out)
        : out_(out), fill_(out.filling()), cut_(has_cut(MAP_get_proj())), origin_(origin_lon()) {}

    void point(double lat, double lon) {
        if (count_++ == 0) {
            first_lat_ = lat;
            first_lon_ = lon;
        }
        last_lat_ = lat;
        last_lon_ = lon;
        GPoint p;
        if (!project(lat, lon, &p)) {
            close_piece(CutEnd{});
            have_prev_ = false;
            last_had_image_ = false;
            return;
        }
        if (count_ == 1) first_had_image_ = true;
        last_had_image_ = true;
        const double rel = wrap180(lon - origin_);
        if (cut_ && have_prev_) split_at_cut(lat, rel);
        piece_.pts.push_back(p);
        piece_.lat_sum += lat;
        have_prev_ = true;
        prev_lat_ = lat;
        prev_rel_ = rel;
    }
    void end() {
        close_piece(CutEnd{});
        if (fill_) fill_pieces();
        pieces_.clear();
        have_prev_ = false;
        count_ = 0;
        first_had_image_ = last_had_image_ = false;
    }

private:
    struct CutEnd {
        bool on = false;
        double side = 0.0;  // +180 or -180 from the origin
        double lat = 0.0;
    };
    struct Piece {
        std::vector<GPoint> pts;
        CutEnd start;
        CutEnd finish;
        double lat_sum = 0.0;
    };

    void split_at_cut(double lat, double rel) {
        const double step = wrap180(rel - prev_rel_);
        const double reach = prev_rel_ + step;
        if (reach <= 180.0 && reach > -180.0) return;
        const double cut = reach > 180.0 ? 180.0 : -180.0;
        const double t = step == 0.0 ? 0.0 : (cut - prev_rel_) / step;
        const double cut_lat = prev_lat_ + t * (lat - prev_lat_);
        GPoint edge;
        // a point on the cut itself already ends (or starts) its side's run
        if (t > 0.0 && project_on_cut(cut_lat, cut, &edge)) piece_.pts.push_back(edge);
        close_piece(CutEnd{true, cut, cut_lat});
        piece_.start = CutEnd{true, -cut, cut_lat};
        if (t < 1.0 && project_on_cut(cut_lat, -cut, &edge)) piece_.pts.push_back(edge);
    }

    bool project_on_cut(double lat, double side, GPoint* p) const {
        return project(lat, origin_ + side + (side > 0.0 ? -kCutInset : kCutInset), p);
    }

    void close_piece(CutEnd finish) {
        piece_.finish = finish;
        if (fill_) {
            if (!piece_.pts.empty()) pieces_.push_back(std::move(piece_));
        } else {
            emit(piece_);
        }
        piece_ = Piece{};
    }

    void emit(const Piece& piece) {
        for (const GPoint& p : piece.pts) out_.add(p);
        out_.flush();
    }

    // Points along the cut on one side, from one latitude to another.
    void along_cut(std::vector<GPoint>& pts, double side, double from, double to) const {
        const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(to - from) / 2.0)));
        GPoint p;
        for (int k = 1; k <= n; ++k)
            if (project_on_cut(from + (to - from) * k / n, side, &p)) pts.push_back(p);
    }

    void close_along_cut(Piece& piece) const {
        const CutEnd& a = piece.finish;
        const CutEnd& b = piece.start;
        if (a.side == b.side) {
            along_cut(piece.pts, a.side, a.lat, b.lat);
            return;
        }
        // an outline around a pole: down the cut, along the pole, back up
        const double pole = piece.lat_sum >= 0.0 ? 89.999 : -89.999;
        along_cut(piece.pts, a.side, a.lat, pole);
        constexpr int kSteps = 180;
        GPoint p;
        for (int k = 1; k < kSteps; ++k) {
            const double rel = a.side + (b.side - a.side) * k / kSteps;
            if (project(pole, origin_ + rel, &p)) piece.pts.push_back(p);
        }
        along_cut(piece.pts, b.side, pole, b.lat);
    }

    void fill_pieces() {
        const bool closed = first_lat_ == last_lat_ && std::fabs(wrap180(first_lon_ - last_lon_)) < 1e-9;
        // a closed outline cut into pieces: its last piece goes on into its first
        if (closed && pieces_.size() >= 2 && first_had_image_ && last_had_image_ && !pieces_.front().start.on &&
            !pieces_.back().finish.on) {
            Piece& last = pieces_.back();
            const Piece& first = pieces_.front();
            last.pts.insert(last.pts.end(), first.pts.begin() + 1, first.pts.end());
            last.finish = first.finish;
            last.lat_sum += first.lat_sum;
            pieces_.erase(pieces_.begin());
        }
        for (Piece& piece : pieces_) {
            if (closed && piece.start.on && piece.finish.on) close_along_cut(piece);
            emit(piece);
        }
    }

    RunWriter& out_;
    bool fill_;
    bool cut_;
    double origin_;
    Piece piece_;
    std::vector<Piece> pieces_;
    bool have_prev_ = false;
    double prev_lat_ = 0.0;
    double prev_rel_ = 0.0;
    long count_ = 0;
    double first_lat_ = 0.0, first_lon_ = 0.0, last_lat_ = 0.0, last_lon_ = 0.0;
    bool first_had_image_ = false;
    bool last_had_image_ = false;
};

// ---- map files ----

class ByteReader {
public:
    explicit ByteReader(std::vector<unsigned char> bytes) : b_(std::move(bytes)) {}
    std::size_t left() const { return b_.size() - pos_; }
    std::int16_t i16() {
        const auto v = static_cast<std::uint16_t>((b_[pos_] << 8) | b_[pos_ + 1]);
        pos_ += 2;
        return static_cast<std::int16_t>(v);
    }
    std::uint32_t u32() {
        const std::uint32_t v = (std::uint32_t{b_[pos_]} << 24) | (std::uint32_t{b_[pos_ + 1]} << 16) |
                                (std::uint32_t{b_[pos_ + 2]} << 8) | std::uint32_t{b_[pos_ + 3]};
        pos_ += 4;
        return v;
    }
    float f32() {
        const std::uint32_t v = u32();
        float f;
        std::memcpy(&f, &v, sizeof f);
        return f;
    }

private:
    std::vector<unsigned char> b_;
    std::size_t pos_ = 0;
};

std::vector<unsigned char> slurp(std::FILE* file) {
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    return bytes;
}

// Text reading over the whole file: strtof/strtol skip the white space.
class TextReader {
public:
    explicit TextReader(const std::vector<unsigned char>& bytes) : text_(bytes.begin(), bytes.end()) {
        // a NUL inside the data ends the text there
        text_.resize(std::strlen(text_.c_str()));
        p_ = text_.c_str();
    }
    bool number(float* v) {
        char* end = nullptr;
        const float f = std::strtof(p_, &end);
        if (end == p_) return false;
        p_ = end;
        *v = f;
        return true;
    }
    bool integer(long* v) {
        char* end = nullptr;
        const long n = std::strtol(p_, &end, 10);
        if (end == p_) return false;
        p_ = end;
        *v = n;
        return true;
    }
    // Point count and the five values that follow it.
    bool header(long* count) {
        float unused;
        long id;
        if (!integer(count)) return false;
        for (int k = 0; k < 4; ++k)
            if (!number(&unused)) return false;
        return integer(&id);
    }
    bool at_end() {
        while (*p_ != '\0' && std::isspace(static_cast<unsigned char>(*p_))) ++p_;
        return *p_ == '\0';
    }

private:
    std::string text_;
    const char* p_;
};

bool looks_like_text(const std::vector<unsigned char>& bytes) {
    // only the first header decides, so read no further than a few lines
    const std::size_t n = std::min<std::size_t>(bytes.size(), 256);
    TextReader probe(std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(n)));
    long count = 0;
    return probe.header(&count) && count >= 0 && count <= INT16_MAX;
}

// ---- culling ----

// The latitudes and longitudes the map window can show, with a margin, so
// that segments lying wholly outside them are passed over unprojected.
class ViewBox {
public:
    ViewBox() {
        float w[4];
        MAP_get_window(w);
        // the window's edge, walked round once; longitudes unwrapped on the way
        constexpr int kSteps = 32;
        double lon_sum = 0.0;
        double prev_lon = 0.0;
        double first_lon = 0.0;
        bool first = true;
        for (int side = 0; side < 4; ++side) {
            for (int k = 0; k < kSteps; ++k) {
                const float t = static_cast<float>(k) / kSteps;
                const float x = side == 0 ? w[0] + t * (w[1] - w[0]) : side == 1 ? w[1] : side == 2 ? w[1] - t * (w[1] - w[0]) : w[0];
                const float y = side == 0 ? w[2] : side == 1 ? w[2] + t * (w[3] - w[2]) : side == 2 ? w[3] : w[3] - t * (w[3] - w[2]);
                float lat = kMissingF;
                float lon = kMissingF;
                if (MAP_untran(&lat, &lon, x, y) != 1 || is_missing(lat) || is_missing(lon) || !std::isfinite(lat) ||
                    !std::isfinite(lon))
                    return;  // the window reaches past the earth: everything may show
                if (first) first_lon = lon;
                lon_sum = first ? lon : lon_sum + wrap180(lon - prev_lon);
                prev_lon = lon;
                first = false;
                lat_lo_ = std::min(lat_lo_, static_cast<double>(lat));
                lat_hi_ = std::max(lat_hi_, static_cast<double>(lat));
                lon_lo_ = std::min(lon_lo_, lon_sum);
                lon_hi_ = std::max(lon_hi_, lon_sum);
            }
        }
        // an edge that winds round a pole encloses it: every longitude shows
        if (std::fabs(lon_sum + wrap180(first_lon - prev_lon) - first_lon) > 180.0) return;
        for (double pole : {-90.0, 90.0}) {
            GPoint p;
            if (project(pole, 0.0, &p) && outcode(p, w) == 0) return;
        }
        lat_lo_ -= kMargin;
        lat_hi_ += kMargin;
        lon_lo_ -= kMargin;
        lon_hi_ += kMargin;
        culls_ = lon_hi_ - lon_lo_ < 360.0;
    }

    // Whether a segment within these bounds may show. A filled outline
    // going all the way round may enclose a pole, so it always may.
    bool may_show(double lat_lo, double lat_hi, double lon_lo, double lon_hi, bool filled) const {
        if (!culls_) return true;
        if (lat_hi < lat_lo_ || lat_lo > lat_hi_) return false;
        const double span = lon_hi - lon_lo;
        if (span >= 360.0 || (filled && span > 180.0)) return true;
        const double d = std::fmod(std::fmod(lon_lo - lon_lo_, 360.0) + 360.0, 360.0);
        return d <= lon_hi_ - lon_lo_ || d + span >= 360.0;
    }

private:
    static constexpr double kMargin = 2.0;
    bool culls_ = false;
    double lat_lo_ = 1e30, lat_hi_ = -1e30, lon_lo_ = 1e30, lon_hi_ = -1e30;
};

// Hands the points of one segment to the line walker unless the view box
// shows that none of it can be seen.
class SegmentFeed {
public:
    explicit SegmentFeed(RunWriter& out) : line_(out), filled_(out.filling()) {}
    void point(float lat, float lon) { points_.push_back({lat, lon}); }
    void end() {
        double lat_lo = 1e30, lat_hi = -1e30, lon_lo = 1e30, lon_hi = -1e30;
        for (const auto& [lat, lon] : points_) {
            lat_lo = std::min(lat_lo, static_cast<double>(lat));
            lat_hi = std::max(lat_hi, static_cast<double>(lat));
            lon_lo = std::min(lon_lo, static_cast<double>(lon));
            lon_hi = std::max(lon_hi, static_cast<double>(lon));
        }
        if (!points_.empty() && view_.may_show(lat_lo, lat_hi, lon_lo, lon_hi, filled_)) {
            for (const auto& [lat, lon] : points_) line_.point(lat, lon);
        }
        line_.end();
        points_.clear();
    }

private:
    LineWalker line_;
    bool filled_;
    ViewBox view_;
    std::vector<std::pair<float, float>> points_;
};

int draw_text_segments(const std::vector<unsigned char>& bytes, RunWriter& out) {
    TextReader in(bytes);
    SegmentFeed line(out);
    for (;;) {
        long count = 0;
        if (!in.header(&count)) return in.at_end() ? 0 : -1;
        if (count == 0) return 0;
        if (count < 0 || count > INT16_MAX) return -1;
        for (long k = 0; k < count; ++k) {
            float lat;
            float lon;
            if (!in.number(&lat) || !in.number(&lon)) {
                line.end();
                return -1;
            }
            line.point(lat, lon);
        }
        line.end();
    }
}

int draw_binary_segments(std::vector<unsigned char> bytes, RunWriter& out) {
    ByteReader in(std::move(bytes));
    SegmentFeed line(out);
    constexpr std::size_t kHeaderRest = 4 * 4 + 4;
    for (;;) {
        if (in.left() == 0) return 0;
        if (in.left() < 2) return -1;
        const std::int16_t count = in.i16();
        if (count == 0) return 0;
        if (count < 0 || in.left() < kHeaderRest) return -1;
        for (std::size_t k = 0; k < kHeaderRest; k += 4) in.u32();
        for (int k = 0; k < count; ++k) {
            if (in.left() < 8) {
                line.end();
                return -1;
            }
            const float lat = in.f32();
            const float lon = in.f32();
            line.point(lat, lon);
        }
        line.end();
    }
}

// Draws the segments of a file's bytes with the current fill mode, adding
// what is drawn to `drawn` when given.
int draw_map_bytes(std::vector<unsigned char> bytes, std::vector<std::vector<GPoint>>* drawn) {
    RunWriter out(g.filling ? RunWriter::Fill : RunWriter::Draw);
    out.record(drawn);
    if (looks_like_text(bytes)) return draw_text_segments(bytes, out);
    return draw_binary_segments(std::move(bytes), out);
}

// ---- entries ----

void log_entry(const char* format, const char* text) {
    MESS_print(kMessLog, format, text);
}

// Size conditions at the start of an entry ("s+20:", ">5<40:"): true when
// the window height meets them; the entry is advanced past them.
bool size_conditions_met(std::string_view* entry) {
    double at_least = -1e30;
    double at_most = 1e30;
    std::string_view s = *entry;
    for (;;) {
        bool lower;
        if (starts_with(s, "s+")) {
            lower = true;
            s.remove_prefix(2);
        } else if (starts_with(s, "s-")) {
            lower = false;
            s.remove_prefix(2);
        } else if (starts_with(s, ">") || starts_with(s, "<")) {
            lower = s.front() == '>';
            s.remove_prefix(1);
        } else {
            break;
        }
        const std::string rest(s);
        char* end = nullptr;
        const double n = std::strtod(rest.c_str(), &end);
        s.remove_prefix(static_cast<std::size_t>(end - rest.c_str()));
        (lower ? at_least : at_most) = n;
        if (starts_with(s, ":")) s.remove_prefix(1);
    }
    *entry = s;
    const double height = MAP_get_vert();
    return height >= at_least && height <= at_most;
}

bool lon_in_range(double lon, double lo, double hi) {
    for (double shift : {0.0, -360.0, 360.0})
        if (lon + shift >= lo && lon + shift <= hi) return true;
    return false;
}

// A region header "[lat1,lat2,lon1,lon2[,size]]": whether the domain lies in it.
bool region_matches(std::string_view header) {
    header.remove_prefix(1);
    if (const std::size_t k = header.find(']'); k != std::string_view::npos) header = header.substr(0, k);
    double v[5] = {0, 0, 0, 0, 1000};
    int n = 0;
    for (std::string_view field : split(header, ',')) {
        if (n == 5 || !to_number(field, &v[n])) break;
        ++n;
    }
    if (n < 4) return false;
    if (v[0] > v[1]) std::swap(v[0], v[1]);
    if (v[2] > v[3]) std::swap(v[2], v[3]);
    const double clat = MAP_get_clat();
    const double clon = wrap180(MAP_get_clon());
    return clat >= v[0] && clat <= v[1] && lon_in_range(clon, v[2], v[3]) && MAP_get_vert() <= v[4];
}

void region_header(std::string_view header) {
    if (g.region == Region::Selected || g.region == Region::Ended) {
        g.region = Region::Ended;
        return;
    }
    g.region = region_matches(header) ? Region::Selected : Region::Skipping;
}

// The words of a list file are entries; those without a pass sign take the
// pass of the "fi:" entry that named the file.
void process_list_file(std::string_view name, int pass) {
    char path[kFileNameSize];
    found_path(name, path);
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        MESS_print(kMessError, "MAP_draw: Unable to open map list file: %s\n", path);
        return;
    }
    const std::vector<unsigned char> bytes = slurp(file);
    std::fclose(file);
    const std::string text(bytes.begin(), bytes.end());
    if (g.list_depth >= kMaxListDepth) return;
    ++g.list_depth;
    const int outer_pass = g.list_pass;
    g.list_pass = pass;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t\r\n\f\v", pos);
        if (start == std::string::npos) break;
        const std::size_t stop = std::min(text.find_first_of(" \t\r\n\f\v", start), text.size());
        MAP_process(text.substr(start, stop - start).c_str());
        pos = stop;
    }
    g.list_pass = outer_pass;
    --g.list_depth;
}

// "im:file:colour:x:y" and "im:file::x:y".
void image_entry(std::string_view rest, int whole_picture) {
    const std::vector<std::string_view> f = split(rest, ':');
    const std::string file(f[0]);
    const std::string colour(f.size() > 1 ? trim(f[1]) : std::string_view{});
    double x = 0;
    double y = 0;
    if (f.size() > 2) to_number(f[2], &x);
    if (f.size() > 3) to_number(f[3], &y);
    log_entry("Map-image: %s\n", file.c_str());
    if (g.overlays.image != nullptr)
        g.overlays.image(file.c_str(), colour.c_str(), static_cast<int>(x), static_cast<int>(y),
                         whole_picture);
}

// Line attributes of a grid: "color_line", with the earth projections'
// dashed lines preset, then the entry's own attributes.
AttribRecord grid_attributes(const char* entry_attributes) {
    AttribRecord rec;
    ATTRIB_init(&rec);
    const bool earth = is_earth(MAP_get_proj());
    if (earth) rec.style = 4;
    ATTRIB_get("color_line", earth ? "magenta:s4" : "red", &rec);
    if (entry_attributes != nullptr && entry_attributes[0] != '\0') ATTRIB_parse(entry_attributes, &rec);
    return rec;
}

// The height of the map's viewport in the label transformation.
float map_view_height() {
    float w[4];
    MAP_get_window(w);
    return std::fabs(yW_trans(kMapTran, kLabelTran, w[3]) - yW_trans(kMapTran, kLabelTran, w[2]));
}

void draw_grid(float lat_spacing, float lon_spacing, const char* entry_attributes) {
    const AttribRecord rec = grid_attributes(entry_attributes);
    if (rec.color == kColorNone) return;
    GPH_line_attr(&rec);
    const float factor = is_earth(MAP_get_proj()) ? 0.018F : 0.015F;
    GPH_text_attr(&rec, factor * map_view_height());
    MAP_lines(lat_spacing, lon_spacing);
}

// "lalo[:lat[:lon]][:attributes]".
void lalo_entry(std::string_view rest) {
    float spacing[2] = {kDefaultLalo, kDefaultLalo};
    int numbers = 0;
    std::string attributes;
    if (starts_with(rest, ":")) {
        rest.remove_prefix(1);
        std::vector<std::string_view> f = split(rest, ':');
        std::size_t k = 0;
        double v;
        while (k < f.size() && numbers < 2 && to_number(f[k], &v)) spacing[numbers++] = static_cast<float>(v), ++k;
        for (; k < f.size(); ++k) {
            if (!attributes.empty()) attributes += ':';
            attributes += f[k];
        }
    }
    if (numbers == 1) spacing[1] = spacing[0];
    MESS_print(kMessLog, "Map-lalo: %.1f,%.1f\n", static_cast<double>(spacing[0]),
               static_cast<double>(spacing[1]));
    draw_grid(spacing[0], spacing[1], attributes.c_str());
}

// Attributes of a map file: the map colour by the plot kind, the default
// format, then the entry's own text.
AttribRecord map_attributes(std::string_view entry_attributes) {
    AttribRecord rec;
    ATTRIB_init(&rec);
    if (g.fill_cont)
        ATTRIB_get("color_cmap", "black", &rec);
    else
        ATTRIB_get("color_map", "red", &rec);
    if (g.format[0] != '\0') ATTRIB_parse(g.format, &rec);
    if (!entry_attributes.empty()) ATTRIB_parse(std::string(entry_attributes).c_str(), &rec);
    return rec;
}

bool same_outline(const OutlineKey& a, const OutlineKey& b) {
    return a.path == b.path && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.mtime_ns == b.mtime_ns && a.fill == b.fill && std::memcmp(&a.domain, &b.domain, sizeof a.domain) == 0 &&
           std::memcmp(a.window, b.window, sizeof a.window) == 0;
}

// Draws an open map file, from the kept drawing when the file, the map
// set-up and the fill mode are those it was drawn with.
int draw_map_file(const char* path, std::FILE* file) {
    if (!is_earth(MAP_get_proj())) return 0;
    struct stat st {};
    if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return MAP_map(file);
    OutlineKey key;
    key.path = path;
    key.device = st.st_dev;
    key.inode = st.st_ino;
    key.size = st.st_size;
    key.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    MAP_get_domain(&key.domain);
    MAP_get_window(key.window);
    key.fill = g.filling;
    const auto kept = std::find_if(g.outlines.begin(), g.outlines.end(),
                                   [&key](const Outline& o) { return same_outline(o.key, key); });
    if (kept != g.outlines.end()) {
        std::rotate(g.outlines.begin(), kept, kept + 1);
        const Outline& o = g.outlines.front();
        for (const std::vector<GPoint>& run : o.runs) {
            if (o.key.fill)
                gfill_area(static_cast<int>(run.size()), run.data());
            else
                gpolyline(static_cast<int>(run.size()), run.data());
        }
        return o.result;
    }
    Outline drawn;
    drawn.key = std::move(key);
    drawn.result = draw_map_bytes(slurp(file), &drawn.runs);
    if (g.outlines.size() >= kOutlinesKept) g.outlines.pop_back();
    g.outlines.insert(g.outlines.begin(), std::move(drawn));
    return g.outlines.front().result;
}

int map_file_entry(std::string_view entry) {
    const std::size_t colon = entry.find(':');
    const std::string_view name = trim(entry.substr(0, colon));
    const std::string_view attributes = colon == std::string_view::npos ? std::string_view{} : entry.substr(colon + 1);
    const std::string name_text(name);
    log_entry("Map: %s\n", name_text.c_str());
    const AttribRecord rec = map_attributes(attributes);
    GPH_line_attr(&rec);
    g.filling = !is_missing(rec.fill);
    if (g.filling) GPH_fill_attr(&rec);
    char path[kFileNameSize];
    found_path(name, path);
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        MESS_print(kMessError, "MAP_process: Map file not found: %s\n", path);
        g.filling = false;
        return -1;
    }
    int result = 0;
    if (rec.color != kColorNone) result = draw_map_file(path, file);
    std::fclose(file);
    g.filling = false;
    return result;
}

int pass_of(std::string_view* entry) {
    if (starts_with(*entry, "-")) {
        entry->remove_prefix(1);
        return kMapUnderlay;
    }
    if (starts_with(*entry, "+")) {
        entry->remove_prefix(1);
        return kMapOverlay;
    }
    return g.list_pass;
}

const char* default_list() {
    const double clat = MAP_get_clat();
    const double clon = wrap180(MAP_get_clon());
    if (clat > 25.0 && clat < 80.0 && clon > -160.0 && clon < -65.0 && MAP_get_vert() < 75.0F)
        return "orv.map";
    return "cont.map,country.map";
}

// ---- grid ----

void print_label(float x, float y, const char* text) {
    gsel_norm_tran(kLabelTran);
    gtext(xW_trans(kMapTran, kLabelTran, x), yW_trans(kMapTran, kLabelTran, y), text);
    gsel_norm_tran(kMapTran);
}

// A rectangle of the map plane.
struct Box {
    float x0, x1, y0, y1;
};

// A grid label: its text, its anchor on the map and how it sits there.
struct GridLabel {
    float x, y;
    int align_h, align_v;
    std::string text;
};

// The extent of the strokes a string would be lettered with.
class InkExtent : public GStrokeSink {
public:
    void move(float x, float y) override { take(x, y); }
    void draw(float x, float y) override { take(x, y); }
    bool empty() const { return !(lo_x_ <= hi_x_); }
    float lo_x_ = HUGE_VALF, hi_x_ = -HUGE_VALF, lo_y_ = HUGE_VALF, hi_y_ = -HUGE_VALF;

private:
    void take(float x, float y) {
        lo_x_ = std::min(lo_x_, x);
        hi_x_ = std::max(hi_x_, x);
        lo_y_ = std::min(lo_y_, y);
        hi_y_ = std::max(hi_y_, y);
    }
};

// The box of the map a label's letters take, with a quarter of the text
// height round them: the grid lines keep out of it. Empty when no stroke
// font is loaded.
bool label_box(const GridLabel& label, Box* box) {
    GTextAttr attr = ginq_text_attr();
    attr.align_h = label.align_h;
    attr.align_v = label.align_v;
    InkExtent ink;
    gtext_layout(label.text.c_str(), xW_trans(kMapTran, kLabelTran, label.x),
                 yW_trans(kMapTran, kLabelTran, label.y), attr, ink);
    if (ink.empty()) return false;
    const float pad = 0.25F * attr.height;
    const float xa = xW_trans(kLabelTran, kMapTran, ink.lo_x_ - pad);
    const float xb = xW_trans(kLabelTran, kMapTran, ink.hi_x_ + pad);
    const float ya = yW_trans(kLabelTran, kMapTran, ink.lo_y_ - pad);
    const float yb = yW_trans(kLabelTran, kMapTran, ink.hi_y_ + pad);
    *box = Box{std::min(xa, xb), std::max(xa, xb), std::min(ya, yb), std::max(ya, yb)};
    return true;
}

// The part [t0, t1] of the segment a + t (b - a) inside a box, if any.
bool inside_part(const GPoint& a, const GPoint& b, const Box& box, float* t0, float* t1) {
    const float d[2] = {b.x - a.x, b.y - a.y};
    const float lo[2] = {box.x0 - a.x, box.y0 - a.y};
    const float hi[2] = {box.x1 - a.x, box.y1 - a.y};
    float enter = 0.0F, leave = 1.0F;
    for (int k = 0; k < 2; ++k) {
        if (d[k] == 0.0F) {
            if (lo[k] > 0.0F || hi[k] < 0.0F) return false;
            continue;
        }
        float ta = lo[k] / d[k], tb = hi[k] / d[k];
        if (ta > tb) std::swap(ta, tb);
        enter = std::max(enter, ta);
        leave = std::min(leave, tb);
    }
    if (enter >= leave) return false;
    *t0 = enter;
    *t1 = leave;
    return true;
}

// Draws a line with the pieces that run through any of the boxes left out.
void draw_clear_of(const std::vector<GPoint>& run, const std::vector<Box>& boxes) {
    std::vector<GPoint> piece;
    const auto flush = [&piece] {
        if (piece.size() >= 2) gpolyline(static_cast<int>(piece.size()), piece.data());
        piece.clear();
    };
    std::vector<std::pair<float, float>> hidden;
    for (std::size_t k = 1; k < run.size(); ++k) {
        const GPoint a = run[k - 1], b = run[k];
        const auto at = [&](float t) { return GPoint{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}; };
        hidden.clear();
        for (const Box& box : boxes) {
            float t0, t1;
            if (inside_part(a, b, box, &t0, &t1)) hidden.emplace_back(t0, t1);
        }
        std::sort(hidden.begin(), hidden.end());
        float from = 0.0F;
        for (const auto& [t0, t1] : hidden) {
            if (t0 > from) {
                if (from > 0.0F || piece.empty()) {
                    flush();
                    piece.push_back(at(from));
                }
                piece.push_back(at(t0));
            }
            flush();
            from = std::max(from, t1);
        }
        if (from >= 1.0F) continue;
        if (from > 0.0F || piece.empty()) {
            flush();
            piece.push_back(at(from));
        }
        piece.push_back(b);
    }
    flush();
}

// Draws the grid lines clear of the labels' boxes, then the labels.
void draw_labelled(const std::vector<std::vector<GPoint>>& runs, const std::vector<GridLabel>& labels) {
    std::vector<Box> boxes;
    for (const GridLabel& label : labels) {
        Box box;
        if (label_box(label, &box)) boxes.push_back(box);
    }
    for (const auto& run : runs) draw_clear_of(run, boxes);
    for (const GridLabel& label : labels) {
        gset_text_align(label.align_h, label.align_v);
        print_label(label.x, label.y, label.text.c_str());
    }
}

// Where a drawn line first meets x = at (or y = at), within a small
// tolerance of the edge: the other coordinate.
bool crossing(const std::vector<std::vector<GPoint>>& runs, bool vertical_edge, float at, float tolerance,
              float* where) {
    const auto along = [&](const GPoint& p) { return vertical_edge ? p.x : p.y; };
    const auto across = [&](const GPoint& p) { return vertical_edge ? p.y : p.x; };
    for (const auto& run : runs) {
        for (std::size_t k = 0; k < run.size(); ++k) {
            if (std::fabs(along(run[k]) - at) <= tolerance) {
                *where = across(run[k]);
                return true;
            }
            if (k == 0) continue;
            const float a = along(run[k - 1]);
            const float b = along(run[k]);
            if ((a - at) * (b - at) >= 0.0F) continue;
            const float t = (at - a) / (b - a);
            *where = across(run[k - 1]) + t * (across(run[k]) - across(run[k - 1]));
            return true;
        }
    }
    return false;
}

void parallel_label(double lat, char* text, std::size_t size) {
    if (std::fabs(lat) < 1e-6)
        strntcpy(text, "EQ", size);
    else
        std::snprintf(text, size, "%1.0f%c", std::fabs(lat), lat > 0 ? 'N' : 'S');
}

void meridian_label(double lon, char* text, std::size_t size) {
    const double a = std::fabs(lon);
    if (a < 1e-6)
        strntcpy(text, "PM", size);
    else if (std::fabs(a - 180.0) < 1e-6)
        strntcpy(text, "DL", size);
    else
        std::snprintf(text, size, "%1.0f%c", a, lon > 0 ? 'E' : 'W');
}

// Values 0, +-s, +-2s, ... within [lo, hi] (strictly inside when open).
std::vector<double> multiples(double s, double lo, double hi, bool open) {
    std::vector<double> v;
    const long n = static_cast<long>(std::floor(std::max(std::fabs(lo), std::fabs(hi)) / s));
    for (long k = -n; k <= n && v.size() < kMaxGridLines; ++k) {
        const double a = k * s;
        if (open ? (a > lo + 1e-9 && a < hi - 1e-9) : (a >= lo - 1e-9 && a <= hi + 1e-9)) v.push_back(a);
    }
    return v;
}

void add_cross(double lat, double lon, std::vector<std::vector<GPoint>>* runs) {
    const double d = 0.1;
    const double ends[2][4] = {{lat - d, lon, lat + d, lon}, {lat, lon - d, lat, lon + d}};
    for (const auto& e : ends) {
        GPoint p[2];
        if (!project(e[0], e[1], &p[0]) || !project(e[2], e[3], &p[1])) continue;
        if (std::hypot(p[1].x - p[0].x, p[1].y - p[0].y) < 5.0F) runs->push_back({p[0], p[1]});
    }
}

void label_at(double lat, double lon, const GridLabel& kind, const float* w, std::vector<GridLabel>* labels) {
    GPoint p;
    if (!project(lat, lon, &p)) return;
    if (p.x < w[0] || p.x > w[1] || p.y < w[2] || p.y > w[3]) return;
    GridLabel label = kind;
    label.x = p.x;
    label.y = p.y;
    labels->push_back(label);
}

// The runs of one grid line, traced point by point.
template <typename PointOf>
std::vector<std::vector<GPoint>> trace_line(int steps, PointOf point_of) {
    RunWriter out(RunWriter::Trace);
    LineWalker line(out);
    for (int k = 0; k <= steps; ++k) {
        const auto [lat, lon] = point_of(k);
        line.point(lat, lon);
    }
    line.end();
    out.flush();
    return out.runs();
}

void earth_grid(double s, double t) {
    float w[4];
    MAP_get_window(w);
    const int proj = MAP_get_proj();
    const bool pole_stop = proj == kProjPolarStereo || proj == kProjLambert || proj == kProjSatellite;
    const double lat_end = pole_stop ? std::trunc(89.0 / s) * s : 90.0;
    const std::vector<double> lats = multiples(s, -90.0, 90.0, true);
    std::vector<double> lons = multiples(t, -180.0, 180.0, false);
    // -180 and 180 are the same meridian
    if (lons.size() > 1 && lons.front() <= -180.0 + 1e-9 && lons.back() >= 180.0 - 1e-9) lons.pop_back();
    char text[16];
    std::vector<std::vector<GPoint>> drawn;
    std::vector<GridLabel> labels;
    const auto keep = [&](std::vector<std::vector<GPoint>> runs) {
        if (!g.dot) drawn.insert(drawn.end(), std::make_move_iterator(runs.begin()),
                                 std::make_move_iterator(runs.end()));
    };

    if (g.dot) {
        for (double lat : lats)
            for (double lon : lons) add_cross(lat, lon, &drawn);
    }
    const float height = w[3] - w[2];
    for (double lat : lats) {
        const auto runs = trace_line(144, [lat](int k) { return std::pair{lat, -180.0 + 2.5 * k}; });
        parallel_label(lat, text, sizeof text);
        const GridLabel kind{0.0F, 0.0F, 1, 3, text};
        float y;
        // the south-west corner belongs to the meridian labels
        if (crossing(runs, true, w[0], 1e-3F * (w[1] - w[0]), &y) && y >= w[2] + kCornerFree * height &&
            y <= w[3])
            labels.push_back(GridLabel{w[0] + 0.01F * (w[1] - w[0]), y, 1, 3, text});
        if (g.extra > 0.0F)
            for (double lon = -180.0 + t / 2; lon < 180.0; lon += g.extra) label_at(lat, lon, kind, w, &labels);
        keep(runs);
    }
    // finer steps than the latitude spacing keep curved meridians smooth
    const double lat_step = std::min(s, 2.5);
    const int steps = std::max(1, static_cast<int>(std::ceil(2.0 * lat_end / lat_step)));
    for (double lon : lons) {
        const auto runs = trace_line(steps, [&](int k) { return std::pair{-lat_end + 2.0 * lat_end * k / steps, lon}; });
        meridian_label(lon, text, sizeof text);
        const GridLabel kind{0.0F, 0.0F, 2, 5, text};
        float x;
        // labels centred this close to the side edges would run off the map
        if (crossing(runs, false, w[2], 1e-3F * (w[3] - w[2]), &x) && x >= w[0] + kCornerFree * height &&
            x <= w[1] - kCornerFree * height)
            labels.push_back(GridLabel{x, w[2] + 0.01F * (w[3] - w[2]), 2, 5, text});
        if (g.extra > 0.0F)
            for (double lat = -90.0 + s / 2; lat < 90.0; lat += g.extra) label_at(lat, lon, kind, w, &labels);
        keep(runs);
    }
    draw_labelled(drawn, labels);
}

// The x/y planes: lines of constant x and y through the domain rectangle,
// numbered along the bottom and left edges.
bool plane_value(float x, float y, float* a, float* b) {
    *a = x;
    *b = y;
    return MAP_untran(a, b, x, y) == 1 && std::isfinite(*a) && std::isfinite(*b);
}

bool plane_point(float a, float b, GPoint* p) {
    float x = a;
    float y = b;
    if (MAP_tran(&x, &y, a, b) != 1 || !std::isfinite(x) || !std::isfinite(y)) return false;
    *p = GPoint{x, y};
    return true;
}

// Values from `from` towards `to` every |step|; a negative step starts at a
// multiple of the step.
std::vector<double> plane_values(double from, double to, double step) {
    std::vector<double> v;
    const double s = std::fabs(step);
    if (!(s > 0.0) || from == to) return v;
    const double dir = to > from ? 1.0 : -1.0;
    double a = from;
    if (step < 0.0) a = (dir > 0 ? std::ceil(from / s - 1e-9) : std::floor(from / s + 1e-9)) * s;
    for (; (to - a) * dir >= -1e-9 * s && v.size() < kMaxGridLines; a += dir * s) v.push_back(a);
    return v;
}

void plane_line(bool constant_x, double value, double from, double to) {
    constexpr int kSteps = 20;
    RunWriter out(RunWriter::Draw);
    for (int k = 0; k <= kSteps; ++k) {
        const double other = from + (to - from) * k / kSteps;
        GPoint p;
        const float a = static_cast<float>(constant_x ? value : other);
        const float b = static_cast<float>(constant_x ? other : value);
        if (plane_point(a, b, &p))
            out.add(p);
        else
            out.flush();
    }
}

void plane_grid(double s, double t) {
    float w[4];
    MAP_get_window(w);
    float a0, b0, a1, b1;
    if (!plane_value(w[0], w[2], &a0, &b0) || !plane_value(w[1], w[3], &a1, &b1)) return;
    char text[kSetNumSize];
    gset_text_align(2, 1);
    for (double a : plane_values(a0, a1, s)) {
        plane_line(true, a, b0, b1);
        GPoint p;
        if (plane_point(static_cast<float>(a), b0, &p) && p.x >= w[0] && p.x <= w[1])
            print_label(p.x, w[2] - 0.01F * (w[3] - w[2]), set_num(text, "2.2.0", a));
    }
    gset_text_align(3, 3);
    for (double b : plane_values(b0, b1, t)) {
        plane_line(false, b, a0, a1);
        GPoint p;
        if (plane_point(a0, static_cast<float>(b), &p) && p.y >= w[2] && p.y <= w[3])
            print_label(w[0] - 0.01F * (w[1] - w[0]), p.y, set_num(text, "2.2.0", b));
    }
}

}  // namespace

void MAP_file(const char* list) { copy_text(g.list, list); }

void MAP_set_format(const char* attributes) { copy_text(g.format, attributes); }

void MAP_latlon(int dot, float extra_spacing, float lat_spacing, float lon_spacing) {
    g.dot = dot;
    g.extra = extra_spacing;
    g.lat_spacing = lat_spacing;
    g.lon_spacing = lon_spacing;
}

void MAP_get_latlon(float* lat_spacing, float* lon_spacing) {
    if (lat_spacing != nullptr) *lat_spacing = g.lat_spacing;
    if (lon_spacing != nullptr) *lon_spacing = g.lon_spacing;
}

void MAP_fill_cont(int flag) { g.fill_cont = flag; }

int MAP_draw(int mask) {
    if (FLAG_getplot(kPlotMap) == 0) return 0;
    gsel_norm_tran(kMapTran);
    greset_line();
    GPH_text_font(nullptr);
    g.mask = mask;
    g.region = Region::Open;
    const char* resource = RES_get("map_file");
    const char* list = resource != nullptr && resource[0] != '\0' ? resource
                       : g.list[0] != '\0'                         ? g.list
                                                                   : default_list();
    const std::string text(list);
    for (std::string_view entry : split(text, ',')) MAP_process(std::string(entry).c_str());
    if (g.lat_spacing > 0.0F && (mask & kMapGridLater) == 0) draw_grid(g.lat_spacing, g.lon_spacing, nullptr);
    gsel_norm_tran(kMapTran);
    return 0;
}

int MAP_process(const char* entry_text) {
    if (entry_text == nullptr) return 0;
    std::string_view entry = trim(entry_text);
    if (entry.empty()) return 0;
    const int pass = pass_of(&entry);
    if ((pass & g.mask) == 0) return 0;
    if (starts_with(entry, "[")) {
        region_header(entry);
        return 0;
    }
    if (g.region == Region::Skipping || g.region == Region::Ended) return 0;
    if (!size_conditions_met(&entry) || entry.empty()) return 0;
    if (starts_with(entry, "fi:")) {
        process_list_file(trim(entry.substr(3)), pass);
        return 0;
    }
    if (starts_with(entry, "im:") || starts_with(entry, "if:")) {
        image_entry(entry.substr(3), entry[1] == 'f');
        return 0;
    }
    if (starts_with(entry, "mf:")) {
        const std::string file(trim(entry.substr(3)));
        log_entry("Map-metafile: %s\n", file.c_str());
        if (g.overlays.metafile != nullptr) g.overlays.metafile(file.c_str());
        return 0;
    }
    if (starts_with(entry, "rf:")) {
        const std::string file(trim(entry.substr(3)));
        log_entry("Map-rawfile: %s\n", file.c_str());
        char path[kFileNameSize];
        found_path(file, path);
        if (g.overlays.rawfile != nullptr) g.overlays.rawfile(path);
        return 0;
    }
    if (entry == "lalo" || starts_with(entry, "lalo:")) {
        lalo_entry(entry.substr(4));
        return 0;
    }
    return map_file_entry(entry);
}

int MAP_map(std::FILE* file) {
    if (file == nullptr) return -1;
    if (!is_earth(MAP_get_proj())) return 0;
    return draw_map_bytes(slurp(file), nullptr);
}

int MAP_lines(float lat_spacing, float lon_spacing) {
    if (is_missing(lat_spacing) || is_missing(lon_spacing)) return -1;
    const bool earth = is_earth(MAP_get_proj());
    // the x/y planes align the lines to negative spacings
    const auto usable = [earth](float s) { return earth ? s > 0.0F : std::fabs(s) > 0.0F; };
    if (!usable(lat_spacing) || !usable(lon_spacing)) return -1;
    gsel_norm_tran(kMapTran);
    if (earth)
        earth_grid(lat_spacing, lon_spacing);
    else
        plane_grid(lat_spacing, lon_spacing);
    gsel_norm_tran(kMapTran);
    return -1;
}

int MAP_draw_circle(float x, float y, float radius_km) {
    constexpr int kPoints = 49;
    RunWriter out(RunWriter::Draw);
    for (int k = 0; k < kPoints; ++k) {
        float px = kMissingF;
        float py = kMissingF;
        if (MAP_offset(&px, &py, x, y, 7.5F * static_cast<float>(k), radius_km) == 1 && !is_missing(px) &&
            std::isfinite(px) && std::isfinite(py))
            out.add(GPoint{px, py});
        else
            out.flush();
    }
    return 0;
}

void MAP_register_hooks() {
    static constexpr MapWindowHooks kHooks{gset_win, gsel_norm_tran, GPH_get_win};
    MAP_set_window_hooks(&kHooks);
}

void MAP_set_overlay_hooks(const MapOverlayHooks* hooks) {
    g.overlays = hooks == nullptr ? MapOverlayHooks{} : *hooks;
}

void MAP_set_rawfile_hook(int (*rawfile)(const char* path)) { g.overlays.rawfile = rawfile; }

void MAP_draw_reset_for_tests() { g = MapState{}; }

}  // namespace orv
