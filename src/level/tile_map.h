// Tile map: one level's grid of tiles, its sizes, fall speed, clock and
// background layers. Level pixels start at the map's top-left corner; the
// pixel (x, y) lies in column x / tileWidth and row y / tileHeight.
#ifndef BRINDLECOVE_TILE_MAP_H
#define BRINDLECOVE_TILE_MAP_H

#include <cstddef>
#include <fstream>
#include <new>
#include <utility>
#include <string>
#include <vector>

#include "level/tile.h"
#include "render/animation.h"

// Room for the 29 characters of a level name and its NUL.
const int LEVEL_NAME_BUFFER = 30;

class BackgroundLayer;
struct LevelFile;

// Memory for a tile store: large blocks are asked of the system in huge
// pages where it gives them, so a level of a million cells does not pay a
// page fault for every 4 KB of its tiles. A block is freed with its size.
void* allocateTileBlock(size_t bytes);
void freeTileBlock(void* block, size_t bytes);

// Objects built in place, side by side in one allocation made for as many
// as a level needs, and destroyed together. A level of a million cells
// costs three allocations for its tiles instead of a million.
template <typename T>
class TileStore {
 public:
  TileStore() = default;
  ~TileStore() { clear(); }
  TileStore(const TileStore&) = delete;
  TileStore& operator=(const TileStore&) = delete;

  // Destroys what it held and makes room for `capacity` objects.
  void reserve(size_t capacity) {
    clear();
    if (capacity == 0) return;
    items = static_cast<T*>(allocateTileBlock(capacity * sizeof(T)));
    room = capacity;
  }
  // Builds the next object; there must be room for it.
  template <typename... Args>
  T* add(Args&&... args) {
    T* item = new (items + used) T(std::forward<Args>(args)...);
    used++;
    return item;
  }
  void clear() {
    while (used > 0) items[--used].~T();
    if (items) freeTileBlock(items, room * sizeof(T));
    items = NULL;
    room = 0;
  }
  size_t size() const { return used; }
  T& operator[](size_t i) { return items[i]; }

 private:
  T* items = NULL;
  size_t used = 0;
  size_t room = 0;
};

class TileMap {
 public:
  // Keeps the path and opens the file; `load` reads it.
  explicit TileMap(const std::string& fileName);
  ~TileMap();
  TileMap(const TileMap&) = delete;
  TileMap& operator=(const TileMap&) = delete;

  // Reads the file and builds the tiles, the enemies, the platform list and
  // the layers. A file that cannot be opened or is malformed ends the program
  // with a message naming the file and a non-zero status.
  void load();
  // The same without ending the program: false and the message in `error`
  // (starting with the file name; a directory or an empty file is named as
  // such). The enemy list is emptied first; on a failure the map keeps what
  // it held.
  bool tryLoad(std::string& error);
  // Empties the enemy and bullet lists, reopens the file and loads it again.
  void reload();

  // The tile of a cell. Outside the grid: an empty tile of no cell.
  Tile* getTile(int col, int row);
  // The tile under a level pixel; negative pixels lie outside the grid.
  Tile* getTileAtPixel(int x, int y);

  int getCols() const { return cols; }
  int getRows() const { return rows; }
  int getTileWidth() const { return tileWidth; }
  int getTileHeight() const { return tileHeight; }
  int getFallSpeed() const { return fallSpeed; }
  int getTimeLimit() const { return timeLimit; }
  int getPlatformCount() const { return platformCount; }
  int getWidthPixels() const { return cols * tileWidth; }
  int getHeightPixels() const { return rows * tileHeight; }
  const char* getName() const { return name; }
  const std::string& getFileName() const { return fileName; }
  // Element 0 is the far layer, element 1 the near one; drawn in that order.
  BackgroundLayer* const* getLayers() const { return layers; }

  // The player reached the exit; nothing in the game clears it, a new map
  // replaces this one.
  void setFinished() { finished = true; }
  bool isFinished() const { return finished; }
  // For tools that rewind a run to before the exit was reached.
  void resetFinished() { finished = false; }

 private:
  void build(const LevelFile& level);
  void freeTiles();
  Tile* makeTile(int code, int col, int row);

  std::ifstream file;
  std::string fileName;
  char name[LEVEL_NAME_BUFFER];
  int rows;
  int cols;
  TileStore<Tile*> tiles;  // row-major; the tiles are in the stores below
  int tileWidth;
  int tileHeight;
  BackgroundLayer* layers[2];
  int fallSpeed;
  int platformCount;
  bool finished;
  int timeLimit;

  // The tiles themselves, by kind (Tile has no virtual destructor), each
  // kind in one block; `tiles` only points into these.
  TileStore<Tile> plainTiles;
  TileStore<PickupTile> pickupTiles;
  TileStore<DeadlyTile> deadlyTiles;
  // The tiles' pictures, which the tiles show without owning: one still
  // picture shared by every tile of its code (a still picture never
  // changes), and one animation of its own for each tile that cycles.
  TileStore<Animation> animations;
  Animation* stills[13];  // by code; none for codes without a still picture
  BITMAP* pointsFrames[4];
  BITMAP* fireFrames[10];
  BITMAP* spikesFrames[2];
  BITMAP* stillFrames[13];
  Tile outside;  // what a lookup outside the grid yields
};

#endif
