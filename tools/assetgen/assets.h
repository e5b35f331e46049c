// Picture, font and sound families made by the asset generator. Each
// function draws one family; main.cpp decides file names and order.
#pragma once

#include <allegro.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ag {

using Frames = std::vector<BITMAP *>;

// sprites.cpp
Frames coinFrames();   // 4 frames, 32x32
BITMAP *bullet();      // 10x4, pointing left
BITMAP *clockPickup(); // 32x32
BITMAP *ammoPickup();  // 32x32
Frames enemyFrames();  // 2 frames, 28x28, facing left
Frames playerFrames(); // in the air, standing, stepping; 24x30, facing right

// tiles.cpp
BITMAP *grassBlock();
BITMAP *stoneBlock();
BITMAP *crateBlock();
BITMAP *metalBlock();
BITMAP *movingPlatform(); // 64x16
BITMAP *exitDoor();       // 32x32
Frames lavaFrames();      // 5 frames, 32x32
Frames spikeFrames();     // 2 frames, 32x32

// backgrounds.cpp
BITMAP *nearBackground(); // hills, 800x240
BITMAP *farBackground();  // mountains, 800x360

// pcf_font.cpp
struct Glyph {
    int left = 0, ascent = 0, advance = 0; // placement in the cell
    int w = 0, h = 0;
    std::vector<unsigned char> on; // one byte per pixel, row by row
};
struct BitmapFont {
    int cellW = 0, ascent = 0, descent = 0;
    std::map<int, Glyph> glyphs; // printable ASCII only
    // Whether cell pixel (x, y) of character `ch` is inked; y = 0 is the
    // top of the cell, `ascent` rows above the baseline.
    bool ink(int ch, int x, int y) const;
};
BitmapFont loadPcfFont(const std::string &path);

// lettering.cpp
Frames gameOverFrames(); // 2 frames
BITMAP *titlePicture();  // 400x120
// Font sheets are 8-bit grids in the layout Allegro grabs fonts from:
// index 0 = paper, 1 = ink, 255 = the lines between glyph boxes.
BITMAP *fontSheet(const BitmapFont &font); // one fixed cell per character
void fontSheetPalette(PALETTE pal);

// sound.cpp
constexpr int kSampleRate = 22050;
std::vector<int16_t> enemyStruckSound();
std::vector<int16_t> pickupSound();
std::vector<int16_t> emptyClickSound();
std::vector<int16_t> shotSound();
std::vector<int16_t> jumpSound();
std::vector<int16_t> lifeLostSound();
std::vector<int16_t> levelDoneSound();
std::vector<int16_t> gameOverSound();
std::vector<int16_t> bonusTimeSound();
std::vector<int16_t> menuMoveSound();
std::vector<int16_t> menuChooseSound();
void writeWav(const std::string &path, const std::vector<int16_t> &samples);

// music.cpp
constexpr int kMusicTicksPerBeat = 96;
struct MusicNote {
    int channel, start, length, pitch, velocity; // start and length in ticks
};
// The level tune's notes, in no particular order; `endTick` gets the loop point.
std::vector<MusicNote> levelMusicNotes(int &endTick);
void writeLevelMusic(const std::string &path);

// patches.cpp
void writeDigmidPatchIndex(const std::string &timidityCfg, const std::string &out);

// icon.cpp: the desktop icon as dir/icon-SIZE.png, one square RGBA PNG a size.
void writeIcons(const std::string &dir, const std::vector<int> &sizes);
// The icon at one size as 8-bit RGBA, row by row: the pixels its PNG holds.
std::vector<unsigned char> iconPixels(int size);

} // namespace ag
