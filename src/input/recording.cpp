// Recordings: the text format's writer, reader and header check.
#include "input/recording.h"

#include <fstream>
#include <sstream>

namespace {

const char* const MAGIC = "brindlecove-recording";
const char* const FLAG_LETTERS = "LRUDSEXKCWPM";
// P and M follow only on ticks that have one of them: a recording without
// the pause and mute keys reads as it did before they existed
const int FLAG_COUNT = 10;
const int FLAG_COUNT_WITH_COMFORTS = 12;
// a count beyond this on one line is refused as damage
const long REPEAT_MAX = 10000000;

uint32_t crcTableEntry(uint32_t n) {
  for (int k = 0; k < 8; k++) n = (n & 1) ? 0xEDB88320u ^ (n >> 1) : n >> 1;
  return n;
}

std::string hex8(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

bool parseFlags(const std::string& word, TickInput& input, bool& world) {
  int columns = static_cast<int>(word.size());
  if (columns != FLAG_COUNT && columns != FLAG_COUNT_WITH_COMFORTS) return false;
  bool set[FLAG_COUNT_WITH_COMFORTS] = {};
  for (int i = 0; i < columns; i++) {
    if (word[i] == FLAG_LETTERS[i]) set[i] = true;
    else if (word[i] == '.') set[i] = false;
    else return false;
  }
  input.left = set[0];
  input.right = set[1];
  input.up = set[2];
  input.down = set[3];
  input.space = set[4];
  input.enter = set[5];
  input.escape = set[6];
  input.keyPressed = set[7];
  input.secondTicked = set[8];
  world = set[9];
  input.pause = set[10];
  input.mute = set[11];
  return true;
}

}  // namespace

bool fileChecksum(const std::string& path, uint32_t& crc) {
  static uint32_t table[256];
  static bool made = false;
  if (!made) {
    for (uint32_t n = 0; n < 256; n++) table[n] = crcTableEntry(n);
    made = true;
  }
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in) return false;
  uint32_t c = 0xFFFFFFFFu;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); i++)
      c = table[(c ^ static_cast<unsigned char>(buffer[i])) & 0xFF] ^ (c >> 8);
    if (!in) break;
  }
  crc = c ^ 0xFFFFFFFFu;
  return true;
}

bool makeRecordingHeader(const std::vector<std::string>& levelFiles, Recording& recording,
                         std::string& error) {
  recording.levels.clear();
  for (const std::string& file : levelFiles) {
    RecordedLevel level;
    if (!fileChecksum(file, level.crc)) {
      error = "cannot read " + file;
      return false;
    }
    level.name = file;
    recording.levels.push_back(level);
  }
  return true;
}

std::string tickFlags(const TickInput& in, bool worldMoved) {
  bool set[FLAG_COUNT_WITH_COMFORTS] = {
      in.left,  in.right,      in.up,         in.down,    in.space, in.enter,
      in.escape, in.keyPressed, in.secondTicked, worldMoved, in.pause, in.mute};
  int columns = in.pause || in.mute ? FLAG_COUNT_WITH_COMFORTS : FLAG_COUNT;
  std::string text(columns, '.');
  for (int i = 0; i < columns; i++)
    if (set[i]) text[i] = FLAG_LETTERS[i];
  return text;
}

bool RecordingWriter::open(const std::string& path, const Recording& header, std::string& error) {
  file = std::fopen(path.c_str(), "w");
  if (!file) {
    error = "cannot write " + path;
    return false;
  }
  std::fprintf(file, "%s %d\ngame %s\nlevels %zu\n", MAGIC, RECORDING_FORMAT, header.game.c_str(),
               header.levels.size());
  for (size_t i = 0; i < header.levels.size(); i++)
    std::fprintf(file, "level %zu %s %s\n", i + 1, hex8(header.levels[i].crc).c_str(),
                 header.levels[i].name.c_str());
  std::fputs("ticks\n", file);
  runFlags.clear();
  runCount = 0;
  hasCurrent = false;
  ticks = 0;
  return true;
}

