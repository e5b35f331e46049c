// Timed distances: the states of the timed kinder world searched a tick at
// a time from the start, then the ticks to an exit counted back.
#include "timed_distances.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "level_run.h"
#include "relaxed_distances.h"
#include "varint.h"
#include "world_state.h"

namespace {

// What a step came to, besides a state.
const int32_t MISSING = -1;  // a state the kinder world did not meet
const int32_t DIES = -2;
const int32_t FINISHES = -3;
const int32_t SKIPPED = -4;  // Up off the ground: no other step than without it
const int32_t FAR = INT_MAX / 2;
const size_t BATCH = 64;  // states stepped before their successors are looked up
const size_t AHEAD = 8;   // states whose memory is asked for before they are stepped
// The quick look for a run goes by the ticks so far plus 5/4 of the kinder
// count: a little more than the count alone, which finds runs soon but
// long ones. On the shipped levels it comes within a few ticks of the
// earliest, where the count alone stays over a dozen out.
const int QUICK_TICK_WEIGHT = 4;
const int QUICK_COUNT_WEIGHT = 5;
const size_t QUICK_SHARE = 4;  // of the kinder world's states, at most, for the quick look
const size_t QUICK_SPAN = 1 << 14;  // sums in the quick look's ring of buckets

// How a tick run from a state came out, as a state or a mark.
int32_t outcomeOf(RunOutcome outcome, int index) {
  if (outcome == RUN_FINISHED) return FINISHES;
  if (outcome != RUN_PLAYING) return DIES;
  return index;
}

}  // namespace

TimedDistances::TimedDistances(const WorldState& world, const RelaxedDistances& kinder, int before,
                               size_t maxStates, Counts want)
    : kinder(kinder), limit(before), earliest(before) {
  if (!kinder.usable() || limit <= 0 || kinder.states() >= static_cast<size_t>(CATCHABLE)) return;
  std::vector<int> start;
  world.save(0, start);
  int first = kinder.find(RelaxedDistances::bodyOfPlayer());
  size_t states = kinder.states();
  marks.assign((states + 63) / 64, 0);
  freeAt.assign(states, UNSEEN);
  counted = want != NO_COUNTS;
  {
    RelaxedDistances::Kinder kinderWorld;
    // Only the earliest finish is wanted: a run found quickly bounds it.
    if (first >= 0 && want != COUNTS) {
      int finish = someFinish(first, std::min(maxStates, states / QUICK_SHARE));
      if (finish >= 0) limit = std::min(limit, finish + 1);
    }
    ok = first >= 0 && sweep(first, maxStates, want);
    // with no finish before the limit there is nothing to count
    if (ok && counted && earliest < limit) countBack();
  }
  layers = std::vector<std::vector<uint8_t>>();
  marks = std::vector<uint64_t>();
  freeAt = std::vector<int32_t>();
  frees = std::deque<FreeSteps>();
  counted = ok && counted;
  if (!counted) counts.clear();
  world.restore(start.data());
}

void TimedDistances::placePlatforms(int tick) const {
  for (size_t i = 0; i < kinder.rounds.size(); i++) {
    const auto& round = kinder.rounds[i];
    if (!round.empty()) kinder.place(static_cast<int>(i), tick % static_cast<int>(round.size()));
  }
}

// A player with no platform under him meets the platforms only at the
// tick's end, when one whose top is at his feet takes him up: the rest of
// his tick is the same whenever it is run, and is worked out once.
int32_t TimedDistances::freeSteps(int index) {
  int32_t& at = freeAt[static_cast<size_t>(index)];
  if (at != UNSEEN) return at;
  const RelaxedDistances::Body from = kinder.bodies[static_cast<size_t>(index)];
  if (from.platform >= 0) return at = RIDER;
  at = static_cast<int32_t>(frees.size());
  frees.emplace_back();
  FreeSteps& free = frees.back();
  int fall = currentMap->getFallSpeed();
  // every step is run before any is looked up, so the lookups' memory is
  // fetched meanwhile
  std::array<RelaxedDistances::Body, ACTIONS> after;
  std::array<uint64_t, ACTIONS> hashes;
  for (int action = 0; action < ACTIONS; action++) {
    int32_t& step = free[static_cast<size_t>(action)];
    step = SKIPPED;
    if (action >= RelaxedDistances::WALKS && !from.onGround) continue;
    kinder.putPlayer(from);
    // a mark, or 0 for a state, looked up below
    step = outcomeOf(RelaxedDistances::tickAlone(action), 0);
    if (step < 0) continue;
    after[action] = RelaxedDistances::bodyOfPlayer();
    hashes[action] = RelaxedDistances::hashOf(after[action]);
    kinder.prefetch(hashes[action]);
  }
  for (int action = 0; action < ACTIONS; action++) {
    int32_t& step = free[static_cast<size_t>(action)];
    if (step < 0) continue;
    step = kinder.find(after[action], hashes[action]);
    // only a player falling or standing is taken up
    if (step < 0 || fall + after[action].speedY <= 0) continue;
    for (size_t i = 0; i < kinder.rounds.size(); i++)
      if (!kinder.rounds[i].empty() && kinder.withinReach(after[action], static_cast<int>(i))) {
        step |= CATCHABLE;
        break;
      }
  }
  return at;
}

