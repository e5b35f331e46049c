// Level editor: edits, undo and redo, open and save.
#include "level_editor.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "level_writer.h"

namespace {

// The sizes the reader takes (level_file.cpp), so a saved level loads.
bool sizeFits(const LevelFile& level, int cols, int rows) {
  return cols > 0 && rows > 0 && static_cast<long long>(cols) * rows <= LEVEL_MAX_CELLS &&
         static_cast<long long>(cols) * level.tileWidth <= LEVEL_MAX_PIXELS &&
         static_cast<long long>(rows) * level.tileHeight <= LEVEL_MAX_PIXELS;
}

bool coordinateFits(int value) {
  return value >= -LEVEL_MAX_COORDINATE && value <= LEVEL_MAX_COORDINATE;
}

bool platformFits(const PlatformRecord& p) {
  return coordinateFits(p.x) && coordinateFits(p.y) && coordinateFits(p.xMax) &&
         coordinateFits(p.yMax);
}

}  // namespace

LevelEditor::LevelEditor() {}

bool LevelEditor::open(const std::string& file, std::string& error) {
  opened = false;
  undoSteps.clear();
  redoSteps.clear();
  currentStep = savedStep = 0;
  LevelFile level;
  std::error_code code;
  if (!std::filesystem::exists(file, code) && !code) {
    level.cols = NEW_LEVEL_COLS;
    level.rows = NEW_LEVEL_ROWS;
    level.tileWidth = level.tileHeight = NEW_LEVEL_TILE;
    level.fallSpeed = NEW_LEVEL_FALL_SPEED;
    level.timeLimit = NEW_LEVEL_TIME;
    level.codes.assign(static_cast<size_t>(level.cols) * level.rows, 0);
  } else {
    std::ifstream in(file.c_str(), std::ios::binary);
    if (!readLevelFile(file, in, level, error)) return false;
  }
  // the lines of the items mean nothing once the level is edited
  level.codeLines.clear();
  level.codeLines.shrink_to_fit();
  data = std::move(level);
  path = file;
  opened = true;
  return true;
}

bool LevelEditor::save(std::string& error) {
  if (!opened) {
    error = "nothing was opened cleanly, so nothing is saved";
    return false;
  }
  if (!writeFileAtomically(path, text(), error)) return false;
  savedStep = currentStep;
  return true;
}

std::string LevelEditor::text() const { return formatLevelFile(data); }

bool LevelEditor::inside(int col, int row) const {
  return col >= 0 && row >= 0 && col < data.cols && row < data.rows;
}

int LevelEditor::code(int col, int row) const {
  return inside(col, row) ? data.codes[static_cast<size_t>(row) * data.cols + col] : 0;
}

void LevelEditor::beginStroke() {
  inStroke = true;
  strokeOpen = false;
}

void LevelEditor::endStroke() {
  inStroke = false;
  strokeOpen = false;
}

void LevelEditor::push(Step step) {
  step.id = nextId++;
  step.previous = currentStep;
  currentStep = step.id;
  undoSteps.push_back(std::move(step));
  if (undoSteps.size() > EDITOR_UNDO_STEPS) undoSteps.pop_front();
  redoSteps.clear();
}

LevelEditor::Step& LevelEditor::strokeStep() {
  if (!(inStroke && strokeOpen && !undoSteps.empty() && !undoSteps.back().whole)) {
    push(Step());
    strokeOpen = inStroke;
  }
  return undoSteps.back();
}

bool LevelEditor::setCell(int col, int row, int newCode) {
  if (!inside(col, row)) return false;
  int index = row * data.cols + col;
  int old = data.codes[index];
  if (old == newCode) return false;
  data.codes[index] = newCode;
  strokeStep().cells.push_back({index, old, newCode});
  return true;
}

bool LevelEditor::paint(int col, int row, int newCode) {
  if (!opened) return false;
  return setCell(col, row, newCode);
}

bool LevelEditor::fill(int col1, int row1, int col2, int row2, int newCode) {
  if (!opened) return false;
  int left = std::max(0, std::min(col1, col2)), right = std::min(data.cols - 1, std::max(col1, col2));
  int top = std::max(0, std::min(row1, row2)), bottom = std::min(data.rows - 1, std::max(row1, row2));
  // one step for the whole rectangle, even outside a stroke
  bool wasInStroke = inStroke;
  if (!wasInStroke) beginStroke();
  bool changed = false;
  for (int row = top; row <= bottom; row++)
    for (int col = left; col <= right; col++) changed = setCell(col, row, newCode) || changed;
  if (!wasInStroke) endStroke();
  return changed;
}

template <typename Change>
bool LevelEditor::changeWhole(Change change) {
  if (!opened) return false;
  LevelFile before = data;
  if (!change(data)) {
    data = std::move(before);
    return false;
  }
  if (inStroke && strokeOpen && !undoSteps.empty() && undoSteps.back().whole &&
      undoSteps.back().id == currentStep) {
    undoSteps.back().after = data;  // a drag: one step from where it began
    return true;
  }
  Step step;
  step.whole = true;
  step.before = std::move(before);
  step.after = data;
  push(std::move(step));
  strokeOpen = inStroke;
  return true;
}

