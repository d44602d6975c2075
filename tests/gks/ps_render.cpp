#include "gks/ps_render.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orv::test {
namespace {

std::string run(const std::string& cmd, int* status) {
    std::string out;
    std::FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (p == nullptr) {
        *status = -1;
        return out;
    }
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    *status = pclose(p);
    return out;
}

}  // namespace

bool have_ghostscript() {
    return std::system("command -v gs >/dev/null 2>&1") == 0;
}

bool ps_renders(const std::string& ps_file, const std::string& out_dir, std::string* log) {
    int status = 0;
    const std::string out = run("gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=png16m -sOutputFile='" +
                                    out_dir + "/render-%d.png' '" + ps_file + "'",
                                &status);
    if (log != nullptr) *log = out;
    return status == 0 && out.find("Error") == std::string::npos;
}

int ps_page_count(const std::string& ps_file) {
    int status = 0;
    const std::string out =
        run("gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=bbox '" + ps_file + "'", &status);
    if (status != 0 || out.find("Error") != std::string::npos) return -1;
    int pages = 0;
    for (std::size_t at = out.find("%%BoundingBox:"); at != std::string::npos;
         at = out.find("%%BoundingBox:", at + 1))
        ++pages;
    return pages;
}

bool ink_bounds(const std::string& ps_file, float box[4]) {
    int status = 0;
    const std::string out = run("gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=bbox '" + ps_file + "'", &status);
    const std::size_t at = out.find("%%HiResBoundingBox:");
    if (status != 0 || at == std::string::npos) return false;
    return std::sscanf(out.c_str() + at, "%%%%HiResBoundingBox: %f %f %f %f", &box[0], &box[1], &box[2],
                       &box[3]) == 4;
}

Page render_page(const std::string& ps_file, const std::string& out_dir) {
    Page page;
    const std::string ppm = out_dir + "/page.ppm";
    int status = 0;
    run("gs -dSAFER -dBATCH -dNOPAUSE -q -r72 -sDEVICE=ppmraw -sOutputFile='" + ppm + "' '" +
            ps_file + "'",
        &status);
    if (status != 0) return page;
    std::ifstream in(ppm, std::ios::binary);
    // The header's four fields, with "#" comment lines between them.
    std::string fields[4];
    for (std::string& f : fields) {
        while (in >> std::ws && in.peek() == '#') {
            std::string comment;
            std::getline(in, comment);
        }
        in >> f;
    }
    in.get();
    const std::string magic = fields[0];
    page.width = std::atoi(fields[1].c_str());
    page.height = std::atoi(fields[2].c_str());
    if (magic != "P6" || page.width <= 0) return Page{};
    page.rgb.resize(static_cast<std::size_t>(page.width) * static_cast<std::size_t>(page.height) * 3);
    in.read(reinterpret_cast<char*>(page.rgb.data()), static_cast<std::streamsize>(page.rgb.size()));
    return page;
}

void Page::at(int x, int y, int* r, int* g, int* b) const {
    const int row = height - 1 - y;
    *r = *g = *b = 255;
    if (x < 0 || x >= width || row < 0 || row >= height) return;
    const std::size_t i = (static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(x)) * 3;
    *r = rgb[i];
    *g = rgb[i + 1];
    *b = rgb[i + 2];
}

bool Page::ink_near(int x, int y, int radius) const {
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            int r = 0, g = 0, b = 0;
            at(x + dx, y + dy, &r, &g, &b);
            if (r + g + b < 3 * 128) return true;
        }
    }
    return false;
}

void landscape_to_page(float ux, float uy, int* px, int* py) {
    // "90 rotate" then ".25 inch -8.25 inch translate" on letter paper.
    *px = static_cast<int>(594.0F - uy + 0.5F);
    *py = static_cast<int>(ux + 18.0F + 0.5F);
}

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
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
    if (dir.empty()) return;
    const std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", dir.c_str());
}

}  // namespace orv::test
