// Start-up, the two timers, the main loop and shutdown.
#include "app/startup.h"

#include <allegro.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/player.h"
#include "actors/world.h"
#include "app/comforts.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "app/input.h"
#include "app/keys.h"
#include "input/devices.h"
#include "input/recording.h"
#include "input/tick_input.h"
#include "level/level_file.h"
#include "level/level_sequence.h"
#include "level/tile_map.h"
#include "platform/options.h"
#include "platform/paths.h"
#include "render/animation.h"
#include "render/renderer.h"
#include "scores/high_score_table.h"

namespace {

const int GAME_OVER_FRAME_TICKS = 5;
// data/level1.dat .. level3.dat of the data folder, when no level is given
const int SHIPPED_LEVELS = 3;

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
  if (data == NULL) fatal(std::string("cannot load ") + fileName);
  std::string problem;
  if (!checkDataFile(data, types, count, problem)) fatal(std::string(fileName) + ": " + problem);
}

// A replay plays with a copy of the table in a folder of its own, seeded
// from the player's: its name entry must not change the real one.
std::string replayScoresFolder;

void removeReplayScores() {
  if (replayScoresFolder.empty()) return;
  for (const char* name : {"/game.hs", "/game.hs.new", "/game.hs.bak"})
    std::remove((replayScoresFolder + name).c_str());
  ::rmdir(replayScoresFolder.c_str());
  replayScoresFolder.clear();
}

// Unpaced replays count a tick at every wait instead of waiting for one.
bool unpaced = false;
// --rest: a wait yields the processor for a millisecond instead of spinning.
bool restWhileWaiting = false;

// Whether every level file loads; otherwise the loader's message.
bool levelsLoad(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    std::ifstream in(file.c_str());
    LevelFile level;
    std::string error;
    if (!readLevelFile(file, in, level, error)) {
      std::fprintf(stderr, "brindlecove: %s\n", error.c_str());
      return false;
    }
  }
  return true;
}

// The music's patch set is digmid.cfg in the data folder, wherever the game
// was started from: an override in memory, so no config file is written and
// the relative "patches" of a run folder's allegro.cfg does not matter.
void pointMusicAtPatches() {
  char full[PATH_MAX];
  std::string patches = dataPath("digmid.cfg");
  if (::access(patches.c_str(), R_OK) != 0 || ::realpath(patches.c_str(), full) == NULL) return;
  static std::string overrides;
  overrides = std::string("[sound]\npatches = ") + full + "\nmidi_card = DIGI\n";
  override_config_data(overrides.c_str(), static_cast<int>(overrides.size()));
}

// The window, or with --fullscreen a full-screen mode when there is one.
void openScreen(bool fullscreen) {
  set_color_depth(16);
  if (fullscreen) {
    if (set_gfx_mode(GFX_AUTODETECT_FULLSCREEN, SCREEN_W_PIXELS, SCREEN_H_PIXELS, SCREEN_W_PIXELS,
                     SCREEN_H_PIXELS) == 0)
      return;
    std::fprintf(stderr, "brindlecove: no 800 x 600 full-screen mode (%s); playing in a window\n",
                 allegro_error);
  }
  if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, SCREEN_W_PIXELS, SCREEN_H_PIXELS, SCREEN_W_PIXELS,
                   SCREEN_H_PIXELS) != 0)
    fatal(std::string("cannot open an 800 x 600 window at 16-bit colour: ") + allegro_error);
}

}  // namespace