void RecordingWriter::flushRun() {
  if (!file || runCount == 0) return;
  if (runCount == 1) std::fprintf(file, "%s\n", runFlags.c_str());
  else std::fprintf(file, "%s %ld\n", runFlags.c_str(), runCount);
  runCount = 0;
}

void RecordingWriter::completeTick() {
  if (!hasCurrent) return;
  hasCurrent = false;
  std::string flags = tickFlags(current, currentWorld);
  if (runCount > 0 && flags == runFlags) {
    runCount++;
    return;
  }
  flushRun();
  runFlags = flags;
  runCount = 1;
}

void RecordingWriter::tick(const TickInput& input) {
  if (!file) return;
  completeTick();
  current = input;
  currentWorld = false;
  hasCurrent = true;
  ticks++;
}

void RecordingWriter::worldMoved() { currentWorld = true; }

void RecordingWriter::level(int number) {
  if (!file) return;
  // before the line of the tick in progress, which it belongs to
  flushRun();
  std::fprintf(file, "level %d\n", number);
}

void RecordingWriter::qualifies(bool qualified) {
  if (!file) return;
  completeTick();
  flushRun();
  std::fprintf(file, "q %d\n", qualified ? 1 : 0);
}

void RecordingWriter::nameKey(int character, bool backspace, bool enter) {
  if (!file) return;
  completeTick();
  flushRun();
  std::fprintf(file, "n %d %d %d\n", character, backspace ? 1 : 0, enter ? 1 : 0);
  std::fflush(file);
}

void RecordingWriter::close() {
  if (!file) return;
  completeTick();
  flushRun();
  std::fprintf(file, "end %ld\n", ticks);
  std::fclose(file);
  file = nullptr;
}

