// Data file objects by index, and sound playback.
#include "app/data_objects.h"

#include <allegro.h>

#include "app/game_state.h"

bool soundAvailable = false;

BITMAP* graphic(int index) {
  if (graphicsData == NULL) return NULL;
  return static_cast<BITMAP*>(graphicsData[index].dat);
}

void playSound(int index) {
  if (!soundAvailable || soundData == NULL) return;
  play_sample(static_cast<SAMPLE*>(soundData[index].dat), 255, 128, 1000, FALSE);
}

void startLevelMusic() {
  if (!soundAvailable || soundData == NULL) return;
  play_midi(static_cast<MIDI*>(soundData[SND_MUSIC].dat), TRUE);
  midi_seek(5);
}

void stopMusic() {
  if (!soundAvailable) return;
  stop_midi();
}
