// Level runs: the headless level start, the tick, and trace files.
#include "level_run.h"

#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ios>
#include <sstream>
#include <system_error>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "actors/world.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "app/input.h"
#include "app/startup.h"
#include "input/recording.h"
#include "level/level_file.h"
#include "level/level_sequence.h"
#include "level/tile_map.h"

namespace {

// Far ends can take this many steps to come round; a measure stops there.
const int TRAVEL_STEP_LIMIT = 1 << 22;

// A trace line holds four 0/1 columns; anything longer than this is refused
// without being read further, so a file of one endless line costs nothing.
const size_t TRACE_LINE_MAX = 256;

// One line of `buf` without its line feed; false at the end of the file.
// Keeps at most TRACE_LINE_MAX + 1 characters and sets `tooLong` when the
// line goes on past TRACE_LINE_MAX. Reads the buffer directly, so a read
// error comes as std::ios_base::failure.
bool readTraceLine(std::streambuf& buf, std::string& text, bool& tooLong) {
  text.clear();
  tooLong = false;
  int c = buf.sbumpc();
  if (c == EOF) return false;
  while (c != EOF && c != '\n') {
    if (text.size() == TRACE_LINE_MAX) {
      text += static_cast<char>(c);
      tooLong = true;
      return true;
    }
    text += static_cast<char>(c);
    c = buf.sbumpc();
  }
  return true;
}

// The keys of a game's first level played: its world ticks after the
// keyless one of the welcome, until the world stands still.
bool firstLevelKeys(const std::string& path, std::vector<TickKeys>& keys, std::string& error) {
  Recording recording;
  if (!readRecording(path, recording, error)) return false;
  keys.clear();
  size_t i = 0;
  while (i < recording.events.size() && recording.events[i].kind != RecordedEvent::LEVEL) i++;
  if (i == recording.events.size()) {
    error = path + ": no level is played in this recording";
    return false;
  }
  // the level line comes before the welcome's tick, whose keys the game
  // does not apply
  i += 2;
  for (; i < recording.events.size(); i++) {
    const RecordedEvent& e = recording.events[i];
    if (e.kind != RecordedEvent::TICK || !e.worldMoved) break;
    TickKeys k;
    k.left = e.input.left;
    k.right = e.input.right;
    k.up = e.input.up;
    k.fire = e.input.space && e.input.keyPressed;
    keys.push_back(k);
  }
  return true;
}

// Whether the magic word of a recording starts the file.
bool isRecording(const std::string& path) {
  static const std::string MAGIC = "brindlecove-recording ";
  std::ifstream in(path.c_str(), std::ios::binary);
  std::string start(MAGIC.size(), '\0');
  // only as many bytes as the word: a trace may be an endless file
  return in.read(&start[0], static_cast<std::streamsize>(start.size())) && start == MAGIC;
}

}  // namespace

bool loadGraphics(const std::string& folder, std::string& error) {
  std::string path = folder + "/graphics.dat";
  DATAFILE* data = load_datafile(path.c_str());
  if (!data) {
    error = "cannot load " + path;
    return false;
  }
  int types[GFX_COUNT];
  for (int i = 0; i < GFX_COUNT; i++) types[i] = DAT_BITMAP;
  std::string problem;
  if (!checkDataFile(data, types, GFX_COUNT, problem)) {
    unload_datafile(data);
    error = path + ": " + problem;
    return false;
  }
  graphicsData = data;
  return true;
}

void makeWorld() {
  if (!enemyList) enemyList = new EnemyList();
  if (!bulletList) bulletList = new BulletList();
}

bool startRun(const std::string& path, std::string& error, bool pastWelcome) {
  makeWorld();
  delete player;
  player = new Player(PLAYER_START_X, PLAYER_START_Y, 0, graphic(GFX_PLAYER_STAND));
  TileMap* map = new TileMap(path);
  if (!map->tryLoad(error)) {
    delete map;
    return false;
  }
  delete currentMap;
  currentMap = map;
  // What startLevel's reload does, without ending the program should the
  // file change between the two reads: the lists emptied, the map rebuilt.
  bulletList->clear();
  putPlayerAtStart();
  timeLeft = currentMap->getTimeLimit();
  playSuspended = false;
  gameOver = false;
  newLevel = false;
  for (int i = 0; i < KEY_MAX; i++) key[i] = 0;
  // The Enter that ends the level's welcome moves the world once with no
  // keys of play, before the run's first tick; without it a run found here
  // meets every enemy and platform a tick early in the game. Not a tick of
  // the run: the clock starts after it.
  if (pastWelcome) {
    applyPlayKeys(false, false, false, false);
    updateWorld();
  }
  return true;
}

RunOutcome runTick(const TickKeys& keys, int& tick) {
  key[KEY_LEFT] = keys.left;
  key[KEY_RIGHT] = keys.right;
  key[KEY_UP] = keys.up;
  key[KEY_SPACE] = keys.fire;
  applyPlayKeys(keys.left, keys.right, keys.up, keys.fire);
  // A jump can touch the exit before the world moves; the game then moves
  // on to the next level in this tick's update, which a run must not do.
  if (!currentMap->isFinished()) updateWorld();
  tick++;
  RunOutcome outcome = runOutcome();
  if (outcome != RUN_PLAYING) return outcome;
  if (tick % TICKS_PER_SECOND == 0) timeLeft.fetch_sub(1);
  return runOutcome();
}

