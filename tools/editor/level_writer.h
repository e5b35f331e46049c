// Level writer: a level back to the text the game's reader takes, in the
// layout of the shipped levels, and saved so a crash never leaves half a file.
#ifndef BRINDLECOVE_LEVEL_WRITER_H
#define BRINDLECOVE_LEVEL_WRITER_H

#include <string>

struct LevelFile;

// The shipped levels' layout: the name line, "cols,rows", "tileWidth,tileHeight",
// the fall speed, the time limit and the platform count one a line, one line
// "x,y,xMax,yMax" per platform, then one line per grid row with a comma after
// every code. The item lines of `level` are not used.
std::string formatLevelFile(const LevelFile& level);

// Writes `text` to PATH.new, flushes it to the disk and renames it over
// `path`, so the file is either the old one or the whole new one. False
// and `error` ("PATH: what") when any step fails; PATH.new is then removed.
bool writeFileAtomically(const std::string& path, const std::string& text, std::string& error);

#endif
