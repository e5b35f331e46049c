// The wait benchmarks: the real game's processor share and ticks a second,
// spinning and resting, on the menu and in play.
#ifndef BRINDLECOVE_BENCH_WAIT_H
#define BRINDLECOVE_BENCH_WAIT_H

void registerWaitBenchmarks();

#endif
