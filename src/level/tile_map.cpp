// Tile map: the level grid, tile lookup, and building a map from its file.
#include "level/tile_map.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// A one-picture animation that never changes (delay 0).
Animation* still(int graphicIndex) {
  BITMAP* frame = graphic(graphicIndex);
  return new Animation(&frame, 0, 1);
}

Animation* cycle(const int* graphicIndices, int count, int delay) {
  std::vector<BITMAP*> frames;
  for (int i = 0; i < count; i++) frames.push_back(graphic(graphicIndices[i]));
  return new Animation(frames.data(), delay, count);
}

int pictureHeight(int graphicIndex) {
  BITMAP* image = graphic(graphicIndex);
  return image ? image->h : 0;
}

}  // namespace

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
}

TileMap::~TileMap() {
  freeTiles();
  delete layers[0];
  delete layers[1];
}

void TileMap::freeTiles() {
  for (Tile* t : plainTiles) delete t;
  for (PickupTile* t : pickupTiles) delete t;
  for (DeadlyTile* t : deadlyTiles) delete t;
  plainTiles.clear();
  pickupTiles.clear();
  deadlyTiles.clear();
  tiles.clear();
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
  tiles.assign(static_cast<size_t>(rows) * cols, NULL);
  for (int row = 0; row < rows; row++)
    for (int col = 0; col < cols; col++)
      tiles[static_cast<size_t>(row) * cols + col] =
          makeTile(level.codes[static_cast<size_t>(row) * cols + col], col, row);

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
  static const int POINTS_FRAMES[] = {0, 1, 2, 3};
  // The fire plays its five pictures there and back.
  static const int FIRE_FRAMES[] = {14, 15, 16, 17, 18, 18, 17, 16, 15, 14};
  static const int SPIKES_FRAMES[] = {GFX_SPIKES_1, GFX_SPIKES_2};
  PickupTile* pickup = NULL;
  DeadlyTile* deadly = NULL;
  Tile* plain = NULL;
  switch (code) {
    case 1: plain = new Tile(col, row, TILE_SOLID, still(GFX_BLOCK_A)); break;
    case 2:
      if (enemyList) enemyList->add(col * tileWidth, row * tileHeight);
      plain = new Tile(col, row);
      break;
    case 3:
      pickup = new PickupTile(col, row, TILE_PICKUP, cycle(POINTS_FRAMES, 4, POINTS_FRAME_DELAY));
      pickup->setPoints(POINTS_PER_PICKUP);
      break;
    case 4: plain = new Tile(col, row, TILE_SOLID, still(GFX_BLOCK_B)); break;
    case 5: deadly = new DeadlyTile(col, row, TILE_DEADLY, cycle(SPIKES_FRAMES, 2, SPIKES_FRAME_DELAY)); break;
    case 6:
      pickup = new PickupTile(col, row, TILE_PICKUP, still(GFX_AMMO_PICKUP));
      pickup->setBullets(BULLETS_PER_PICKUP);
      break;
    case 7: deadly = new DeadlyTile(col, row, TILE_DEADLY, cycle(FIRE_FRAMES, 10, FIRE_FRAME_DELAY)); break;
    case 8: plain = new Tile(col, row, TILE_SOLID, still(GFX_BLOCK_D)); break;
    case 9: plain = new Tile(col, row, TILE_EXIT, still(GFX_EXIT)); break;
    case 10: plain = new Tile(col, row, TILE_SOLID, still(GFX_BLOCK_C)); break;
    case 11:
      pickup = new PickupTile(col, row, TILE_PICKUP, still(GFX_TIME_PICKUP));
      pickup->setBonusTime(SECONDS_PER_PICKUP);
      break;
    default:
      // Code 12 and unknown codes: an empty cell, so every cell holds a tile.
      plain = new Tile(col, row);
      break;
  }
  if (pickup) { pickupTiles.push_back(pickup); return pickup; }
  if (deadly) { deadlyTiles.push_back(deadly); return deadly; }
  plainTiles.push_back(plain);
  return plain;
}

Tile* TileMap::getTile(int col, int row) {
  if (col < 0 || row < 0 || col >= cols || row >= rows) return &outside;
  return tiles[static_cast<size_t>(row) * cols + col];
}

Tile* TileMap::getTileAtPixel(int x, int y) {
  if (x < 0 || y < 0) return &outside;
  return getTile(x / tileWidth, y / tileHeight);
}
