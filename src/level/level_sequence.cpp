// Level sequence: entering, starting and restarting levels.
#include "level/level_sequence.h"

#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"

const char* levelFileName(int level) {
  static const char* const FILES[LEVEL_COUNT] = {"./data/level1.dat", "./data/level2.dat",
                                                  "./data/level3.dat"};
  return FILES[level - 1];
}

void advanceLevel() {
  int finishedLevel = levelNumber;
  levelNumber = finishedLevel + 1;
  newLevel = true;
  if (finishedLevel < LEVEL_COUNT) {
    TileMap* next = new TileMap(levelFileName(finishedLevel + 1));
    delete currentMap;
    currentMap = next;
    // Read once here and once more by startLevel's reload.
    currentMap->load();
    startLevel();
  } else {
    // The last level stays on show, frozen behind the game-over picture.
    gameOver = true;
    playSuspended = true;
    newLevel = false;
  }
}

void startLevel() {
  startLevelMusic();
  currentMap->reload();
  putPlayerAtStart();
  // ticks that piled up while the file was read are dropped
  tickCounter = 0;
  playSuspended = true;
  timeLeft = currentMap->getTimeLimit();
}

void putPlayerAtStart() {
  scrollX = 0;
  scrollY = 0;
  player->setX(PLAYER_START_X);
  player->setY(PLAYER_START_Y);
  player->setSpeedY(0);
  player->setAlive(true);
  player->setPlatform(0);
}