bool TimedDistances::successors(int index, int tick, std::vector<int32_t>& out) {
  out.clear();
  int32_t at = freeSteps(index);
  if (at == RIDER) {
    // A rider goes where his platform takes him: the whole tick, as it is.
    const RelaxedDistances::Body& from = kinder.bodies[static_cast<size_t>(index)];
    for (int action = 0; action < ACTIONS; action++) {
      placePlatforms(tick);
      kinder.putPlayer(from);
      int ticks = 0;
      RunOutcome outcome = runTick(RelaxedDistances::walkKeys(action), ticks);
      int32_t to = outcomeOf(outcome, kinder.find(RelaxedDistances::bodyOfPlayer()));
      if (to == MISSING) return false;
      if (to != DIES) out.push_back(to);
    }
    return true;
  }
  const FreeSteps& free = frees[static_cast<size_t>(at)];
  bool placed = false;
  for (int32_t step : free) {
    if (step == MISSING) return false;
    if (step == DIES || step == SKIPPED) continue;
    if (step >= CATCHABLE) {
      step -= CATCHABLE;
      // not caught: he is as the step left him
      const RelaxedDistances::Body& after = kinder.bodies[static_cast<size_t>(step)];
      if (kinder.caughtAt(after, tick + 1)) {
        // where the platforms stand once the tick has moved them
        if (!placed) placePlatforms(tick + 1);
        placed = true;
        kinder.putPlayer(after);
        platformList->findPlatformUnderPlayer();
        step = kinder.find(RelaxedDistances::bodyOfPlayer());
        if (step == MISSING) return false;
      }
    }
    out.push_back(step);
  }
  return true;
}

int TimedDistances::someFinish(int first, size_t most) {
  // Best first, by the weighted sum; among equals the one furthest on.
  // Each sum has its bucket, a pile, in a ring of them from the lowest: a
  // step lowers the sum by one at most, and those that raise it past the
  // ring are not worth a quick look. (When the lowest goes down, a sum a
  // whole ring above it may come to share its bucket: the order is only a
  // guess's anyway.)
  std::vector<std::vector<std::pair<int32_t, int32_t>>> buckets(QUICK_SPAN);  // (tick, state)
  int64_t lowest = 0;
  auto priorityOf = [](int tick, int ticks) {
    return QUICK_TICK_WEIGHT * static_cast<int64_t>(tick) +
           QUICK_COUNT_WEIGHT * static_cast<int64_t>(ticks);
  };
  auto bucket = [&buckets](int64_t priority) -> std::vector<std::pair<int32_t, int32_t>>& {
    return buckets[static_cast<size_t>(priority) & (QUICK_SPAN - 1)];
  };
  // the (tick, state) pairs met, in a table of their own
  std::vector<uint64_t> met(1 << 12, 0);
  size_t metCount = 0;
  // a key's slot: its own, or the free one it would take
  auto slotOf = [&met](uint64_t key) -> uint64_t& {
    size_t mask = met.size() - 1;
    size_t i = RelaxedDistances::mixOf(key) & mask;
    while (met[i] != 0 && met[i] != key) i = (i + 1) & mask;
    return met[i];
  };
  auto meet = [&](int tick, int32_t state) {
    if (2 * (metCount + 1) > met.size()) {
      std::vector<uint64_t> old(met.size() * 2, 0);
      old.swap(met);
      for (uint64_t key : old)
        if (key != 0) slotOf(key) = key;
    }
    uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(tick)) << 32 |
                    static_cast<uint32_t>(state)) + 1;
    uint64_t& slot = slotOf(key);
    if (slot == key) return false;
    slot = key;
    metCount++;
    return true;
  };
  meet(0, first);
  lowest = priorityOf(0, kinder.distance[static_cast<size_t>(first)]);
  bucket(lowest).push_back({0, first});
  std::vector<int32_t> next;
  for (size_t looked = 0; looked < most; looked++) {
    int64_t end = lowest + static_cast<int64_t>(QUICK_SPAN);
    while (lowest < end && bucket(lowest).empty()) lowest++;
    if (lowest == end) return -1;
    std::pair<int32_t, int32_t> at = bucket(lowest).back();
    bucket(lowest).pop_back();
    searched++;
    if (!successors(at.second, at.first, next)) return -1;
    int tick = at.first + 1;
    for (int32_t to : next) {
      if (to == FINISHES) return tick;
      if (!inTime(to, tick)) continue;
      int64_t priority = priorityOf(tick, kinder.distance[static_cast<size_t>(to)]);
      if (priority >= lowest + static_cast<int64_t>(QUICK_SPAN) || !meet(tick, to)) continue;
      bucket(priority).push_back({tick, to});
      lowest = std::min(lowest, priority);
    }
  }
  return -1;
}

