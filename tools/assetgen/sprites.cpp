// Characters and pickups: the things that move or can be collected.
#include "assets.h"
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ag {
namespace {

// A limb or strap: a run of w x w squares from (x1,y1) to (x2,y2).
void thickLine(BITMAP *bmp, int x1, int y1, int x2, int y2, int w, int colour)
{
    const int steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    for (int i = 0; i <= steps; ++i) {
        const float t = steps ? static_cast<float>(i) / steps : 0.0f;
        const int x = static_cast<int>(std::lround(x1 + (x2 - x1) * t));
        const int y = static_cast<int>(std::lround(y1 + (y2 - y1) * t));
        rectfill(bmp, x, y, x + w - 1, y + w - 1, colour);
    }
}

// Five-pointed star squeezed to `rx` wide, for the coin face.
void star(BITMAP *bmp, int cx, int cy, float rx, float ry, int colour)
{
    int pts[20];
    for (int i = 0; i < 10; ++i) {
        const float a = -M_PI / 2 + i * M_PI / 5;
        const float k = (i % 2) ? 0.45f : 1.0f;
        pts[i * 2] = cx + static_cast<int>(std::lround(std::cos(a) * rx * k));
        pts[i * 2 + 1] = cy + static_cast<int>(std::lround(std::sin(a) * ry * k));
    }
    polygon(bmp, 10, pts, colour);
}

} // namespace

Frames coinFrames()
{
    const Ramp gold = ramp(236, 178, 40);
    // Half-widths of the face while it turns: front, three-quarter, edge,
    // three-quarter from behind.
    const int halfWidth[4] = {11, 7, 2, 7};
    Frames frames;
    for (int f = 0; f < 4; ++f) {
        BITMAP *bmp = blank(32, 32);
        const int cx = 16, cy = 16, ry = 12, rx = halfWidth[f];
        if (rx <= 2) {
            // Edge on: a milled rim with a bright line down the middle.
            rectfill(bmp, cx - 2, cy - ry, cx + 2, cy + ry, gold.dark);
            vline(bmp, cx, cy - ry + 1, cy + ry - 1, gold.light);
            vline(bmp, cx - 1, cy - ry + 1, cy + ry - 1, gold.mid);
            for (int y = cy - ry + 2; y < cy + ry; y += 3)
                putpixel(bmp, cx + 1, y, gold.outline);
        } else {
            ellipsefill(bmp, cx, cy, rx, ry, gold.dark);
            ellipsefill(bmp, cx - 1, cy - 1, rx - 1, ry - 1, gold.mid);
            ellipse(bmp, cx, cy, rx - 3, ry - 3, gold.dark);
            if (f == 3) {
                // Back face: plain with a stamped ring.
                ellipse(bmp, cx, cy, rx - 5, ry - 6, gold.light);
            } else {
                star(bmp, cx + 1, cy + 1, rx * 0.55f, ry * 0.55f, gold.dark);
                star(bmp, cx, cy, rx * 0.55f, ry * 0.55f, gold.light);
            }
            // Shine along the upper left of the rim.
            for (int deg = 196; deg <= 256; deg += 6) {
                const float a = deg * static_cast<float>(M_PI) / 180.0f;
                putpixel(bmp, cx - 1 + static_cast<int>(std::lround(std::cos(a) * (rx - 2))),
                         cy - 1 + static_cast<int>(std::lround(std::sin(a) * (ry - 2))), gold.shine);
            }
            putpixel(bmp, cx - rx / 2, cy - ry + 3, gold.shine);
            putpixel(bmp, cx - rx / 2 - 1, cy - ry + 4, gold.shine);
        }
        outline(bmp, gold.outline);
        frames.push_back(bmp);
    }
    return frames;
}

BITMAP *bullet()
{
    BITMAP *bmp = blank(10, 4);
    // The nose points left; brass case behind a hot copper tip.
    drawRows(bmp, 0, 0,
             {"..wLLLLcc.",
              "wWYYYYYCCc",
              "yYYYYYYCCc",
              ".yyyyyyccc"},
             {{'w', rgb(255, 250, 210)}, {'W', rgb(255, 255, 255)},
              {'L', rgb(255, 236, 140)}, {'Y', rgb(238, 190, 60)},
              {'y', rgb(176, 120, 30)},  {'C', rgb(206, 110, 50)},
              {'c', rgb(130, 60, 30)}});
    return bmp;
}

BITMAP *clockPickup()
{
    BITMAP *bmp = blank(32, 32);
    const Ramp red = ramp(214, 52, 52);
    const Ramp bell = ramp(232, 190, 70);
    const int cx = 16, cy = 18;
    // Bells and hammer on top, legs below: an alarm clock reads as "time".
    circlefill(bmp, 8, 7, 4, bell.mid);
    circlefill(bmp, 24, 7, 4, bell.mid);
    circlefill(bmp, 7, 6, 2, bell.light);
    circlefill(bmp, 23, 6, 2, bell.light);
    rectfill(bmp, 15, 3, 16, 6, bell.dark);
    thickLine(bmp, 9, 26, 6, 29, 2, red.dark);
    thickLine(bmp, 22, 26, 25, 29, 2, red.dark);
    circlefill(bmp, cx, cy, 11, red.dark);
    circlefill(bmp, cx - 1, cy - 1, 10, red.mid);
    arc(bmp, cx - 1, cy - 1, itofix(50), itofix(120), 9, red.light);
    // Face with hour marks.
    circlefill(bmp, cx, cy, 8, rgb(200, 206, 220));
    circlefill(bmp, cx - 1, cy - 1, 7, rgb(250, 250, 244));
    const int ink = rgb(40, 36, 60);
    for (int h = 0; h < 12; ++h) {
        const float a = h * M_PI / 6;
        const int x = cx + static_cast<int>(std::lround(std::sin(a) * 6));
        const int y = cy - static_cast<int>(std::lround(std::cos(a) * 6));
        putpixel(bmp, x, y, h % 3 == 0 ? ink : rgb(150, 150, 170));
    }
    // Hands at ten past ten.
    thickLine(bmp, cx, cy, cx - 4, cy - 2, 1, ink);
    thickLine(bmp, cx, cy, cx + 3, cy - 5, 1, ink);
    putpixel(bmp, cx, cy, red.mid);
    outline(bmp, red.outline);
    return bmp;
}

BITMAP *ammoPickup()
{
    BITMAP *bmp = blank(32, 32);
    const Ramp box = ramp(96, 120, 56);
    const Ramp brass = ramp(236, 188, 64);
    const Ramp tip = ramp(196, 104, 52);
    // Three cartridges standing in an open ammunition box.
    for (int i = 0; i < 3; ++i) {
        const int x = 8 + i * 6, top = 4 + (i == 1 ? 0 : 3);
        rectfill(bmp, x, top + 4, x + 4, 18, brass.mid);
        vline(bmp, x, top + 4, 18, brass.light);
        vline(bmp, x + 4, top + 4, 18, brass.dark);
        rectfill(bmp, x, top + 1, x + 4, top + 3, tip.mid);
        hline(bmp, x + 1, top, x + 3, tip.mid);
        putpixel(bmp, x + 1, top + 1, tip.shine);
        vline(bmp, x + 4, top + 1, top + 3, tip.dark);
    }
    rectfill(bmp, 4, 16, 27, 28, box.mid);
    bevel(bmp, box.mid, box.light, box.dark);
    // Lid hinge, a yellow stencil band and a handle.
    hline(bmp, 4, 18, 27, box.dark);
    rectfill(bmp, 4, 22, 27, 24, rgb(232, 196, 60));
    for (int x = 6; x < 27; x += 4)
        putpixel(bmp, x, 23, rgb(60, 52, 30));
    rectfill(bmp, 13, 26, 18, 27, box.dark);
    outline(bmp, box.outline);
    return bmp;
}

Frames enemyFrames()
{
    const Ramp body = ramp(150, 60, 170);
    const Ramp belly = ramp(226, 150, 200);
    const Ramp horn = ramp(236, 220, 190);
    const Ramp foot = ramp(70, 40, 80);
    Frames frames;
    for (int f = 0; f < 2; ++f) {
        BITMAP *bmp = blank(28, 28);
        // Legs first so the body overlaps their tops; the two frames swap
        // which leg is forward.
        const int lx = f ? 10 : 7, rx = f ? 16 : 19;
        thickLine(bmp, 9, 18, lx, 23, 3, foot.mid);
        thickLine(bmp, 17, 18, rx, 23, 3, foot.mid);
        rectfill(bmp, lx - 2, 24, lx + 3, 25, foot.dark);
        rectfill(bmp, rx - 2, 24, rx + 3, 25, foot.dark);
        // Spikes along the back.
        for (int i = 0; i < 4; ++i) {
            const int x = 9 + i * 4;
            triangle(bmp, x, 7, x + 4, 7, x + 3, 2 + (i % 2), horn.mid);
            putpixel(bmp, x + 2, 5, horn.light);
        }
        ellipsefill(bmp, 14, 13, 11, 8, body.dark);
        ellipsefill(bmp, 13, 12, 10, 7, body.mid);
        arc(bmp, 13, 12, itofix(40), itofix(110), 6, body.light);
        ellipsefill(bmp, 12, 17, 7, 3, belly.mid);
        hline(bmp, 8, 16, 15, belly.light);
        // Big angry eye looking left, with a heavy brow.
        circlefill(bmp, 7, 10, 3, rgb(255, 255, 250));
        rectfill(bmp, 5, 10, 6, 11, rgb(20, 10, 30));
        thickLine(bmp, 3, 6, 10, 8, 1, body.outline);
        thickLine(bmp, 4, 6, 10, 7, 1, body.outline);
        // Mouth with two fangs.
        hline(bmp, 3, 15, 8, body.outline);
        putpixel(bmp, 4, 16, rgb(255, 255, 250));
        putpixel(bmp, 7, 16, rgb(255, 255, 250));
        outline(bmp, body.outline);
        frames.push_back(bmp);
    }
    return frames;
}

Frames playerFrames()
{
    const Ramp skin = ramp(244, 196, 150);
    const Ramp hair = ramp(120, 70, 36);
    const Ramp cap = ramp(60, 160, 80);
    const Ramp shirt = ramp(60, 110, 210);
    const Ramp pants = ramp(70, 70, 96);
    const Ramp boot = ramp(130, 76, 40);
    const Ramp scarf = ramp(220, 56, 48);

    struct Pose {
        int backFootX, backFootY, frontFootX, frontFootY; // boot positions
        int handX, handY;                                  // near hand
        int scarfLift;                                     // scarf tail flutter
    };
    // Jump (knees up, arm raised), stand, stride.
    const Pose poses[3] = {
        {7, 24, 15, 22, 18, 13, 3},
        {9, 26, 14, 26, 12, 19, 0},
        {6, 26, 17, 26, 15, 18, 1},
    };
    Frames frames;
    for (const Pose &p : poses) {
        BITMAP *bmp = blank(24, 30);
        // Legs from the hips to each boot.
        thickLine(bmp, 9, 20, p.backFootX + 1, p.backFootY - 3, 3, pants.dark);
        thickLine(bmp, 12, 20, p.frontFootX, p.frontFootY - 3, 3, pants.mid);
        rectfill(bmp, p.backFootX, p.backFootY - 1, p.backFootX + 4, p.backFootY + 1, boot.dark);
        rectfill(bmp, p.frontFootX, p.frontFootY - 1, p.frontFootX + 4, p.frontFootY + 1, boot.mid);
        hline(bmp, p.frontFootX, p.frontFootY - 1, p.frontFootX + 3, boot.light);
        // Body, belt and buckle.
        rectfill(bmp, 8, 13, 15, 20, shirt.mid);
        bevel(bmp, shirt.mid, shirt.light, shirt.dark);
        hline(bmp, 8, 20, 15, rgb(60, 40, 30));
        putpixel(bmp, 13, 20, rgb(250, 210, 70));
        // Scarf round the neck with its tail streaming behind.
        rectfill(bmp, 8, 12, 15, 13, scarf.mid);
        hline(bmp, 8, 13, 15, scarf.dark);
        thickLine(bmp, 7, 13, 4, 15 - p.scarfLift, 2, scarf.mid);
        putpixel(bmp, 3, 16 - p.scarfLift, scarf.dark);
        // Head: skin, hair at the back, cap with the peak facing forward.
        circlefill(bmp, 13, 7, 5, skin.mid);
        rectfill(bmp, 9, 5, 12, 10, hair.mid);
        circlefill(bmp, 9, 8, 2, hair.mid);
        putpixel(bmp, 10, 10, hair.dark);
        putpixel(bmp, 17, 9, skin.dark);
        putpixel(bmp, 19, 7, skin.mid); // nose
        rectfill(bmp, 15, 6, 16, 7, rgb(30, 26, 50));
        putpixel(bmp, 16, 6, rgb(255, 255, 255));
        hline(bmp, 16, 10, 17, skin.dark);
        rectfill(bmp, 9, 1, 17, 4, cap.mid);
        hline(bmp, 10, 1, 15, cap.light);
        rectfill(bmp, 16, 4, 20, 5, cap.dark);
        putpixel(bmp, 13, 2, cap.shine);
        // Near arm: sleeve from the shoulder to a bare hand.
        thickLine(bmp, 11, 14, p.handX, p.handY - 2, 2, shirt.dark);
        rectfill(bmp, p.handX, p.handY - 1, p.handX + 1, p.handY, skin.mid);
        outline(bmp, rgb(34, 24, 40));
        frames.push_back(bmp);
    }
    return frames;
}

} // namespace ag
