// Stroke fonts: the font list, the stroke font files, and the layout that
// turns a string into the strokes the devices draw for the kernel's text
// primitive.
//
// A stroke font file is a sequence of whitespace-separated integers. The
// stroke data are values 0..255 up to a 254 that ends them; a glyph is a run
// of (x, y) pairs ended by an x of 255, an x of 128 or more moving the pen to
// (x - 128, y) and a smaller x drawing to (x, y). 256 start indices follow
// (-1: no glyph). A file whose first value is not 255 is a named file: the
// first value and a name token are skipped, and so is a name token after
// every 255 in the stroke data. Glyphs have their base line at y = 35 and
// capitals 105 units high; descenders reach down to y = 0.
#pragma once

#include "gks/gks_tool.hpp"

namespace orv {

inline constexpr int kMaxFonts = 40;         // entries of a font list
inline constexpr int kMaxListFileFonts = 10; // entries of a "fi:" list file
inline constexpr int kFontNameSize = 10;
inline constexpr int kFontFileSize = 100;
inline constexpr int kFontListTextSize = 80;

// Builds the font list (the text of gset_font_list, else the "font_list"
// resource, else the list file "orv.fnl") and loads the current font.
// Returns the number of fonts in the list.
int gsetup_fonts();
// Loads a stroke font file (found through "file_path"): 0, or -1 with
// "read_font: unable to load font file: %s\n" (the loaded font stays). A name
// beginning with "#" names a server font, which this build cannot load
// ("read_font: unable to load font: %s\n"). -1 without open graphics.
int read_font(const char* name);
// A font number text, or the 1-based position of a font name in the list
// (any case); 1 when nothing matches.
int gget_font_index(const char* text);
// The font list text for the next gsetup_fonts (at most 79 characters).
int gset_font_list(const char* text);
// Makes font n of the list current, loading its file when it is not loaded.
// -1 with "gset_fontprec: invalid font id: %d\n" for a number not in the list.
int gselect_font(int font);

int gget_num_fonts();
// Name and file of list entry n (1-based); "" outside the list.
const char* gget_font_name(int n);
const char* gget_font_file(int n);
// 0 no font loaded (no text is drawn), 1 stroke font, 2 server font.
int gget_font_type();
// Advance width of a character in font units (the blank is 40).
int gget_char_width(unsigned char c);

// Receives the strokes of a laid-out string, in world coordinates. A glyph
// is one or more polylines, each begun by move and extended by draw.
class GStrokeSink {
public:
    virtual ~GStrokeSink() = default;
    virtual void glyph_begin() {}
    virtual void move(float x, float y) = 0;
    virtual void draw(float x, float y) = 0;
    virtual void glyph_end() {}
};

// Width of a string in font units before expansion, as alignment uses it.
int gtext_font_width(const char* string, float spacing, float char_spacing);
// Lays out a string at world position (x, y) with the loaded stroke font and
// the given text attributes (height, expansion, spacing, character spacing,
// alignment, up vector) and hands its strokes to the sink. Returns the
// number of glyphs drawn.
int gtext_layout(const char* string, float x, float y, const GTextAttr& attr, GStrokeSink& sink);
// The rectangle a string covers when laid out at world position (x, y) with
// the given attributes: its advance width by its character cell (descender to
// capital top), turned by the up vector, as x min, x max, y min, y max. With
// no stroke font loaded each character is taken as 0.8 of the height wide.
void gtext_extent(const char* string, float x, float y, const GTextAttr& attr, float box[4]);
// Draws a string through the current device: the drop-shadow copies, then
// the string in the text colour. The kernel's text primitive calls it.
int gtext_stroke(const char* string, float x, float y);

// Connects the fonts to the kernel's text primitive.
void gtext_register_hooks();
void gks_text_reset_for_tests();

}  // namespace orv
