// Level picture: drawing the whole map and writing PNG files.
#include "level_picture.h"

#include <allegro.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "level_run.h"
#include "render/background_layer.h"

namespace {

const int PICTURE_DEPTH = 16;  // the depth of graphics.dat's pictures
const int SKY_RGB[3] = {123, 202, 189};
const char* const START_LABEL = "START";

int colour(const int rgb[3]) { return makecol_depth(PICTURE_DEPTH, rgb[0], rgb[1], rgb[2]); }

void drawLayers(BITMAP* target) {
  BackgroundLayer* const* layers = currentMap->getLayers();
  for (int i = 0; i < 2; i++) {
    BITMAP* image = layers[i] ? layers[i]->getImage() : NULL;
    if (!image || image->w <= 0) continue;
    // at scroll 0 the first copy stands at the map's left edge
    for (int x = layers[i]->firstCopyX(0); x < target->w; x += image->w)
      draw_sprite(target, image, x, layers[i]->getY());
  }
}

void drawTiles(BITMAP* target) {
  int tileW = currentMap->getTileWidth();
  int tileH = currentMap->getTileHeight();
  for (int row = 0; row < currentMap->getRows(); row++)
    for (int col = 0; col < currentMap->getCols(); col++) {
      // the first call of an animation gives its first picture
      BITMAP* picture = currentMap->getTile(col, row)->getPicture();
      if (picture) draw_sprite(target, picture, col * tileW, row * tileH);
    }
}

void drawPlatforms(BITMAP* target) {
  int pathColour = colour(PICTURE_PATH_RGB);
  for (int i = 0; i < platformList->getCapacity(); i++) {
    MovingPlatform* p = platformList->get(i);
    if (!p) continue;
    PlatformTravel travel = platformTravel(*p);
    int w = std::max(1, p->getWidth()), h = std::max(1, p->getHeight());
    rect(target, travel.minX, travel.minY, travel.maxX + w - 1, travel.maxY + h - 1, pathColour);
    // a line along the middle of the path shows which way it shuttles
    line(target, travel.minX + w / 2, travel.minY + h / 2, travel.maxX + w / 2,
         travel.maxY + h / 2, pathColour);
    if (p->getSprite()) draw_sprite(target, p->getSprite(), p->getX(), p->getY());
  }
}

void drawEnemies(BITMAP* target) {
  for (Enemy* e = enemyList->getHead(); e; e = e->getNext()) {
    if (!e->getSprite()) continue;
    // the pictures face left and enemies start walking right, as drawn in play
    draw_sprite_h_flip(target, e->getSprite(), e->getX(), e->getY());
  }
}

void drawStart(BITMAP* target) {
  int startColour = colour(PICTURE_START_RGB);
  if (player->getSprite()) draw_sprite(target, player->getSprite(), player->getX(), player->getY());
  rect(target, player->getX() - 1, player->getY() - 1, player->getRight(), player->getBottom(),
       startColour);
  textout_ex(target, font, START_LABEL, player->getX(), player->getY() - text_height(font) - 2,
             startColour, -1);
}

}  // namespace

BITMAP* drawLevelPicture() {
  BITMAP* picture = create_bitmap_ex(PICTURE_DEPTH, currentMap->getWidthPixels(),
                                     currentMap->getHeightPixels());
  if (!picture) return NULL;
  clear_to_color(picture, colour(SKY_RGB));
  drawLayers(picture);
  drawTiles(picture);
  drawPlatforms(picture);
  drawEnemies(picture);
  drawStart(picture);
  return picture;
}

bool savePng(BITMAP* bitmap, const std::string& path, std::string& error) {
  int depth = bitmap_color_depth(bitmap);
  std::vector<png_byte> rgb;
  rgb.reserve(static_cast<size_t>(bitmap->h) * 3 * bitmap->w);
  for (int y = 0; y < bitmap->h; y++)
    for (int x = 0; x < bitmap->w; x++) {
      int c = getpixel(bitmap, x, y);
      rgb.push_back(static_cast<png_byte>(getr_depth(depth, c)));
      rgb.push_back(static_cast<png_byte>(getg_depth(depth, c)));
      rgb.push_back(static_cast<png_byte>(getb_depth(depth, c)));
    }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(bitmap->w);
  image.height = static_cast<png_uint_32>(bitmap->h);
  image.format = PNG_FORMAT_RGB;
  // libpng removes a file it could not finish
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, NULL)) {
    error = "cannot write " + path + ": " + image.message;
    return false;
  }
  return true;
}
