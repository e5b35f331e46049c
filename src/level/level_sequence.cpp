// Level sequence: entering, starting and restarting levels.
#include "level/level_sequence.h"

#include <sys/stat.h>

#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"

namespace {

std::vector<std::string> levelFiles = {"./data/level1.dat", "./data/level2.dat",
                                       "./data/level3.dat"};

}  // namespace

void setLevelFiles(const std::vector<std::string>& files) { levelFiles = files; }

int levelCount() { return static_cast<int>(levelFiles.size()); }

const char* levelFileName(int level) { return levelFiles[level - 1].c_str(); }

std::vector<std::string> levelFilesIn(const std::string& folder) {
  std::string prefix = folder;
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  std::vector<std::string> files;
  for (;;) {
    std::string file = prefix + "level" + std::to_string(files.size() + 1) + ".dat";
    struct stat info;
    // a folder of that name ends the row too: it is no level
    if (::stat(file.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return files;
    files.push_back(file);
  }
}

void advanceLevel() {
  int finishedLevel = levelNumber;
  playSound(SND_LEVEL_DONE);
  levelNumber = finishedLevel + 1;
  newLevel = true;
  if (finishedLevel < levelCount()) {
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
