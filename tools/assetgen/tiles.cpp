// 32x32 level tiles: solid blocks, the exit, the two deadly tiles, and the
// moving platform. Blocks are fully opaque and repeat seamlessly.
#include "assets.h"
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ag {
namespace {

constexpr int kTile = 32;

// Specks of darker and lighter colour so flat fills look like material.
void speckle(BITMAP *bmp, int x1, int y1, int x2, int y2, int base, int dark, int light, Rng &rng, int percent)
{
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x)
            if (getpixel(bmp, x, y) == base && rng.chance(percent))
                putpixel(bmp, x, y, rng.chance(50) ? dark : light);
}

// A raised rectangle: light top/left edges, dark bottom/right edges.
void raisedRect(BITMAP *bmp, int x1, int y1, int x2, int y2, const Ramp &r)
{
    rectfill(bmp, x1, y1, x2, y2, r.mid);
    hline(bmp, x1, y1, x2, r.light);
    vline(bmp, x1, y1, y2, r.light);
    hline(bmp, x1, y2, x2, r.dark);
    vline(bmp, x2, y1, y2, r.dark);
}

void rivet(BITMAP *bmp, int x, int y, const Ramp &r)
{
    circlefill(bmp, x, y, 1, r.dark);
    putpixel(bmp, x - 1, y - 1, r.shine);
    putpixel(bmp, x, y - 1, r.light);
    putpixel(bmp, x + 1, y + 1, r.outline);
}

} // namespace

BITMAP *grassBlock()
{
    BITMAP *bmp = blank(kTile, kTile);
    // Light, sandy soil: the menu prints dark blue fine print over it.
    const Ramp earth = ramp(200, 148, 94);
    const Ramp grass = ramp(84, 178, 60);
    const Ramp stone = ramp(170, 160, 150);
    Rng rng(6);
    rectfill(bmp, 0, 0, kTile - 1, kTile - 1, earth.mid);
    speckle(bmp, 0, 6, kTile - 1, kTile - 1, earth.mid, earth.dark, earth.light, rng, 8);
    // A few buried pebbles.
    const int pebbles[][2] = {{6, 16}, {21, 22}, {12, 27}, {27, 13}};
    for (auto &p : pebbles) {
        rectfill(bmp, p[0], p[1], p[0] + 2, p[1] + 1, stone.mid);
        hline(bmp, p[0], p[1], p[0] + 1, stone.light);
        hline(bmp, p[0], p[1] + 2, p[0] + 2, earth.dark);
    }
    // Turf with a ragged lower edge; the edge repeats every tile width so
    // neighbouring blocks join up.
    for (int x = 0; x < kTile; ++x) {
        const int depth = 6 + static_cast<int>(std::lround(1.6 * std::sin(x * 2 * M_PI / 8) + std::sin(x * 2 * M_PI / 32 * 3)));
        vline(bmp, x, 0, depth, grass.mid);
        putpixel(bmp, x, depth + 1, grass.dark);
        putpixel(bmp, x, depth + 2, earth.dark);
        if (x % 5 == 2)
            putpixel(bmp, x, depth - 1, grass.dark);
    }
    hline(bmp, 0, 0, kTile - 1, grass.shine);
    for (int x = 0; x < kTile; x += 3)
        putpixel(bmp, x + (x / 3) % 2, 1, grass.light);
    hline(bmp, 0, 2, kTile - 1, grass.light);
    for (int x = 1; x < kTile; x += 4)
        putpixel(bmp, x, 2, grass.mid);
    return bmp;
}

