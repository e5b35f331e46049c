// World state: saving, restoring and hashing the world of a run.
#include "world_state.h"

#include <allegro.h>

#include <algorithm>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"

namespace {

// Pictures are saved by their index in graphics.dat; the size follows them.
int pictureIndex(BITMAP* picture) {
  for (int i = 0; i < GFX_COUNT; i++)
    if (graphic(i) == picture) return i;
  return -1;
}

BITMAP* pictureAt(int index) { return index < 0 ? NULL : graphic(index); }


// Player::animate only asks whether fewer than 5 ticks went by.
const int ANIM_TICKS_THAT_MATTER = PLAYER_WALK_PICTURE_TICKS - 1;

const int PLATFORM_FIELDS = 4;
const int ENEMY_FIELDS = 8;

bool sizesDiffer(const std::vector<int>& pictures) {
  for (int index : pictures) {
    BITMAP* a = graphic(index);
    BITMAP* b = graphic(pictures[0]);
    if (!a || !b || a->w != b->w || a->h != b->h) return true;
  }
  return false;
}

class Hasher {
 public:
  void add(int64_t value) {
    uint64_t z = static_cast<uint64_t>(value) + 0x9E3779B97F4A7C15ull + (state << 6) + (state >> 2);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    state ^= z ^ (z >> 31);
  }
  uint64_t get() const { return state; }

 private:
  uint64_t state = 0x243F6A8885A308D3ull;
};

void recordPlatform(const MovingPlatform& m, std::vector<int>& out) {
  int fields[] = {m.getX(), m.getY(), m.getSpeedX(), m.getVerticalSpeed()};
  out.insert(out.end(), std::begin(fields), std::end(fields));
}

const int* putPlatform(MovingPlatform& m, const int* data) {
  m.setX(data[0]);
  m.setY(data[1]);
  m.setSpeedX(data[2]);
  m.setVerticalSpeed(data[3]);
  return data + PLATFORM_FIELDS;
}

void recordEnemy(const Enemy& e, std::vector<int>& out) {
  int fields[] = {e.getX(),         e.getY(),          e.getSpeedX(),
                  e.getSpeedY(),    e.getDirection(),  e.isOnGround(),
                  pictureIndex(e.getSprite()), e.getAnimTicks()};
  out.insert(out.end(), std::begin(fields), std::end(fields));
}

const int* putEnemy(Enemy& e, const int* data) {
  e.setX(data[0]);
  e.setY(data[1]);
  e.setSpeedX(data[2]);
  e.setSpeedY(data[3]);
  e.setDirection(data[4]);
  e.setOnGround(data[5]);
  e.setSprite(pictureAt(data[6]));
  e.setAnimTicks(data[7]);
  e.setAlive(true);
  return data + ENEMY_FIELDS;
}


// A shot enemy only falls out of the map: puts it where its fall has ended.
void putAway(Enemy& e) {
  e.setAlive(false);
  e.setSpeedY(0);
  e.setY(currentMap->getHeightPixels() * 2 + 1000);
}

}  // namespace

WorldState::WorldState()
    : playerLookMatters(sizesDiffer({GFX_PLAYER_AIR, GFX_PLAYER_STAND, GFX_PLAYER_WALK})),
      enemyLookMatters(sizesDiffer({GFX_ENEMY_WALK_1, GFX_ENEMY_WALK_2})),
      timeBonusTotal(0) {
  for (int row = 0; row < currentMap->getRows(); row++) {
    for (int col = 0; col < currentMap->getCols(); col++) {
      Tile* tile = currentMap->getTile(col, row);
      if (tile->getType() != TILE_PICKUP) continue;
      PickupTile* pickup = static_cast<PickupTile*>(tile);
      pickups.push_back(pickup);
      inKey.push_back(pickup->getBullets() != 0 || pickup->getBonusTime() != 0);
      timeBonusTotal += std::max(0, pickup->getBonusTime());
    }
  }
  for (Enemy* e = enemyList->getHead(); e; e = e->getNext()) enemies.push_back(e);
  for (int i = 0; i < platformList->getCapacity(); i++)
    if (platformList->get(i)) platforms.push_back(platformList->get(i));
  recordSize = platforms.size() * PLATFORM_FIELDS + enemies.size() * ENEMY_FIELDS;
  for (MovingPlatform* m : platforms) recordPlatform(*m, timeline);
  for (Enemy* e : enemies) recordEnemy(*e, timeline);
}

