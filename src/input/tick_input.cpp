// Tick input: the keyboard, a recording being written, or one played back.
#include "input/tick_input.h"

#include <allegro.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "app/comforts.h"
#include "app/game_state.h"
#include "app/keys.h"
#include "input/devices.h"
#include "input/recording.h"

namespace {

InputSource source = INPUT_KEYBOARD;
TickInput now;           // this tick's input while sampled
bool swallowedEnter = false;   // keys.h's "marked released" for the sampled Enter
bool swallowedEscape = false;  // and Escape
long ticksBegun = 0;
std::atomic<bool> secondPending{false};  // set by the clock's timer thread

RecordingWriter writer;
int writtenLevel = 0;  // the level of the last world tick written

Recording replay;
size_t next = 0;          // the next event of `replay`
bool tickHadWorld = false;   // the recorded W of the tick in progress
bool tickSawWorld = false;   // the loop moved the world in it
int markedLevel = 0;      // a level line before the tick in progress, else 0
int replayLevel = 0;      // the level of the last world tick replayed

// The pad at the last poll: each logical key held, for how many ticks,
// and whether a screen took it (inputTake, markReleased) since it went down.
bool padHeldNow[PAD_KEY_COUNT];
int padTicks[PAD_KEY_COUNT];
bool padTaken[PAD_KEY_COUNT];
bool padPresent = false;  // the last poll found a pad
bool padPause = false;  // the pad's pause and mute buttons went down this tick
bool padMute = false;

// The character a key press puts in the key buffer, as the keyboard's would.
int padCharacter(int k) {
  if (k == PAD_FIRE) return ' ';
  if (k == PAD_ENTER) return 13;
  if (k == PAD_ESCAPE) return 27;
  return 0;
}

// Once a tick: what the pad holds, and its presses and repeats into the
// key buffer, so that firing and the marked keys work as for the keyboard.
void pollPad() {
  PadState pad;
  bool held[PAD_KEY_COUNT] = {};
  padPresent = padReader && padReader(pad);
  if (padPresent) padKeys(pad, currentSettings(), held);
  padPause = padMute = false;
  for (int k = 0; k < PAD_KEY_COUNT; k++) {
    padHeldNow[k] = held[k];
    if (!held[k]) {
      padTicks[k] = 0;
      padTaken[k] = false;
      continue;
    }
    if (!padPressedAt(++padTicks[k])) continue;
    simulate_keypress((PAD_KEY_SCANCODES[k] << 8) | padCharacter(k));
    // a repeat presses the key anew; Enter and Escape stay marked until let go
    if (k != PAD_ENTER && k != PAD_ESCAPE) padTaken[k] = false;
    if (padTicks[k] == 1 && k == PAD_PAUSE) padPause = true;
    if (padTicks[k] == 1 && k == PAD_MUTE) padMute = true;
  }
}

// A logical key held on the keyboard (the key chosen for it) or the pad,
// and not taken.
bool liveHeld(int scancode) { return key[physicalKey(scancode)] || padKeyDown(scancode); }

void endProgram(const std::string& why) {
  std::fprintf(stderr, "brindlecove: %s\n", why.c_str());
  std::exit(EXIT_SUCCESS);
}

void failProgram(const std::string& what) {
  std::fprintf(stderr, "brindlecove: the replay went its own way: %s\n", what.c_str());
  std::exit(EXIT_FAILURE);
}

std::string atTick() { return "at tick " + std::to_string(ticksBegun); }

// Enter and Escape let go clear their marks, as keys.cpp does on a release.
void followReleases() {
  if (!now.enter) swallowedEnter = false;
  if (!now.escape) swallowedEscape = false;
}

bool* swallowedOf(int scancode) {
  if (scancode == KEY_ENTER) return &swallowedEnter;
  if (scancode == KEY_ESC) return &swallowedEscape;
  return nullptr;
}

// The next recorded event, which must be of `kind`; ends the replay when
// the recording has run out.
const RecordedEvent& nextEvent(RecordedEvent::Kind kind, const char* what) {
  if (next >= replay.events.size()) replayEndHook("the recording ends " + atTick());
  if (next >= replay.events.size() || replay.events[next].kind != kind)
    replayMismatchHook(std::string("expected ") + what + " " + atTick());
  // the hooks do not come back; should one, nothing is read past the end
  if (next >= replay.events.size()) std::abort();
  return replay.events[next++];
}

}  // namespace