int planStart(int argc, char** argv, StartPlan& plan) {
  Options options;
  int status = readCommandLine(argc, argv, options, stdout, stderr);
  if (status >= 0) return status;

  DataFolder data = findDataFolder(options.dataFolder);
  if (data.place == DATA_NOT_FOUND) {
    std::fputs(dataFolderMissing("brindlecove", data).c_str(), stderr);
    return EXIT_FAILURE;
  }
  setDataFolder(data.path);

  // a level given on the command line is checked now, not when it is reached
  std::vector<std::string> levels;
  if (!options.levelFile.empty()) {
    levels.push_back(options.levelFile);
  } else if (!options.levelsFolder.empty()) {
    levels = levelFilesIn(options.levelsFolder);
    if (levels.empty()) {
      std::fprintf(stderr, "brindlecove: %s: no level1.dat in this folder\n",
                   options.levelsFolder.c_str());
      return EXIT_FAILURE;
    }
  }
  if (!levels.empty() && !levelsLoad(levels)) return EXIT_FAILURE;
  if (levels.empty())
    for (int n = 1; n <= SHIPPED_LEVELS; n++)
      levels.push_back(dataPath("data/level" + std::to_string(n) + ".dat"));
  setLevelFiles(levels);

  plan.fullscreen = options.fullscreen;
  plan.mute = options.mute;
  bool perUser = false;
  plan.scoresFile = scoresFilePath(options.scoresFile, data, std::getenv("XDG_DATA_HOME"),
                                   homeFolder(), perUser);
  plan.scoresSeed = perUser ? dataPath("data/game.hs") : "";
  plan.settingsFile = settingsFilePath(std::getenv("XDG_CONFIG_HOME"), homeFolder());
  // read now, so that a refused setting is said before any window opens
  plan.settings = readSettings(plan.settingsFile);
  plan.rest = options.rest || plan.settings.restWhileWaiting;
  useSettings(plan.settings);

  // the input is chosen before any timer runs
  std::string error;
  if (!options.recordFile.empty() && !startRecording(options.recordFile, levels, error)) {
    std::fprintf(stderr, "brindlecove: %s\n", error.c_str());
    return EXIT_FAILURE;
  }
  if (!options.replayFile.empty()) {
    Recording recording;
    if (!readRecording(options.replayFile, recording, error) ||
        !recordingMatches(recording, GAME_VERSION, levels, error)) {
      std::fprintf(stderr, "brindlecove: %s: cannot be replayed: %s\n",
                   options.replayFile.c_str(), error.c_str());
      return EXIT_FAILURE;
    }
    char folder[] = "/tmp/brindlecove-replay-XXXXXX";
    if (::mkdtemp(folder) == NULL) {
      std::fprintf(stderr, "brindlecove: cannot make a folder for the replay's scores\n");
      return EXIT_FAILURE;
    }
    replayScoresFolder = folder;
    std::atexit(removeReplayScores);
    plan.scoresSeed = plan.scoresFile;
    plan.scoresFile = replayScoresFolder + "/game.hs";
    plan.ticksPerSecond = TICKS_PER_SECOND * options.replaySpeed;
    startReplay(recording);
  }
  return -1;
}

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
  if (inputSource() != INPUT_KEYBOARD) noteSecond();
  else if (!playSuspended && !gamePaused) timeLeft.fetch_sub(1);
}
END_OF_FUNCTION(onSecond)

void startUp(const StartPlan& plan) {
  if (install_timer() != 0) fatal("cannot install the timer");
  unpaced = plan.ticksPerSecond == 0;
  restWhileWaiting = plan.rest;
  if (!unpaced) install_int_ex(onGameTick, BPS_TO_TIMER(plan.ticksPerSecond));
  install_int_ex(onSecond, SECS_TO_TIMER(1));

  openScreen(plan.fullscreen);
  backBuffer = create_bitmap(SCREEN_W_PIXELS, SCREEN_H_PIXELS);
  if (backBuffer == NULL) fatal("cannot create the 800 x 600 back buffer");
  if (install_keyboard() != 0) fatal("cannot install the keyboard");
  installKeyTracking();
  // a pad when there is one; none is no message and no change
  installPad();

  // The close button ends the game as the menu's Exit does. Deliberate: the
  // window used to ignore it, which no desktop expects.
  installWindowCallbacks(plan.settings);
  std::string title = std::string(GAME_NAME) + GAME_VERSION;
  set_window_title(title.c_str());

  // Without a sound driver the game runs silently.
  pointMusicAtPatches();
  soundAvailable = install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, NULL) == 0;
  setUpVolume(plan.mute, plan.settings);

  highScores = new HighScoreTable(HIGH_SCORE_PLACES, plan.scoresFile, plan.scoresSeed);
  loadGraphicsAndFonts();
  loadSounds();

  player = new Player(PLAYER_START_X, PLAYER_START_Y, 0, graphic(GFX_PLAYER_STAND));
  enemyList = new EnemyList();
  bulletList = new BulletList();
  currentMap = NULL;

  // The player's settings become Allegro's config from here on (the drivers
  // are installed, and the [sound] override stands above any file); the
  // game's own settings were read from it by planStart.
  if (!plan.settingsFile.empty() && ::access(plan.settingsFile.c_str(), R_OK) == 0)
    set_config_file(plan.settingsFile.c_str());
}

