// Relaxed distances: a breadth-first search over the player's states in the
// kinder world, then the distances to an exit back along its steps.
#include "relaxed_distances.h"

#include <allegro.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "helper_thread.h"
#include "level/tile_map.h"
#include "level_run.h"
#include "varint.h"
#include "world_state.h"

namespace {

// Far enough that no platform put there reaches the map in a tick.
const int PARKED = -(1 << 26);
const int MAX_ROUND = 4000;  // ticks; a platform not round by then is not followed
// Bodies stepped while the helper looks up the last ones' successors:
// enough for the hand-over to cost little beside them.
const size_t BATCH = 1024;
// The successors whose slots, and then whose bodies, are asked for while
// one is looked up.
const size_t SLOT_AHEAD = 16;
const size_t BODY_AHEAD = 8;

int platformCount() { return platformList->getCapacity(); }

bool alongside(int left, int right, int x, int playerRight) {
  return (left <= x && x <= right) || (left <= playerRight && playerRight <= right);
}

}  // namespace

RelaxedDistances::RelaxedDistances(const WorldState& world, size_t maxStates, int limit,
                                   std::function<int(int x)> atLeast) {
  std::vector<int> start;
  world.save(0, start);
  BITMAP* look = graphic(GFX_PLAYER_STAND);
  bool sameSizes = look != NULL;
  for (int index : {GFX_PLAYER_AIR, GFX_PLAYER_WALK}) {
    BITMAP* other = graphic(index);
    if (!look || !other || other->w != look->w || other->h != look->h) sameSizes = false;
  }
  // the player's pictures change with his steps; their sizes must not, for
  // his state to be where he is and how he moves
  if (sameSizes && platformCount() <= INT16_MAX) {
    playerW = look->w;
    playerH = look->h;
    Kinder kinder;
    ok = explore(maxStates, limit, atLeast);
  }
  if (ok) {
    // Only looked up from now on: the table is made again, fuller and
    // smaller, once the distances no longer need the memory.
    slots = std::vector<uint64_t>();
    bodies.shrink_to_fit();
    distance.shrink_to_fit();
    distances();
    size_t size = 1 << 12;
    while (size * 7 < bodies.size() * 10) size *= 2;
    rehash(size);
  }
  steps = std::deque<uint8_t>();
  if (!ok) {
    bodies = std::deque<Body>();
    slots = std::vector<uint64_t>();
    distance = std::vector<int32_t>();
  }
  world.restore(start.data());
}

RelaxedDistances::Body RelaxedDistances::bodyOfPlayer() {
  const Player& p = *player;
  Body b;
  b.x = p.getX();
  b.y = p.getY();
  b.speedY = static_cast<int16_t>(p.getSpeedY());
  b.direction = static_cast<int8_t>(p.getDirection());
  b.onGround = p.isOnGround();
  b.platform = static_cast<int16_t>(platformList->indexOf(p.getPlatform()));
  return b;
}

uint64_t RelaxedDistances::mixOf(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t RelaxedDistances::hashOf(const Body& b) {
  uint64_t place = (static_cast<uint64_t>(static_cast<uint32_t>(b.x)) << 32) |
                   static_cast<uint32_t>(b.y);
  uint64_t rest = (static_cast<uint64_t>(static_cast<uint16_t>(b.speedY)) << 16) |
                  (static_cast<uint64_t>(static_cast<uint8_t>(b.direction)) << 32) |
                  (static_cast<uint64_t>(b.onGround) << 40) | static_cast<uint16_t>(b.platform + 1);
  return mixOf(place ^ mixOf(rest + 0x9E3779B97F4A7C15ull));
}

// A slot holds a body's index + 1 in its low half and the top of its hash
// in the high half, so most probes need not look at the body itself.
int RelaxedDistances::find(const Body& b) const { return find(b, hashOf(b)); }

int RelaxedDistances::find(const Body& b, uint64_t hash) const {
  if (slots.empty()) return -1;
  uint64_t tag = hash >> 32 << 32;
  size_t mask = slots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    if (slots[i] == 0) return -1;
    if ((slots[i] & ~0xFFFFFFFFull) != tag) continue;
    int index = static_cast<int>(slots[i] & 0xFFFFFFFFull) - 1;
    if (bodies[static_cast<size_t>(index)] == b) return index;
  }
}

