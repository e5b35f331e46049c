#include "canvas.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace ag {

int rgb(int r, int g, int b)
{
    return makecol32(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

int maskColour() { return makecol32(255, 0, 255); }

bool isMask(int c) { return c == maskColour(); }

int mix(int a, int b, float t)
{
    auto lerp = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5f); };
    return rgb(lerp(getr32(a), getr32(b)), lerp(getg32(a), getg32(b)), lerp(getb32(a), getb32(b)));
}

Ramp ramp(int r, int g, int b)
{
    const int base = rgb(r, g, b);
    // The outline is a dark, slightly cool version of the hue rather than
    // black, which keeps sprites from looking cut out.
    Ramp out;
    out.outline = mix(base, rgb(20, 12, 40), 0.75f);
    out.dark = mix(base, rgb(30, 20, 60), 0.40f);
    out.mid = base;
    out.light = mix(base, rgb(255, 255, 230), 0.35f);
    out.shine = mix(base, rgb(255, 255, 240), 0.70f);
    return out;
}

int Rng::below(int n)
{
    state_ = state_ * 1664525u + 1013904223u;
    return n <= 0 ? 0 : static_cast<int>((state_ >> 8) % static_cast<uint32_t>(n));
}

BITMAP *blank(int w, int h)
{
    BITMAP *bmp = create_bitmap_ex(32, w, h);
    if (!bmp)
        fail("out of memory for a " + std::to_string(w) + "x" + std::to_string(h) + " bitmap");
    clear_to_color(bmp, maskColour());
    return bmp;
}

void outline(BITMAP *bmp, int colour)
{
    std::vector<std::pair<int, int>> edge;
    for (int y = 0; y < bmp->h; ++y) {
        for (int x = 0; x < bmp->w; ++x) {
            if (!isMask(getpixel(bmp, x, y)))
                continue;
            static const int dx[] = {1, -1, 0, 0};
            static const int dy[] = {0, 0, 1, -1};
            for (int k = 0; k < 4; ++k) {
                const int nx = x + dx[k], ny = y + dy[k];
                if (nx < 0 || ny < 0 || nx >= bmp->w || ny >= bmp->h)
                    continue;
                if (!isMask(getpixel(bmp, nx, ny))) {
                    edge.emplace_back(x, y);
                    break;
                }
            }
        }
    }
    for (auto [x, y] : edge)
        putpixel(bmp, x, y, colour);
}

void bevel(BITMAP *bmp, int from, int light, int dark)
{
    // Decide on the untouched picture so one lit pixel does not light the next.
    BITMAP *copy = create_bitmap_ex(32, bmp->w, bmp->h);
    if (!copy)
        fail("out of memory for bevel");
    blit(bmp, copy, 0, 0, 0, 0, bmp->w, bmp->h);
    auto other = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= copy->w || y >= copy->h)
            return true;
        return getpixel(copy, x, y) != from;
    };
    for (int y = 0; y < bmp->h; ++y) {
        for (int x = 0; x < bmp->w; ++x) {
            if (getpixel(copy, x, y) != from)
                continue;
            if (other(x, y - 1) || other(x - 1, y))
                putpixel(bmp, x, y, light);
            else if (other(x, y + 1) || other(x + 1, y))
                putpixel(bmp, x, y, dark);
        }
    }
    destroy_bitmap(copy);
}

void drawRows(BITMAP *bmp, int x, int y, const std::vector<std::string> &rows,
              const ColourKey &key, bool mirror)
{
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::string &row = rows[r];
        for (size_t c = 0; c < row.size(); ++c) {
            if (row[c] == '.')
                continue;
            auto it = key.find(row[c]);
            if (it == key.end())
                fail(std::string("sprite row uses unknown colour key '") + row[c] + "'");
            const int px = mirror ? x + static_cast<int>(row.size() - 1 - c) : x + static_cast<int>(c);
            putpixel(bmp, px, y + static_cast<int>(r), it->second);
        }
    }
}

void tinyText(BITMAP *bmp, int x, int y, const std::string &text, int colour)
{
    static const std::map<char, std::vector<std::string>> glyphs = {
        {'A', {".#.", "#.#", "###", "#.#", "#.#"}},
        {'E', {"###", "#..", "##.", "#..", "###"}},
        {'I', {"###", ".#.", ".#.", ".#.", "###"}},
        {'M', {"#.#", "###", "###", "#.#", "#.#"}},
        {'O', {"###", "#.#", "#.#", "#.#", "###"}},
        {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
        {'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    };
    for (size_t i = 0; i < text.size(); ++i) {
        auto it = glyphs.find(text[i]);
        if (it == glyphs.end())
            fail(std::string("no tiny letter for '") + text[i] + "'");
        drawRows(bmp, x + static_cast<int>(i) * 4, y, it->second, {{'#', colour}});
    }
}

void wrapCircleFill(BITMAP *bmp, int x, int y, int r, int colour)
{
    for (int shift : {-bmp->w, 0, bmp->w})
        circlefill(bmp, x + shift, y, r, colour);
}

void wrapPutPixel(BITMAP *bmp, int x, int y, int colour)
{
    putpixel(bmp, ((x % bmp->w) + bmp->w) % bmp->w, y, colour);
}

bool ditherOn(int x, int y, int level)
{
    // 4x4 Bayer matrix: smooth enough for haze and soft shading bands.
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return bayer[y & 3][x & 3] < level;
}

void saveAndFree(BITMAP *bmp, const std::string &dir, const std::string &name, const RGB *pal)
{
    const std::string path = dir + "/" + name;
    if (save_bitmap(path.c_str(), bmp, pal) != 0)
        fail("cannot write " + path);
    destroy_bitmap(bmp);
}

void fail(const std::string &what)
{
    std::fprintf(stderr, "brindlecove-assetgen: %s\n", what.c_str());
    std::exit(1);
}

} // namespace ag
