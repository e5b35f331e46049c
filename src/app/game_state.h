// Global game state: the few variables every subsystem reads and writes directly.
#ifndef BRINDLECOVE_GAME_STATE_H
#define BRINDLECOVE_GAME_STATE_H

#include <atomic>

struct BITMAP;
struct DATAFILE;
struct FONT;
class Animation;
class BulletList;
class EnemyList;
class HighScoreTable;
class PlatformList;
class Player;
class TileMap;

// Timing. The two timer callbacks run on the library's timer thread, so these
// two counters are atomic: the main thread changes them too.
extern std::atomic<int> tickCounter;  // +1 per tick (35 a second); -1 per tick a loop consumes
extern std::atomic<int> timeLeft;     // level clock in seconds; -1 a second while play runs

// Flow flags.
extern std::atomic<bool> playSuspended;  // play frozen behind an overlay; read by the clock timer
extern bool newLevel;                    // a level was just entered: show its welcome text
extern bool gameOver;                    // no life left, or the last level finished
extern int quitRequested;                // set to 1 only by the menu's Exit
extern int levelNumber;                  // 0 before a game, 1..levelCount() while playing, one more when all are done

// The blocking screen whose loop runs, or SCREEN_GAME while the main loop
// runs; each screen sets it on entry and gives the old value back on leaving.
enum Screen { SCREEN_GAME, SCREEN_MENU, SCREEN_CREDITS, SCREEN_HIGH_SCORES, SCREEN_NAME_ENTRY };
extern Screen activeScreen;

// View: top-left corner of the 800 x 600 view in level pixels.
extern int scrollX;
extern int scrollY;

// Drawing target and level.
extern BITMAP* backBuffer;    // 800 x 600, 16-bit; every frame is composed here
extern TileMap* currentMap;   // the level played, or the menu backdrop; none before the first menu

// Long-lived objects, made at start-up.
extern HighScoreTable* highScores;
extern Player* player;
extern EnemyList* enemyList;
extern BulletList* bulletList;
extern PlatformList* platformList;  // replaced by every load of a level file

// Loaded data files and what is taken from them.
extern DATAFILE* graphicsData;
extern DATAFILE* fontData;
extern DATAFILE* soundData;
extern FONT* mainFont;             // HUD, overlays, menu items, credits
extern FONT* noticeFont;           // menu notices and the version line
extern Animation* gameOverAnimation;

// Window title and the version line drawn in every frame.
extern const char* const GAME_NAME;
extern const char* const GAME_VERSION;

// The fixed rate of the game loop.
const int TICKS_PER_SECOND = 35;

// Screen size.
const int SCREEN_W_PIXELS = 800;
const int SCREEN_H_PIXELS = 600;

#endif
