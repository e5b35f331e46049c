// Bullets: flight, removal at the borders and at walls, the list's links,
// and which enemy a shot strikes.
#include <allegro.h>
#include <gtest/gtest.h>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "test_support.h"

namespace {

class BulletTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }
  TileMap* open() { return useLevel(levelText(std::vector<std::string>(8, "..........")));
  }
  int count() {
    int n = 0;
    for (Bullet* b = bulletList->getHead(); b; b = b->getNext()) n++;
    return n;
  }
  void tick() {
    bulletList->moveAll();
    bulletList->checkHits();
  }
};

}  // namespace

TEST_F(BulletTest, AShotIsFirstTested15PixelsFromWhereItWasFired) {
  std::vector<std::string> rows(8, "..........");
  rows[1][3] = '#';  // x 96..127: where the shot starts, never tested
  rows[1][1] = '#';  // x 32..63
  useLevel(levelText(rows));
  player->setX(100);
  player->setY(40);
  player->setDirection(-1);
  player->setBullets(1);
  player->fire();
  tick();
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(bulletList->getHead()->getX(), 85);
  tick();  // 70: still open
  ASSERT_EQ(count(), 1);
  tick();  // 55: inside the block at column 1
  EXPECT_EQ(count(), 0);
}

TEST_F(BulletTest, LeavesTheMapAtEachBorder) {
  TileMap* map = open();
  int mapW = map->getWidthPixels();
  int mapH = map->getHeightPixels();
  bulletList->add(10, 10, -1);           // x -5 after its step
  bulletList->add(100, -1, 1);           // above the map
  bulletList->add(100, mapH - 3, 1);     // bottom below the map
  bulletList->add(mapW - 20, 10, 1);     // its leading edge reaches MW
  tick();
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(bulletList->getTail(), nullptr);
}

TEST_F(BulletTest, ABulletFlyingAlongOpenSpaceGoesOn) {
  open();
  bulletList->add(20, 10, 1);
  for (int i = 0; i < 10; i++) tick();
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(bulletList->getHead()->getX(), 170);
}

TEST_F(BulletTest, RemoveMendsTheLinksAtHeadMiddleAndTail) {
  open();
  for (int i = 0; i < 4; i++) bulletList->add(i, 0, 1);
  Bullet* first = bulletList->getHead();
  Bullet* second = first->getNext();
  Bullet* third = second->getNext();
  Bullet* fourth = bulletList->getTail();
  bulletList->remove(second);
  EXPECT_EQ(first->getNext(), third);
  EXPECT_EQ(third->getPrev(), first);
  bulletList->remove(first);
  EXPECT_EQ(bulletList->getHead(), third);
  EXPECT_EQ(third->getPrev(), nullptr);
  bulletList->remove(fourth);
  EXPECT_EQ(bulletList->getTail(), third);
  EXPECT_EQ(third->getNext(), nullptr);
  bulletList->remove(third);
  EXPECT_EQ(bulletList->getHead(), nullptr);
  EXPECT_EQ(bulletList->getTail(), nullptr);
  bulletList->clear();
  EXPECT_EQ(bulletList->getHead(), nullptr);
}

TEST_F(BulletTest, OnlyTheFirstLiveEnemyInListOrderIsStruck) {
  open();
  enemyList->add(100, 40);
  enemyList->add(95, 40);
  Enemy* first = enemyList->getHead();
  Enemy* second = first->getNext();
  bulletList->add(80, 50, 1);  // 95..105 after its step: inside both
  tick();
  EXPECT_FALSE(first->isAlive());
  EXPECT_EQ(first->getSpeedY(), -25);
  EXPECT_TRUE(second->isAlive());
  EXPECT_EQ(count(), 0);

  bulletList->add(80, 50, 1);  // the dead one is passed through
  tick();
  EXPECT_FALSE(second->isAlive());
}

TEST_F(BulletTest, AWideBulletCoveringAnEnemyWithoutAnEdgeInsideMisses) {
  open();
  enemyList->add(120, 40);
  enemyList->getHead()->setSprite(graphic(GFX_BULLET));  // 120..130
  bulletList->add(85, 40, 1);
  bulletList->getHead()->setSprite(graphic(GFX_PLATFORM));  // 100..164 after its step
  tick();
  EXPECT_TRUE(enemyList->getHead()->isAlive());
  EXPECT_EQ(count(), 1);
}

TEST_F(BulletTest, NoEnemiesStillLetsWallsAndBordersRemoveBullets) {
  std::vector<std::string> rows(8, "..........");
  rows[0][5] = '#';
  useLevel(levelText(rows));
  bulletList->add(130, 5, 1);
  tick();  // leading edge at 155: column 4
  EXPECT_EQ(count(), 1);
  tick();  // 170: the block
  EXPECT_EQ(count(), 0);
}
