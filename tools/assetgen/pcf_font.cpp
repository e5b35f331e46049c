// X11 PCF bitmap fonts, plain or gzip-compressed as Debian ships them under
// /usr/share/fonts/X11, read through FreeType. Only what a fixed-cell font
// sheet needs: glyph bitmaps, their metrics and the font's ascent and
// descent.
#include "assets.h"
#include "canvas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace ag {

bool BitmapFont::ink(int ch, int x, int y) const
{
    auto it = glyphs.find(ch);
    if (it == glyphs.end())
        return false;
    const Glyph &g = it->second;
    const int gx = x - g.left, gy = y - (ascent - g.ascent);
    return gx >= 0 && gy >= 0 && gx < g.w && gy < g.h && g.on[gy * g.w + gx];
}

BitmapFont loadPcfFont(const std::string &path)
{
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0)
        fail("cannot start FreeType");
    FT_Face face;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0)
        fail("cannot read font " + path);
    // A PCF font is one bitmap strike; outlines would be scaled and
    // anti-aliased, which a font sheet must never be.
    if (!FT_HAS_FIXED_SIZES(face) || FT_IS_SCALABLE(face) || FT_Select_Size(face, 0) != 0)
        fail(path + " is not a bitmap font");
    if (!face->charmap && (face->num_charmaps < 1 || FT_Set_Charmap(face, face->charmaps[0]) != 0))
        fail(path + " has no character map");

    BitmapFont font;
    // The strike's metrics are whole pixels, in 26.6 fixed point.
    font.ascent = static_cast<int>(face->size->metrics.ascender / 64);
    font.descent = static_cast<int>(-face->size->metrics.descender / 64);

    // Printable ASCII is all the game writes.
    for (int ch = 32; ch <= 126; ++ch) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(ch));
        if (index == 0)
            continue; // not in the font: the cell stays blank
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_MONOCHROME | FT_LOAD_TARGET_MONO) != 0)
            fail(path + ": cannot load the glyph for '" + static_cast<char>(ch) + "'");
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap &bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.rows > 0 && bitmap.width > 0)
            fail(path + ": glyph is not a one-bit bitmap");
        Glyph glyph;
        glyph.left = slot->bitmap_left;
        glyph.ascent = slot->bitmap_top;
        glyph.advance = static_cast<int>(slot->advance.x / 64);
        glyph.w = static_cast<int>(bitmap.width);
        glyph.h = static_cast<int>(bitmap.rows);
        glyph.on.assign(static_cast<size_t>(glyph.w) * glyph.h, 0);
        for (int y = 0; y < glyph.h; ++y) {
            // Rows run top to bottom whatever the sign of the pitch.
            const unsigned char *row = bitmap.pitch >= 0 ? bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch
                                                         : bitmap.buffer + static_cast<ptrdiff_t>(glyph.h - 1 - y) * -bitmap.pitch;
            for (int x = 0; x < glyph.w; ++x)
                glyph.on[static_cast<size_t>(y) * glyph.w + x] = (row[x / 8] >> (7 - x % 8)) & 1;
        }
        font.cellW = std::max(font.cellW, glyph.advance);
        font.glyphs[ch] = glyph;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return font;
}

} // namespace ag