void (*replayEndHook)(const std::string& why) = endProgram;
void (*replayMismatchHook)(const std::string& what) = failProgram;

InputSource inputSource() { return source; }

bool startRecording(const std::string& path, const std::vector<std::string>& levelFiles,
                    std::string& error) {
  Recording header;
  header.game = GAME_VERSION;
  if (!makeRecordingHeader(levelFiles, header, error) || !writer.open(path, header, error))
    return false;
  // a run ended by a fatal error still leaves a whole file
  static bool closeAtExit = false;
  if (!closeAtExit) std::atexit(stopInputCapture);
  closeAtExit = true;
  source = INPUT_RECORDING;
  now = TickInput();
  swallowedEnter = swallowedEscape = false;
  ticksBegun = 0;
  writtenLevel = 0;
  secondPending = false;
  return true;
}

void startReplay(const Recording& recording) {
  replay = recording;
  next = 0;
  source = INPUT_REPLAY;
  now = TickInput();
  swallowedEnter = swallowedEscape = false;
  ticksBegun = 0;
  tickHadWorld = tickSawWorld = false;
  markedLevel = replayLevel = 0;
}

void stopInputCapture() {
  writer.close();
  source = INPUT_KEYBOARD;
}

long inputTicks() { return ticksBegun; }

void beginInputTick() {
  endIfClosed();
  // the pause and mute keys count once per press, whoever reads the tick
  bool pausePress = takeKeyPress(physicalKey(KEY_P));
  bool mutePress = takeKeyPress(physicalKey(KEY_M));
  // losing the focus pauses unpaused play, as the pause key would
  if (takeFocusLost() && activeScreen == SCREEN_GAME && !playSuspended && !gamePaused)
    pausePress = true;
  if (source != INPUT_REPLAY) {
    pollPad();
    pausePress = pausePress || padPause;
    mutePress = mutePress || padMute;
  }
  if (source == INPUT_KEYBOARD) {
    now.pause = pausePress;
    now.mute = mutePress;
    return;
  }
  if (source == INPUT_RECORDING) {
    now.left = liveHeld(KEY_LEFT);
    now.right = liveHeld(KEY_RIGHT);
    now.up = liveHeld(KEY_UP);
    now.down = liveHeld(KEY_DOWN);
    now.space = liveHeld(KEY_SPACE);
    // held as the key tracking follows them, so auto-repeat cannot end a mark
    now.enter = keyHeld(KEY_ENTER);
    now.escape = keyHeld(KEY_ESC);
    now.keyPressed = keypressed();
    now.secondTicked = secondPending.exchange(false);
    now.pause = pausePress;
    now.mute = mutePress;
    writer.tick(now);
  } else {
    if (tickHadWorld != tickSawWorld && ticksBegun > 0)
      replayMismatchHook(std::string("the world ") + (tickSawWorld ? "moved" : "stood still") +
                         " at tick " + std::to_string(ticksBegun) + ", not as recorded");
    // Escape on the keyboard ends a replay; no other key counts
    if (keyHeld(KEY_ESC)) replayEndHook("Escape ended the replay " + atTick());
    markedLevel = 0;
    while (next < replay.events.size() && replay.events[next].kind == RecordedEvent::LEVEL)
      markedLevel = replay.events[next++].value;
    const RecordedEvent& event = nextEvent(RecordedEvent::TICK, "a tick");
    now = event.input;
    tickHadWorld = event.worldMoved;
    tickSawWorld = false;
    // the handlers that read the key array directly see the recorded keys
    key[KEY_LEFT] = now.left;
    key[KEY_RIGHT] = now.right;
    key[KEY_UP] = now.up;
    key[KEY_DOWN] = now.down;
    key[KEY_SPACE] = now.space;
  }
  ticksBegun++;
  followReleases();
  if (now.secondTicked && !playSuspended && !gamePaused) timeLeft.fetch_sub(1);
}

