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
    // Lid hinge, and a yellow band stencilled with what is inside.
    hline(bmp, 4, 18, 27, box.dark);
    rectfill(bmp, 4, 20, 27, 26, rgb(232, 196, 60));
    hline(bmp, 4, 20, 27, rgb(250, 226, 120));
    tinyText(bmp, 8, 21, "AMMO", rgb(50, 44, 26));
    outline(bmp, box.outline);
    return bmp;
}

Frames enemyFrames()
{
    // A grumpy spined puffball, facing left: heavy brow over a big eye,
    // two fangs, ivory spines down its back. It bobs down a pixel and lifts
    // its back foot on the second step.
    const ColourKey key = {
        {'v', rgb(150, 64, 176)}, {'V', rgb(100, 38, 126)}, {'u', rgb(200, 128, 222)},
        {'c', rgb(240, 176, 212)}, {'C', rgb(208, 130, 180)}, {'t', rgb(248, 236, 206)},
        {'T', rgb(196, 176, 150)}, {'w', rgb(255, 255, 255)}, {'e', rgb(34, 18, 44)},
        {'x', rgb(70, 20, 80)},    {'f', rgb(255, 255, 244)}, {'q', rgb(120, 76, 130)},
        {'F', rgb(72, 40, 84)},
    };
    const std::vector<std::string> body = {
        "............................",
        "...............t....t.......",
        "..............tt...tt...t...",
        "...........t..tT..ttT..tt...",
        "..........tt.ttT.ttT..ttT...",
        ".........ttTvvvvvvvvvvvtT...",
        ".......vvvvvvvvvvvvvvvvvvv..",
        ".....vvuuuuvvvvvvvvvvvvvvV..",
        "....vuuuuvvvvvvvvvvvvvvvvVt.",
        "...vuuuuuuxxvvvvvvvvvvvvvVtT",
        "...vuuuuxxxxvvvvvvvvvvvvvVV.",
        "..vvuxxxxwwwvvvvvvvvvvvvvVVt",
        "..vxxxwwwwwwvvvvvvvvvvvvvVVT",
        "..vvweewwwwwvvvvvvvvvvvvVVV.",
        "..vveeewwwwvvvvvvvvvvvvvVVV.",
        "..vvvwwwwwvvvvvvvvvvvvvvVVV.",
        "..vvvvvvvvvvvvvvvvvvvvvvVVV.",
        "..xxxxxxxxccccccvvvvvvvVVV..",
        "...fvvfvccccccccccvvvvVVVV..",
        "...vvvvcccccccccccccvVVVV...",
        "....VvvcccccCCCCCCCVVVVV....",
        ".....VVVCCCCCCCCCVVVVVV.....",
        ".......VVVVVVVVVVVVVV.......",
    };
    const std::vector<std::string> feet[2] = {
        {"........qqqq....qqqq........",
         ".......qqqqq....qqqqq.......",
         "......FFqqqq....FFqqq.......",
         ".....FFFFFF....FFFFFF.......",
         ".....FFFFFF....FFFFFF......."},
        {".........qqqq..qqqq.........",
         "........qqqqq..qqqqq........",
         ".......FFqqqq..FFFFFF.......",
         "......FFFFFF...FFFFFF.......",
         "......FFFFFF................"},
    };
    Frames frames;
    for (int f = 0; f < 2; ++f) {
        BITMAP *bmp = blank(28, 28);
        drawRows(bmp, 0, 23, feet[f], key);
        drawRows(bmp, 0, f, body, key);
        outline(bmp, rgb(40, 16, 50));
        frames.push_back(bmp);
    }
    return frames;
}