int RelaxedDistances::add(const Body& b, uint64_t hash) {
  if (10 * (bodies.size() + 1) > 7 * slots.size()) grow();
  uint64_t tag = hash >> 32 << 32;
  size_t mask = slots.size() - 1;
  size_t i = hash & mask;
  for (; slots[i] != 0; i = (i + 1) & mask) {
    if ((slots[i] & ~0xFFFFFFFFull) != tag) continue;
    int index = static_cast<int>(slots[i] & 0xFFFFFFFFull) - 1;
    if (bodies[static_cast<size_t>(index)] == b) return index;
  }
  bodies.push_back(b);
  slots[i] = tag | bodies.size();
  return static_cast<int>(bodies.size()) - 1;
}

void RelaxedDistances::grow() { rehash(std::max<size_t>(1 << 12, slots.size() * 2)); }

void RelaxedDistances::rehash(size_t size) {
  slots = std::vector<uint64_t>(size, 0);
  size_t mask = slots.size() - 1;
  // a run of slots is asked for before any is filled
  const size_t RUN = 64;
  uint64_t hashes[RUN];
  for (size_t first = 0; first < bodies.size(); first += RUN) {
    size_t count = std::min(RUN, bodies.size() - first);
    for (size_t k = 0; k < count; k++) {
      hashes[k] = hashOf(bodies[first + k]);
      prefetch(hashes[k]);
    }
    for (size_t k = 0; k < count; k++) {
      size_t i = hashes[k] & mask;
      while (slots[i] != 0) i = (i + 1) & mask;
      slots[i] = (hashes[k] >> 32 << 32) | (first + k + 1);
    }
  }
}

TickKeys RelaxedDistances::walkKeys(int action) {
  TickKeys keys;
  keys.left = action % WALKS == 1;
  keys.right = action % WALKS == 2;
  keys.up = action >= WALKS;
  return keys;
}

void RelaxedDistances::putPlayer(const Body& b) const {
  Player& p = *player;
  p.setX(b.x);
  p.setY(b.y);
  p.setSpeedX(0);
  p.setSpeedY(b.speedY);
  p.setDirection(b.direction);
  p.setOnGround(b.onGround);
  p.setAlive(true);
  p.setLives(PLAYER_START_LIVES);
  p.setPlatform(b.platform < 0 ? NULL : platformList->get(b.platform));
  currentMap->resetFinished();
}

RelaxedDistances::Kinder::Kinder() : kept(enemyList) {
  enemyList = new EnemyList();
  bulletList->clear();
  timeLeft = 1 << 30;
}

RelaxedDistances::Kinder::~Kinder() {
  delete enemyList;
  enemyList = kept;
}

void RelaxedDistances::park(int platform) const {
  MovingPlatform* p = platformList->get(platform);
  if (!p) return;
  p->setX(PARKED);
  p->setY(PARKED);
}

void RelaxedDistances::place(int platform, int phase) const {
  MovingPlatform* p = platformList->get(platform);
  const PlatformPlace& at = rounds[static_cast<size_t>(platform)][static_cast<size_t>(phase)];
  p->setX(at.x);
  p->setY(at.y);
  p->setSpeedX(at.speedX);
  p->setVerticalSpeed(at.speedY);
}

