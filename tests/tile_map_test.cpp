// Tile map: what each code builds, lookups in and outside the grid, the
// layers, reloading, and files that cannot be used.
#include <allegro.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <set>
#include <sstream>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/level_file.h"
#include "level/tile_map.h"
#include "render/background_layer.h"
#include "test_support.h"

class TileMapTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }
};

TEST_F(TileMapTest, EachCodeBuildsItsKindOfTile) {
  TileMap* map = useLevel("Codes\n16,1\n32,32\n15\n100\n0\n0,1,2,3,4,5,6,7,8,9,10,11,12,-1,13,99,");
  const int expectedType[16] = {0, 1, 0, 2, 1, 3, 2, 3, 1, 4, 1, 2, 0, 0, 0, 0};
  const bool hasPicture[16] = {false, true, false, true, true, true, true, true,
                               true,  true, true,  true, false, false, false, false};
  for (int col = 0; col < 16; col++) {
    Tile* tile = map->getTile(col, 0);
    EXPECT_EQ(tile->getType(), expectedType[col]) << "code in column " << col;
    EXPECT_EQ(tile->hasPicture(), hasPicture[col]) << "code in column " << col;
    EXPECT_EQ(tile->getCol(), col);
    EXPECT_EQ(tile->getRow(), 0);
  }
  PickupTile* points = static_cast<PickupTile*>(map->getTile(3, 0));
  PickupTile* ammo = static_cast<PickupTile*>(map->getTile(6, 0));
  PickupTile* time = static_cast<PickupTile*>(map->getTile(11, 0));
  EXPECT_EQ(points->getPoints(), 5);
  EXPECT_EQ(points->getBullets() + points->getBonusTime(), 0);
  EXPECT_EQ(ammo->getBullets(), 3);
  EXPECT_EQ(ammo->getPoints() + ammo->getBonusTime(), 0);
  EXPECT_EQ(time->getBonusTime(), 20);
  EXPECT_EQ(time->getPoints() + time->getBullets(), 0);
}

TEST_F(TileMapTest, EnemiesStandAtTheirCellsInFileOrder) {
  std::vector<std::string> rows(7, "......");
  rows[5][3] = 'e';
  rows[1][4] = 'e';
  rows[5][1] = 'e';
  TileMap* map = useLevel(levelText(rows));
  EXPECT_EQ(map->getTile(3, 5)->getType(), TILE_EMPTY);
  Enemy* first = enemyList->getHead();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->getX(), 4 * 32);  // row 1 comes first
  EXPECT_EQ(first->getY(), 1 * 32);
  ASSERT_NE(first->getNext(), nullptr);
  EXPECT_EQ(first->getNext()->getX(), 32);
  Enemy* third = first->getNext()->getNext();
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(third->getX(), 96);
  EXPECT_EQ(third->getY(), 160);
  EXPECT_EQ(third->getNext(), nullptr);
  EXPECT_EQ(enemyList->getTail(), third);
}

TEST_F(TileMapTest, PlatformRecordsBecomeHorizontalOrVerticalMovers) {
  useLevel(levelText({"...."}, 15, 100, {{100, 200, 140, 200}, {100, 200, 300, 260}}));
  ASSERT_EQ(platformList->getCapacity(), 2);
  ASSERT_EQ(platformList->getCount(), 2);
  MovingPlatform* horizontal = platformList->get(0);
  MovingPlatform* vertical = platformList->get(1);
  EXPECT_EQ(horizontal->getSpeedX(), 4);
  EXPECT_EQ(horizontal->getVerticalSpeed(), 0);
  EXPECT_EQ(vertical->getSpeedX(), 0);  // xMax differs, but y != yMax decides
  EXPECT_EQ(vertical->getVerticalSpeed(), 4);

  useLevel(levelText({"...."}));
  EXPECT_EQ(platformList->getCapacity(), 0);
}

