// Start-up, the two timers, the main loop and shutdown.
#include "app/startup.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/player.h"
#include "actors/world.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "app/input.h"
#include "app/keys.h"
#include "render/animation.h"
#include "render/renderer.h"
#include "scores/high_score_table.h"

namespace {

const int GAME_OVER_FRAME_TICKS = 5;

[[noreturn]] void fatal(const std::string& message) {
  std::fprintf(stderr, "brindlecove: %s\n", message.c_str());
  std::exit(EXIT_FAILURE);
}

const char* typeName(int type) {
  switch (type) {
    case DAT_BITMAP: return "a bitmap";
    case DAT_FONT: return "a font";
    case DAT_SAMPLE: return "a sample";
    case DAT_MIDI: return "a MIDI piece";
    default: return "an object";
  }
}

// Ends the program unless `data` loaded and holds the objects the game uses.
void requireDataFile(const DATAFILE* data, const char* fileName, const int* types, int count) {
  if (data == NULL)
    fatal(std::string("cannot load ") + fileName +
          " (run the game from the folder that holds its data files)");
  std::string problem;
  if (!checkDataFile(data, types, count, problem)) fatal(std::string(fileName) + ": " + problem);
}

}  // namespace

bool checkDataFile(const DATAFILE* data, const int* types, int count, std::string& problem) {
  for (int i = 0; i < count; i++) {
    if (data[i].type == DAT_END) {
      problem = "holds " + std::to_string(i) + " objects; the game needs " + std::to_string(count);
      return false;
    }
    if (data[i].type != types[i]) {
      problem = "object " + std::to_string(i) + " is not " + typeName(types[i]);
      return false;
    }
  }
  return true;
}

void onGameTick() { tickCounter.fetch_add(1); }
END_OF_FUNCTION(onGameTick)

void onSecond() {
  if (!playSuspended) timeLeft.fetch_sub(1);
}
END_OF_FUNCTION(onSecond)

void startUp() {
  if (install_timer() != 0) fatal("cannot install the timer");
  install_int_ex(onGameTick, BPS_TO_TIMER(TICKS_PER_SECOND));
  install_int_ex(onSecond, SECS_TO_TIMER(1));

  set_color_depth(16);
  if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, SCREEN_W_PIXELS, SCREEN_H_PIXELS, SCREEN_W_PIXELS,
                   SCREEN_H_PIXELS) != 0)
    fatal(std::string("cannot open an 800 x 600 window at 16-bit colour: ") + allegro_error);
  backBuffer = create_bitmap(SCREEN_W_PIXELS, SCREEN_H_PIXELS);
  if (backBuffer == NULL) fatal("cannot create the 800 x 600 back buffer");
  if (install_keyboard() != 0) fatal("cannot install the keyboard");
  installKeyTracking();

  // The close button does nothing: the game is left through the menu's Exit.
  set_close_button_callback(NULL);
  std::string title = std::string(GAME_NAME) + GAME_VERSION;
  set_window_title(title.c_str());

  // Without a sound driver the game runs silently.
  soundAvailable = install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, NULL) == 0;

  highScores = new HighScoreTable(HIGH_SCORE_PLACES);
  loadGraphicsAndFonts();
  loadSounds();

  player = new Player(PLAYER_START_X, PLAYER_START_Y, 0, graphic(GFX_PLAYER_STAND));
  enemyList = new EnemyList();
  bulletList = new BulletList();
  currentMap = NULL;
}

void loadGraphicsAndFonts() {
  graphicsData = load_datafile("graphics.dat");
  fontData = load_datafile("font.dat");
  static int graphicTypes[GFX_COUNT];
  for (int i = 0; i < GFX_COUNT; i++) graphicTypes[i] = DAT_BITMAP;
  static const int fontTypes[FONT_COUNT] = {DAT_FONT, DAT_FONT};
  requireDataFile(graphicsData, "graphics.dat", graphicTypes, GFX_COUNT);
  requireDataFile(fontData, "font.dat", fontTypes, FONT_COUNT);

  static BITMAP* gameOverFrames[2];
  gameOverFrames[0] = graphic(GFX_GAME_OVER_1);
  gameOverFrames[1] = graphic(GFX_GAME_OVER_2);
  mainFont = static_cast<FONT*>(fontData[FONT_MAIN].dat);
  noticeFont = static_cast<FONT*>(fontData[FONT_NOTICE].dat);
  gameOverAnimation = new Animation(gameOverFrames, GAME_OVER_FRAME_TICKS, 2);
}

void loadSounds() {
  soundData = load_datafile("sound.dat");
  static const int soundTypes[SND_COUNT] = {DAT_SAMPLE, DAT_MIDI, DAT_SAMPLE, DAT_SAMPLE,
                                            DAT_SAMPLE};
  requireDataFile(soundData, "sound.dat", soundTypes, SND_COUNT);
}

void (*tickWaitHook)() = NULL;

void waitForTick() {
  if (tickWaitHook) tickWaitHook();
}

void runMainLoop() {
  while (!quitRequested) {
    while (tickCounter > 0) {
      if (quitRequested) return;
      // input for this tick; Escape may run the whole menu in here
      handleInput();
      // the menu's Exit ends the program at once: no world step on the
      // menu's backdrop, no frame
      if (quitRequested) return;
      // the world moves only while play runs
      if (!playSuspended) updateWorld();
      // one frame for every tick, suspended or not
      drawFrame();
      tickCounter--;
    }
    // no tick pending: spin until the timer raises the counter
    if (!quitRequested) waitForTick();
  }
}

void shutDown() {
  stopMusic();
  remove_keyboard();
  remove_timer();
  destroy_bitmap(backBuffer);
  backBuffer = NULL;
  allegro_exit();
}