const int* WorldState::movingAt(int tick) const {
  size_t have = recordSize ? timeline.size() / recordSize : 0;
  if (recordSize == 0) return timeline.data();
  if (static_cast<size_t>(tick) >= have) {
    // Run the platforms and enemies on by themselves, as the world update
    // moves them, then put the live ones back as they were.
    std::vector<int> live;
    for (MovingPlatform* m : platforms) recordPlatform(*m, live);
    for (Enemy* e : enemies) recordEnemy(*e, live);
    std::vector<bool> alive;
    for (Enemy* e : enemies) alive.push_back(e->isAlive());

    const int* last = timeline.data() + (have - 1) * recordSize;
    for (MovingPlatform* m : platforms) last = putPlatform(*m, last);
    for (Enemy* e : enemies) last = putEnemy(*e, last);
    timeline.reserve(static_cast<size_t>(tick + 1) * recordSize);
    for (size_t t = have; t <= static_cast<size_t>(tick); t++) {
      enemyList->updateAll();
      platformList->moveAll();
      for (MovingPlatform* m : platforms) recordPlatform(*m, timeline);
      for (Enemy* e : enemies) recordEnemy(*e, timeline);
    }

    const int* back = live.data();
    for (MovingPlatform* m : platforms) back = putPlatform(*m, back);
    for (size_t i = 0; i < enemies.size(); i++) {
      back = putEnemy(*enemies[i], back);
      enemies[i]->setAlive(alive[i]);
    }
  }
  return timeline.data() + static_cast<size_t>(tick) * recordSize;
}

void WorldState::save(int tick, std::vector<int>& out) const {
  out.push_back(tick);
  out.push_back(timeLeft.load());
  out.push_back(currentMap->isFinished());

  const Player& p = *player;
  int fields[] = {p.getX(), p.getY(), p.getSpeedX(), p.getSpeedY(), p.getDirection(),
                  p.isOnGround(), p.isAlive(), pictureIndex(p.getSprite()), p.getLives(),
                  platformList->indexOf(p.getPlatform()), p.getAnimTicks(), p.getBullets(),
                  p.getPoints(), p.getBonusTime()};
  out.insert(out.end(), std::begin(fields), std::end(fields));

  // 32 to an integer: the enemies still alive, the pickups still there
  for (size_t i = 0; i < enemies.size(); i += 32) {
    uint32_t bits = 0;
    for (size_t j = i; j < enemies.size() && j < i + 32; j++)
      if (enemies[j]->isAlive()) bits |= 1u << (j - i);
    out.push_back(static_cast<int>(bits));
  }
  for (size_t i = 0; i < pickups.size(); i += 32) {
    uint32_t bits = 0;
    for (size_t j = i; j < pickups.size() && j < i + 32; j++)
      if (pickups[j]->getType() == TILE_PICKUP) bits |= 1u << (j - i);
    out.push_back(static_cast<int>(bits));
  }

  size_t countAt = out.size();
  out.push_back(0);
  for (Bullet* b = bulletList->getHead(); b; b = b->getNext()) {
    int bullet[] = {b->getX(), b->getY(), b->getSpeedX(), b->getDirection()};
    out.insert(out.end(), std::begin(bullet), std::end(bullet));
    out[countAt]++;
  }
}

