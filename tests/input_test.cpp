// Keyboard controls in each in-game state.
#include <allegro.h>
#include <gtest/gtest.h>

#include "actors/bullet.h"
#include "actors/player.h"
#include "app/game_state.h"
#include "app/input.h"
#include "level/tile_map.h"
#include "test_support.h"

namespace {

const int FLOOR_Y = 7 * 32 - TEST_PLAYER_H;

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetGameState();
    std::vector<std::string> rows(7, std::string(20, '.'));
    rows.push_back(std::string(20, '#'));
    useLevel(levelText(rows, 15, 77));
    player->setX(100);
    player->setY(FLOOR_Y);
    player->setOnGround(true);
    clear_keybuf();
  }
  void TearDown() override {
    for (int i = 0; i < KEY_MAX; i++) key[i] = 0;
    clear_keybuf();
  }
};

}  // namespace

TEST_F(InputTest, ArrowsSetTheWalkingSpeedAndRightWinsOverLeft) {
  key[KEY_LEFT] = 1;
  handleInput();
  EXPECT_EQ(player->getSpeedX(), -6);
  key[KEY_RIGHT] = 1;
  handleInput();
  EXPECT_EQ(player->getSpeedX(), 6);
}

TEST_F(InputTest, UpJumpsOnlyFromTheGroundOrAPlatform) {
  key[KEY_UP] = 1;
  handleInput();
  EXPECT_EQ(player->getSpeedY(), -29);
  EXPECT_FALSE(player->isOnGround());
  int y = player->getY();
  handleInput();  // in the air: no second jump
  EXPECT_EQ(player->getY(), y);
  EXPECT_EQ(player->getSpeedY(), -29);
}

TEST_F(InputTest, SpaceFiresOncePerBufferedPressAndTheBufferEmptiesEveryTick) {
  player->setBullets(5);
  key[KEY_SPACE] = 1;
  handleInput();  // held, but nothing in the key buffer
  EXPECT_EQ(player->getBullets(), 5);
  simulate_keypress(' ');
  handleInput();
  EXPECT_EQ(player->getBullets(), 4);
  handleInput();
  EXPECT_EQ(player->getBullets(), 4);
  EXPECT_FALSE(keypressed());
}

TEST_F(InputTest, KeysDoNothingWhileSuspendedAndDoNotQueue) {
  playSuspended = true;
  player->setBullets(5);
  key[KEY_RIGHT] = 1;
  key[KEY_UP] = 1;
  key[KEY_SPACE] = 1;
  simulate_keypress(' ');
  handleInput();
  EXPECT_EQ(player->getSpeedX(), 0);
  EXPECT_TRUE(player->isOnGround());
  EXPECT_EQ(player->getBullets(), 5);
  EXPECT_FALSE(keypressed());
}

TEST_F(InputTest, EnterOnTheIntroResumesPlay) {
  playSuspended = true;
  newLevel = true;
  key[KEY_ENTER] = 1;
  handleInput();
  EXPECT_FALSE(playSuspended);
  EXPECT_FALSE(newLevel);
  EXPECT_EQ(player->getX(), 100);  // nothing restarted
}

TEST_F(InputTest, EnterAfterALostLifeRestartsTheLevelFrozenThenResumes) {
  player->loseLife();
  playSuspended = true;
  timeLeft = 3;
  player->setX(300);
  key[KEY_ENTER] = 1;
  handleInput();
  EXPECT_TRUE(playSuspended);  // restarted, still waiting
  EXPECT_TRUE(player->isAlive());
  EXPECT_EQ(player->getX(), 50);
  EXPECT_EQ(player->getY(), 50);
  EXPECT_EQ(timeLeft, 77);
  EXPECT_EQ(player->getLives(), 2);
  handleInput();  // Enter still held on the next tick
  EXPECT_FALSE(playSuspended);
}

TEST_F(InputTest, EnterWhilePlayingOnlyClearsTheWelcomeFlag) {
  newLevel = true;
  key[KEY_ENTER] = 1;
  handleInput();
  EXPECT_FALSE(playSuspended);
  EXPECT_FALSE(newLevel);
  EXPECT_TRUE(player->isAlive());
  EXPECT_EQ(player->getX(), 100);
}