bool TimedDistances::sweep(int first, size_t maxStates, Counts want) {
  std::vector<int32_t> from(1, first), layer, next, made;
  auto keep = [this, want](const std::vector<int32_t>& states) {
    if (want == NO_COUNTS) return;
    std::vector<uint8_t> bytes;
    int64_t last = 0;
    for (int32_t state : states) {
      putVarint(zigzag(state - last), [&bytes](uint8_t byte) { bytes.push_back(byte); });
      last = state;
    }
    bytes.shrink_to_fit();  // no room to spare in what is kept
    layers.push_back(std::move(bytes));
  };
  keep(from);
  for (int tick = 0; tick + 1 < limit && !from.empty(); tick++) {
    // the marks are of the tick being made: those of the last go
    for (int32_t state : from) mark(state, false);
    layer.clear();
    // A batch of states is stepped before their successors are looked up,
    // so that the lookups' memory is fetched meanwhile.
    for (size_t i = 0; i < from.size(); i += BATCH) {
      size_t end = std::min(from.size(), i + BATCH);
      made.clear();
      for (size_t k = i; k < end; k++) {
        if (k + AHEAD < from.size()) __builtin_prefetch(&freeAt[static_cast<size_t>(from[k + AHEAD])]);
        // and, nearer, its free steps, now that where they are is known
        if (k + AHEAD / 2 < from.size()) {
          int32_t at = freeAt[static_cast<size_t>(from[k + AHEAD / 2])];
          if (at >= 0) __builtin_prefetch(&frees[static_cast<size_t>(at)]);
        }
        if (!successors(from[k], tick, next)) return false;
        for (int32_t to : next) {
          if (to == FINISHES) {
            earliest = std::min(earliest, tick + 1);
            continue;
          }
          __builtin_prefetch(&kinder.distance[static_cast<size_t>(to)]);
          made.push_back(to);
        }
      }
      for (int32_t to : made) {
        if (!inTime(to, tick + 1) || marked(to)) continue;
        mark(to, true);
        layer.push_back(to);
      }
    }
    searched += layer.size();
    if (searched > maxStates) return false;
    // the first tick an exit is touched is all there is to know, or all
    // there is to count to: the states of that tick cannot finish by it
    if (want != COUNTS && earliest < limit) break;
    keep(layer);
    from.swap(layer);
  }
  if (want == COUNTS_TO_EARLIEST && earliest < limit) limit = earliest + 1;
  return true;
}

void TimedDistances::layerAt(size_t tick, std::vector<int32_t>& layer) const {
  layer.clear();
  const std::vector<uint8_t>& bytes = layers[tick];
  size_t at = 0;
  int64_t state = 0;
  while (at < bytes.size()) {
    state += unzigzag(getVarint([&]() { return bytes[at++]; }));
    if (inTime(static_cast<int32_t>(state), static_cast<long>(tick)))
      layer.push_back(static_cast<int32_t>(state));
  }
}

bool TimedDistances::inTime(int32_t state, long tick) const {
  int ticks = kinder.distance[static_cast<size_t>(state)];
  return ticks != RelaxedDistances::NO_EXIT && tick + ticks < limit;
}

void TimedDistances::countBack() {
  counts.assign(layers.size(), {});
  // The marks are now of the states of the next tick that can finish
  // before the limit; their ticks are in that tick's counts.
  std::fill(marks.begin(), marks.end(), 0);
  std::vector<int32_t> layer, next;
  for (size_t tick = layers.size(); tick-- > 0;) {
    layerAt(tick, layer);
    layers[tick] = std::vector<uint8_t>();
    const std::vector<Count>* later = tick + 1 < counts.size() ? &counts[tick + 1] : nullptr;
    for (int32_t state : layer) {
      successors(state, static_cast<int>(tick), next);
      int32_t here = FAR;
      for (int32_t to : next) {
        if (to == FINISHES) {
          here = 1;
          continue;
        }
        if (!marked(to)) continue;
        auto found = std::lower_bound(later->begin(), later->end(), Count{to, 0});
        here = std::min(here, 1 + found->ticks);
      }
      if (static_cast<long>(tick) + here < limit) counts[tick].push_back({state, here});
    }
    std::sort(counts[tick].begin(), counts[tick].end());
    counts[tick].shrink_to_fit();
    if (later)
      for (const Count& count : *later) mark(count.state, false);
    for (const Count& count : counts[tick]) mark(count.state, true);
  }
}

int TimedDistances::ticksToExit(int tick) const {
  if (!counted || tick < 0) return RelaxedDistances::UNKNOWN;
  // searched up to the limit, or until no state was left that could make it
  if (static_cast<size_t>(tick) >= counts.size()) return RelaxedDistances::NO_EXIT;
  int index = kinder.find(RelaxedDistances::bodyOfPlayer());
  if (index < 0) return RelaxedDistances::UNKNOWN;
  const std::vector<Count>& at = counts[static_cast<size_t>(tick)];
  auto found = std::lower_bound(at.begin(), at.end(), Count{index, 0});
  if (found == at.end() || found->state != index) return RelaxedDistances::NO_EXIT;
  return found->ticks;
}
