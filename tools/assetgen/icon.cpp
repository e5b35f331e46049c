// The desktop icon: the player standing on turf under the game's sky, drawn
// once at 32x32 from the game's own sprites and resized for each size the
// icon theme asks for, written as RGBA PNG files.
#include "assets.h"
#include "canvas.h"

#include <zlib.h>

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

void putBigEndian(std::vector<unsigned char> &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>((value >> shift) & 0xFF));
}

void putChunk(std::vector<unsigned char> &out, const char *type, const std::vector<unsigned char> &data)
{
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    putBigEndian(out, static_cast<uint32_t>(crc));
}

// 8-bit RGBA PNG, no filtering, no ancillary chunks (so the bytes depend
// on the pixels only).
void writePng(const Image &img, int size, const std::string &path)
{
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(size) * (1 + 4 * size));
    for (int y = 0; y < size; ++y) {
        raw.push_back(0);
        for (int x = 0; x < size; ++x) {
            const Pixel &p = img[static_cast<size_t>(y) * size + x];
            raw.push_back(static_cast<unsigned char>(p.r));
            raw.push_back(static_cast<unsigned char>(p.g));
            raw.push_back(static_cast<unsigned char>(p.b));
            raw.push_back(static_cast<unsigned char>(p.a));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        fail("cannot compress " + path);
    packed.resize(packedSize);

    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> file(signature, signature + 8);
    std::vector<unsigned char> header;
    putBigEndian(header, static_cast<uint32_t>(size));
    putBigEndian(header, static_cast<uint32_t>(size));
    // 8 bits a sample, colour type 6 (RGBA), deflate, no filter choice, no interlace
    const unsigned char format[] = {8, 6, 0, 0, 0};
    header.insert(header.end(), format, format + 5);
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", packed);
    putChunk(file, "IEND", {});

    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out)
        fail("cannot write " + path);
    bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    written = std::fclose(out) == 0 && written;
    if (!written)
        fail("cannot write " + path);
}

} // namespace

void writeIcons(const std::string &dir, const std::vector<int> &sizes)
{
    BITMAP *icon = drawIcon();
    const Image base = toImage(icon);
    destroy_bitmap(icon);
    for (int size : sizes)
        writePng(resize(base, kBase, size), size, dir + "/icon-" + std::to_string(size) + ".png");
}

} // namespace ag