int WorldState::restore(const int* data) const {
  int tick = *data++;
  timeLeft = *data++;
  if (*data++) currentMap->setFinished();
  else currentMap->resetFinished();

  Player& p = *player;
  p.setX(*data++);
  p.setY(*data++);
  p.setSpeedX(*data++);
  p.setSpeedY(*data++);
  p.setDirection(*data++);
  p.setOnGround(*data++);
  p.setAlive(*data++);
  p.setSprite(pictureAt(*data++));
  p.setLives(*data++);
  int ridden = *data++;
  p.setPlatform(ridden < 0 ? NULL : platformList->get(ridden));
  p.setAnimTicks(*data++);
  p.setBullets(*data++);
  p.setPoints(*data++);
  p.setBonusTime(*data++);

  const int* moving = movingAt(tick);
  for (MovingPlatform* m : platforms) moving = putPlatform(*m, moving);
  for (size_t i = 0; i < enemies.size(); i += 32) {
    uint32_t bits = static_cast<uint32_t>(*data++);
    for (size_t j = i; j < enemies.size() && j < i + 32; j++) {
      if (bits & (1u << (j - i))) putEnemy(*enemies[j], moving);
      else putAway(*enemies[j]);
      moving += ENEMY_FIELDS;
    }
  }
  // A collected pickup's picture is gone for good; only drawing misses it.
  for (size_t i = 0; i < pickups.size(); i += 32) {
    uint32_t bits = static_cast<uint32_t>(*data++);
    for (size_t j = i; j < pickups.size() && j < i + 32; j++)
      pickups[j]->setType(bits & (1u << (j - i)) ? TILE_PICKUP : TILE_EMPTY);
  }

  bulletList->clear();
  int bullets = *data++;
  for (int i = 0; i < bullets; i++) {
    bulletList->add(0, 0, 1);
    Bullet* b = bulletList->getTail();
    b->setX(*data++);
    b->setY(*data++);
    b->setSpeedX(*data++);
    b->setDirection(*data++);
  }
  return tick;
}

bool WorldState::shotCanHit(int tick, int x, int y, int direction) const {
  BITMAP* picture = graphic(GFX_BULLET);
  int w = picture ? picture->w : 0;
  int h = picture ? picture->h : 0;
  int mapW = currentMap->getWidthPixels();
  int mapH = currentMap->getHeightPixels();
  if (y < 0 || y + h > mapH) return false;
  // as the bullet list moves and checks a bullet, a tick at a time
  for (int t = tick + 1;; t++) {
    x += BULLET_SPEED * direction;
    if (x > mapW || x < 0) return false;
    int probe = direction > 0 ? x + w : x;
    if (probe >= mapW || currentMap->getTileAtPixel(probe, y)->getType() == TILE_SOLID)
      return false;
    const int* moving = movingAt(t) + platforms.size() * PLATFORM_FIELDS;
    for (size_t i = 0; i < enemies.size(); i++, moving += ENEMY_FIELDS) {
      if (!enemies[i]->isAlive()) continue;
      BITMAP* look = pictureAt(moving[6]);
      int ex = moving[0], ey = moving[1];
      int er = ex + (look ? look->w : 0), eb = ey + (look ? look->h : 0);
      bool across = (ex <= x && x <= er) || (ex <= x + w && x + w <= er);
      bool along = (ey <= y && y <= eb) || (ey <= y + h && y + h <= eb);
      if (across && along) return true;
    }
  }
}

uint64_t WorldState::key() const {
  Hasher h;
  const Player& p = *player;
  int fields[] = {p.getX(), p.getY(), p.getSpeedX(), p.getSpeedY(), p.getDirection(),
                  p.isOnGround(), p.isAlive(), p.getLives(), platformList->indexOf(p.getPlatform()),
                  p.getBullets(), p.getBonusTime()};
  for (int f : fields) h.add(f);
  if (playerLookMatters) {
    h.add(pictureIndex(p.getSprite()));
    h.add(std::min(p.getAnimTicks(), ANIM_TICKS_THAT_MATTER));
  }
  for (Enemy* e : enemies) {
    h.add(e->isAlive());
    if (!e->isAlive()) continue;
    int enemy[] = {e->getX(), e->getY(), e->getSpeedX(), e->getSpeedY(), e->getDirection(),
                   e->isOnGround()};
    for (int f : enemy) h.add(f);
    if (enemyLookMatters) {
      h.add(pictureIndex(e->getSprite()));
      h.add(e->getAnimTicks());
    }
  }
  for (MovingPlatform* m : platforms) {
    h.add(m->getX());
    h.add(m->getY());
    h.add(m->getSpeedX());
    h.add(m->getVerticalSpeed());
  }
  for (size_t i = 0; i < pickups.size(); i++)
    if (inKey[i]) h.add(pickups[i]->getType());
  for (Bullet* b = bulletList->getHead(); b; b = b->getNext()) {
    h.add(b->getX());
    h.add(b->getY());
    h.add(b->getSpeedX());
    h.add(b->getDirection());
  }
  return h.get();
}