BITMAP *stoneBlock()
{
    BITMAP *bmp = blank(kTile, kTile);
    const Ramp brick = ramp(150, 150, 162);
    const int mortar = rgb(72, 70, 86);
    Rng rng(22);
    rectfill(bmp, 0, 0, kTile - 1, kTile - 1, mortar);
    // Two courses, the second offset by half a brick, mortar on the
    // bottom/right of each so tiles abut without double lines.
    for (int course = 0; course < 2; ++course) {
        const int y = course * 16, offset = course ? -8 : 0;
        for (int x = offset; x < kTile; x += 16) {
            const int x1 = std::max(x, 0), x2 = std::min(x + 14, kTile - 1);
            raisedRect(bmp, x1, y, x2, y + 14, brick);
            if (x < 0)
                vline(bmp, x1, y, y + 14, brick.mid);
            if (x + 14 > kTile - 1)
                vline(bmp, x2, y, y + 14, brick.mid);
        }
    }
    speckle(bmp, 0, 0, kTile - 1, kTile - 1, brick.mid, brick.dark, brick.light, rng, 10);
    // A couple of cracks.
    putpixel(bmp, 5, 5, brick.outline);
    putpixel(bmp, 6, 6, brick.outline);
    putpixel(bmp, 6, 7, brick.outline);
    putpixel(bmp, 20, 22, brick.outline);
    putpixel(bmp, 21, 22, brick.outline);
    putpixel(bmp, 22, 23, brick.outline);
    return bmp;
}

BITMAP *crateBlock()
{
    BITMAP *bmp = blank(kTile, kTile);
    const Ramp wood = ramp(196, 130, 64);
    const Ramp plank = ramp(170, 108, 50);
    rectfill(bmp, 0, 0, kTile - 1, kTile - 1, plank.mid);
    // Horizontal boards behind the frame.
    for (int y = 4; y < kTile - 4; y += 6) {
        hline(bmp, 4, y + 5, kTile - 5, plank.dark);
        hline(bmp, 4, y, kTile - 5, plank.light);
    }
    // Diagonal brace, then the frame.
    for (int i = 0; i < 4; ++i)
        line(bmp, 4 + i, kTile - 5, kTile - 5, 4 + i, wood.mid);
    line(bmp, 4, kTile - 5, kTile - 5, 4, wood.light);
    line(bmp, 7, kTile - 5, kTile - 5, 7, wood.dark);
    rect(bmp, 0, 0, kTile - 1, kTile - 1, wood.outline);
    for (int k = 1; k < 4; ++k)
        rect(bmp, k, k, kTile - 1 - k, kTile - 1 - k, k == 1 ? wood.light : wood.mid);
    hline(bmp, 4, 4, kTile - 5, wood.dark);
    vline(bmp, 4, 4, kTile - 5, wood.dark);
    // Nails in the corners.
    const int nail = rgb(90, 90, 100);
    for (int x : {2, kTile - 3})
        for (int y : {2, kTile - 3})
            putpixel(bmp, x, y, nail);
    return bmp;
}

BITMAP *metalBlock()
{
    BITMAP *bmp = blank(kTile, kTile);
    const Ramp steel = ramp(112, 140, 170);
    rectfill(bmp, 0, 0, kTile - 1, kTile - 1, steel.mid);
    // Thick bevelled rim around an inset panel.
    rect(bmp, 0, 0, kTile - 1, kTile - 1, steel.outline);
    hline(bmp, 1, 1, kTile - 2, steel.shine);
    vline(bmp, 1, 1, kTile - 2, steel.light);
    hline(bmp, 1, kTile - 2, kTile - 2, steel.dark);
    vline(bmp, kTile - 2, 1, kTile - 2, steel.dark);
    rect(bmp, 6, 6, kTile - 7, kTile - 7, steel.dark);
    hline(bmp, 7, kTile - 7, kTile - 7, steel.light);
    vline(bmp, kTile - 7, 7, kTile - 7, steel.light);
    // Diagonal glints across the panel.
    for (int d = 0; d < 3; ++d)
        line(bmp, 9 + d, 22, 20 + d, 11, steel.light);
    line(bmp, 15, 22, 22, 15, steel.light);
    for (int x : {3, kTile - 4})
        for (int y : {3, kTile - 4})
            rivet(bmp, x, y, steel);
    return bmp;
}

