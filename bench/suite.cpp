// The benchmark suite: on every shipped level and on generated levels of
// growing size, the load time, one world update and one frame drawn; one
// 800 x 600 16-bit blit as the floor every frame pays at least; the level
// tool's solver on each shipped level, with its peak memory; and the level
// reader's refusal of a 4 GB file. A tick has 28.6 ms (35 a second).
//
// Headless: Allegro without a system driver, `screen` a memory bitmap, the
// real pictures and fonts of the run folder. bench/table.py turns the JSON
// output into the table of the README's "Performance" section.
#include <allegro.h>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "actors/world.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/level_file.h"
#include "level/tile_map.h"
#include "level_run.h"
#include "level_solver.h"
#include "render/animation.h"
#include "render/renderer.h"
#include "wait.h"

// Bytes held through operator new now and at most since the last reset:
// the solver's and the loader's memory, without the noise of the whole
// process's resident size. The solver's helper thread allocates too.
namespace {
std::atomic<size_t> heapNow{0};
std::atomic<size_t> heapPeak{0};
void resetHeapPeak() { heapPeak = heapNow.load(); }
void held(size_t bytes) {
  size_t now = heapNow += bytes;
  size_t peak = heapPeak.load();
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
}
}  // namespace

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  held(malloc_usable_size(p));
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  heapNow -= malloc_usable_size(p);
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void* operator new(size_t size, std::align_val_t align) {
  void* p = std::aligned_alloc(static_cast<size_t>(align),
                               (size + static_cast<size_t>(align) - 1) / static_cast<size_t>(align) *
                                   static_cast<size_t>(align));
  if (!p) throw std::bad_alloc();
  held(malloc_usable_size(p));
  return p;
}
void operator delete(void* p, std::align_val_t) noexcept { operator delete(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { operator delete(p); }
void* operator new[](size_t size) { return operator new(size); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace {


// A folder of its own, removed with its files when the benchmarks end.
std::vector<std::string> madeFiles;
std::string folder() {
  static std::string path;
  if (path.empty()) {
    char pattern[] = "/tmp/brindlecove-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
      std::perror("benchmark: mkdtemp");
      std::exit(1);
    }
    path = pattern;
    std::atexit([] {
      for (const std::string& f : madeFiles) std::remove(f.c_str());
      rmdir(path.c_str());
    });
  }
  return path;
}

// A level of `cols` x `rows` cells built like the shipped ones, in bands of
// 19 rows: ground with lava pits, ledges with points above them, enemies
// and spikes on the ground, ammunition and extra seconds here and there,
// a shuttle every 200 columns, the exit at the far end of the last band.
std::string generatedLevel(int cols, int rows) {
  std::string path = folder() + "/level-" + std::to_string(cols) + "x" + std::to_string(rows) + ".dat";
  madeFiles.push_back(path);
  std::vector<int> codes(static_cast<size_t>(cols) * rows, 0);
  for (int row = 0; row < rows; row++) {
    int band = row % 19;
    for (int col = 0; col < cols; col++) {
      int& code = codes[static_cast<size_t>(row) * cols + col];
      if (band == 18) code = (col % 37 >= 30 && col % 37 < 33) ? 7 : (col % 11 == 0 ? 4 : 1);
      else if (band == 12 && col % 23 >= 5 && col % 23 < 10) code = 10;
      else if (band == 11 && col % 23 == 7) code = 3;
      else if (band == 17 && col % 50 == 25) code = 2;
      else if (band == 17 && col % 61 == 45) code = 5;
      else if (band == 10 && col % 97 == 40) code = 6;
      else if (band == 10 && col % 131 == 70) code = 11;
      else if (band == 5 && col % 29 >= 12 && col % 29 < 15) code = 8;
    }
  }
  if (rows >= 19 && cols >= 3) codes[static_cast<size_t>(rows - 2) * cols + cols - 2] = 9;
  std::vector<std::string> platforms;
  for (int col = 100; col + 6 < cols && platforms.size() < 100; col += 200)
    platforms.push_back(std::to_string(col * 32) + ",448," + std::to_string((col + 6) * 32) + ",448");
  std::ofstream out(path.c_str());
  out << "Generated\n" << cols << "," << rows << "\n32,32\n15\n100\n" << platforms.size() << "\n";
  for (const std::string& p : platforms) out << p << "\n";
  for (int row = 0; row < rows; row++) {
    for (int col = 0; col < cols; col++) out << codes[static_cast<size_t>(row) * cols + col] << ",";
    out << "\n";
  }
  return path;
}

// The loader's worst case: 1024 x 1024 cells of every code in turn, twelve
// to a line, so one cell in 13 places an enemy and most hold a picture.
std::string denseLevel() {
  std::string path = folder() + "/dense.dat";
  madeFiles.push_back(path);
  std::ofstream out(path.c_str());
  out << "Dense\n1024,1024\n32,32\n15\n100\n1\n100,200,300,200\n";
  for (int k = 0; k < 1024 * 1024; k++) out << k % 13 << (k % 12 == 11 ? ",\n" : ",");
  return path;
}

// 4 GB of zero bytes, sparse: it costs no disk.
std::string zeroFile() {
  std::string path = folder() + "/zeros.dat";
  madeFiles.push_back(path);
  std::ofstream(path.c_str());
  if (truncate(path.c_str(), 4LL << 30) != 0) {
    std::perror("benchmark: truncate");
    std::exit(1);
  }
  return path;
}

// Headless Allegro with the run folder's pictures and fonts, the screen a
// memory bitmap, and the game's lists.
void setUpGame() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  install_allegro(SYSTEM_NONE, &errno, atexit);
  set_color_depth(16);
  std::string error;
  fontData = load_datafile(RUN_DIR "/font.dat");
  if (!loadGraphics(RUN_DIR, error) || !fontData) {
    std::fprintf(stderr, "benchmark: build the game first (%s): %s\n", RUN_DIR, error.c_str());
    std::exit(1);
  }
  mainFont = static_cast<FONT*>(fontData[FONT_MAIN].dat);
  noticeFont = static_cast<FONT*>(fontData[FONT_NOTICE].dat);
  static BITMAP* frames[2] = {graphic(GFX_GAME_OVER_1), graphic(GFX_GAME_OVER_2)};
  gameOverAnimation = new Animation(frames, 5, 2);
  backBuffer = create_bitmap(SCREEN_W_PIXELS, SCREEN_H_PIXELS);
  screen = create_bitmap_ex(16, SCREEN_W_PIXELS, SCREEN_H_PIXELS);
  makeWorld();
}

// The game as it stands at the start of a level, the clock far from 0.
bool startLevel(benchmark::State& state, const std::string& path) {
  setUpGame();
  std::string error;
  if (!startRun(path, error)) {
    state.SkipWithError(error.c_str());
    return false;
  }
  timeLeft = 1000000;
  return true;
}

// TileMap built and loaded; the old map freed outside the timing.
void loadLevel(benchmark::State& state, const std::string& path) {
  setUpGame();
  size_t peak = 0;
  for (auto _ : state) {
    resetHeapPeak();
    size_t before = heapNow;
    TileMap* map = new TileMap(path);
    std::string error;
    if (!map->tryLoad(error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(map->getTile(0, 0));
    state.PauseTiming();
    if (heapPeak.load() - before > peak) peak = heapPeak.load() - before;
    delete map;
    enemyList->clear();
    state.ResumeTiming();
  }
  state.counters["heap_MB"] = peak / 1e6;
}

// One world update, the player kept in play so every tick does the full work.
void worldTick(benchmark::State& state, const std::string& path) {
  if (!startLevel(state, path)) return;
  for (auto _ : state) {
    updateWorld();
    if (!player->isAlive()) {
      player->setAlive(true);
      player->setX(PLAYER_START_X);
      player->setY(PLAYER_START_Y);
    }
  }
}

// One frame as the main loop draws it: into the back buffer, then the blit
// to the screen.
void drawOneFrame(benchmark::State& state, const std::string& path) {
  if (!startLevel(state, path)) return;
  for (auto _ : state) {
    drawFrame();
    benchmark::DoNotOptimize(screen->line[0][0]);
  }
}

// The floor: one 800 x 600 16-bit memory bitmap copied to another.
void blitFloor(benchmark::State& state) {
  setUpGame();
  BITMAP* from = create_bitmap_ex(16, SCREEN_W_PIXELS, SCREEN_H_PIXELS);
  BITMAP* to = create_bitmap_ex(16, SCREEN_W_PIXELS, SCREEN_H_PIXELS);
  clear_to_color(from, COLOUR_SKY);
  for (auto _ : state) {
    blit(from, to, 0, 0, 0, 0, SCREEN_W_PIXELS, SCREEN_H_PIXELS);
    benchmark::DoNotOptimize(to->line[0][0]);
  }
  destroy_bitmap(from);
  destroy_bitmap(to);
}

// The level tool's solver with its default options, from the level start.
// It works on two threads for part of the time: its time is the wall
// clock's.
void solve(benchmark::State& state, const std::string& path) {
  setUpGame();
  size_t peak = 0;
  long states = 0;
  for (auto _ : state) {
    std::string error;
    if (!startRun(path, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    resetHeapPeak();
    size_t before = heapNow;
    SolveResult result = solveLevel(SolveOptions());
    if (heapPeak.load() - before > peak) peak = heapPeak.load() - before;
    states = result.states;
    if (!result.finishable) state.SkipWithError("not finishable");
  }
  state.counters["heap_MB"] = peak / 1e6;
  state.counters["states"] = states;
}

void refuseFourGigabytesOfZeros(benchmark::State& state) {
  std::string path = zeroFile();
  for (auto _ : state) {
    TileMap map(path);
    std::string error;
    if (map.tryLoad(error)) state.SkipWithError("the zero file loaded");
    benchmark::DoNotOptimize(error);
  }
}

struct Level {
  std::string name;
  std::string path;
};

void registerAll() {
  std::vector<Level> levels = {{"level1", DATA_DIR "/level1.dat"},
                               {"level2", DATA_DIR "/level2.dat"},
                               {"level3", DATA_DIR "/level3.dat"},
                               {"menu", DATA_DIR "/menu.dat"}};
  const int sizes[][2] = {{100, 19}, {1000, 19}, {1000, 100}, {1024, 1024}};
  for (const auto& s : sizes) {
    std::string name = "gen" + std::to_string(s[0]) + "x" + std::to_string(s[1]);
    levels.push_back({name, generatedLevel(s[0], s[1])});
  }

  benchmark::RegisterBenchmark("floor/blit800x600", blitFloor)->Unit(benchmark::kMicrosecond);
  for (const Level& level : levels) {
    std::string path = level.path;
    benchmark::RegisterBenchmark(("load/" + level.name).c_str(),
                                 [path](benchmark::State& s) { loadLevel(s, path); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("tick/" + level.name).c_str(),
                                 [path](benchmark::State& s) { worldTick(s, path); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("frame/" + level.name).c_str(),
                                 [path](benchmark::State& s) { drawOneFrame(s, path); })
        ->Unit(benchmark::kMicrosecond);
  }
  std::string dense = denseLevel();
  benchmark::RegisterBenchmark("load/dense1024x1024",
                               [dense](benchmark::State& s) { loadLevel(s, dense); })
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("read/dense1024x1024", [dense](benchmark::State& state) {
    for (auto _ : state) {
      std::ifstream in(dense.c_str(), std::ios::binary);
      LevelFile level;
      std::string error;
      if (!readLevelFile(dense, in, level, error)) state.SkipWithError(error.c_str());
      benchmark::DoNotOptimize(level.codes.data());
    }
  })->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("read/refuse4GBofZeros", refuseFourGigabytesOfZeros)
      ->Unit(benchmark::kMicrosecond);
  for (int n = 1; n <= 3; n++) {
    std::string path = DATA_DIR "/level" + std::to_string(n) + ".dat";
    benchmark::RegisterBenchmark(("solve/level" + std::to_string(n)).c_str(),
                                 [path](benchmark::State& s) { solve(s, path); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  registerAll();
  registerWaitBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