bool RelaxedDistances::explore(size_t maxStates, int limit,
                               const std::function<int(int)>& atLeast) {
  // Every platform's round from where it stands now, one place a tick.
  rounds.assign(static_cast<size_t>(platformCount()), {});
  for (int i = 0; i < platformCount(); i++) {
    MovingPlatform* p = platformList->get(i);
    if (!p) continue;
    std::vector<MovingPlatform> places = platformRound(*p, MAX_ROUND);
    if (places.empty()) return false;
    for (const MovingPlatform& at : places)
      rounds[static_cast<size_t>(i)].push_back(
          {at.getX(), at.getY(), at.getSpeedX(), at.getVerticalSpeed(),
           static_cast<int>(rounds[static_cast<size_t>(i)].size())});
  }
  tops.assign(rounds.size(), {});
  for (size_t i = 0; i < rounds.size(); i++) {
    tops[i] = rounds[i];
    std::sort(tops[i].begin(), tops[i].end(), [](const PlatformPlace& a, const PlatformPlace& b) {
      return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
  }
  reaches.assign(rounds.size(), Reach());
  for (size_t i = 0; i < rounds.size(); i++) {
    if (rounds[i].empty()) continue;
    MovingPlatform* p = platformList->get(static_cast<int>(i));
    Reach& reach = reaches[i];
    reach = {rounds[i][0].x, rounds[i][0].x, rounds[i][0].y, rounds[i][0].y};
    for (const PlatformPlace& at : rounds[i]) {
      reach.left = std::min(reach.left, at.x);
      reach.right = std::max(reach.right, at.x + p->getWidth());
      reach.top = std::min(reach.top, at.y);
      reach.bottom = std::max(reach.bottom, at.y + p->getHeight());
    }
  }

  for (int i = 0; i < platformCount(); i++) park(i);

  addAt(bodyOfPlayer(), hashOf(bodyOfPlayer()), 0);
  // Breadth first: a body is met first by the fewest ticks it takes. A
  // batch of bodies is stepped here (the game's tick runs on its globals,
  // so on this thread only) while a helper looks up the successors of the
  // batch before, in the tables, which only it touches meanwhile. The
  // lookups take each body in turn as if alone, so all comes out as if
  // one were done after the other.
  Stepped stepped[2];
  std::vector<Body> from;
  std::vector<int32_t> depths;
  size_t n = 0;  // the first body not yet stepped
  // copies of the next bodies, taken while the helper is idle
  auto takeNext = [&]() {
    from.clear();
    depths.clear();
    for (size_t b = n; b < std::min(bodies.size(), n + BATCH); b++) {
      from.push_back(bodies[b]);
      depths.push_back(distance[b]);
    }
  };
  bool going = true;
  bool busy = false;
  // The tables then grow on the helper's thread: from the same heap as
  // the rest, so that what one thread lets go the other takes again (with
  // a heap of its own, level 3's peak was 8 MB higher).
  mallopt(M_ARENA_MAX, 1);
  HelperThread helper;
  int s = 0;
  takeNext();
  for (;;) {
    if (!from.empty()) stepBodies(n, from, depths, limit, atLeast, stepped[s]);
    if (busy) {
      helper.wait();
      busy = false;
      if (!going) return false;
    }
    if (from.empty()) {
      // nothing was left to step: the last lookups may have met more
      takeNext();
      if (from.empty()) return true;
      continue;
    }
    n += from.size();
    takeNext();
    const Stepped& batch = stepped[s];
    helper.start([&, maxStates]() { going = lookUp(batch, maxStates, atLeast); });
    busy = true;
    s ^= 1;
  }
}

void RelaxedDistances::stepBodies(size_t first, const std::vector<Body>& from,
                                  const std::vector<int32_t>& depths, int limit,
                                  const std::function<int(int)>& atLeast, Stepped& into) {
  into.first = first;
  into.expanded.clear();
  into.made.clear();
  into.hashes.clear();
  stepping = &into;
  for (size_t i = 0; i < from.size(); i++) {
    Expanded e = {0, false, false};
    if (atLeast && limit > 0) e.bounded = depths[i] + atLeast(from[i].x) >= limit;
    if (!e.bounded) e.finishes = expand(from[i]);
    e.end = into.made.size();
    into.expanded.push_back(e);
  }
  stepping = nullptr;
}

bool RelaxedDistances::lookUp(const Stepped& stepped, size_t maxStates,
                              const std::function<int(int)>& atLeast) {
  // the slots a few successors on are asked for, and nearer, the bodies
  // they name
  const std::vector<uint64_t>& hashes = stepped.hashes;
  for (size_t k = 0; k < std::min(hashes.size(), SLOT_AHEAD); k++) prefetch(hashes[k]);
  for (size_t k = 0; k < std::min(hashes.size(), BODY_AHEAD); k++) prefetchBody(hashes[k]);
  std::vector<int>& next = lookedUp;
  size_t k = 0;
  for (size_t i = 0; i < stepped.expanded.size(); i++) {
    size_t b = stepped.first + i;
    const Expanded& e = stepped.expanded[i];
    // Too many: the rest are left with their bound, where there is one.
    bool full = bodies.size() > maxStates;
    if (full && !atLeast) return false;
    cut = cut || full;
    if (full || e.bounded) {
      distance[b] = atLeast(bodies[b].x);
      steps.push_back(0);  // no successors
      k = e.end;
      continue;
    }
    int depth = distance[b] + 1;  // of its successors
    next.clear();
    for (; k < e.end; k++) {
      if (k + SLOT_AHEAD < hashes.size()) prefetch(hashes[k + SLOT_AHEAD]);
      if (k + BODY_AHEAD < hashes.size()) prefetchBody(hashes[k + BODY_AHEAD]);
      next.push_back(addAt(stepped.made[k], hashes[k], depth));
    }
    // its depth is spent: its successors have theirs
    distance[b] = e.finishes ? 1 : NO_EXIT;
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
    keepSteps(static_cast<int>(b), next);
    // the steps are counted in 32 bits
    if (stepCount > UINT32_MAX / 2) return false;
  }
  return true;
}

int RelaxedDistances::addAt(const Body& b, uint64_t hash, int depth) {
  size_t before = bodies.size();
  int index = add(b, hash);
  if (bodies.size() > before) distance.push_back(depth);
  return index;
}

void RelaxedDistances::prefetch(uint64_t hash) const {
  if (!slots.empty()) __builtin_prefetch(&slots[hash & (slots.size() - 1)]);
}

void RelaxedDistances::prefetchBody(uint64_t hash) const {
  if (slots.empty()) return;
  uint64_t slot = slots[hash & (slots.size() - 1)];
  if (slot != 0 && (slot & ~0xFFFFFFFFull) == (hash >> 32 << 32))
    __builtin_prefetch(&bodies[(slot & 0xFFFFFFFFull) - 1]);
}

void RelaxedDistances::make(const Body& b) {
  stepping->made.push_back(b);
  stepping->hashes.push_back(hashOf(b));
}

bool RelaxedDistances::expand(const Body& from) {
  bool finishes = false;
  // A rider's platform is where it was when it caught him: its top at his
  // feet, him alongside it. Any place of its round that fits will do.
  std::vector<int>& phases = phasesOfRide;
  phases.clear();
  const std::vector<PlatformPlace>* round = nullptr;
  int width = 0;
  if (from.platform >= 0) {
    round = &rounds[static_cast<size_t>(from.platform)];
    const std::vector<PlatformPlace>& byTop = tops[static_cast<size_t>(from.platform)];
    width = platformList->get(from.platform)->getWidth();
    int feet = from.y + playerH;
    auto at = std::lower_bound(byTop.begin(), byTop.end(), feet,
                               [](const PlatformPlace& place, int y) { return place.y < y; });
    for (; at != byTop.end() && at->y == feet; ++at)
      if (alongside(at->x, at->x + width, from.x, from.x + playerW)) phases.push_back(at->phase);
    std::sort(phases.begin(), phases.end());
    // none fits (a world put together by hand): every place, to be safe
    if (phases.empty())
      for (size_t phase = 0; phase < round->size(); phase++) phases.push_back(static_cast<int>(phase));
  } else {
    phases.push_back(-1);
  }
  bool canJump = from.onGround || from.platform >= 0;
  for (int action = 0; action < ACTIONS; action++) {
    if (action >= WALKS && !canJump) continue;
    if (from.platform < 0) {
      stepFrom(from, action, -1, -1, finishes);
      continue;
    }
    // A rider's tick reads of his platform only its height and vertical
    // speed as it starts (when he jumps; the height is the one after, less
    // that speed) and, once it has stepped, its height and speeds and
    // whether it is still alongside him; where he is then does not depend
    // on where along its way it is. So the places of a round that agree on
    // these lead where one of them leads, and only one is run.
    std::vector<RideTick>& runs = rideTicks;
    runs.clear();
    for (int phase : phases) {
      const PlatformPlace& now = (*round)[static_cast<size_t>(phase)];
      const PlatformPlace& next = (*round)[static_cast<size_t>(phase + 1) % round->size()];
      bool run = false;
      for (const RideTick& r : runs)
        if (r.speedYBefore == now.speedY && r.y == next.y && r.speedX == next.speedX &&
            r.speedY == next.speedY &&
            r.along == alongside(next.x, next.x + width, r.xAfter, r.xAfter + playerW)) {
          run = true;
          break;
        }
      if (run) continue;
      int xAfter = stepFrom(from, action, from.platform, phase, finishes);
      runs.push_back({now.speedY, next.y, next.speedX, next.speedY, xAfter,
                      alongside(next.x, next.x + width, xAfter, xAfter + playerW)});
    }
  }
  if (from.platform >= 0) park(from.platform);
  return finishes;
}

RunOutcome RelaxedDistances::tickAlone(int action) {
  static PlatformList none(0);
  PlatformList* kept = platformList;
  platformList = &none;
  int tick = 1;
  RunOutcome outcome = runTick(walkKeys(action), tick);
  platformList = kept;
  return outcome;
}

int RelaxedDistances::stepFrom(const Body& from, int action, int ridden, int phase,
                               bool& finishes) {
  putPlayer(from);
  RunOutcome outcome;
  if (ridden >= 0) {
    place(ridden, phase);
    int tick = 1;
    outcome = runTick(walkKeys(action), tick);
  } else {
    outcome = tickAlone(action);
  }
  if (outcome == RUN_FINISHED) finishes = true;
  if (outcome != RUN_PLAYING) return player->getX();
  Body after = bodyOfPlayer();
  make(after);
  catches(after, currentMap->getFallSpeed() + player->getSpeedY(), ridden);
  return after.x;
}

// The end of a tick: a platform whose top is at the player's feet as he
// falls or stands catches him and lifts him onto it. Each platform that was
// parked for the tick might have been anywhere on its round.
void RelaxedDistances::catches(const Body& after, int fallSpeedY, int except) {
  if (fallSpeedY <= 0) return;
  int feet = after.y + playerH;
  for (int i = 0; i < platformCount(); i++) {
    MovingPlatform* p = platformList->get(i);
    if (!p || i == except || !withinReach(after, i)) continue;
    // the places whose top is at most a platform's height above his feet
    const std::vector<PlatformPlace>& byTop = tops[static_cast<size_t>(i)];
    auto at = std::lower_bound(byTop.begin(), byTop.end(), feet - p->getHeight(),
                               [](const PlatformPlace& place, int y) { return place.y < y; });
    int last = feet + 1;
    for (; at != byTop.end() && at->y <= feet; ++at) {
      if (at->y == last || !takesUp(after, i, *at)) continue;
      last = at->y;
      Body caught = after;
      caught.y = at->y - playerH;
      caught.platform = static_cast<int16_t>(i);
      make(caught);
    }
  }
}

bool RelaxedDistances::caughtAt(const Body& b, int tick) const {
  for (size_t i = 0; i < rounds.size(); i++) {
    const std::vector<PlatformPlace>& round = rounds[i];
    if (round.empty() || !withinReach(b, static_cast<int>(i))) continue;
    if (takesUp(b, static_cast<int>(i), round[static_cast<size_t>(tick) % round.size()]))
      return true;
  }
  return false;
}

bool RelaxedDistances::takesUp(const Body& b, int platform, const PlatformPlace& at) const {
  const MovingPlatform* p = platformList->get(platform);
  int feet = b.y + playerH;
  return at.y <= feet && feet <= at.y + p->getHeight() &&
         alongside(at.x, at.x + p->getWidth(), b.x, b.x + playerW);
}

bool RelaxedDistances::withinReach(const Body& b, int platform) const {
  const Reach& reach = reaches[static_cast<size_t>(platform)];
  int feet = b.y + playerH;
  return feet >= reach.top && feet <= reach.bottom && b.x <= reach.right &&
         b.x + playerW >= reach.left;
}

// A body's successors, sorted, in a few bytes each: how many, then the
// first as its distance from the body's own index (zigzagged, for either
// way), then each as its distance from the one before. Most are bodies met
// just then, so the numbers are small: this halves the memory of the steps.
void RelaxedDistances::keepSteps(int index, const std::vector<int>& successors) {
  uint8_t bytes[16];
  size_t size = 0;
  auto put = [&](uint64_t value) {
    if (size + 10 > sizeof bytes) {
      steps.insert(steps.end(), bytes, bytes + size);
      size = 0;
    }
    putVarint(value, [&](uint8_t byte) { bytes[size++] = byte; });
  };
  put(successors.size());
  int64_t last = index;
  for (size_t i = 0; i < successors.size(); i++) {
    int64_t gap = successors[i] - last;
    put(i > 0 ? static_cast<uint64_t>(gap) : zigzag(gap));
    last = successors[i];
  }
  steps.insert(steps.end(), bytes, bytes + size);
  stepCount += successors.size();
}

template <typename Next, typename Visit>
void RelaxedDistances::forSteps(int index, Next& next, Visit visit) {
  uint64_t count = getVarint(next);
  int64_t at = index;
  for (uint64_t i = 0; i < count; i++) {
    uint64_t value = getVarint(next);
    at += i == 0 ? unzigzag(value) : static_cast<int64_t>(value);
    visit(static_cast<int>(at));
  }
}

void RelaxedDistances::distances() {
  size_t n = bodies.size();
  // The steps turned round: who leads to each body, in one array by body.
  std::vector<uint32_t> into(n + 2, 0);
  {
    auto at = steps.cbegin();
    auto next = [&at]() { return *at++; };
    for (size_t b = 0; b < n; b++)
      forSteps(static_cast<int>(b), next, [&into](int to) { into[static_cast<size_t>(to) + 2]++; });
  }
  for (size_t i = 2; i < n + 2; i++) into[i] += into[i - 1];
  // the steps are let go as they are turned, a block at a time
  std::vector<int32_t> from(stepCount);
  auto at = steps.cbegin();
  auto take = [&at]() { return *at++; };
  for (size_t b = 0; b < n; b++) {
    forSteps(static_cast<int>(b), take, [&](int to) {
      from[into[static_cast<size_t>(to) + 1]++] = static_cast<int32_t>(b);
    });
    if (at - steps.cbegin() > (1 << 16)) {
      at = steps.erase(steps.cbegin(), at);
    }
  }
  steps = std::deque<uint8_t>();

  // Fewest ticks back from the bodies a tick from an exit and from the
  // bodies left with their bound, which start further out. The steps all
  // take a tick, so the bodies are settled in order of distance by taking,
  // of the queue and of the starts sorted by their distance, the nearer.
  // (The starts are sized first and sorted in place, and the queue grows a
  // block at a time: nothing here is copied at twice its size.)
  std::vector<int32_t> starts;
  starts.reserve(static_cast<size_t>(
      std::count_if(distance.begin(), distance.end(), [](int32_t d) { return d != NO_EXIT; })));
  for (size_t b = 0; b < n; b++)
    if (distance[b] != NO_EXIT) starts.push_back(static_cast<int32_t>(b));
  std::sort(starts.begin(), starts.end(), [this](int32_t a, int32_t b) {
    int32_t da = distance[static_cast<size_t>(a)], db = distance[static_cast<size_t>(b)];
    return da != db ? da < db : a < b;
  });
  std::deque<int32_t> queue;
  std::vector<bool> settled(n, false);
  size_t nextStart = 0;
  while (nextStart < starts.size() || !queue.empty()) {
    size_t b;
    if (!queue.empty() &&
        (nextStart == starts.size() ||
         distance[static_cast<size_t>(queue.front())] <=
             distance[static_cast<size_t>(starts[nextStart])])) {
      b = static_cast<size_t>(queue.front());
      queue.pop_front();
    } else
      b = static_cast<size_t>(starts[nextStart++]);
    if (settled[b]) continue;
    settled[b] = true;
    for (uint32_t e = into[b]; e < into[b + 1]; e++) {
      size_t a = static_cast<size_t>(from[static_cast<size_t>(e)]);
      if (settled[a] || (distance[a] != NO_EXIT && distance[a] <= distance[b] + 1)) continue;
      distance[a] = distance[b] + 1;
      queue.push_back(static_cast<int32_t>(a));
    }
  }
}

int RelaxedDistances::ticksToExit() const {
  if (!ok) return UNKNOWN;
  int index = find(bodyOfPlayer());
  if (index < 0) return UNKNOWN;
  return distance[static_cast<size_t>(index)];
}
