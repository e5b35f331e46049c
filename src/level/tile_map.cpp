// Tile map: the level grid, tile lookup, and building a map from its file.
#include "level/tile_map.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/level_file.h"
#include "render/animation.h"
#include "render/background_layer.h"

namespace {

const int POINTS_PER_PICKUP = 5;
const int BULLETS_PER_PICKUP = 3;
const int SECONDS_PER_PICKUP = 20;
const int POINTS_FRAME_DELAY = 10;
const int FIRE_FRAME_DELAY = 5;
const int SPIKES_FRAME_DELAY = 10;
const float FAR_PARALLAX = 0.3f;
const float NEAR_PARALLAX = 0.9f;

int pictureHeight(int graphicIndex) {
  BITMAP* image = graphic(graphicIndex);
  return image ? image->h : 0;
}

// The usual huge page (x86-64; arm64 with 4 KB pages).
const size_t HUGE_PAGE = 2 << 20;

}  // namespace

void* allocateTileBlock(size_t bytes) {
  if (bytes < 2 * HUGE_PAGE) return ::operator new(bytes);
  size_t rounded = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
  void* block = ::operator new(rounded, std::align_val_t(HUGE_PAGE));
#ifdef MADV_HUGEPAGE
  madvise(block, rounded, MADV_HUGEPAGE);  // a hint: without it, plain pages
#endif
  return block;
}

void freeTileBlock(void* block, size_t bytes) {
  if (bytes < 2 * HUGE_PAGE) ::operator delete(block);
  else ::operator delete(block, std::align_val_t(HUGE_PAGE));
}

TileMap::TileMap(const std::string& path)
    : file(path.c_str()),
      fileName(path),
      rows(0),
      cols(0),
      tileWidth(1),
      tileHeight(1),
      fallSpeed(0),
      platformCount(0),
      finished(false),
      timeLimit(0),
      outside(-1, -1) {
  name[0] = '\0';
  layers[0] = layers[1] = NULL;
  for (Animation*& a : stills) a = NULL;
}

TileMap::~TileMap() {
  freeTiles();
  delete layers[0];
  delete layers[1];
}

void TileMap::freeTiles() {
  tiles.clear();
  plainTiles.clear();
  pickupTiles.clear();
  deadlyTiles.clear();
  animations.clear();
  for (Animation*& a : stills) a = NULL;
}

void TileMap::load() {
  std::string error;
  if (!tryLoad(error)) {
    std::fprintf(stderr, "brindlecove: %s\n", error.c_str());
    std::exit(EXIT_FAILURE);
  }
}

bool TileMap::tryLoad(std::string& error) {
  if (enemyList) enemyList->clear();
  LevelFile level;
  bool ok = readLevelFile(fileName, file, level, error);
  file.close();
  if (!ok) return false;
  build(level);
  return true;
}

void TileMap::reload() {
  if (enemyList) enemyList->clear();
  if (bulletList) bulletList->clear();
  file.clear();
  file.open(fileName.c_str());
  load();
}