Frames playerFrames()
{
    // Facing right: green cap, red scarf streaming behind, blue shirt.
    // Standing has the legs together and walking the widest stride, one
    // pixel lower, so alternating the two reads as a bouncing walk. In the
    // air the knees tuck up and an arm reaches forward.
    const ColourKey key = {
        {'G', rgb(64, 168, 84)},   {'g', rgb(38, 108, 62)},   {'L', rgb(160, 226, 150)},
        {'H', rgb(88, 50, 30)},    {'h', rgb(136, 82, 42)},   {'s', rgb(250, 204, 160)},
        {'S', rgb(212, 148, 108)}, {'w', rgb(255, 255, 255)}, {'e', rgb(30, 26, 50)},
        {'m', rgb(176, 80, 74)},   {'r', rgb(228, 62, 52)},   {'R', rgb(150, 32, 42)},
        {'b', rgb(70, 124, 222)},  {'B', rgb(40, 74, 156)},   {'l', rgb(140, 186, 246)},
        {'n', rgb(60, 40, 30)},    {'y', rgb(250, 212, 70)},  {'p', rgb(84, 84, 118)},
        {'P', rgb(52, 50, 78)},    {'k', rgb(156, 94, 48)},   {'K', rgb(98, 56, 30)},
    };
    const std::vector<std::string> head = {
        "........................",
        "..........GGGLL.........",
        "........GLLGGGGGG.......",
        ".......GGLGGGGGGGG......",
        "......ggggggggggggggg...",
        "......HHhsssssssss......",
        "......HHhsssswesss......",
        "......HhSSssswessss.....",
        "......HhhSssssssssS.....",
        ".......hhsssssssms......",
        "........Sssssssss.......",
        ".........rrrrrrr........",
        ".....RRrrrrrrrrR........",
    };
    const std::vector<std::string> air = {
        "..RRR...lbbbbbbbB.......",
        ".RR.....lbbbbbbbBBBss...",
        "........lbbbbbbbB.......",
        "........lbbbbbbbB.......",
        "........lbbbbbbbB.......",
        "........nnnnnnyn........",
        ".........PPPpppppp......",
        "........PPPpppppppp.....",
        ".......PPP......ppp.....",
        "......PPP.......ppp.....",
        ".....KKK........kkkkk...",
        ".....KK.........kkkkk...",
    };
    const std::vector<std::string> stand = {
        "....RR..lbbbbbbbB.......",
        "....R...lbbBBbbbB.......",
        "........lbbBBbbbB.......",
        "........lbbBBbbbB.......",
        "........lbbBBbbbB.......",
        "........nnnssnnyn.......",
        ".........PPpppp.........",
        ".........PPppp..........",
        ".........PPppp..........",
        ".........PPppp..........",
        ".........PPppp..........",
        ".........PPppp..........",
        ".........PPppp..........",
        ".........PPppp..........",
        "........KKkkkkkk........",
        "........KKkkkkkkk.......",
    };
    const std::vector<std::string> stride = {
        "....RRR.lbbbbbbbB.......",
        "...RR...lbBbbbbbB.......",
        "........BBbbbbbbB.......",
        ".......BBlbbbbbbB.......",
        "......ss.lbbbbbbBss.....",
        "........nnnnnnyn........",
        ".........PPPppp.........",
        "........PPP..ppp........",
        ".......PPP....ppp.......",
        "......PPP......ppp......",
        ".....PPP.......ppp......",
        "....PPP.........ppp.....",
        "....PPP.........ppp.....",
        "...KKKK.........kkkkk...",
        "...KKK..........kkkkkk..",
    };
    struct Pose {
        const std::vector<std::string> *body;
        int bob; // how far the whole figure sits down
    };
    const Pose poses[3] = {{&air, 0}, {&stand, 0}, {&stride, 1}};
    Frames frames;
    for (const Pose &p : poses) {
        BITMAP *bmp = blank(24, 30);
        drawRows(bmp, 0, p.bob, head, key);
        drawRows(bmp, 0, p.bob + static_cast<int>(head.size()), *p.body, key);
        outline(bmp, rgb(34, 24, 40));
        frames.push_back(bmp);
    }
    return frames;
}

} // namespace ag
