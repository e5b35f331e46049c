// Comforts around the game: pause, mute and volume, close button, focus.
#include "app/comforts.h"

#include <allegro.h>

#include <cstdlib>

#include "app/data_objects.h"
#include "app/startup.h"
#include "platform/settings.h"

std::atomic<bool> gamePaused(false);
std::atomic<bool> closeRequested(false);

namespace {

long pauses = 0;
bool muted = false;
int digiVolume = VOLUME_MAX;  // what the mute key gives back
int midiVolume = VOLUME_MAX;
std::atomic<bool> focusLost(false);

void endProgram() {
  shutDown();
  std::exit(EXIT_SUCCESS);
}

void pauseAllegroMusic() {
  if (soundAvailable) midi_pause();
}

void resumeAllegroMusic() {
  if (soundAvailable) midi_resume();
}

}  // namespace

void (*closeHook)() = endProgram;
void (*pauseMusic)() = pauseAllegroMusic;
void (*resumeMusic)() = resumeAllegroMusic;

void togglePause() {
  if (gamePaused) {
    gamePaused = false;
    resumeMusic();
  } else {
    gamePaused = true;
    pauses++;
    // the music stops where it is and goes on from there
    pauseMusic();
  }
}

void forgetPause() { gamePaused = false; }

long pausesBegun() { return pauses; }

void setUpVolume(bool mute, const Settings& settings) {
  if (!soundAvailable) return;
  get_volume(&digiVolume, &midiVolume);
  // a driver that was never set reports -1, which plays at full volume
  if (digiVolume < 0) digiVolume = VOLUME_MAX;
  if (midiVolume < 0) midiVolume = VOLUME_MAX;
  if (settings.soundVolume >= 0) digiVolume = settings.soundVolume;
  if (settings.musicVolume >= 0) midiVolume = settings.musicVolume;
  // set_volume leaves a negative volume as it is
  if (settings.soundVolume >= 0 || settings.musicVolume >= 0)
    set_volume(settings.soundVolume, settings.musicVolume);
  // muted, the sounds still play (same timing, same code), only unheard
  muted = mute;
  if (mute) set_volume(0, 0);
}

void toggleMute() {
  muted = !muted;
  if (!soundAvailable) return;
  if (muted) set_volume(0, 0);
  else set_volume(digiVolume, midiVolume);
}

bool soundMuted() { return muted; }

void onCloseButton() {
  closeRequested = true;
  // the name entry waits in readkey(): a key of value 0 wakes it, and it
  // types nothing
  simulate_keypress(0);
}
END_OF_FUNCTION(onCloseButton)

void onFocusLost() { focusLost = true; }
END_OF_FUNCTION(onFocusLost)

bool takeFocusLost() { return focusLost.exchange(false); }

void installWindowCallbacks(const Settings& settings) {
  LOCK_FUNCTION(onCloseButton);
  set_close_button_callback(onCloseButton);
  if (settings.pauseOnFocusLoss) {
    LOCK_FUNCTION(onFocusLost);
    set_display_switch_mode(SWITCH_BACKGROUND);
    set_display_switch_callback(SWITCH_OUT, onFocusLost);
  }
}

void endIfClosed() {
  if (closeRequested) closeHook();
}