TEST_F(TileMapTest, LookupsByCellAndPixelCoverTheGridCorners) {
  std::vector<std::string> rows = {"#....", ".....", "....E"};
  TileMap* map = useLevel(levelText(rows));
  EXPECT_EQ(map->getTile(0, 0)->getType(), TILE_SOLID);
  EXPECT_EQ(map->getTile(4, 2)->getType(), TILE_EXIT);
  EXPECT_EQ(map->getTileAtPixel(31, 31), map->getTile(0, 0));
  EXPECT_EQ(map->getTileAtPixel(32, 0), map->getTile(1, 0));
  EXPECT_EQ(map->getTileAtPixel(159, 95), map->getTile(4, 2));
}

TEST_F(TileMapTest, LookupsOutsideTheGridYieldAnEmptyTile) {
  std::vector<std::string> rows = {"###", "###"};
  TileMap* map = useLevel(levelText(rows));
  const int outside[][2] = {{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {3, 2}, {-100000, 5}, {2, 1 << 30}};
  for (const auto& cell : outside) {
    Tile* tile = map->getTile(cell[0], cell[1]);
    EXPECT_EQ(tile->getType(), TILE_EMPTY) << cell[0] << "," << cell[1];
    EXPECT_EQ(tile->getPicture(), nullptr);
  }
  EXPECT_EQ(map->getTileAtPixel(-1, 0)->getType(), TILE_EMPTY);  // not column 0
  EXPECT_EQ(map->getTileAtPixel(96, 0)->getType(), TILE_EMPTY);
}

TEST_F(TileMapTest, LayersStandOnTheBottomOfTheMap) {
  std::vector<std::string> rows(20, "..........");
  TileMap* map = useLevel(levelText(rows));
  BackgroundLayer* const* layers = map->getLayers();
  EXPECT_EQ(layers[0]->getY(), 20 * 32 - TEST_FAR_BACKGROUND_H);
  EXPECT_FLOAT_EQ(layers[0]->getParallax(), 0.3f);
  EXPECT_EQ(layers[1]->getY(), 20 * 32 - TEST_NEAR_BACKGROUND_H);
  EXPECT_FLOAT_EQ(layers[1]->getParallax(), 0.9f);
}

TEST_F(TileMapTest, ReloadBringsBackPickupsEnemiesAndPlatformsAndDropsBullets) {
  TileMap* map = useLevel(levelText({"o.e.a", "#####"}, 15, 100, {{10, 20, 60, 20}}));
  player->collectPickup(static_cast<PickupTile*>(map->getTile(0, 0)));
  enemyList->getHead()->setX(5);
  platformList->moveAll();
  bulletList->add(1, 1, 1);
  bulletList->add(2, 2, -1);
  ASSERT_EQ(map->getTile(0, 0)->getType(), TILE_EMPTY);

  map->reload();
  EXPECT_EQ(map->getTile(0, 0)->getType(), TILE_PICKUP);
  EXPECT_TRUE(map->getTile(0, 0)->hasPicture());
  ASSERT_NE(enemyList->getHead(), nullptr);
  EXPECT_EQ(enemyList->getHead()->getX(), 64);
  EXPECT_EQ(enemyList->getHead()->getNext(), nullptr);  // one enemy, not two
  EXPECT_EQ(platformList->get(0)->getX(), 10);
  EXPECT_EQ(bulletList->getHead(), nullptr);
  EXPECT_EQ(player->getPoints(), 5);  // what was collected stays collected
  EXPECT_STREQ(map->getName(), "Test level");
}

TEST_F(TileMapTest, ReplacingThePlatformListLetsGoOfTheRiddenPlatform) {
  useLevel(levelText({"...."}, 15, 100, {{0, 100, 50, 100}}));
  player->setPlatform(platformList->get(0));
  useLevel(levelText({"...."}));
  EXPECT_FALSE(player->isOnPlatform());
}

TEST_F(TileMapTest, AFileThatCannotBeOpenedIsReportedByName) {
  TileMap map("/nonexistent/folder/level9.dat");
  std::string error;
  EXPECT_FALSE(map.tryLoad(error));
  EXPECT_NE(error.find("/nonexistent/folder/level9.dat"), std::string::npos) << error;
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

TEST_F(TileMapTest, MalformedFileMessageNamesTheFileAndLine) {
  std::string path = writeTempFile("Broken\n4,4\n32,32\n15\n100\n0\n1,1,1,\n1,", "broken.dat");
  TileMap map(path);
  std::string error;
  EXPECT_FALSE(map.tryLoad(error));
  EXPECT_EQ(error.find(path + ": line 8: expected tile record 5 of 16"), 0u) << error;
}

TEST_F(TileMapTest, GameEndsWithNonZeroStatusOnABadLevelFile) {
  std::string broken = writeTempFile("Broken\n0,4\n", "zero.dat");
  EXPECT_EXIT({ TileMap(broken).load(); }, ::testing::ExitedWithCode(1),
              "brindlecove: .*zero.dat: line 2: the grid of 0 x 4");
  EXPECT_EXIT({ TileMap("./missing-level.dat").load(); }, ::testing::ExitedWithCode(1),
              "brindlecove: ./missing-level.dat: cannot open");
}

TEST_F(TileMapTest, AnEmptyFileADirectoryAndAnEndlessFileAreNamedForWhatTheyAre) {
  const std::string empty = writeTempFile("", "empty.dat"), folder = writeTempFile("", "folder.dat");
  std::remove(folder.c_str());
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  for (const auto& c : {std::make_pair(empty, ": the level file is empty"),
                        std::make_pair(folder, ": is a directory, not a level file"),
                        std::make_pair(std::string("/dev/zero"),
                                       ": line 1: the level name is longer than 29 characters: '"
                                       "\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\u2026'")}) {
    std::string error;
    EXPECT_FALSE(TileMap(c.first).tryLoad(error)) << c.first;
    EXPECT_EQ(error, c.first + c.second);
  }
  EXPECT_EXIT({ TileMap(folder).load(); }, ::testing::ExitedWithCode(1),
              "brindlecove: .*folder.dat: is a directory, not a level file");
}

// What one code of the file should build, from the code table of the level
// format: the tile's type, its first picture (-1 none), what a pickup gives.
struct ExpectedCell {
  int type;
  int picture;
  int points, bullets, seconds;
};

ExpectedCell expectedFor(int code) {
  switch (code) {
    case 1: return {TILE_SOLID, GFX_BLOCK_A, 0, 0, 0};
    case 3: return {TILE_PICKUP, 0, 5, 0, 0};
    case 4: return {TILE_SOLID, GFX_BLOCK_B, 0, 0, 0};
    case 5: return {TILE_DEADLY, GFX_SPIKES_1, 0, 0, 0};
    case 6: return {TILE_PICKUP, GFX_AMMO_PICKUP, 0, 3, 0};
    case 7: return {TILE_DEADLY, 14, 0, 0, 0};
    case 8: return {TILE_SOLID, GFX_BLOCK_D, 0, 0, 0};
    case 9: return {TILE_EXIT, GFX_EXIT, 0, 0, 0};
    case 10: return {TILE_SOLID, GFX_BLOCK_C, 0, 0, 0};
    case 11: return {TILE_PICKUP, GFX_TIME_PICKUP, 0, 0, 20};
    default: return {TILE_EMPTY, -1, 0, 0, 0};  // 0, 2 (an enemy's cell), 12 and unknown codes
  }
}

TEST_F(TileMapTest, AMixedLevelBuildsWhatItsFileSaysCellByCell) {
  // Every code, known or not, scattered over a 19-row level, and platforms.
  const int cols = 41, rows = 19;
  std::string text = "Mixed\n" + std::to_string(cols) + "," + std::to_string(rows) +
                     "\n32,32\n15\n100\n3\n10,20,60,20\n100,200,100,400\n-5,7,9,7\n";
  for (int k = 0; k < cols * rows; k++) text += std::to_string((k * 7 + k / 3) % 16 - 1) + ",";
  std::istringstream in(text);
  LevelFile level;
  std::string error;
  ASSERT_TRUE(parseLevelFile(in, level, error)) << error;

  TileMap* map = useLevel(text);
  ASSERT_EQ(map->getCols(), cols);
  ASSERT_EQ(map->getRows(), rows);
  std::set<Tile*> seen;
  Enemy* enemy = enemyList->getHead();
  for (int row = 0; row < rows; row++) {
    for (int col = 0; col < cols; col++) {
      int code = level.codes[row * cols + col];
      ExpectedCell want = expectedFor(code);
      Tile* tile = map->getTile(col, row);
      SCOPED_TRACE("code " + std::to_string(code) + " at " + std::to_string(col) + "," +
                   std::to_string(row));
      EXPECT_TRUE(seen.insert(tile).second);  // a tile of its own
      EXPECT_EQ(tile->getCol(), col);
      EXPECT_EQ(tile->getRow(), row);
      EXPECT_EQ(tile->getType(), want.type);
      EXPECT_EQ(tile->hasPicture(), want.picture >= 0);
      EXPECT_EQ(tile->getPicture(), want.picture >= 0 ? graphic(want.picture) : nullptr);
      if (want.type == TILE_PICKUP) {
        PickupTile* pickup = static_cast<PickupTile*>(tile);
        EXPECT_EQ(pickup->getPoints(), want.points);
        EXPECT_EQ(pickup->getBullets(), want.bullets);
        EXPECT_EQ(pickup->getBonusTime(), want.seconds);
      }
      if (code == 2) {  // the enemies, in file order
        ASSERT_NE(enemy, nullptr);
        EXPECT_EQ(enemy->getX(), col * 32);
        EXPECT_EQ(enemy->getY(), row * 32);
        enemy = enemy->getNext();
      }
    }
  }
  EXPECT_EQ(enemy, nullptr);  // no more enemies than cells of code 2

  ASSERT_EQ(platformList->getCount(), static_cast<int>(level.platforms.size()));
  for (size_t i = 0; i < level.platforms.size(); i++) {
    EXPECT_EQ(platformList->get(i)->getX(), level.platforms[i].x);
    EXPECT_EQ(platformList->get(i)->getY(), level.platforms[i].y);
  }
}

TEST_F(TileMapTest, EachTileKeepsItsOwnPictureStep) {
  TileMap* map = useLevel(levelText({"FFaa.SoS"}));
  Tile* fire = map->getTile(0, 0);
  for (int call = 0; call < 4; call++) fire->getPicture();
  EXPECT_EQ(fire->getPicture(), graphic(15));  // the fifth call moves the fire on
  EXPECT_EQ(map->getTile(1, 0)->getPicture(), graphic(14));  // the other has not moved
  // Collecting one ammunition pickup leaves the other's picture.
  map->getTile(2, 0)->setAnimation(nullptr);
  EXPECT_FALSE(map->getTile(2, 0)->hasPicture());
  EXPECT_EQ(map->getTile(3, 0)->getPicture(), graphic(GFX_AMMO_PICKUP));
  for (int call = 0; call < 10; call++) map->getTile(5, 0)->getPicture();
  EXPECT_EQ(map->getTile(5, 0)->getPicture(), graphic(GFX_SPIKES_2));
  EXPECT_EQ(map->getTile(7, 0)->getPicture(), graphic(GFX_SPIKES_1));
  // A reload starts every picture again.
  map->reload();
  EXPECT_EQ(map->getTile(0, 0)->getPicture(), graphic(14));
  EXPECT_EQ(map->getTile(2, 0)->getPicture(), graphic(GFX_AMMO_PICKUP));
}
