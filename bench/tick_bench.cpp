// Benchmarks of one game tick: the world update and the frame drawn into the
// back buffer, on a shipped level with the real pictures. A tick has 28.6 ms.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "actors/world.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "render/animation.h"
#include "render/renderer.h"

namespace {

// The game as it stands at the start of a level, headless.
void setUpLevel(const std::string& levelFile) {
  static bool ready = false;
  if (!ready) {
    ready = true;
    install_allegro(SYSTEM_NONE, &errno, atexit);
    set_color_depth(16);
    graphicsData = load_datafile(RUN_DIR "/graphics.dat");
    fontData = load_datafile(RUN_DIR "/font.dat");
    if (!graphicsData || !fontData) {
      std::fprintf(stderr, "benchmark: build the game first (%s)\n", RUN_DIR);
      std::exit(1);
    }
    mainFont = static_cast<FONT*>(fontData[FONT_MAIN].dat);
    noticeFont = static_cast<FONT*>(fontData[FONT_NOTICE].dat);
    static BITMAP* frames[2] = {graphic(GFX_GAME_OVER_1), graphic(GFX_GAME_OVER_2)};
    gameOverAnimation = new Animation(frames, 5, 2);
    backBuffer = create_bitmap(SCREEN_W_PIXELS, SCREEN_H_PIXELS);
    player = new Player(PLAYER_START_X, PLAYER_START_Y, 0, graphic(GFX_PLAYER_STAND));
    enemyList = new EnemyList();
    bulletList = new BulletList();
  }
  delete currentMap;
  currentMap = new TileMap(levelFile);
  currentMap->load();
  player->setX(PLAYER_START_X);
  player->setY(PLAYER_START_Y);
  player->setAlive(true);
  player->setLives(PLAYER_START_LIVES);
  timeLeft = 1000000;
  playSuspended = false;
}

void worldTick(benchmark::State& state) {
  setUpLevel(DATA_DIR "/level3.dat");
  for (auto _ : state) {
    updateWorld();
    // keep the player in play so every tick does the full work
    if (!player->isAlive()) {
      player->setAlive(true);
      player->setX(PLAYER_START_X);
      player->setY(PLAYER_START_Y);
    }
  }
}
BENCHMARK(worldTick);

void drawOneFrame(benchmark::State& state) {
  setUpLevel(DATA_DIR "/level3.dat");
  for (auto _ : state) {
    clear_to_color(backBuffer, COLOUR_SKY);
    drawBackgrounds();
    drawTiles();
    drawEnemies();
    benchmark::DoNotOptimize(backBuffer->line[0][0]);
  }
}
BENCHMARK(drawOneFrame);

}  // namespace

BENCHMARK_MAIN();
