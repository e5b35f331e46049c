// Level editor: the level being edited, every change to it as an undoable
// step, and opening and saving its file. Needs no screen, so the editor's
// logic is tested headless; the Allegro front end only calls into it.
//
// Cells are (col, row) from the top-left; platform positions are level
// pixels of the platform's top-left corner, as in the file.
#ifndef BRINDLECOVE_LEVEL_EDITOR_H
#define BRINDLECOVE_LEVEL_EDITOR_H

#include <deque>
#include <string>
#include <vector>

#include "level/level_file.h"

// A new file starts as one screen of sky with the shipped levels' tile
// size, fall speed and clock.
const int NEW_LEVEL_COLS = 25;
const int NEW_LEVEL_ROWS = 19;
const int NEW_LEVEL_TILE = 32;
const int NEW_LEVEL_FALL_SPEED = 15;
const int NEW_LEVEL_TIME = 90;

// Undo keeps at least this many steps; older ones are forgotten.
const size_t EDITOR_UNDO_STEPS = 500;

// The highest tile code the editor paints (11, the time pickup).
const int EDITOR_LAST_CODE = 11;

// Which end of a platform's range: its start (x, y) or its far end
// (xMax for a horizontal mover, yMax for a vertical one).
enum PlatformEnd { PLATFORM_START, PLATFORM_FAR_END };

class LevelEditor {
 public:
  LevelEditor();

  // Opens `path`: a file that does not exist is a new level (written on the
  // first save); one that exists must load, or this is false with the
  // loader's message in `error` and nothing is open.
  bool open(const std::string& path, std::string& error);
  // False while nothing is open; then every edit is refused.
  bool isOpen() const { return opened; }
  const std::string& getPath() const { return path; }

  // Writes the level in the file format, atomically. Refused (false and
  // `error`) when nothing opened cleanly, so a damaged file is never
  // written over. Clears the unsaved mark.
  bool save(std::string& error);
  // The file's text as save writes it.
  std::string text() const;
  bool hasUnsavedChanges() const { return currentStep != savedStep; }

  const LevelFile& level() const { return data; }
  int code(int col, int row) const;
  bool inside(int col, int row) const;

  // Each edit is one undo step, unless made between beginStroke and
  // endStroke (a mouse drag), which make all of it one step. Edits that
  // change nothing make no step. Each returns whether it changed anything.
  void beginStroke();
  void endStroke();
  bool paint(int col, int row, int code);
  bool erase(int col, int row) { return paint(col, row, 0); }
  // Every cell of the rectangle between two corners, in any order; the
  // part outside the grid is left out.
  bool fill(int col1, int row1, int col2, int row2, int code);
  // New size; what stays keeps its place from the top-left, new cells are
  // empty. Sizes the reader would refuse are refused.
  bool resize(int cols, int rows);
  // Up to LEVEL_NAME_MAX characters of one line; longer or multi-line
  // names are refused.
  bool setName(const std::string& name);
  bool setFallSpeed(int speed);
  bool setTimeLimit(int seconds);

  // Platforms keep the file's order; indexes count from 0.
  int platformCount() const { return static_cast<int>(data.platforms.size()); }
  // A horizontal mover when y == yMax, otherwise vertical. Returns its index.
  int addPlatform(int x, int y, int xMax, int yMax);
  bool removePlatform(int index);
  // Moves the platform and its whole range by (dx, dy).
  bool movePlatform(int index, int dx, int dy);
  // Puts one end of the range at (x, y), keeping the platform's direction:
  // a horizontal mover's ends take only x, a vertical one's only y.
  bool setPlatformEnd(int index, PlatformEnd end, int x, int y);
  // The platform whose start box (width x height pixels) holds the pixel;
  // the last one drawn wins. -1 for none.
  int platformAt(int x, int y, int width, int height) const;

  bool canUndo() const { return !undoSteps.empty(); }
  bool canRedo() const { return !redoSteps.empty(); }
  bool undo();
  bool redo();

 private:
  // One undoable change: the cells painted, or the whole level before and
  // after when anything else changed (sizes, settings, platforms).
  struct CellChange {
    int index, before, after;
  };
  struct Step {
    long id;
    long previous;  // the step current before this one
    std::vector<CellChange> cells;
    bool whole = false;
    LevelFile before, after;
  };

  bool setCell(int col, int row, int code);
  // Runs `change` on the level as one whole-level step.
  template <typename Change>
  bool changeWhole(Change change);
  void push(Step step);
  Step& strokeStep();

  LevelFile data;
  std::string path;
  bool opened = false;
  std::deque<Step> undoSteps;
  std::vector<Step> redoSteps;
  bool inStroke = false;
  bool strokeOpen = false;  // the stroke has made its step
  long nextId = 1;
  long currentStep = 0;  // id of the newest step applied, 0 for none
  long savedStep = 0;    // id current at the last open or save
};

#endif