void noteWorldTick(int level) {
  if (source == INPUT_RECORDING) {
    if (level != writtenLevel) writer.level(level);
    writtenLevel = level;
    writer.worldMoved();
  } else if (source == INPUT_REPLAY) {
    tickSawWorld = true;
    if (level != replayLevel && markedLevel != level)
      replayMismatchHook("the world moved in level " + std::to_string(level) + " " + atTick() +
                         ", not as recorded");
    replayLevel = level;
  }
}

bool inputHeld(int scancode) {
  if (source == INPUT_KEYBOARD) return liveHeld(scancode);
  switch (scancode) {
    case KEY_LEFT: return now.left;
    case KEY_RIGHT: return now.right;
    case KEY_UP: return now.up;
    case KEY_DOWN: return now.down;
    case KEY_SPACE: return now.space;
    default: return source == INPUT_RECORDING && key[scancode];
  }
}

bool inputPausePressed() { return now.pause; }

bool inputMutePressed() { return now.mute; }

bool padKeyHeld(int scancode) {
  int k = padKeyOf(scancode);
  return k >= 0 && padHeldNow[k];
}

bool padKeyDown(int scancode) {
  int k = padKeyOf(scancode);
  return k >= 0 && padHeldNow[k] && !padTaken[k];
}

void padMarkReleased(int scancode) {
  int k = padKeyOf(scancode);
  if (k >= 0 && padHeldNow[k]) padTaken[k] = true;
}

bool inputKeyPressed() { return source == INPUT_KEYBOARD ? keypressed() : now.keyPressed; }

void inputClearBuffer() { clear_keybuf(); }

void inputTake(int scancode) {
  if (source != INPUT_REPLAY) {
    key[physicalKey(scancode)] = 0;
    padMarkReleased(scancode);
  }
  switch (scancode) {
    case KEY_LEFT: now.left = false; break;
    case KEY_RIGHT: now.right = false; break;
    case KEY_UP: now.up = false; break;
    case KEY_DOWN: now.down = false; break;
    case KEY_SPACE: now.space = false; break;
    default: break;
  }
}

bool sampledKeyDown(int scancode) {
  bool* swallowed = swallowedOf(scancode);
  if (!swallowed) return inputHeld(scancode);
  return (scancode == KEY_ENTER ? now.enter : now.escape) && !*swallowed;
}

void sampledMarkReleased(int scancode) {
  bool* swallowed = swallowedOf(scancode);
  if (swallowed && (scancode == KEY_ENTER ? now.enter : now.escape)) *swallowed = true;
  if (source == INPUT_RECORDING) {
    key[physicalKey(scancode)] = 0;
    padMarkReleased(scancode);
  }
}

bool inputScoreQualifies(bool qualifies) {
  if (source == INPUT_RECORDING) writer.qualifies(qualifies);
  if (source != INPUT_REPLAY) return qualifies;
  return nextEvent(RecordedEvent::QUALIFIES, "the high score check").value != 0;
}

int inputNameKey(bool& backspace) {
  if (source == INPUT_REPLAY) {
    const RecordedEvent& event = nextEvent(RecordedEvent::NAME_KEY, "a name entry key");
    backspace = event.backspace;
    now.enter = event.enter;
    followReleases();
    return event.value;
  }
  // With a pad, its Start ends the entry as Enter does: the wait for a key
  // polls it once a tick. Without one, readkey() waits as it always did.
  if (padPresent) {
    int polled = tickCounter;
    while (!keypressed()) {
      endIfClosed();
      if (tickCounter != polled) {
        polled = tickCounter;
        pollPad();
      }
      if (!keypressed()) rest(1);
    }
  }
  int pressed = readkey();
  // the close button wakes readkey() and ends the program here
  endIfClosed();
  // P and M typed into a name pause and mute nothing
  takeKeyPress(physicalKey(KEY_P));
  takeKeyPress(physicalKey(KEY_M));
  backspace = key[KEY_BACKSPACE] != 0;
  if (source == INPUT_RECORDING) {
    now.enter = keyHeld(KEY_ENTER) || (pressed >> 8) == physicalKey(KEY_ENTER);
    followReleases();
    writer.nameKey(pressed & 0xFF, backspace, now.enter);
  }
  return pressed & 0xFF;
}

void noteSecond() { secondPending = true; }
