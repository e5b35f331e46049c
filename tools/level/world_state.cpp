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

int platformIndex(const MovingPlatform* ridden) {
  if (!ridden) return -1;
  for (int i = 0; i < platformList->getCapacity(); i++)
    if (platformList->get(i) == ridden) return i;
  return -1;
}

// Player::animate only asks whether fewer than 5 ticks went by.
const int ANIM_TICKS_THAT_MATTER = PLAYER_WALK_PICTURE_TICKS - 1;

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
}

void WorldState::save(int tick, std::vector<int>& out) const {
  out.push_back(tick);
  out.push_back(timeLeft.load());
  out.push_back(scrollX);
  out.push_back(scrollY);
  out.push_back(currentMap->isFinished());

  const Player& p = *player;
  int fields[] = {p.getX(), p.getY(), p.getSpeedX(), p.getSpeedY(), p.getDirection(),
                  p.isOnGround(), p.isAlive(), pictureIndex(p.getSprite()), p.getLives(),
                  platformIndex(p.getPlatform()), p.getAnimTicks(), p.getBullets(),
                  p.getPoints(), p.getBonusTime()};
  out.insert(out.end(), std::begin(fields), std::end(fields));

  for (Enemy* e = enemyList->getHead(); e; e = e->getNext()) {
    int enemy[] = {e->getX(), e->getY(), e->getSpeedX(), e->getSpeedY(), e->getDirection(),
                   e->isOnGround(), e->isAlive(), pictureIndex(e->getSprite()),
                   e->getAnimTicks()};
    out.insert(out.end(), std::begin(enemy), std::end(enemy));
  }

  for (int i = 0; i < platformList->getCapacity(); i++) {
    MovingPlatform* m = platformList->get(i);
    if (!m) continue;
    int platform[] = {m->getX(), m->getY(), m->getSpeedX(), m->getVerticalSpeed()};
    out.insert(out.end(), std::begin(platform), std::end(platform));
  }

  // Collected or not, 32 pickups to an integer.
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
  scrollX = *data++;
  scrollY = *data++;
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

  for (Enemy* e = enemyList->getHead(); e; e = e->getNext()) {
    e->setX(*data++);
    e->setY(*data++);
    e->setSpeedX(*data++);
    e->setSpeedY(*data++);
    e->setDirection(*data++);
    e->setOnGround(*data++);
    e->setAlive(*data++);
    e->setSprite(pictureAt(*data++));
    e->setAnimTicks(*data++);
  }

  for (int i = 0; i < platformList->getCapacity(); i++) {
    MovingPlatform* m = platformList->get(i);
    if (!m) continue;
    m->setX(*data++);
    m->setY(*data++);
    m->setSpeedX(*data++);
    m->setVerticalSpeed(*data++);
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

uint64_t WorldState::key() const {
  Hasher h;
  const Player& p = *player;
  int fields[] = {p.getX(), p.getY(), p.getSpeedX(), p.getSpeedY(), p.getDirection(),
                  p.isOnGround(), p.isAlive(), p.getLives(), platformIndex(p.getPlatform()),
                  p.getBullets(), p.getBonusTime()};
  for (int f : fields) h.add(f);
  if (playerLookMatters) {
    h.add(pictureIndex(p.getSprite()));
    h.add(std::min(p.getAnimTicks(), ANIM_TICKS_THAT_MATTER));
  }
  for (Enemy* e = enemyList->getHead(); e; e = e->getNext()) {
    int enemy[] = {e->getX(), e->getY(), e->getSpeedX(), e->getSpeedY(), e->getDirection(),
                   e->isOnGround(), e->isAlive()};
    for (int f : enemy) h.add(f);
    if (enemyLookMatters) {
      h.add(pictureIndex(e->getSprite()));
      h.add(e->getAnimTicks());
    }
  }
  for (int i = 0; i < platformList->getCapacity(); i++) {
    MovingPlatform* m = platformList->get(i);
    if (!m) continue;
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
