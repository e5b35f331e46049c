// Benchmarks of reading level files: a 4 GB file of zero bytes refused, and
// the largest grid a level may have (1024 x 1024 cells) read and built.
#include <allegro.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "actors/enemy.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/level_file.h"
#include "level/tile_map.h"

namespace {

const int BIG_SIDE = 1024;

// A folder of its own, removed with its files when the benchmarks end.
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
      std::remove((path + "/zeros.dat").c_str());
      std::remove((path + "/big.dat").c_str());
      rmdir(path.c_str());
    });
  }
  return path;
}

// 4 GB of zero bytes, sparse: it costs no disk.
std::string zeroFile() {
  std::string path = folder() + "/zeros.dat";
  std::ofstream(path.c_str());
  if (truncate(path.c_str(), 4LL << 30) != 0) {
    std::perror("benchmark: truncate");
    std::exit(1);
  }
  return path;
}

// 1024 x 1024 cells of every code in turn, twelve to a line.
std::string bigLevel() {
  std::string path = folder() + "/big.dat";
  std::ofstream out(path.c_str());
  out << "Big\n" << BIG_SIDE << "," << BIG_SIDE << "\n32,32\n15\n100\n1\n100,200,300,200\n";
  for (int k = 0; k < BIG_SIDE * BIG_SIDE; k++) out << k % 13 << (k % 12 == 11 ? ",\n" : ",");
  return path;
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
BENCHMARK(refuseFourGigabytesOfZeros)->Unit(benchmark::kMicrosecond);

void readBigLevel(benchmark::State& state) {
  std::string path = bigLevel();
  for (auto _ : state) {
    std::ifstream in(path.c_str(), std::ios::binary);
    LevelFile level;
    std::string error;
    if (!readLevelFile(path, in, level, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(level.codes.data());
  }
}
BENCHMARK(readBigLevel)->Unit(benchmark::kMillisecond);

// What the game does: read, then build a tile, picture and enemy per cell.
void loadBigLevelMap(benchmark::State& state) {
  install_allegro(SYSTEM_NONE, &errno, atexit);
  set_color_depth(16);
  if (!graphicsData) graphicsData = load_datafile(RUN_DIR "/graphics.dat");
  if (!graphicsData) {
    state.SkipWithError("build the game first: no graphics.dat in " RUN_DIR);
    return;
  }
  if (!enemyList) enemyList = new EnemyList();
  std::string path = bigLevel();
  for (auto _ : state) {
    TileMap map(path);
    std::string error;
    if (!map.tryLoad(error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(map.getTile(0, 0));
  }
}
BENCHMARK(loadBigLevelMap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
