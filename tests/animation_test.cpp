// Animation steps, tile pictures, and how fast the renderer drives them.
#include <allegro.h>
#include <gtest/gtest.h>

#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "render/animation.h"
#include "render/background_layer.h"
#include "render/renderer.h"
#include "test_support.h"

namespace {

BITMAP* const A = reinterpret_cast<BITMAP*>(0x10);
BITMAP* const B = reinterpret_cast<BITMAP*>(0x20);
BITMAP* const C = reinterpret_cast<BITMAP*>(0x30);

std::vector<BITMAP*> run(Animation& animation, int calls) {
  std::vector<BITMAP*> shown;
  for (int i = 0; i < calls; i++) shown.push_back(animation.nextFrame());
  return shown;
}

}  // namespace

TEST(Animation, DelayCountsCallsPerPictureAndTheFirstPictureIsShortByOne) {
  BITMAP* frames[] = {A, B, C};
  Animation three(frames, 3, 3);
  std::vector<BITMAP*> expected = {A, A, B, B, B, C, C, C, A, A, A, B};
  EXPECT_EQ(run(three, 12), expected);
}

TEST(Animation, DelayOneShowsTheSecondPictureFirst) {
  BITMAP* frames[] = {A, B, C};
  Animation fast(frames, 1, 3);
  std::vector<BITMAP*> expected = {B, C, A, B};
  EXPECT_EQ(run(fast, 4), expected);
}

TEST(Animation, DelayZeroOrASinglePictureNeverChanges) {
  BITMAP* frames[] = {A, B};
  Animation frozen(frames, 0, 2);
  for (BITMAP* shown : run(frozen, 100)) ASSERT_EQ(shown, A);
  BITMAP* one[] = {C};
  Animation single(one, 4, 1);
  for (BITMAP* shown : run(single, 20)) ASSERT_EQ(shown, C);
}

TEST(Animation, CopiesTheFrameArraySoTheCallerMayReuseIt) {
  BITMAP* frames[] = {A, B};
  Animation animation(frames, 1, 2);
  frames[0] = frames[1] = C;
  EXPECT_EQ(animation.nextFrame(), B);
  EXPECT_EQ(animation.nextFrame(), A);
}

class TileDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    resetGameState();
    if (!backBuffer) backBuffer = create_bitmap_ex(16, 800, 600);
    noticeFont = font;
    mainFont = font;
  }
  // The colour drawn at a screen point, and which points-pickup picture has it.
  int pointsPictureAt(int x, int y) {
    int colour = getpixel(backBuffer, x, y);
    for (int i = 0; i < 4; i++)
      if (getpixel(graphic(GFX_POINTS_FIRST + i), 0, 0) == colour) return i;
    return -1;
  }
  void frame() {
    clear_to_color(backBuffer, COLOUR_SKY);
    drawTiles();
  }
};

TEST_F(TileDrawing, TilesNearTheViewRunTwoStepsPerFrame) {
  std::vector<std::string> rows(10, std::string(60, '.'));
  rows[2][2] = 'o';
  useLevel(levelText(rows));
  // delay 10 at two steps a frame: a new picture every 5 frames
  std::vector<int> seen;
  for (int i = 0; i < 11; i++) {
    frame();
    seen.push_back(pointsPictureAt(64 + 5, 64 + 5));
  }
  std::vector<int> expected = {0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2};
  EXPECT_EQ(seen, expected);
}

TEST_F(TileDrawing, TilesFarFromTheViewDoNotAnimate) {
  std::vector<std::string> rows(10, std::string(60, '.'));
  rows[2][50] = 'o';
  useLevel(levelText(rows));
  for (int i = 0; i < 12; i++) frame();
  scrollX = 1000;  // column 50 now lies in the window
  frame();
  EXPECT_EQ(pointsPictureAt(50 * 32 - 1000 + 5, 64 + 5), 0);
}

TEST_F(TileDrawing, CollectedAndEmptyTilesHaveNoPicture) {
  std::vector<std::string> rows = {"o.x"};
  TileMap* map = useLevel(levelText(rows));
  EXPECT_EQ(map->getTile(1, 0)->getPicture(), nullptr);
  EXPECT_EQ(map->getTile(2, 0)->getPicture(), nullptr);  // code 12
  Tile* pickup = map->getTile(0, 0);
  ASSERT_NE(pickup->getPicture(), nullptr);
  pickup->setType(TILE_EMPTY);
  pickup->setAnimation(nullptr);
  EXPECT_EQ(pickup->getPicture(), nullptr);
}

TEST(BackgroundLayer, FirstCopyShiftsLeftByTheScaledScrollModuloItsWidth) {
  setUpHeadlessAllegro();
  BITMAP* picture = graphic(GFX_FAR_BACKGROUND);  // 800 wide
  BackgroundLayer far(0, picture, 0.3f);
  BackgroundLayer near(0, picture, 0.9f);
  EXPECT_EQ(far.firstCopyX(0), 0);
  EXPECT_EQ(far.firstCopyX(1000), -300);
  EXPECT_EQ(far.firstCopyX(3000), -100);  // 900 wraps past one width
  EXPECT_EQ(near.firstCopyX(1000), -900 + 800);
  EXPECT_EQ(near.firstCopyX(7), -6);  // 6.3 pixels, truncated
}

TEST(BackgroundLayer, DrawsTwoCopiesOnlySoANarrowPictureLeavesAGap) {
  setUpHeadlessAllegro();
  BITMAP* narrow = create_bitmap_ex(16, 300, 10);
  clear_to_color(narrow, makecol16(200, 0, 0));
  BITMAP* target = create_bitmap_ex(16, 800, 600);
  clear_to_color(target, 0);
  BackgroundLayer layer(100, narrow, 1.0f);
  layer.draw(0, 0, target);
  EXPECT_EQ(getpixel(target, 599, 105), makecol16(200, 0, 0));
  EXPECT_EQ(getpixel(target, 600, 105), 0);
  EXPECT_EQ(getpixel(target, 10, 99), 0);  // the layer's top edge is its y
  destroy_bitmap(target);
  destroy_bitmap(narrow);
}
