// Frame rendering: the level, its actors, the head-up display and overlays.
#include "render/renderer.h"

#include <allegro.h>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/comforts.h"
#include "app/game_state.h"
#include "input/devices.h"
#include "level/tile_map.h"
#include "render/animation.h"
#include "render/background_layer.h"

namespace {

const int DEAD_ENEMY_HEIGHT = 10;  // a shot enemy lies squashed

void drawPlayer() {
  int sx = player->getX() - scrollX;
  int sy = player->getY() - scrollY;
  // the player's pictures face right
  if (player->getDirection() > 0) draw_sprite(backBuffer, player->getSprite(), sx, sy);
  else draw_sprite_h_flip(backBuffer, player->getSprite(), sx, sy);
}

void drawBullets() {
  for (Bullet* b = bulletList->getHead(); b; b = b->getNext()) {
    int sx = b->getX() - scrollX;
    int sy = b->getY() - scrollY;
    // the bullet's picture faces left
    if (b->getDirection() > 0) draw_sprite_h_flip(backBuffer, b->getSprite(), sx, sy);
    else draw_sprite(backBuffer, b->getSprite(), sx, sy);
  }
}

void drawPlatforms() {
  if (!platformList) return;
  for (int i = 0; i < platformList->getCapacity(); i++) {
    MovingPlatform* p = platformList->get(i);
    if (p) draw_sprite(backBuffer, p->getSprite(), p->getX() - scrollX, p->getY() - scrollY);
  }
}

void drawHud() {
  textprintf_ex(backBuffer, mainFont, 20, 5, COLOUR_HUD, -1, "Lifes : %i", player->getLives());
  textprintf_ex(backBuffer, mainFont, 200, 5, COLOUR_HUD, -1, "Points : %i", player->getPoints());
  textprintf_ex(backBuffer, mainFont, 400, 5, COLOUR_HUD, -1, "Bullets : %i",
                player->getBullets());
  textprintf_ex(backBuffer, mainFont, 600, 5, COLOUR_HUD, -1, "Time left : %i",
                timeLeft.load());
}

void drawOverlay() {
  if (gameOver) {
    draw_sprite(backBuffer, gameOverAnimation->nextFrame(), 390, 300);
    return;
  }
  rectfill(backBuffer, 200, 290, 680, 380, COLOUR_OVERLAY_BOX);
  rect(backBuffer, 200, 290, 680, 380, COLOUR_OVERLAY_EDGE);
  if (newLevel)
    textprintf_ex(backBuffer, mainFont, 220, 300, COLOUR_MESSAGE, -1, "Welcome to Level %i - %s",
                  levelNumber, currentMap->getName());
  else
    textout_ex(backBuffer, mainFont, "Press <enter> to start again", 220, 300, COLOUR_MESSAGE, -1);
  textprintf_ex(backBuffer, mainFont, 220, 340, COLOUR_MESSAGE, -1,
                "You've got %i life(s) left...", player->getLives());
}

// The pause's box, in the style of the overlays above.
void drawPauseOverlay() {
  rectfill(backBuffer, 200, 290, 680, 380, COLOUR_OVERLAY_BOX);
  rect(backBuffer, 200, 290, 680, 380, COLOUR_OVERLAY_EDGE);
  textprintf_ex(backBuffer, mainFont, 220, 300, COLOUR_MESSAGE, -1, "Paused - press %s",
                keyName(physicalKey(KEY_P)).c_str());
}

// The pause whose picture the back buffer holds; 0 for none.
long pauseDrawn = 0;

}  // namespace

void drawFrame() {
  acquire_screen();
  // A paused game shows the one picture it paused on: drawn again, its tile
  // animations would go on cycling.
  if (gamePaused && pauseDrawn == pausesBegun()) {
    showBackBuffer();
    release_screen();
    return;
  }
  clear_to_color(backBuffer, COLOUR_SKY);
  drawBackgrounds();
  drawTiles();
  drawPlayer();
  drawEnemies();
  drawBullets();
  drawPlatforms();
  drawHud();
  if (playSuspended) drawOverlay();
  pauseDrawn = 0;
  if (gamePaused) {
    drawPauseOverlay();
    pauseDrawn = pausesBegun();
  }
  showBackBuffer();
  release_screen();
}

void drawBackgrounds() {
  if (!currentMap) return;
  BackgroundLayer* const* layers = currentMap->getLayers();
  layers[0]->draw(scrollX, scrollY, backBuffer);
  layers[1]->draw(scrollX, scrollY, backBuffer);
}

void drawTiles() {
  int tileW = currentMap->getTileWidth();
  int tileH = currentMap->getTileHeight();
  int firstRow = scrollY / tileH - 1;
  int firstCol = scrollX / tileW - 1;
  int endRow = firstRow + SCREEN_H_PIXELS / tileH + 3;
  int endCol = firstCol + SCREEN_W_PIXELS / tileW + 3;
  for (int row = firstRow; row < endRow; row++) {
    for (int col = firstCol; col < endCol; col++) {
      if (row < 0 || col < 0 || row >= currentMap->getRows() || col >= currentMap->getCols())
        continue;
      Tile* tile = currentMap->getTile(col, row);
      if (tile->getPicture())
        draw_sprite(backBuffer, tile->getPicture(), col * tileW - scrollX, row * tileH - scrollY);
    }
  }
  textout_ex(backBuffer, noticeFont, GAME_VERSION, 610, 590, COLOUR_WHITE, -1);
}

void drawEnemies() {
  for (Enemy* e = enemyList->getHead(); e; e = e->getNext()) {
    int sx = e->getX() - scrollX;
    int sy = e->getY() - scrollY;
    BITMAP* picture = e->getSprite();
    if (!e->isAlive())
      stretch_sprite(backBuffer, picture, sx, e->getBottom() - DEAD_ENEMY_HEIGHT - scrollY,
                     picture->w, DEAD_ENEMY_HEIGHT);
    else if (e->getDirection() > 0)
      draw_sprite_h_flip(backBuffer, picture, sx, sy);
    else
      draw_sprite(backBuffer, picture, sx, sy);
  }
}

long framesShown = 0;

void showBackBuffer() {
  framesShown++;
  masked_blit(backBuffer, screen, 0, 0, 0, 0, SCREEN_W_PIXELS, SCREEN_H_PIXELS);
}