BITMAP *movingPlatform()
{
    BITMAP *bmp = blank(64, 16);
    const Ramp girder = ramp(226, 130, 40);
    const Ramp deck = ramp(150, 150, 170);
    // Riveted steel deck on an orange truss, so it stands out from the
    // fixed blocks.
    rectfill(bmp, 1, 1, 62, 5, deck.mid);
    hline(bmp, 1, 1, 62, deck.shine);
    hline(bmp, 1, 5, 62, deck.dark);
    for (int x = 5; x < 62; x += 9)
        putpixel(bmp, x, 3, deck.dark);
    rectfill(bmp, 2, 12, 61, 14, girder.mid);
    hline(bmp, 2, 14, 61, girder.dark);
    for (int x = 2; x < 60; x += 10) {
        for (int w = 0; w < 2; ++w) {
            line(bmp, x + w, 12, x + 5 + w, 6, girder.mid);
            line(bmp, x + 5 + w, 6, x + 10 + w, 12, girder.mid);
        }
    }
    vline(bmp, 2, 6, 12, girder.mid);
    vline(bmp, 3, 6, 12, girder.light);
    vline(bmp, 61, 6, 12, girder.dark);
    vline(bmp, 60, 6, 12, girder.mid);
    outline(bmp, rgb(40, 30, 40));
    return bmp;
}

BITMAP *exitDoor()
{
    // A lit doorway between stone posts under a green EXIT sign. Levels
    // stack two of these, so the posts and the light run from the top edge
    // to the bottom edge and join up.
    BITMAP *bmp = blank(kTile, kTile);
    const Ramp stone = ramp(150, 140, 160);
    for (int side = 0; side < 2; ++side) {
        const int x1 = side ? 25 : 2, x2 = x1 + 4;
        rectfill(bmp, x1, 0, x2, kTile - 1, stone.mid);
        vline(bmp, x1, 0, kTile - 1, stone.light);
        vline(bmp, x2, 0, kTile - 1, stone.dark);
        // Block joints, staggered between the two posts.
        for (int y = side ? 4 : 0; y < kTile; y += 8)
            hline(bmp, x1, y, x2, stone.dark);
    }
    // The light: white in the middle, warm yellow towards the posts.
    const int core = rgb(255, 252, 226), warm = rgb(255, 232, 150), edge = rgb(246, 190, 90);
    for (int y = 0; y < kTile; ++y)
        for (int x = 7; x <= 24; ++x) {
            const int d = std::abs(2 * x - 31); // 1 at the middle, 17 at the posts
            int c = core;
            if (d > 13 || (d > 11 && ditherOn(x, y, 8)))
                c = edge;
            else if (d > 7 || (d > 5 && ditherOn(x, y, 8)))
                c = warm;
            putpixel(bmp, x, y, c);
        }
    for (auto [x, y] : {std::pair{11, 16}, {20, 21}, {14, 27}, {18, 13}})
        putpixel(bmp, x, y, rgb(255, 255, 255));
    // The sign, as on any real emergency exit: white letters on green.
    const int plate = rgb(36, 156, 76), plateEdge = rgb(16, 84, 44);
    rectfill(bmp, 6, 3, 25, 11, plateEdge);
    rectfill(bmp, 7, 4, 24, 10, plate);
    hline(bmp, 7, 4, 24, rgb(90, 200, 120));
    tinyText(bmp, 9, 5, "EXIT", rgb(255, 255, 255));
    outline(bmp, stone.outline);
    return bmp;
}

