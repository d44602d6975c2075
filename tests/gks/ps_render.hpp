// Test helpers for PostScript output: renders files with Ghostscript and
// samples the rendered page.
#pragma once

#include <string>
#include <vector>

namespace orv::test {

// 1 when the gs program is installed.
bool have_ghostscript();

// Renders a file to PNG; true when Ghostscript reports no error.
// `log` receives its output.
bool ps_renders(const std::string& ps_file, const std::string& out_dir, std::string* log);

// A rendered letter page at 72 dots per inch (612 x 792), row 0 at the top.
struct Page {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    bool ok() const { return width > 0; }
    // Colour at a page position in points from the lower-left corner.
    void at(int x, int y, int* r, int* g, int* b) const;
    // 1 when some pixel within `radius` points of the position is darker than 128.
    bool ink_near(int x, int y, int radius) const;
};
Page render_page(const std::string& ps_file, const std::string& out_dir);

// Ghostscript's bounding box of the ink on the first page, in points
// (x min, y min, x max, y max), measured without clipping to the paper.
bool ink_bounds(const std::string& ps_file, float box[4]);

// The number of pages Ghostscript renders from a file, -1 when it fails.
int ps_page_count(const std::string& ps_file);

// Page position of a user-space point of a landscape letter page.
void landscape_to_page(float ux, float uy, int* px, int* py);

std::string slurp(const std::string& path);
std::vector<std::string> lines_of(const std::string& text);
// The number of times `what` occurs in the text.
int count_of(const std::string& text, const std::string& what);
std::string make_temp_dir();
void remove_dir(const std::string& dir);

}  // namespace orv::test
