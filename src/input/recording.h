// Recordings: the text file of a run's per-tick input, its header and lines.
//
// A recording is line based, so it can be read, diffed and written by hand:
//
//   brindlecove-recording 1                  format version
//   game Version 0.8a BETA release           the game that made it
//   levels 3                                 level files of the run, in order
//   level 1 5d1e4a0c data/level1.dat         number, CRC-32 (hex) of the file's bytes, name
//   ...
//   ticks                                    the per-tick lines follow
//   ..U....K.W 12                            one tick's flags, repeated 12 times
//   level 2                                  the world moved into level 2 (a check)
//   q 1                                      the score qualified for the table
//   n 65 0 0                                 one name entry key: character, Backspace, Enter
//   end 4211                                 the number of ticks, last line
//
// The ten flag columns are L R U D S E X K C W: Left, Right, Up, Down,
// Space, Enter, Escape held; K the key buffer held a key (keypressed());
// C the one-second level clock ticked before this tick; W the world moved
// in this tick (written for checking and for the level tool, not input; the
// tick that only moves on from an exit reached in the tick before moves
// nothing). Two more columns, P M, follow on the ticks in which the pause
// key or the mute key went down (and only on those, so a run without them
// is written as before they existed).
// A column is its letter when set and '.' when not. A count after the flags
// repeats the line. Lines starting with '#' are comments.
#ifndef BRINDLECOVE_RECORDING_H
#define BRINDLECOVE_RECORDING_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "input/tick_input.h"

const int RECORDING_FORMAT = 1;

// One level file of the run, as the header names it.
struct RecordedLevel {
  uint32_t crc = 0;
  std::string name;
};

// One item after the header, in the order the game consumed them.
struct RecordedEvent {
  enum Kind { TICK, LEVEL, QUALIFIES, NAME_KEY } kind = TICK;
  TickInput input;       // TICK
  bool worldMoved = false;  // TICK: the W column
  int value = 0;          // LEVEL: its number; QUALIFIES: 0 or 1; NAME_KEY: the character
  bool backspace = false;   // NAME_KEY
  bool enter = false;       // NAME_KEY
};

struct Recording {
  int format = RECORDING_FORMAT;
  std::string game;
  std::vector<RecordedLevel> levels;
  std::vector<RecordedEvent> events;  // ticks expanded: one per tick
};

// CRC-32 (the zlib polynomial) of a file's bytes; false when unreadable.
bool fileChecksum(const std::string& path, uint32_t& crc);

// The header for the level files a run plays; false and `error` when one
// cannot be read.
bool makeRecordingHeader(const std::vector<std::string>& levelFiles, Recording& recording,
                         std::string& error);

// The flag columns of a tick: ten, or twelve with the pause or mute key.
std::string tickFlags(const TickInput& input, bool worldMoved);

// Writes the header, then each event; runs of equal ticks become one line.
// Streams: a writer keeps the last tick line back until it knows the next.
class RecordingWriter {
 public:
  bool open(const std::string& path, const Recording& header, std::string& error);
  void tick(const TickInput& input);
  // marks the tick written last as one in which the world moved
  void worldMoved();
  void level(int number);
  void qualifies(bool qualified);
  void nameKey(int character, bool backspace, bool enter);
  // writes what is held back and the end line; safe to call twice
  void close();
  bool isOpen() const { return file != nullptr; }

 private:
  void completeTick();
  void flushRun();
  FILE* file = nullptr;
  TickInput current;  // the tick in progress, written once the next begins
  bool currentWorld = false;
  bool hasCurrent = false;
  std::string runFlags;  // equal ticks before it, not yet written
  long runCount = 0;
  long ticks = 0;
};

// Reads a whole recording; false and "PATH:LINE: what" when it does not read.
bool readRecording(const std::string& path, Recording& recording, std::string& error);

// Whether a recording fits the game and levels at hand: the format, the
// game version and each level file's checksum. False and a message saying
// what differs.
bool recordingMatches(const Recording& recording, const std::string& gameVersion,
                      const std::vector<std::string>& levelFiles, std::string& error);

#endif
