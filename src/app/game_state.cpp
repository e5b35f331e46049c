// Global game state: definitions and start values.
#include "app/game_state.h"

#include <cstddef>

std::atomic<int> tickCounter(0);
std::atomic<int> timeLeft(0);

std::atomic<bool> playSuspended(true);
bool newLevel = false;
bool gameOver = false;
int quitRequested = 0;
int levelNumber = 0;
Screen activeScreen = SCREEN_GAME;

int scrollX = 0;
int scrollY = 0;

BITMAP* backBuffer = NULL;
TileMap* currentMap = NULL;

HighScoreTable* highScores = NULL;
Player* player = NULL;
EnemyList* enemyList = NULL;
BulletList* bulletList = NULL;
PlatformList* platformList = NULL;

DATAFILE* graphicsData = NULL;
DATAFILE* fontData = NULL;
DATAFILE* soundData = NULL;
FONT* mainFont = NULL;
FONT* noticeFont = NULL;
Animation* gameOverAnimation = NULL;

const char* const GAME_NAME = "Brindlecove ";
const char* const GAME_VERSION = "Version 0.8a BETA release";