RunOutcome runOutcome() {
  // Touching the exit in the tick he is killed still finishes the level in
  // the game, but a run counts only a living finish.
  if (!player->isAlive()) return RUN_DIED;
  if (currentMap->isFinished()) return RUN_FINISHED;
  if (timeLeft <= 0) return RUN_OUT_OF_TIME;
  return RUN_PLAYING;
}

bool writeTrace(const std::string& path, const std::string& levelName,
                const std::vector<TickKeys>& keys, std::string& error) {
  if (!currentMap) {
    error = "no level is started for the trace of " + path;
    return false;
  }
  std::string levelFile = currentMap->getFileName();
  Recording header;
  header.game = GAME_VERSION;
  if (!makeRecordingHeader({levelFile}, header, error)) return false;
  RecordingWriter out;
  if (!out.open(path, header, error)) return false;
  TickInput enter;
  enter.enter = true;
  // Enter on the menu chooses Play game!; it is let go; Enter again ends
  // the welcome, in a tick that moves the world with no keys applied
  out.tick(enter);
  out.tick(TickInput());
  out.tick(enter);
  out.level(1);
  out.worldMoved();
  for (size_t t = 0; t < keys.size(); t++) {
    TickInput in;
    in.left = keys[t].left;
    in.right = keys[t].right;
    in.up = keys[t].up;
    in.space = keys[t].fire;
    in.keyPressed = keys[t].fire;
    // the clock loses a second after every 35th tick of the run
    in.secondTicked = t > 0 && t % TICKS_PER_SECOND == 0;
    out.tick(in);
    out.worldMoved();
  }
  // two seconds of the finished game on show
  for (int t = 0; t < 2 * TICKS_PER_SECOND; t++) out.tick(TickInput());
  out.close();
  std::FILE* check = std::fopen(path.c_str(), "a");
  bool written = check && std::fprintf(check, "# the solver's run of \"%s\"\n", levelName.c_str()) > 0;
  if (check) written = std::fclose(check) == 0 && written;
  if (!written) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool readTrace(const std::string& path, std::vector<TickKeys>& keys, std::string& error) {
  std::error_code code;
  if (std::filesystem::is_directory(path, code)) {
    error = path + ": is a directory, not a trace";
    return false;
  }
  if (isRecording(path)) return firstLevelKeys(path, keys, error);
  std::ifstream in(path.c_str());
  if (!in) {
    error = path + ": cannot open the trace";
    return false;
  }
  keys.clear();
  std::string text;
  int line = 0;
  bool tooLong = false;
  try {
    while (readTraceLine(*in.rdbuf(), text, tooLong)) {
      line++;
      if (tooLong) {
        error = path + ":" + std::to_string(line) + ": the line is longer than " +
                std::to_string(TRACE_LINE_MAX) + " characters: '" + levelExcerpt(text, true) +
                "'";
        return false;
      }
      size_t first = text.find_first_not_of(" \t\r");
      if (first == std::string::npos || text[first] == '#') continue;
      std::istringstream row(text);
      int column[4];
      std::string rest;
      bool ok = true;
      for (int& c : column) ok = ok && (row >> c) && (c == 0 || c == 1);
      if (!ok || (row >> rest)) {
        error = path + ":" + std::to_string(line) + ": expected four columns of 0 or 1";
        return false;
      }
      TickKeys k;
      k.left = column[0];
      k.right = column[1];
      k.up = column[2];
      k.fire = column[3];
      keys.push_back(k);
    }
  } catch (const std::ios_base::failure&) {
    error = path + ":" + std::to_string(line + 1) + ": the trace cannot be read";
    return false;
  }
  return true;
}

ReplayResult replayKeys(const std::vector<TickKeys>& keys) {
  ReplayResult result;
  result.outcome = runOutcome();
  for (const TickKeys& k : keys) {
    if (result.outcome != RUN_PLAYING) break;
    result.outcome = runTick(k, result.ticks);
  }
  return result;
}

PlatformTravel platformTravel(const MovingPlatform& platform) {
  MovingPlatform probe = platform;
  PlatformTravel travel = {probe.getX(), probe.getY(), probe.getX(), probe.getY()};
  for (int i = 0; i < TRAVEL_STEP_LIMIT; i++) {
    probe.stepX();
    probe.stepY();
    travel.minX = std::min(travel.minX, probe.getX());
    travel.maxX = std::max(travel.maxX, probe.getX());
    travel.minY = std::min(travel.minY, probe.getY());
    travel.maxY = std::max(travel.maxY, probe.getY());
    if (probe.getX() == platform.getX() && probe.getY() == platform.getY() &&
        probe.getSpeedX() == platform.getSpeedX() &&
        probe.getVerticalSpeed() == platform.getVerticalSpeed())
      break;
  }
  return travel;
}

std::vector<MovingPlatform> platformRound(const MovingPlatform& platform, int maxTicks) {
  std::vector<MovingPlatform> round(1, platform);
  for (int i = 0; i < maxTicks; i++) {
    MovingPlatform next = round.back();
    next.stepX();
    next.stepY();
    if (next.getX() == platform.getX() && next.getY() == platform.getY() &&
        next.getSpeedX() == platform.getSpeedX() &&
        next.getVerticalSpeed() == platform.getVerticalSpeed())
      return round;
    round.push_back(next);
  }
  return {};
}
