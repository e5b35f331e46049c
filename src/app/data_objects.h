// Data file objects by index, and the calls that play sounds and music.
#ifndef BRINDLECOVE_DATA_OBJECTS_H
#define BRINDLECOVE_DATA_OBJECTS_H

struct BITMAP;

// Objects of graphics.dat.
enum GraphicIndex {
  GFX_POINTS_FIRST = 0,     // 0..3: spinning points pickup; 0 is also the menu marker
  GFX_NEAR_BACKGROUND = 4,
  GFX_FAR_BACKGROUND = 5,
  GFX_BLOCK_A = 6,          // solid block of level code 1
  GFX_BULLET = 7,           // faces left
  GFX_TIME_PICKUP = 8,
  GFX_ENEMY_WALK_1 = 9,     // both walking pictures face left
  GFX_ENEMY_WALK_2 = 10,
  GFX_PLATFORM = 11,
  GFX_EXIT = 12,
  GFX_AMMO_PICKUP = 13,
  GFX_FIRE_FIRST = 14,      // 14..18: the ten-frame deadly tile, played there and back
  GFX_GAME_OVER_1 = 19,
  GFX_GAME_OVER_2 = 20,
  GFX_TITLE = 21,
  GFX_BLOCK_B = 22,         // level code 4
  GFX_BLOCK_C = 23,         // level code 10
  GFX_PLAYER_AIR = 24,      // the player's pictures face right
  GFX_PLAYER_STAND = 25,
  GFX_PLAYER_WALK = 26,
  GFX_BLOCK_D = 27,         // level code 8
  GFX_SPIKES_1 = 28,        // the two-frame deadly tile
  GFX_SPIKES_2 = 29,
  GFX_COUNT = 30
};

// Objects of sound.dat.
enum SoundIndex {
  SND_ENEMY_HIT = 0,
  SND_MUSIC = 1,            // MIDI
  SND_PICKUP = 2,
  SND_EMPTY_GUN = 3,
  SND_SHOT = 4,
  // added later, after the original objects so no index moves
  SND_JUMP = 5,
  SND_LIFE_LOST = 6,
  SND_LEVEL_DONE = 7,
  SND_GAME_OVER = 8,
  SND_BONUS_TIME = 9,
  SND_MENU_MOVE = 10,
  SND_MENU_CHOOSE = 11,
  SND_COUNT = 12
};

// Objects of font.dat.
enum FontIndex { FONT_MAIN = 0, FONT_NOTICE = 1, FONT_COUNT = 2 };

// Graphics object `index`; none when graphics.dat is not loaded.
BITMAP* graphic(int index);

// Sound effects at volume 255, centre pan, normal pitch, once. Silent
// without a sound driver or sound.dat, so the world runs headless too.
void playSound(int index);

// The level music from beat 5, looping; and stopping it.
void startLevelMusic();
void stopMusic();

// Set by start-up when the sound system came up.
extern bool soundAvailable;

#endif
