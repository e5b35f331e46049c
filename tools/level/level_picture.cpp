// Level picture: drawing the whole map and writing PNG files.
#include "level_picture.h"

#include <allegro.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
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

void putBigEndian(std::vector<unsigned char>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back((value >> shift) & 0xFF);
}

void putChunk(std::vector<unsigned char>& out, const char* type,
              const std::vector<unsigned char>& data) {
  putBigEndian(out, static_cast<uint32_t>(data.size()));
  size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
  putBigEndian(out, static_cast<uint32_t>(crc));
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
  // each row starts with filter type 0: the bytes as they are
  std::vector<unsigned char> raw;
  raw.reserve(static_cast<size_t>(bitmap->h) * (1 + 3 * bitmap->w));
  for (int y = 0; y < bitmap->h; y++) {
    raw.push_back(0);
    for (int x = 0; x < bitmap->w; x++) {
      int c = getpixel(bitmap, x, y);
      raw.push_back(static_cast<unsigned char>(getr_depth(depth, c)));
      raw.push_back(static_cast<unsigned char>(getg_depth(depth, c)));
      raw.push_back(static_cast<unsigned char>(getb_depth(depth, c)));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    error = "cannot compress the picture";
    return false;
  }
  packed.resize(packedSize);

  static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> file(SIGNATURE, SIGNATURE + 8);
  std::vector<unsigned char> header;
  putBigEndian(header, static_cast<uint32_t>(bitmap->w));
  putBigEndian(header, static_cast<uint32_t>(bitmap->h));
  // 8 bits a sample, colour type 2 (RGB), deflate, no filter choice, no interlace
  const unsigned char format[] = {8, 2, 0, 0, 0};
  header.insert(header.end(), format, format + 5);
  putChunk(file, "IHDR", header);
  putChunk(file, "IDAT", packed);
  putChunk(file, "IEND", std::vector<unsigned char>());

  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  written = std::fclose(out) == 0 && written;
  if (!written) error = "cannot write " + path;
  return written;
}
