#include "gks/ps_render.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/run_program.hpp"

namespace orv::test {
namespace {

// Ghostscript's output for a file on a device; empty when it fails.
std::string gs(const std::string& ps_file, const std::string& device_and_output) {
    const testing::RunResult r =
        testing::run_command("gs -dSAFER -dBATCH -dNOPAUSE -q " + device_and_output + " '" + ps_file + "'");
    return r.status == 0 && r.out.find("Error") == std::string::npos ? r.out : "";
}

}  // namespace

bool have_ghostscript() { return testing::have_program("gs"); }

bool ps_renders(const std::string& ps_file, const std::string& out_dir, std::string* log) {
    const testing::RunResult r = testing::run_command("gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=png16m -sOutputFile='" +
                                                      out_dir + "/render-%d.png' '" + ps_file + "'");
    if (log != nullptr) *log = r.out;
    return r.status == 0 && r.out.find("Error") == std::string::npos;
}

int ps_page_count(const std::string& ps_file) {
    const std::string out = gs(ps_file, "-sDEVICE=bbox");
    return out.empty() ? -1 : count_of(out, "%%BoundingBox:");
}

bool ink_bounds(const std::string& ps_file, float box[4]) {
    const std::string out = gs(ps_file, "-sDEVICE=bbox");
    const std::size_t at = out.find("%%HiResBoundingBox:");
    return at != std::string::npos && std::sscanf(out.c_str() + at, "%%%%HiResBoundingBox: %f %f %f %f", &box[0],
                                                  &box[1], &box[2], &box[3]) == 4;
}

Page render_page(const std::string& ps_file, const std::string& out_dir) {
    Page page;
    const std::string ppm = out_dir + "/page.ppm";
    if (testing::run_command("gs -dSAFER -dBATCH -dNOPAUSE -q -r72 -sDEVICE=ppmraw -sOutputFile='" + ppm + "' '" +
                             ps_file + "'").status != 0)
        return page;
    std::ifstream in(ppm, std::ios::binary);
    // The header's four fields, with "#" comment lines between them.
    std::string fields[4];
    for (std::string& f : fields) {
        while (in >> std::ws && in.peek() == '#') in.ignore(1 << 20, '\n');
        in >> f;
    }
    in.get();
    page.width = std::atoi(fields[1].c_str());
    page.height = std::atoi(fields[2].c_str());
    if (fields[0] != "P6" || page.width <= 0) return Page{};
    page.rgb.resize(static_cast<std::size_t>(page.width) * static_cast<std::size_t>(page.height) * 3);
    in.read(reinterpret_cast<char*>(page.rgb.data()), static_cast<std::streamsize>(page.rgb.size()));
    return page;
}

void Page::at(int x, int y, int* r, int* g, int* b) const {
    const int row = height - 1 - y;
    *r = *g = *b = 255;
    if (x < 0 || x >= width || row < 0 || row >= height) return;
    const std::size_t i = (static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + x) * 3;
    *r = rgb[i];
    *g = rgb[i + 1];
    *b = rgb[i + 2];
}

bool Page::ink_near(int x, int y, int radius) const {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            int r = 0, g = 0, b = 0;
            at(x + dx, y + dy, &r, &g, &b);
            if (r + g + b < 3 * 128) return true;
        }
    return false;
}

void landscape_to_page(float ux, float uy, int* px, int* py) {
    // "90 rotate" then ".25 inch -8.25 inch translate" on letter paper.
    *px = static_cast<int>(594.0F - uy + 0.5F);
    *py = static_cast<int>(ux + 18.0F + 0.5F);
}

std::string slurp(const std::string& path) { return testing::read_file(path); }

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

std::string make_temp_dir() {
    char tmpl[] = "/tmp/gks_test_XXXXXX";
    return mkdtemp(tmpl) != nullptr ? tmpl : "";
}

void remove_dir(const std::string& dir) {
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
}

}  // namespace orv::test
