// The desktop icon: the player standing on turf under the game's sky, drawn
// once at 32x32 from the game's own sprites and resized for each size the
// icon theme asks for, written as RGBA PNG files.
#include "assets.h"
#include "canvas.h"

#include <png.h>

#include <cstdio>
#include <numeric>

namespace ag {
namespace {

constexpr int kBase = 32;

struct Pixel {
    int r = 0, g = 0, b = 0, a = 0;
};
using Image = std::vector<Pixel>; // kBase x kBase or any square, row by row

// Inside a square of `size` with corners rounded to `radius`.
bool insideRounded(int x, int y, int size, int radius)
{
    const int cx = x < radius ? radius : (x >= size - radius ? size - 1 - radius : x);
    const int cy = y < radius ? radius : (y >= size - radius ? size - 1 - radius : y);
    const int dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= radius * radius;
}

Image toImage(BITMAP *bmp);
Image resize(const Image &src, int from, int to);

BITMAP *drawIcon()
{
    BITMAP *icon = blank(kBase, kBase);
    const int radius = 5;
    const int top = rgb(92, 170, 222), bottom = rgb(123, 202, 189); // the level's sky at the bottom
    for (int y = 0; y < kBase; ++y)
        for (int x = 0; x < kBase; ++x)
            if (insideRounded(x, y, kBase, radius))
                putpixel(icon, x, y, mix(top, bottom, static_cast<float>(y) / (kBase - 1)));

    // Turf along the bottom: the top rows of the grass block.
    BITMAP *grass = grassBlock();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < kBase; ++x)
            if (insideRounded(x, 26 + y, kBase, radius))
                putpixel(icon, x, 26 + y, getpixel(grass, x, y));
    destroy_bitmap(grass);

    // A coin beside the player's head, at half size.
    Frames coins = coinFrames();
    const Image coin = resize(toImage(coins[0]), 32, 16);
    for (BITMAP *b : coins)
        destroy_bitmap(b);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const Pixel &p = coin[static_cast<size_t>(y) * 16 + x];
            if (p.a >= 128)
                putpixel(icon, 16 + x, 2 + y, rgb(p.r, p.g, p.b));
        }

    Frames player = playerFrames();
    draw_sprite(icon, player[1], -2, 0); // standing; the sprite's top row is empty
    for (BITMAP *b : player)
        destroy_bitmap(b);
    return icon;
}

Image toImage(BITMAP *bmp)
{
    Image img(static_cast<size_t>(bmp->w) * bmp->h);
    for (int y = 0; y < bmp->h; ++y)
        for (int x = 0; x < bmp->w; ++x) {
            const int c = getpixel(bmp, x, y);
            Pixel &p = img[static_cast<size_t>(y) * bmp->w + x];
            if (!isMask(c))
                p = {getr32(c), getg32(c), getb32(c), 255};
        }
    return img;
}

// Resize a square image: blow each pixel up into an up x up block, then
// average down x down blocks (colours weighted by opacity), so pixel art
// stays sharp at whole multiples and is evenly blended otherwise.
Image resize(const Image &src, int from, int to)
{
    const int g = std::gcd(from, to);
    const int up = to / g, down = from / g;
    Image out(static_cast<size_t>(to) * to);
    for (int y = 0; y < to; ++y)
        for (int x = 0; x < to; ++x) {
            long r = 0, gr = 0, b = 0, a = 0;
            for (int j = 0; j < down; ++j)
                for (int i = 0; i < down; ++i) {
                    const int sx = (x * down + i) / up, sy = (y * down + j) / up;
                    const Pixel &p = src[static_cast<size_t>(sy) * from + sx];
                    r += p.r * p.a;
                    gr += p.g * p.a;
                    b += p.b * p.a;
                    a += p.a;
                }
            Pixel &o = out[static_cast<size_t>(y) * to + x];
            if (a > 0)
                o = {static_cast<int>(r / a), static_cast<int>(gr / a), static_cast<int>(b / a),
                     static_cast<int>(a / (down * down))};
        }
    return out;
}

// libpng calls this on any error and must not get control back: the
// generator gives up, as it does on every other failed write.
void pngError(png_structp png, png_const_charp message)
{
    fail(std::string(static_cast<const char *>(png_get_error_ptr(png))) + ": " + message);
}

// 8-bit RGBA PNG, no filtering, best compression, one IDAT and no
// ancillary chunks, so the bytes depend on the pixels only.
void writePng(std::vector<unsigned char> raw, int size, const std::string &path)
{
    std::vector<png_bytep> rows(static_cast<size_t>(size));
    for (int y = 0; y < size; ++y)
        rows[static_cast<size_t>(y)] = raw.data() + static_cast<size_t>(y) * 4 * size;

    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out)
        fail("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, const_cast<char *>(path.c_str()), pngError, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info)
        fail("out of memory writing " + path);
    png_init_io(png, out);
    png_set_IHDR(png, info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);    // zlib's best
    png_set_compression_strategy(png, 0); // zlib's default strategy, as for unfiltered rows
    // Room for the whole picture, so it goes out as a single IDAT chunk.
    png_set_compression_buffer_size(png, raw.size() + static_cast<size_t>(size) + 1024);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(out) != 0)
        fail("cannot write " + path);
}

} // namespace

std::vector<unsigned char> iconPixels(int size)
{
    BITMAP *icon = drawIcon();
    const Image base = toImage(icon);
    destroy_bitmap(icon);
    std::vector<unsigned char> rgba;
    rgba.reserve(static_cast<size_t>(size) * 4 * size);
    for (const Pixel &p : resize(base, kBase, size))
        for (int v : {p.r, p.g, p.b, p.a})
            rgba.push_back(static_cast<unsigned char>(v));
    return rgba;
}

void writeIcons(const std::string &dir, const std::vector<int> &sizes)
{
    for (int size : sizes)
        writePng(iconPixels(size), size, dir + "/icon-" + std::to_string(size) + ".png");
}

} // namespace ag
