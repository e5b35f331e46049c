// Small drawing toolkit shared by the asset generator: colours and shade
// ramps, a deterministic random source, outlines, text-art sprites and
// saving pictures in a form the `dat` tool grabs.
#pragma once

#include <allegro.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ag {

// Every picture is drawn in 32 bpp and grabbed at 16 bpp by `dat`; pure
// magenta survives that conversion as the mask colour.
int rgb(int r, int g, int b);
int maskColour();
bool isMask(int c);

// Blend two 32-bit colours; t = 0 gives a, t = 1 gives b.
int mix(int a, int b, float t);

// One hue in five steps, darkest (outline) to brightest (shine).
struct Ramp {
    int outline, dark, mid, light, shine;
};
Ramp ramp(int r, int g, int b);

// Tiny LCG so every run draws exactly the same pictures.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed) {}
    int below(int n);
    int range(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    uint32_t state_;
};

// A bitmap cleared to the mask colour. Aborts on allocation failure.
BITMAP *blank(int w, int h);

// Put a 1-pixel border of `colour` around every opaque shape (4-neighbour).
void outline(BITMAP *bmp, int colour);

// Replace `from` by `light` where it touches transparency or other colours
// above/left, and by `dark` below/right: a cheap bevel for flat shapes.
void bevel(BITMAP *bmp, int from, int light, int dark);

// Sprite drawn as text: one string per row, one character per pixel; '.'
// is transparent and every other character is looked up in `key`.
using ColourKey = std::map<char, int>;
void drawRows(BITMAP *bmp, int x, int y, const std::vector<std::string> &rows,
              const ColourKey &key, bool mirror = false);

// Labels on small sprites: 3x5 capitals, 4 pixels apart. Knows only the
// letters our pictures use and fails on any other.
void tinyText(BITMAP *bmp, int x, int y, const std::string &text, int colour);

// Drawing helpers that wrap around horizontally so backgrounds tile.
void wrapCircleFill(BITMAP *bmp, int x, int y, int r, int colour);
void wrapPutPixel(BITMAP *bmp, int x, int y, int colour);

// Ordered dither: true for `level` out of every 16 pixels (0..16).
bool ditherOn(int x, int y, int level);

// Writes `bmp` to dir/name (format from the extension) and frees it.
void saveAndFree(BITMAP *bmp, const std::string &dir, const std::string &name,
                 const RGB *pal = nullptr);

[[noreturn]] void fail(const std::string &what);

} // namespace ag