void loadGraphicsAndFonts() {
  std::string graphicsFile = dataPath("graphics.dat"), fontFile = dataPath("font.dat");
  graphicsData = load_datafile(graphicsFile.c_str());
  fontData = load_datafile(fontFile.c_str());
  static int graphicTypes[GFX_COUNT];
  for (int i = 0; i < GFX_COUNT; i++) graphicTypes[i] = DAT_BITMAP;
  static const int fontTypes[FONT_COUNT] = {DAT_FONT, DAT_FONT};
  requireDataFile(graphicsData, graphicsFile.c_str(), graphicTypes, GFX_COUNT);
  requireDataFile(fontData, fontFile.c_str(), fontTypes, FONT_COUNT);

  static BITMAP* gameOverFrames[2];
  gameOverFrames[0] = graphic(GFX_GAME_OVER_1);
  gameOverFrames[1] = graphic(GFX_GAME_OVER_2);
  mainFont = static_cast<FONT*>(fontData[FONT_MAIN].dat);
  noticeFont = static_cast<FONT*>(fontData[FONT_NOTICE].dat);
  gameOverAnimation = new Animation(gameOverFrames, GAME_OVER_FRAME_TICKS, 2);
}

void loadSounds() {
  std::string soundFile = dataPath("sound.dat");
  soundData = load_datafile(soundFile.c_str());
  static const int soundTypes[SND_COUNT] = {DAT_SAMPLE, DAT_MIDI, DAT_SAMPLE, DAT_SAMPLE,
                                            DAT_SAMPLE, DAT_SAMPLE, DAT_SAMPLE, DAT_SAMPLE,
                                            DAT_SAMPLE, DAT_SAMPLE, DAT_SAMPLE, DAT_SAMPLE};
  requireDataFile(soundData, soundFile.c_str(), soundTypes, SND_COUNT);
}

void (*tickWaitHook)() = NULL;

void waitForTick() {
  endIfClosed();
  if (tickWaitHook) tickWaitHook();
  else if (unpaced) tickCounter++;
  else if (restWhileWaiting) rest(1);
}

void runMainLoop() {
  while (!quitRequested) {
    while (tickCounter > 0) {
      if (quitRequested) return;
      // A tick that only moves on from an exit reached in the tick before
      // moves nothing; one whose keys reach the exit does.
      bool movingOn = !playSuspended && currentMap != NULL && currentMap->isFinished();
      // input for this tick; Escape may run the whole menu in here
      beginInputTick();
      handleInput();
      // the menu's Exit ends the program at once: no world step on the
      // menu's backdrop, no frame
      if (quitRequested) return;
      // the world moves only while play runs, and not while it is paused
      if (!playSuspended && !gamePaused) {
        if (!movingOn) noteWorldTick(levelNumber);
        updateWorld();
      }
      // one frame for every tick, suspended or not
      drawFrame();
      tickCounter--;
    }
    // no tick pending: spin (or rest, with --rest) until the timer raises the counter
    if (!quitRequested) waitForTick();
  }
}

void shutDown() {
  stopInputCapture();
  stopMusic();
  remove_keyboard();
  remove_timer();
  destroy_bitmap(backBuffer);
  backBuffer = NULL;
  allegro_exit();
}
