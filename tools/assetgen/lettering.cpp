// Text art (title, game over) and font sheets made from bitmap fonts.
#include "assets.h"
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace ag {
namespace {

// Allegro's built-in 8x8 font drawn as a 1-bit mask, one byte per pixel.
struct GlyphMask {
    int w = 0, h = 0;
    std::vector<unsigned char> on;
    bool at(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && on[y * w + x]; }
};

GlyphMask builtinText(const std::string &text)
{
    GlyphMask m;
    m.w = text_length(font, text.c_str());
    m.h = text_height(font);
    BITMAP *tmp = create_bitmap_ex(8, m.w, m.h);
    if (!tmp)
        fail("out of memory for lettering");
    clear_to_color(tmp, 0);
    textout_ex(tmp, font, text.c_str(), 0, 0, 1, 0);
    m.on.resize(static_cast<size_t>(m.w) * m.h);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            m.on[y * m.w + x] = getpixel(tmp, x, y) == 1;
    destroy_bitmap(tmp);
    return m;
}

// Big chunky lettering: each font pixel becomes an sx-by-sy block. The
// colour comes from `shade`, given the row within the letters (0..1).
void blockText(BITMAP *bmp, const std::string &text, int x, int y, int sx, int sy,
               const std::function<int(float)> &shade)
{
    const GlyphMask m = builtinText(text);
    const int total = m.h * sy;
    for (int gy = 0; gy < m.h; ++gy)
        for (int gx = 0; gx < m.w; ++gx) {
            if (!m.at(gx, gy))
                continue;
            for (int py = 0; py < sy; ++py) {
                const int row = gy * sy + py;
                const int c = shade(static_cast<float>(row) / (total - 1));
                hline(bmp, x + gx * sx, y + row, x + gx * sx + sx - 1, c);
            }
        }
}

// Solid copy of lettering offset down-right, for a drop shadow.
void shadowText(BITMAP *bmp, const std::string &text, int x, int y, int sx, int sy, int colour)
{
    blockText(bmp, text, x, y, sx, sy, [colour](float) { return colour; });
}

// Light the top edge of every letter stroke.
void topHighlight(BITMAP *bmp, int x1, int y1, int x2, int y2, int fillTop, int highlight)
{
    for (int y = y2; y > y1; --y)
        for (int x = x1; x <= x2; ++x)
            if (getpixel(bmp, x, y) == fillTop && isMask(getpixel(bmp, x, y - 1)))
                putpixel(bmp, x, y, highlight);
}

// Three-stop vertical gradient, top to bottom.
std::function<int(float)> gradient(int top, int middle, int bottom)
{
    return [=](float t) {
        if (t < 0.5f)
            return mix(top, middle, t * 2);
        return mix(middle, bottom, (t - 0.5f) * 2);
    };
}

// Characters 32..126 laid out in Allegro's font-grabbing grid: boxes of
// paper (0) separated by 255, glyph pixels in ink (1). Using one ink
// colour is what makes the grabbed font monochrome.
constexpr int kFirstChar = 32, kLastChar = 126, kPerRow = 16;

BITMAP *fontSheet(int cellW, int cellH, const std::function<bool(int, int, int)> &inked)
{
    const int count = kLastChar - kFirstChar + 1;
    const int rows = (count + kPerRow - 1) / kPerRow;
    BITMAP *sheet = create_bitmap_ex(8, 1 + kPerRow * (cellW + 1), 1 + rows * (cellH + 1));
    if (!sheet)
        fail("out of memory for a font sheet");
    clear_to_color(sheet, 255);
    for (int i = 0; i < count; ++i) {
        const int ox = 1 + (i % kPerRow) * (cellW + 1), oy = 1 + (i / kPerRow) * (cellH + 1);
        rectfill(sheet, ox, oy, ox + cellW - 1, oy + cellH - 1, 0);
        for (int y = 0; y < cellH; ++y)
            for (int x = 0; x < cellW; ++x)
                if (inked(kFirstChar + i, x, y))
                    putpixel(sheet, ox + x, oy + y, 1);
    }
    return sheet;
}

} // namespace

Frames gameOverFrames()
{
    // Banner with the words in chunky letters; the frames swap palettes so
    // the message flashes.
    const std::string text = "GAME OVER";
    const int sx = 3, sy = 4, w = 232, h = 60;
    const int textW = text_length(font, text.c_str()) * sx, textH = text_height(font) * sy;
    const int tx = (w - textW) / 2, ty = (h - textH) / 2 - 1;
    struct Look {
        int top, middle, bottom, highlight, banner, border;
    };
    const Look looks[2] = {
        {rgb(255, 150, 110), rgb(230, 40, 40), rgb(130, 10, 30), rgb(255, 220, 200), rgb(40, 20, 50), rgb(240, 200, 60)},
        {rgb(255, 255, 220), rgb(255, 214, 60), rgb(220, 120, 20), rgb(255, 255, 255), rgb(70, 20, 30), rgb(230, 50, 50)},
    };
    Frames frames;
    for (const Look &look : looks) {
        BITMAP *bmp = blank(w, h);
        BITMAP *letters = blank(w, h);
        shadowText(letters, text, tx + 2, ty + 3, sx, sy, rgb(10, 5, 15));
        blockText(letters, text, tx, ty, sx, sy, gradient(look.top, look.middle, look.bottom));
        topHighlight(letters, 0, 0, w - 1, h - 1, look.top, look.highlight);
        outline(letters, rgb(10, 5, 15));
        // Rounded banner behind the letters.
        rectfill(bmp, 6, 2, w - 7, h - 3, look.border);
        rectfill(bmp, 2, 6, w - 3, h - 7, look.border);
        rectfill(bmp, 8, 4, w - 9, h - 5, look.banner);
        rectfill(bmp, 4, 8, w - 5, h - 9, look.banner);
        outline(bmp, rgb(10, 5, 15));
        masked_blit(letters, bmp, 0, 0, 0, 0, w, h);
        destroy_bitmap(letters);
        frames.push_back(bmp);
    }
    return frames;
}

BITMAP *titlePicture()
{
    const int w = 400, h = 120;
    BITMAP *bmp = blank(w, h);
    const std::string name = "Brindlecove";
    const int sx = 4, sy = 6;
    const int tx = (w - text_length(font, name.c_str()) * sx) / 2, ty = 12;
    // Waves of the cove underneath the name.
    const Ramp sea = ramp(40, 120, 200);
    for (int x = 12; x < w - 12; ++x) {
        // The band thins towards both ends so the water fades out.
        const int fromEnd = std::min(x - 12, w - 13 - x);
        const int half = std::min(9, 2 + fromEnd / 4);
        const int crest = 95 - half + static_cast<int>(std::lround(3 * std::sin(x * 2 * M_PI / 32) * half / 9));
        vline(bmp, x, crest, 95 + half, sea.mid);
        if (crest + 8 <= 95 + half)
            vline(bmp, x, crest + 8, 95 + half, sea.dark);
        putpixel(bmp, x, crest, sea.shine);
        putpixel(bmp, x, crest + 1, sea.light);
        if ((x + 8) % 32 < 6 && half == 9)
            putpixel(bmp, x, crest - 1, rgb(255, 255, 255));
    }
    outline(bmp, sea.outline);

    BITMAP *letters = blank(w, h);
    const int ink = rgb(40, 20, 30);
    shadowText(letters, name, tx + 4, ty + 5, sx, sy, rgb(20, 50, 90));
    const int top = rgb(255, 248, 170);
    blockText(letters, name, tx, ty, sx, sy, gradient(top, rgb(250, 190, 50), rgb(214, 96, 30)));
    topHighlight(letters, 0, 0, w - 1, h - 1, top, rgb(255, 255, 255));
    outline(letters, ink);
    outline(letters, rgb(255, 240, 220));
    outline(letters, ink);
    masked_blit(letters, bmp, 0, 0, 0, 0, w, h);
    destroy_bitmap(letters);
    return bmp;
}

BITMAP *fontSheet(const BitmapFont &font)
{
    const int cellH = font.ascent + font.descent;
    if (font.cellW <= 0 || cellH <= 0)
        fail("font has no usable glyphs");
    for (int ch = kFirstChar; ch <= kLastChar; ++ch)
        if (!font.glyphs.count(ch))
            fail(std::string("font lacks character '") + static_cast<char>(ch) + "'");
    return fontSheet(font.cellW, cellH, [&font](int ch, int x, int y) { return font.ink(ch, x, y); });
}

void fontSheetPalette(PALETTE pal)
{
    for (int i = 0; i < PAL_SIZE; ++i)
        pal[i].r = pal[i].g = pal[i].b = 0;
    pal[1].r = pal[1].g = pal[1].b = 63;
    pal[255].r = pal[255].g = 63;
}

} // namespace ag