void TileMap::build(const LevelFile& level) {
  std::strncpy(name, level.name.c_str(), LEVEL_NAME_BUFFER - 1);
  name[LEVEL_NAME_BUFFER - 1] = '\0';
  cols = level.cols;
  rows = level.rows;
  tileWidth = level.tileWidth;
  tileHeight = level.tileHeight;
  fallSpeed = level.fallSpeed;
  timeLimit = level.timeLimit;
  platformCount = static_cast<int>(level.platforms.size());

  // The player may still point at a platform of the list replaced here.
  if (player) player->setPlatform(NULL);
  delete platformList;
  platformList = new PlatformList(platformCount);
  for (const PlatformRecord& p : level.platforms)
    platformList->add(new MovingPlatform(p.x, p.y, p.xMax, p.yMax, graphic(GFX_PLATFORM)));

  freeTiles();
  // The pictures of this build: the data file's, as they are now.
  static const int POINTS_GRAPHICS[] = {0, 1, 2, 3};
  // The fire plays its five pictures there and back.
  static const int FIRE_GRAPHICS[] = {14, 15, 16, 17, 18, 18, 17, 16, 15, 14};
  for (int i = 0; i < 4; i++) pointsFrames[i] = graphic(POINTS_GRAPHICS[i]);
  for (int i = 0; i < 10; i++) fireFrames[i] = graphic(FIRE_GRAPHICS[i]);
  spikesFrames[0] = graphic(GFX_SPIKES_1);
  spikesFrames[1] = graphic(GFX_SPIKES_2);
  static const int STILL_GRAPHICS[][2] = {{1, GFX_BLOCK_A}, {4, GFX_BLOCK_B}, {6, GFX_AMMO_PICKUP},
                                          {8, GFX_BLOCK_D}, {9, GFX_EXIT},    {10, GFX_BLOCK_C},
                                          {11, GFX_TIME_PICKUP}};
  const int stillCount = sizeof STILL_GRAPHICS / sizeof STILL_GRAPHICS[0];

  // Room for exactly what the codes build.
  size_t cells = static_cast<size_t>(rows) * cols;
  size_t plainCount = 0, pickupCount = 0, deadlyCount = 0, cyclingCount = 0;
  for (size_t k = 0; k < cells; k++) {
    switch (level.codes[k]) {
      case 3: pickupCount++, cyclingCount++; break;
      case 6:
      case 11: pickupCount++; break;
      case 5:
      case 7: deadlyCount++, cyclingCount++; break;
      default: plainCount++; break;
    }
  }
  plainTiles.reserve(plainCount);
  pickupTiles.reserve(pickupCount);
  deadlyTiles.reserve(deadlyCount);
  animations.reserve(stillCount + cyclingCount);

  for (const auto& still : STILL_GRAPHICS) {
    stillFrames[still[0]] = graphic(still[1]);
    stills[still[0]] = animations.add(Animation::SharedFrames(), &stillFrames[still[0]], 0, 1);
  }

  tiles.reserve(cells);
  size_t k = 0;
  for (int row = 0; row < rows; row++)
    for (int col = 0; col < cols; col++, k++) tiles.add(makeTile(level.codes[k], col, row));

  delete layers[0];
  delete layers[1];
  int mapHeight = rows * tileHeight;
  layers[0] = new BackgroundLayer(mapHeight - pictureHeight(GFX_FAR_BACKGROUND),
                                  graphic(GFX_FAR_BACKGROUND), FAR_PARALLAX);
  layers[1] = new BackgroundLayer(mapHeight - pictureHeight(GFX_NEAR_BACKGROUND),
                                  graphic(GFX_NEAR_BACKGROUND), NEAR_PARALLAX);
}

// One tile of the level-file code table; code 2 also places an enemy.
Tile* TileMap::makeTile(int code, int col, int row) {
  switch (code) {
    case 1:
    case 4:
    case 8:
    case 10:
      return plainTiles.add(col, row, TILE_SOLID, stills[code], false);
    case 2:
      if (enemyList) enemyList->add(col * tileWidth, row * tileHeight);
      return plainTiles.add(col, row);
    case 3: {
      Animation* points =
          animations.add(Animation::SharedFrames(), pointsFrames, POINTS_FRAME_DELAY, 4);
      PickupTile* pickup = pickupTiles.add(col, row, TILE_PICKUP, points, false);
      pickup->setPoints(POINTS_PER_PICKUP);
      return pickup;
    }
    case 5:
      return deadlyTiles.add(
          col, row, TILE_DEADLY,
          animations.add(Animation::SharedFrames(), spikesFrames, SPIKES_FRAME_DELAY, 2), false);
    case 6: {
      PickupTile* pickup = pickupTiles.add(col, row, TILE_PICKUP, stills[6], false);
      pickup->setBullets(BULLETS_PER_PICKUP);
      return pickup;
    }
    case 7:
      return deadlyTiles.add(
          col, row, TILE_DEADLY,
          animations.add(Animation::SharedFrames(), fireFrames, FIRE_FRAME_DELAY, 10), false);
    case 9:
      return plainTiles.add(col, row, TILE_EXIT, stills[9], false);
    case 11: {
      PickupTile* pickup = pickupTiles.add(col, row, TILE_PICKUP, stills[11], false);
      pickup->setBonusTime(SECONDS_PER_PICKUP);
      return pickup;
    }
    default:
      // Code 12 and unknown codes: an empty cell, so every cell holds a tile.
      return plainTiles.add(col, row);
  }
}

Tile* TileMap::getTile(int col, int row) {
  if (col < 0 || row < 0 || col >= cols || row >= rows) return &outside;
  return tiles[static_cast<size_t>(row) * cols + col];
}

Tile* TileMap::getTileAtPixel(int x, int y) {
  if (x < 0 || y < 0) return &outside;
  return getTile(x / tileWidth, y / tileHeight);
}