bool readRecording(const std::string& path, Recording& recording, std::string& error) {
  std::ifstream in(path.c_str());
  if (!in) {
    error = path + ": cannot open the recording";
    return false;
  }
  recording = Recording();
  std::string text;
  int line = 0;
  auto fail = [&](const std::string& what) {
    error = path + ":" + std::to_string(line) + ": " + what;
    return false;
  };
  // the header: magic and format, game, levels, one line per level, "ticks"
  enum { MAGIC_LINE, GAME_LINE, LEVELS_LINE, LEVEL_LINES, TICKS_LINE, BODY, ENDED } part = MAGIC_LINE;
  size_t levelCount = 0;
  while (std::getline(in, text)) {
    line++;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty() || text[0] == '#') continue;
    std::istringstream row(text);
    std::string word, rest;
    row >> word;
    switch (part) {
      case MAGIC_LINE:
        if (word != MAGIC || !(row >> recording.format) || (row >> rest))
          return fail(std::string("not a Brindlecove recording (expected '") + MAGIC + " 1')");
        if (recording.format != RECORDING_FORMAT)
          return fail("recording format " + std::to_string(recording.format) +
                      "; this game reads format " + std::to_string(RECORDING_FORMAT));
        part = GAME_LINE;
        break;
      case GAME_LINE:
        if (word != "game" || text.size() <= 5) return fail("expected 'game VERSION'");
        recording.game = text.substr(5);
        part = LEVELS_LINE;
        break;
      case LEVELS_LINE:
        if (word != "levels" || !(row >> levelCount) || (row >> rest) || levelCount > 1000)
          return fail("expected 'levels COUNT'");
        part = levelCount > 0 ? LEVEL_LINES : TICKS_LINE;
        break;
      case LEVEL_LINES: {
        size_t number = 0;
        std::string crc;
        if (word != "level" || !(row >> number >> crc) || number != recording.levels.size() + 1 ||
            crc.size() != 8 || crc.find_first_not_of("0123456789abcdef") != std::string::npos)
          return fail("expected 'level " + std::to_string(recording.levels.size() + 1) +
                      " CRC32 NAME'");
        RecordedLevel level;
        level.crc = static_cast<uint32_t>(std::stoul(crc, nullptr, 16));
        std::getline(row >> std::ws, level.name);
        recording.levels.push_back(level);
        if (recording.levels.size() == levelCount) part = TICKS_LINE;
        break;
      }
      case TICKS_LINE:
        if (word != "ticks" || (row >> rest)) return fail("expected 'ticks'");
        part = BODY;
        break;
      case BODY: {
        RecordedEvent event;
        if (word == "level") {
          event.kind = RecordedEvent::LEVEL;
          if (!(row >> event.value) || event.value < 1 || (row >> rest))
            return fail("expected 'level NUMBER'");
        } else if (word == "q") {
          event.kind = RecordedEvent::QUALIFIES;
          if (!(row >> event.value) || event.value < 0 || event.value > 1 || (row >> rest))
            return fail("expected 'q 0' or 'q 1'");
        } else if (word == "n") {
          event.kind = RecordedEvent::NAME_KEY;
          int backspace = 0, enter = 0;
          if (!(row >> event.value >> backspace >> enter) || event.value < 0 ||
              event.value > 255 || backspace < 0 || backspace > 1 || enter < 0 || enter > 1 ||
              (row >> rest))
            return fail("expected 'n CHARACTER BACKSPACE ENTER'");
          event.backspace = backspace;
          event.enter = enter;
        } else if (word == "end") {
          long count = 0;
          long seen = 0;
          for (const RecordedEvent& e : recording.events) seen += e.kind == RecordedEvent::TICK;
          if (!(row >> count) || (row >> rest)) return fail("expected 'end TICKS'");
          if (count != seen)
            return fail("the end line says " + std::to_string(count) + " ticks; the file holds " +
                        std::to_string(seen));
          part = ENDED;
          break;
        } else {
          event.kind = RecordedEvent::TICK;
          long count = 1;
          if (!parseFlags(word, event.input, event.worldMoved))
            return fail("expected ten tick columns of LRUDSEXKCW (or twelve, with PM) or '.', "
                        "or a level, q, n or end line");
          if ((row >> count) && (count < 1 || count > REPEAT_MAX))
            return fail("a repeat count of 1 to " + std::to_string(REPEAT_MAX) + " expected");
          if (row >> rest) return fail("unexpected '" + rest + "' after the tick");
          recording.events.insert(recording.events.end(), count, event);
          break;
        }
        recording.events.push_back(event);
        break;
      }
      case ENDED:
        return fail("nothing may follow the end line");
    }
  }
  if (part != ENDED) {
    line++;
    return fail("the recording is cut short (no end line)");
  }
  return true;
}

bool recordingMatches(const Recording& recording, const std::string& gameVersion,
                      const std::vector<std::string>& levelFiles, std::string& error) {
  if (recording.game != gameVersion) {
    error = "recorded by \"" + recording.game + "\"; this is \"" + gameVersion + "\"";
    return false;
  }
  if (recording.levels.size() != levelFiles.size()) {
    error = "recorded with " + std::to_string(recording.levels.size()) +
            " level files; this game has " + std::to_string(levelFiles.size());
    return false;
  }
  for (size_t i = 0; i < levelFiles.size(); i++) {
    uint32_t crc = 0;
    if (!fileChecksum(levelFiles[i], crc)) {
      error = "cannot read " + levelFiles[i];
      return false;
    }
    if (crc != recording.levels[i].crc) {
      error = "level " + std::to_string(i + 1) + ": " + levelFiles[i] + " (checksum " +
              hex8(crc) + ") is not the file recorded (" + recording.levels[i].name +
              ", checksum " + hex8(recording.levels[i].crc) + ")";
      return false;
    }
  }
  return true;
}
