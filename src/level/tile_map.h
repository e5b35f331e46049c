// Tile map: one level's grid of tiles, its sizes, fall speed, clock and
// background layers. Level pixels start at the map's top-left corner; the
// pixel (x, y) lies in column x / tileWidth and row y / tileHeight.
#ifndef BRINDLECOVE_TILE_MAP_H
#define BRINDLECOVE_TILE_MAP_H

#include <fstream>
#include <string>
#include <vector>

#include "level/tile.h"

// Room for the 29 characters of a level name and its NUL.
const int LEVEL_NAME_BUFFER = 30;

class BackgroundLayer;
struct LevelFile;

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
  std::vector<Tile*> tiles;  // row-major, owned; see the owner lists below
  int tileWidth;
  int tileHeight;
  BackgroundLayer* layers[2];
  int fallSpeed;
  int platformCount;
  bool finished;
  int timeLimit;

  // Tiles are deleted through their own kind, since Tile has no virtual
  // destructor; `tiles` only points into these.
  std::vector<Tile*> plainTiles;
  std::vector<PickupTile*> pickupTiles;
  std::vector<DeadlyTile*> deadlyTiles;
  Tile outside;  // what a lookup outside the grid yields
};

#endif
