// Tick input: the one seam between the devices and the game's handlers.
//
// Every loop calls beginInputTick() as it consumes a tick; the handlers then
// ask the seam, never the keyboard, what the tick holds. From the keyboard
// (the default) the answers are the live key array and key buffer, exactly
// as before there was a seam; the keys the settings chose stand in for the
// default ones, and a pad, polled once a tick, holds the same keys. While recording they are sampled once per tick
// and written down; while replaying they are read back from a recording,
// and the keyboard counts only for Escape, which ends the replay.
#ifndef BRINDLECOVE_TICK_INPUT_H
#define BRINDLECOVE_TICK_INPUT_H

#include <string>
#include <vector>

// What one tick consumes from outside.
struct TickInput {
  bool left = false;
  bool right = false;
  bool up = false;
  bool down = false;
  bool space = false;
  bool enter = false;   // held, as the key tracking sees it
  bool escape = false;  // held, as the key tracking sees it
  bool keyPressed = false;    // the key buffer's keypressed() at the tick's start
  bool secondTicked = false;  // the one-second level clock ticked before this tick
  bool pause = false;  // the pause key went down (or the window lost the focus
                       // in unpaused play, with pause_on_focus_loss set)
  bool mute = false;   // the mute key went down

  bool operator==(const TickInput& o) const {
    return left == o.left && right == o.right && up == o.up && down == o.down &&
           space == o.space && enter == o.enter && escape == o.escape &&
           keyPressed == o.keyPressed && secondTicked == o.secondTicked && pause == o.pause &&
           mute == o.mute;
  }
};

enum InputSource { INPUT_KEYBOARD, INPUT_RECORDING, INPUT_REPLAY };

struct Recording;

// Chosen once at start-up, before the first loop runs.
InputSource inputSource();
// Records to `path` (the header made from `levelFiles`); false and `error`
// when the file cannot be written or a level file read.
bool startRecording(const std::string& path, const std::vector<std::string>& levelFiles,
                    std::string& error);
// Plays `recording` back in place of the keyboard.
void startReplay(const Recording& recording);
// Back to the keyboard; a recording is finished and closed.
void stopInputCapture();

// Called when a replay stops: `why` says whether it ran out or Escape
// ended it. The default ends the program with status 0; a test sets its own.
extern void (*replayEndHook)(const std::string& why);
// Called when the game does something other than what was recorded (the
// world moved where it did not, another level, a missing name entry key).
// The default ends the program with status 1.
extern void (*replayMismatchHook)(const std::string& what);

// Once per tick, by every loop, before anything reads keys: ends the
// program if the window was closed, polls the pad, samples or reads the
// tick's input, and takes the recorded second off the level clock while
// play runs.
void beginInputTick();
// The loop moved the world in this tick (written, or checked on replay),
// in level `level`.
void noteWorldTick(int level);
// Ticks begun since the capture started.
long inputTicks();

// Left, Right, Up, Down or Space held this tick (from the keyboard, the
// key the player chose for it, or the pad). Other scancodes are answered
// from the keyboard.
bool inputHeld(int scancode);
// The pause key and the mute key went down in this tick: each press
// counts once, in the tick that begins after it.
bool inputPausePressed();
bool inputMutePressed();
// The key buffer's keypressed() answer for this tick.
bool inputKeyPressed();
// Empties the key buffer (the keyboard's; a replay has nothing to empty).
void inputClearBuffer();
// key[scancode] = 0: a key acting once per press is taken for this tick
// (the pad's as well, until it is let go or repeats).
void inputTake(int scancode);

// The pad's share of a logical key (padKeyOf in devices.h), as keys.h
// treats the keyboard's Enter and Escape: held; held and not marked
// released; marked released until let go.
bool padKeyHeld(int scancode);
bool padKeyDown(int scancode);
void padMarkReleased(int scancode);

// Enter and Escape as keys.h's keyDown() and markReleased() see them; used
// by keys.cpp while the input is sampled.
bool sampledKeyDown(int scancode);
void sampledMarkReleased(int scancode);

// The high score check: `qualifies` from the table, written while
// recording, the recorded answer while replaying.
bool inputScoreQualifies(bool qualifies);
// One key of the name entry: blocks for it from the keyboard (readkey()),
// or takes the recorded one. Sets `backspace` to whether Backspace was held.
int inputNameKey(bool& backspace);

// The level clock's timer, once a second: while the input is sampled it
// only notes the second, and the next tick takes it off the clock.
void noteSecond();

#endif