bool LevelEditor::resize(int cols, int rows) {
  return changeWhole([cols, rows](LevelFile& level) {
    if (!sizeFits(level, cols, rows) || (cols == level.cols && rows == level.rows)) return false;
    std::vector<int> codes(static_cast<size_t>(cols) * rows, 0);
    for (int row = 0; row < std::min(rows, level.rows); row++)
      for (int col = 0; col < std::min(cols, level.cols); col++)
        codes[static_cast<size_t>(row) * cols + col] =
            level.codes[static_cast<size_t>(row) * level.cols + col];
    level.codes = std::move(codes);
    level.cols = cols;
    level.rows = rows;
    return true;
  });
}

bool LevelEditor::setName(const std::string& name) {
  return changeWhole([&name](LevelFile& level) {
    if (name.size() > static_cast<size_t>(LEVEL_NAME_MAX) ||
        name.find_first_of("\r\n") != std::string::npos || name == level.name)
      return false;
    level.name = name;
    return true;
  });
}

bool LevelEditor::setFallSpeed(int speed) {
  return changeWhole([speed](LevelFile& level) {
    if (speed < 0 || speed > LEVEL_MAX_FALL_SPEED || speed == level.fallSpeed) return false;
    level.fallSpeed = speed;
    return true;
  });
}

bool LevelEditor::setTimeLimit(int seconds) {
  return changeWhole([seconds](LevelFile& level) {
    if (seconds < -LEVEL_MAX_TIME || seconds > LEVEL_MAX_TIME || seconds == level.timeLimit)
      return false;
    level.timeLimit = seconds;
    return true;
  });
}

int LevelEditor::addPlatform(int x, int y, int xMax, int yMax) {
  PlatformRecord p{x, y, xMax, yMax, 0};
  bool added = changeWhole([&p](LevelFile& level) {
    if (!platformFits(p) || level.platforms.size() >= static_cast<size_t>(LEVEL_MAX_PLATFORMS))
      return false;
    level.platforms.push_back(p);
    return true;
  });
  return added ? platformCount() - 1 : -1;
}

bool LevelEditor::removePlatform(int index) {
  return changeWhole([index](LevelFile& level) {
    if (index < 0 || index >= static_cast<int>(level.platforms.size())) return false;
    level.platforms.erase(level.platforms.begin() + index);
    return true;
  });
}

bool LevelEditor::movePlatform(int index, int dx, int dy) {
  return changeWhole([index, dx, dy](LevelFile& level) {
    if (index < 0 || index >= static_cast<int>(level.platforms.size()) || (dx == 0 && dy == 0))
      return false;
    PlatformRecord& p = level.platforms[index];
    PlatformRecord moved{p.x + dx, p.y + dy, p.xMax + dx, p.yMax + dy, p.line};
    if (!platformFits(moved)) return false;
    p = moved;
    return true;
  });
}

bool LevelEditor::setPlatformEnd(int index, PlatformEnd end, int x, int y) {
  return changeWhole([index, end, x, y](LevelFile& level) {
    if (index < 0 || index >= static_cast<int>(level.platforms.size())) return false;
    PlatformRecord p = level.platforms[index];
    bool horizontal = p.y == p.yMax;
    if (horizontal && end == PLATFORM_START) p.x = x;
    else if (horizontal) p.xMax = x;
    // a vertical mover must not end on its start's y: it would turn horizontal
    else if (end == PLATFORM_START && y != p.yMax) p.y = y;
    else if (end == PLATFORM_FAR_END && y != p.y) p.yMax = y;
    if (!platformFits(p) || (p.x == level.platforms[index].x && p.y == level.platforms[index].y &&
                             p.xMax == level.platforms[index].xMax &&
                             p.yMax == level.platforms[index].yMax))
      return false;
    level.platforms[index] = p;
    return true;
  });
}

int LevelEditor::platformAt(int x, int y, int width, int height) const {
  for (int i = platformCount() - 1; i >= 0; i--) {
    const PlatformRecord& p = data.platforms[i];
    if (x >= p.x && x < p.x + width && y >= p.y && y < p.y + height) return i;
  }
  return -1;
}

bool LevelEditor::undo() {
  endStroke();
  if (undoSteps.empty()) return false;
  Step step = std::move(undoSteps.back());
  undoSteps.pop_back();
  if (step.whole) {
    data = step.before;
  } else {
    for (auto c = step.cells.rbegin(); c != step.cells.rend(); ++c) data.codes[c->index] = c->before;
  }
  currentStep = step.previous;
  redoSteps.push_back(std::move(step));
  return true;
}

bool LevelEditor::redo() {
  endStroke();
  if (redoSteps.empty()) return false;
  Step step = std::move(redoSteps.back());
  redoSteps.pop_back();
  if (step.whole) {
    data = step.after;
  } else {
    for (const CellChange& c : step.cells) data.codes[c.index] = c.after;
  }
  currentStep = step.id;
  undoSteps.push_back(std::move(step));
  return true;
}
