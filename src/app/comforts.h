// Comforts around the game: pause, the mute key, the volumes, the window's
// close button and its focus. Each acts only when the player asks for it.
#ifndef BRINDLECOVE_COMFORTS_H
#define BRINDLECOVE_COMFORTS_H

#include <atomic>

struct Settings;

// Pause. Set and cleared by togglePause (the pause key in play, or the
// window losing the focus with pause_on_focus_loss = 1); cleared when the
// menu is opened. While set, the world, the level clock (read by the clock's
// timer thread) and the music stand still.
extern std::atomic<bool> gamePaused;
void togglePause();
// The game paused left for the menu: the flag only, as the menu stops the music.
void forgetPause();
// Pauses begun so far: the renderer keeps one picture per pause.
long pausesBegun();
// How the music stops where it is and goes on (midi_pause, midi_resume,
// with a sound driver); a test sets its own player.
extern void (*pauseMusic)();
extern void (*resumeMusic)();

// Once after install_sound: the settings' volumes, then --mute's silence.
void setUpVolume(bool mute, const Settings& settings);
// The mute key: all sound off, or back at the volumes it had.
void toggleMute();
bool soundMuted();

// Once after the window opens: the close button, and the focus callback
// when pause_on_focus_loss is set.
void installWindowCallbacks(const Settings& settings);
// Allegro's callbacks (on its own thread): they only raise flags.
void onCloseButton();
void onFocusLost();
// Whether the window lost the focus since the last call.
bool takeFocusLost();

// At the start of every tick and in every wait: once the close button was
// pressed, the program ends as the menu's Exit ends it (status 0), within
// the tick. A name being typed is dropped. A test sets `closeHook`.
void endIfClosed();
extern std::atomic<bool> closeRequested;
extern void (*closeHook)();

#endif