Frames lavaFrames()
{
    const int crust = rgb(110, 26, 24), deep = rgb(190, 48, 22), hot = rgb(246, 120, 30);
    const int bright = rgb(255, 200, 60), white = rgb(255, 250, 200);
    // Plates of cooling crust floating on the melt, with glowing cracks
    // between them. Plate centres drift a little from frame to frame and
    // wrap around the tile so neighbours join.
    const float plates[][2] = {{4, 16}, {14, 22}, {25, 15}, {8, 29}, {21, 30}, {30, 24}, {17, 12}};
    Frames frames;
    for (int f = 0; f < 5; ++f) {
        BITMAP *bmp = blank(kTile, kTile);
        const float t = f / 4.0f; // played forwards then backwards
        for (int x = 0; x < kTile; ++x) {
            const int surface = 11 + static_cast<int>(std::lround(2 * std::sin(x * 2 * M_PI / 16 + t * M_PI)));
            for (int y = surface; y < kTile; ++y) {
                float nearest = 1e9f, second = 1e9f;
                for (const auto &p : plates) {
                    float dx = std::fabs(x - (p[0] + t * 2.5f));
                    dx = std::min(dx, kTile - dx);
                    const float d = std::hypot(dx, y - (p[1] - t * 1.5f));
                    if (d < nearest) {
                        second = nearest;
                        nearest = d;
                    } else if (d < second) {
                        second = d;
                    }
                }
                const float edge = second - nearest;
                int c = crust;
                if (edge < 1.0f)
                    c = bright;
                else if (edge < 2.5f)
                    c = hot;
                else if (edge < 4.5f || nearest > 6.0f)
                    c = deep;
                putpixel(bmp, x, y, c);
            }
            putpixel(bmp, x, surface, bright);
            putpixel(bmp, x, surface + 1, (x + f) % 4 ? hot : white);
        }
        // Tongues of flame that rise and fall.
        for (int k = 0; k < 3; ++k) {
            const int x = 5 + k * 11;
            const int h = 5 + static_cast<int>(std::lround(4 * std::sin(t * M_PI * 1.5 + k * 2.1)));
            triangle(bmp, x - 3, 11, x + 3, 11, x, 11 - h - 3, hot);
            triangle(bmp, x - 1, 11, x + 1, 11, x, 11 - h, bright);
        }
        // A bubble swelling and popping.
        const int by = 10 - f * 2, br = 1 + f / 2;
        if (f < 4) {
            circle(bmp, 26, by, br, bright);
            putpixel(bmp, 25, by - br + 1, white);
        } else {
            putpixel(bmp, 24, by, bright);
            putpixel(bmp, 28, by - 1, bright);
            putpixel(bmp, 26, by - 2, white);
        }
        frames.push_back(bmp);
    }
    return frames;
}

Frames spikeFrames()
{
    const Ramp steel = ramp(180, 186, 200);
    const Ramp glow = ramp(240, 60, 40);
    Frames frames;
    for (int f = 0; f < 2; ++f) {
        BITMAP *bmp = blank(kTile, kTile);
        const Ramp &tip = f ? glow : steel;
        // Four spikes lit from the left, on a hazard-striped base.
        for (int i = 0; i < 4; ++i) {
            const int x = i * 8;
            triangle(bmp, x, 25, x + 3, 25, x + 3, 5, steel.light);
            triangle(bmp, x + 4, 25, x + 7, 25, x + 4, 5, steel.dark);
            vline(bmp, x + 3, 5, 25, steel.shine);
            // The upper third flashes red on the second frame.
            for (int y = 5; y < 13; ++y)
                for (int xx = x; xx < x + 8; ++xx) {
                    const int c = getpixel(bmp, xx, y);
                    if (c == steel.light)
                        putpixel(bmp, xx, y, tip.light);
                    else if (c == steel.dark)
                        putpixel(bmp, xx, y, tip.mid);
                    else if (c == steel.shine)
                        putpixel(bmp, xx, y, tip.shine);
                }
        }
        outline(bmp, rgb(40, 30, 46));
        rectfill(bmp, 0, 26, kTile - 1, kTile - 1, rgb(40, 36, 40));
        for (int x = -6; x < kTile; x += 8)
            for (int w = 0; w < 4; ++w)
                line(bmp, x + w, kTile - 2, x + w + 4, 27, rgb(240, 200, 40));
        hline(bmp, 0, 26, kTile - 1, rgb(90, 84, 96));
        frames.push_back(bmp);
    }
    return frames;
}

} // namespace ag
