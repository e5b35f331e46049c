// Frame rendering: one picture per game tick, composed in the back buffer
// and copied to the screen in one blit.
#ifndef BRINDLECOVE_RENDERER_H
#define BRINDLECOVE_RENDERER_H

// Raw 16-bit pixel values (5-6-5), passed straight to the library.
const int COLOUR_SKY = 0x7E57;          // 123, 202, 189
const int COLOUR_HUD = 0x11B7;          // 16, 52, 189
const int COLOUR_MESSAGE = 0x2157;      // 32, 40, 189: overlays, menu items, prompts
const int COLOUR_OVERLAY_BOX = 0x0D69;  // 8, 174, 74
const int COLOUR_OVERLAY_EDGE = 0x0001; // 0, 0, 8
const int COLOUR_WHITE = 0xFFFF;        // version line, credits
const int COLOUR_NOTICE = 0x0157;       // 0, 40, 189: menu notices

// The main loop's frame: sky, layers, tiles, player, enemies, bullets,
// platforms, head-up display, the overlay of a suspended state, and the
// pause's box while paused (then the one picture is shown again each tick).
void drawFrame();

// Backdrop routines shared with the menu screens.
void drawBackgrounds();
// The tiles in a window one cell around the view, then the version line.
// Each tile's picture is asked for twice per frame, so tile animations run
// two steps per frame and only near the view: deliberate.
void drawTiles();
void drawEnemies();

// Copies the back buffer to the screen (inside acquire/release); every
// frame of the game and of its screens goes through here.
void showBackBuffer();
extern long framesShown;  // frames copied so far; tests and benchmarks count them

#endif
