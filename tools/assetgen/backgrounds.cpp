// Parallax backgrounds. Both repeat side by side: every curve uses whole
// periods across the picture width and every feature wraps around the edge.
// Above the skyline is mask colour; the game fills in the sky.
#include "assets.h"
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace ag {
namespace {

constexpr int kWidth = 800;
const float kTau = 2.0f * static_cast<float>(M_PI);

// Sum of sines with whole numbers of periods across the width.
struct Wave {
    float base;
    std::vector<std::tuple<int, float, float>> terms; // periods, amplitude, phase
    int at(int x) const
    {
        float y = base;
        for (auto [periods, amp, phase] : terms)
            y += amp * std::sin(kTau * periods * x / kWidth + phase);
        return static_cast<int>(std::lround(y));
    }
};

// Fill each column from its skyline down with the ramp's middle colour, a
// bright rim on top, a dark outline above it, and `shade` dithered in from
// `shadeFrom` pixels below the skyline.
void fillBelow(BITMAP *bmp, const Wave &sky, const Ramp &r, int shadeFrom, int shade)
{
    const int fade = 24;
    for (int x = 0; x < bmp->w; ++x) {
        const int top = sky.at(x);
        for (int y = top; y < bmp->h; ++y) {
            const int depth = y - top;
            int c = r.mid;
            if (depth < 2)
                c = r.light;
            else if (depth >= shadeFrom && ditherOn(x, y, std::min(16, (depth - shadeFrom) * 16 / fade)))
                c = shade;
            putpixel(bmp, x, y, c);
        }
        putpixel(bmp, x, top - 1, r.outline);
    }
}

void bush(BITMAP *bmp, int x, int ground, int size, const Ramp &leaf, Rng &rng)
{
    // A clump of overlapping balls, shaded lower right, lit upper left.
    const int balls = 3 + size / 4;
    std::vector<std::tuple<int, int, int>> parts;
    for (int i = 0; i < balls; ++i) {
        const int bx = x + (i - balls / 2) * size * 2 / 3 + rng.range(-2, 2);
        const int r = size - std::abs(i - balls / 2) * 2 + rng.range(-1, 1);
        parts.emplace_back(bx, ground - r + 3, std::max(r, 4));
    }
    for (auto [bx, by, r] : parts)
        wrapCircleFill(bmp, bx, by, r + 1, leaf.outline);
    for (auto [bx, by, r] : parts)
        wrapCircleFill(bmp, bx, by, r, leaf.dark);
    for (auto [bx, by, r] : parts)
        wrapCircleFill(bmp, bx - 1, by - 1, r - 2, leaf.mid);
    for (auto [bx, by, r] : parts)
        wrapCircleFill(bmp, bx - r / 3, by - r / 3, std::max(r / 3, 1), leaf.light);
    for (int i = 0; i < size; ++i) {
        auto [bx, by, r] = parts[rng.below(static_cast<int>(parts.size()))];
        wrapPutPixel(bmp, bx + rng.range(-r / 2, r / 2), by + rng.range(-r / 2, r / 2), leaf.shine);
    }
}

void tree(BITMAP *bmp, int x, int ground, const Ramp &leaf)
{
    const Ramp bark = ramp(110, 80, 60);
    for (int shift : {-kWidth, 0, kWidth}) {
        rectfill(bmp, x + shift - 2, ground - 14, x + shift + 2, ground + 2, bark.mid);
        vline(bmp, x + shift + 2, ground - 14, ground + 2, bark.dark);
        vline(bmp, x + shift - 2, ground - 14, ground + 2, bark.light);
    }
    // Canopy: a big ball flanked by two smaller ones.
    const int balls[3][3] = {{x - 9, ground - 18, 8}, {x + 9, ground - 19, 8}, {x, ground - 26, 12}};
    for (auto &b : balls)
        wrapCircleFill(bmp, b[0], b[1], b[2] + 1, leaf.outline);
    for (auto &b : balls)
        wrapCircleFill(bmp, b[0], b[1], b[2], leaf.dark);
    for (auto &b : balls)
        wrapCircleFill(bmp, b[0] - 1, b[1] - 2, b[2] - 2, leaf.mid);
    for (auto &b : balls)
        wrapCircleFill(bmp, b[0] - b[2] / 3, b[1] - b[2] / 2, std::max(b[2] / 4, 1), leaf.light);
}

} // namespace

BITMAP *nearBackground()
{
    BITMAP *bmp = blank(kWidth, 240);
    Rng rng(4);
    // Rolling back hills with a few round trees, then nearer hills with
    // bushes and flowers along the ridge. The menu prints dark blue fine
    // print over the lower middle of this picture, so the hills are light
    // and plain below the ridge and no bush sits in that middle stretch.
    const Wave back{92, {{2, 26, 0.6f}, {5, 12, 1.9f}, {11, 4, 0.3f}}};
    const Wave front{150, {{3, 18, 2.4f}, {7, 9, 0.2f}, {13, 3, 1.1f}}};
    const Ramp backHill = ramp(158, 210, 142);
    const Ramp frontHill = ramp(134, 200, 104);
    const Ramp backLeaf = ramp(96, 164, 104);
    const Ramp frontLeaf = ramp(80, 156, 74);

    fillBelow(bmp, back, backHill, 1000, backHill.mid);
    for (int x : {70, 290, 335, 560, 720})
        tree(bmp, x, back.at(x) + 4, backLeaf);
    fillBelow(bmp, front, frontHill, 40, mix(frontHill.mid, frontHill.dark, 0.45f));
    for (int x = 20; x < kWidth; x += rng.range(70, 130))
        if (x < 190 || x > 530)
            bush(bmp, x, front.at(x) + 6, rng.range(7, 11), frontLeaf, rng);
    // Flowers dotted just below the ridge.
    const int petals[] = {rgb(255, 250, 240), rgb(255, 220, 80), rgb(250, 140, 170)};
    for (int i = 0; i < 90; ++i) {
        const int x = rng.below(kWidth);
        const int y = front.at(x) + 5 + rng.below(22);
        if (y < bmp->h - 1 && getpixel(bmp, x, y) == frontHill.mid) {
            putpixel(bmp, x, y, petals[rng.below(3)]);
            putpixel(bmp, x, y + 1, frontHill.dark);
        }
    }
    return bmp;
}

BITMAP *farBackground()
{
    BITMAP *bmp = blank(kWidth, 360);
    struct Peak {
        int x, top;  // apex
        float slope; // pixels of drop per pixel sideways
    };
    struct Range {
        std::vector<Peak> peaks;
        Ramp rock;
        int snow, snowShade;
    };
    // The far range is paler and bluer than the near one: aerial perspective.
    const Range ranges[2] = {
        {{{40, 40, 1.9f}, {230, 70, 1.7f}, {380, 20, 2.0f}, {520, 90, 1.6f}, {660, 35, 1.9f}},
         ramp(150, 158, 196), rgb(244, 248, 255), rgb(196, 210, 238)},
        {{{120, 120, 1.3f}, {300, 150, 1.2f}, {450, 110, 1.4f}, {610, 140, 1.2f}, {760, 125, 1.3f}},
         ramp(100, 114, 156), rgb(236, 242, 255), rgb(172, 188, 226)},
    };
    const Wave rough{0, {{23, 3.0f, 0.0f}, {37, 2.0f, 1.0f}, {61, 1.2f, 2.0f}}};
    Rng rng(5);
    for (const Range &range : ranges) {
        BITMAP *layer = blank(kWidth, bmp->h);
        for (int x = 0; x < kWidth; ++x) {
            for (int y = 0; y < bmp->h; ++y) {
                // The pixel belongs to the nearest apex whose slope covers it.
                const Peak *owner = nullptr;
                int ownerDx = 0;
                for (const Peak &p : range.peaks) {
                    int dx = x - p.x;
                    dx -= kWidth * static_cast<int>(std::lround(static_cast<double>(dx) / kWidth));
                    const int edge = p.top + static_cast<int>(std::abs(dx) * p.slope) + rough.at(x);
                    if (y >= edge && (!owner || std::abs(dx) < std::abs(ownerDx))) {
                        owner = &p;
                        ownerDx = dx;
                    }
                }
                if (!owner)
                    continue;
                const bool lit = ownerDx < 0; // sun from the left
                const int snowLine = owner->top + 26 + rough.at(x * 3) * 2;
                int c = lit ? range.rock.light : range.rock.mid;
                if (y < snowLine)
                    c = lit ? range.snow : range.snowShade;
                putpixel(layer, x, y, c);
            }
        }
        // Gullies wandering down from each summit, darker on the shadow side.
        for (const Peak &p : range.peaks) {
            for (int g = 0; g < 6; ++g) {
                int x = p.x + rng.range(-10, 10), y = p.top + rng.range(14, 30);
                const int length = rng.range(30, 90);
                for (int i = 0; i < length && y < bmp->h; ++i, ++y) {
                    const int wx = ((x % kWidth) + kWidth) % kWidth;
                    const int c = getpixel(layer, wx, y);
                    if (c == range.rock.light)
                        putpixel(layer, wx, y, range.rock.mid);
                    else if (c == range.rock.mid)
                        putpixel(layer, wx, y, range.rock.dark);
                    else if (c == range.snow)
                        putpixel(layer, wx, y, range.snowShade);
                    x += (x < p.x ? -1 : 1) * (rng.chance(55) ? 1 : 0);
                }
            }
        }
        // Dark edge along the top of this range.
        for (int x = 0; x < kWidth; ++x)
            for (int y = 1; y < bmp->h; ++y)
                if (!isMask(getpixel(layer, x, y))) {
                    putpixel(layer, x, y - 1, range.rock.outline);
                    break;
                }
        masked_blit(layer, bmp, 0, 0, 0, 0, kWidth, bmp->h);
        destroy_bitmap(layer);
    }
    // Haze settling in the valleys towards the bottom.
    const int haze = rgb(150, 204, 200);
    for (int y = 220; y < bmp->h; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (!isMask(getpixel(bmp, x, y)) && ditherOn(x, y, (y - 220) * 16 / 110))
                putpixel(bmp, x, y, haze);
    return bmp;
}

} // namespace ag
