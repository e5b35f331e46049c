// Level picture: the whole map drawn with the game's own pictures, with
// the enemies, the platforms' paths and the start marked, saved as PNG.
#ifndef BRINDLECOVE_LEVEL_PICTURE_H
#define BRINDLECOVE_LEVEL_PICTURE_H

#include <string>

struct BITMAP;

// Colours of the marks, as RGB.
const int PICTURE_PATH_RGB[3] = {255, 255, 255};   // a platform's travel
const int PICTURE_START_RGB[3] = {230, 30, 30};    // the start box and label

// The started level (currentMap, its enemies and platforms, as startRun
// leaves them) on a bitmap of the map's size at 16-bit colour: sky, the
// two background layers along the bottom as the game stands them at the
// start, every tile's first picture, each platform's travel box and the
// platform at its start, the enemies at their starts, and the player at
// the start inside a box. The caller destroys the bitmap.
BITMAP* drawLevelPicture();

// A PNG of any bitmap (8-bit RGB, no palette). False and `error` when the
// file cannot be written.
bool savePng(BITMAP* bitmap, const std::string& path, std::string& error);

#endif
