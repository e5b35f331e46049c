// Editor screen: drawing the level being edited and reading the mouse and
// the keyboard, 35 times a second like the game.
#include "editor_screen.h"

#include <allegro.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "actors/enemy.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "finding_marks.h"
#include "level/tile_map.h"
#include "level_check.h"
#include "level_editor.h"
#include "level_run.h"
#include "platform/paths.h"
#include "render/renderer.h"
#include "solve_job.h"

namespace {

// Screen layout: a status bar on top, the palette at the bottom, the map
// between them.
const int TOP_BAR_H = 24;
const int PALETTE_H = 48;
const int PALETTE_Y = SCREEN_H_PIXELS - PALETTE_H;
const int SLOT_W = 40;
const int SLOT_PICTURE = 32;  // a palette picture's side, in pixels

// Tools: the tile codes 0 to EDITOR_LAST_CODE, then the platform tool.
const int TOOL_PLATFORM = EDITOR_LAST_CODE + 1;
const int TOOL_COUNT = TOOL_PLATFORM + 1;

const int SCROLL_STEP = 8;      // pixels a tick with an arrow held or the mouse at an edge
const int SCROLL_EDGE = 2;      // pixels from the window's edge that scroll
const int PLATFORM_SNAP = 16;   // platforms are placed on a 16-pixel grid
const int NEW_PLATFORM_RANGE = 128;
const int MESSAGE_TICKS = 4 * TICKS_PER_SECOND;
const int LINE_H = 10;          // Allegro's own font is 8 pixels high

std::atomic<bool> closeRequested(false);
std::atomic<int> ticks(0);

void onTick() { ticks++; }
END_OF_FUNCTION(onTick)

// Presses and releases seen since the last tick, as button bits (1 left,
// 2 right): a click quicker than a tick is not lost.
std::atomic<int> buttonsPressed(0);
std::atomic<int> buttonsReleased(0);
// Where the last press was: a drag begun and moved on within one tick
// still starts at the cell pressed.
std::atomic<int> pressX(0), pressY(0);

void onMouse(int flags) {
  if (flags & (MOUSE_FLAG_LEFT_DOWN | MOUSE_FLAG_RIGHT_DOWN)) {
    pressX = mouse_x;
    pressY = mouse_y;
  }
  if (flags & MOUSE_FLAG_LEFT_DOWN) buttonsPressed |= 1;
  if (flags & MOUSE_FLAG_RIGHT_DOWN) buttonsPressed |= 2;
  if (flags & MOUSE_FLAG_LEFT_UP) buttonsReleased |= 1;
  if (flags & MOUSE_FLAG_RIGHT_UP) buttonsReleased |= 2;
}
END_OF_FUNCTION(onMouse)

// Which setting a prompt in the status bar edits.
enum Field { FIELD_NONE, FIELD_NAME, FIELD_COLS, FIELD_ROWS, FIELD_FALL, FIELD_TIME };

// What a held mouse button is doing.
enum Drag {
  DRAG_NONE,
  DRAG_PAINT,           // a stroke of the chosen code (left) or of empty cells (right)
  DRAG_RECTANGLE,       // Shift held at the press: filled on release
  DRAG_PLATFORM,        // the whole platform and its range
  DRAG_PLATFORM_START,  // Shift: the start alone
  DRAG_PLATFORM_END     // the far end of the range
};

int snapToGrid(int value) {
  return value - ((value % PLATFORM_SNAP) + PLATFORM_SNAP) % PLATFORM_SNAP;
}

bool parseInt(const std::string& text, int& value) {
  char* end = NULL;
  errno = 0;
  long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || n < -2147483647L || n > 2147483647L)
    return false;
  value = static_cast<int>(n);
  return true;
}

class EditorScreen {
 public:
  explicit EditorScreen(LevelEditor& editor) : editor(editor) {}
  ~EditorScreen();
  int run();

 private:
  bool setUp();
  void loadPalettePictures();
  // Writes the level for the game's loader and the check; `check` runs
  // the level tool's check too (after a whole change, not at every cell of
  // a drag).
  void refresh(bool check);
  void say(const std::string& text);

  void handleKeys();
  void handleKey(int scancode, int ascii);
  void handlePromptKey(int scancode, int ascii);
  void handleQuitKey(int scancode);
  void applyPrompt();
  void startPrompt(Field field);
  void requestQuit();
  void save();
  void testPlay();
  void solve();
  void finishSolve(const SolveReport& report);
  void abandonSolve();
  void showFinding();
  void scroll();
  void clampScroll();

  void handleMouse();
  void mouseInOverview(int pressed);
  void mouseWithCodes(int pressed, int released, int cellCol, int cellRow);
  void mouseWithPlatforms(int pressed, int released, int x, int y);
  void paintLine(int col, int row);

  void draw();
  void drawMap();
  void drawOverview();
  void drawPlatforms();
  void drawFindingMarks();
  void drawStatus();
  void drawStatusText(const std::string& text, int colour);
  void drawPalette();
  std::string toolName(int tool) const;

  LevelEditor& editor;
  std::string folder;    // a temporary folder for the loader's and the check's copy
  std::string copyPath;
  CheckOptions checkOptions;
  std::vector<Finding> findings;
  std::vector<std::vector<MarkBox>> findingBoxes;  // what each finding points at
  FindingCursor shownFinding;                       // the one the status bar shows
  SolveJob solveJob;  // F6's solver, running beside the window
  bool solving = false;
  std::chrono::steady_clock::time_point solveBegan;  // ticks lag on a busy machine
  std::vector<std::pair<int, int>> bestRun;  // the solver's run, the player's middle each tick
  BITMAP* pictures[EDITOR_LAST_CODE + 1] = {};

  int tool = 1;
  bool newVertical = false;  // new platforms shuttle up and down
  bool overview = false;
  bool quitting = false;
  bool askingQuit = false;
  Field promptField = FIELD_NONE;
  std::string promptText;
  std::string message;
  int messageTicks = 0;

  int buttons = 0;           // mouse buttons held at the last tick
  Drag drag = DRAG_NONE;
  int dragCode = 0;
  int lastCol = 0, lastRow = 0;
  int anchorCol = 0, anchorRow = 0;
  int dragPlatform = -1;
  int grabX = 0, grabY = 0;  // the mouse inside the platform it holds
  bool changedInDrag = false;
};

EditorScreen::~EditorScreen() {
  // a solver still running writes into the folder
  solveJob.cancel();
  if (!copyPath.empty()) unlink(copyPath.c_str());
  if (!folder.empty()) rmdir(folder.c_str());
}

bool EditorScreen::setUp() {
  char pattern[] = "/tmp/brindlecove-edit-XXXXXX";
  if (!mkdtemp(pattern)) {
    std::fprintf(stderr, "brindlecove-edit: cannot make a temporary folder: %s\n",
                 std::strerror(errno));
    return false;
  }
  folder = pattern;
  copyPath = folder + "/level.dat";
  backBuffer = create_bitmap(SCREEN_W_PIXELS, SCREEN_H_PIXELS);
  if (!backBuffer) return false;
  // the renderer writes the version line with the notice font
  if (!mainFont) mainFont = font;
  if (!noticeFont) noticeFont = font;
  makeWorld();
  if (!player) player = new Player(PLAYER_START_X, PLAYER_START_Y, 0, graphic(GFX_PLAYER_STAND));
  checkOptions = checkOptionsFromGraphics();
  loadPalettePictures();
  refresh(true);
  return currentMap != NULL;
}

// Each code's picture as the game's loader gives it: a one-row level of
// every code, loaded and read back. The pictures belong to graphics.dat,
// so they outlive the map.
void EditorScreen::loadPalettePictures() {
  std::string row;
  for (int code = 0; code <= EDITOR_LAST_CODE; code++) row += std::to_string(code) + ",";
  {
    std::ofstream out(copyPath.c_str(), std::ios::binary);
    out << "Palette\n" << EDITOR_LAST_CODE + 1 << ",1\n32,32\n15\n90\n0\n" << row << "\n";
  }
  TileMap map(copyPath);
  std::string error;
  if (!map.tryLoad(error)) return;
  for (int code = 0; code <= EDITOR_LAST_CODE; code++)
    pictures[code] = map.getTile(code, 0)->getPicture();
  // code 2 leaves an empty cell and makes an enemy there
  if (enemyList->getHead()) pictures[2] = enemyList->getHead()->getSprite();
}

void EditorScreen::refresh(bool check) {
  {
    std::ofstream out(copyPath.c_str(), std::ios::binary);
    out << editor.text();
  }
  if (check) {
    bestRun.clear();  // the run shown was found for the level before the change
    findings.clear();
    findingBoxes.clear();
    checkLevel(copyPath, checkOptions, findings);
    MarkSizes sizes;
    if (BITMAP* platform = graphic(GFX_PLATFORM)) {
      sizes.platformW = platform->w;
      sizes.platformH = platform->h;
    }
    sizes.playerW = checkOptions.playerWidth;
    sizes.playerH = checkOptions.playerHeight;
    for (const Finding& f : findings)
      findingBoxes.push_back(findingMarks(f.message, editor.level(), sizes));
    shownFinding.reset(findings.size());
  }
  // the check's own map emptied the enemy list and replaced the platform
  // list, so the shown map is loaded after it
  TileMap* map = new TileMap(copyPath);
  std::string error;
  if (map->tryLoad(error)) {
    delete currentMap;
    currentMap = map;
  } else {
    delete map;
    say(error);
  }
  clampScroll();
}

void EditorScreen::say(const std::string& text) {
  message = text;
  messageTicks = MESSAGE_TICKS;
}

int EditorScreen::run() {
  if (!setUp()) {
    std::fprintf(stderr, "brindlecove-edit: cannot show %s\n", editor.getPath().c_str());
    return 1;
  }
  LOCK_VARIABLE(ticks);
  LOCK_FUNCTION(onTick);
  install_int_ex(onTick, BPS_TO_TIMER(TICKS_PER_SECOND));
  LOCK_VARIABLE(buttonsPressed);
  LOCK_VARIABLE(buttonsReleased);
  LOCK_VARIABLE(pressX);
  LOCK_VARIABLE(pressY);
  LOCK_FUNCTION(onMouse);
  mouse_callback = onMouse;
  show_os_cursor(MOUSE_CURSOR_ARROW);
  scrollX = 0;
  scrollY = -TOP_BAR_H;
  while (!quitting) {
    // wait for the next tick; ticks missed are not made up
    while (ticks == 0) rest(1);
    ticks = 0;
    // the close button asks as Escape does
    if (closeRequested.exchange(false)) requestQuit();
    handleKeys();
    if (quitting) break;
    handleMouse();
    scroll();
    if (messageTicks > 0) messageTicks--;
    if (solving) {
      SolveReport report;
      if (solveJob.poll(report)) finishSolve(report);
    }
    draw();
  }
  mouse_callback = NULL;
  remove_int(onTick);
  return 0;
}

// Keyboard ---------------------------------------------------------------

void EditorScreen::handleKeys() {
  while (keypressed() && !quitting) {
    int k = readkey();
    int scancode = k >> 8, ascii = k & 0xFF;
    if (askingQuit) handleQuitKey(scancode);
    else if (promptField != FIELD_NONE) handlePromptKey(scancode, ascii);
    else handleKey(scancode, ascii);
  }
}

void EditorScreen::handleKey(int scancode, int ascii) {
  // while the solver runs the level stays as it was given to it
  if (solving) {
    if (scancode == KEY_ESC) abandonSolve();
    else if (scancode == KEY_M) overview = !overview;
    return;
  }
  // Ctrl with a letter comes as the letter's control code: the key may be
  // let go before the tick reads it
  bool ctrl = (scancode >= KEY_A && scancode <= KEY_Z && ascii == scancode - KEY_A + 1) ||
              (key_shifts & KB_CTRL_FLAG);
  if (ctrl) {
    if (scancode == KEY_Z && drag == DRAG_NONE) {
      if (editor.undo()) refresh(true);
      else say("nothing to undo");
    } else if (scancode == KEY_Y && drag == DRAG_NONE) {
      if (editor.redo()) refresh(true);
      else say("nothing to redo");
    } else if (scancode == KEY_S) {
      save();
    }
    return;
  }
  if (scancode >= KEY_0 && scancode <= KEY_9) tool = scancode - KEY_0;
  switch (scancode) {
    case KEY_MINUS: tool = 10; break;
    case KEY_EQUALS: tool = 11; break;
    case KEY_P: tool = TOOL_PLATFORM; break;
    case KEY_V:
      newVertical = !newVertical;
      say(newVertical ? "new platforms move up and down" : "new platforms move sideways");
      break;
    case KEY_M: overview = !overview; break;
    case KEY_TAB:
      if (key_shifts & KB_SHIFT_FLAG) shownFinding.previous();
      else shownFinding.next();
      messageTicks = 0;  // the finding, not the last message
      showFinding();
      break;
    case KEY_N: startPrompt(FIELD_NAME); break;
    case KEY_C: startPrompt(FIELD_COLS); break;
    case KEY_R: startPrompt(FIELD_ROWS); break;
    case KEY_F: startPrompt(FIELD_FALL); break;
    case KEY_T: startPrompt(FIELD_TIME); break;
    case KEY_F5:
      if (drag == DRAG_NONE) testPlay();
      break;
    case KEY_F6:
      if (drag == DRAG_NONE) solve();
      break;
    case KEY_ESC: requestQuit(); break;
    default: break;
  }
}

void EditorScreen::startPrompt(Field field) {
  const LevelFile& level = editor.level();
  promptField = field;
  switch (field) {
    case FIELD_NAME: promptText = level.name; break;
    case FIELD_COLS: promptText = std::to_string(level.cols); break;
    case FIELD_ROWS: promptText = std::to_string(level.rows); break;
    case FIELD_FALL: promptText = std::to_string(level.fallSpeed); break;
    case FIELD_TIME: promptText = std::to_string(level.timeLimit); break;
    default: break;
  }
}

void EditorScreen::handlePromptKey(int scancode, int ascii) {
  if (scancode == KEY_ESC) {
    promptField = FIELD_NONE;
  } else if (scancode == KEY_ENTER || scancode == KEY_ENTER_PAD) {
    applyPrompt();
    promptField = FIELD_NONE;
  } else if (scancode == KEY_BACKSPACE) {
    if (!promptText.empty()) promptText.pop_back();
  } else if (ascii >= 0x20 && ascii < 0x7F) {
    bool numeric = promptField != FIELD_NAME;
    bool fits = numeric ? ((ascii >= '0' && ascii <= '9') || (ascii == '-' && promptText.empty()))
                        : promptText.size() < static_cast<size_t>(LEVEL_NAME_MAX);
    if (fits && promptText.size() < 12 + static_cast<size_t>(LEVEL_NAME_MAX))
      promptText += static_cast<char>(ascii);
  }
}

void EditorScreen::applyPrompt() {
  const LevelFile& level = editor.level();
  int value = 0;
  bool numeric = promptField != FIELD_NAME;
  if (numeric && !parseInt(promptText, value)) {
    say("not a number: " + promptText);
    return;
  }
  bool changed = false;
  switch (promptField) {
    case FIELD_NAME: changed = editor.setName(promptText); break;
    case FIELD_COLS: changed = editor.resize(value, level.rows); break;
    case FIELD_ROWS: changed = editor.resize(level.cols, value); break;
    case FIELD_FALL: changed = editor.setFallSpeed(value); break;
    case FIELD_TIME: changed = editor.setTimeLimit(value); break;
    default: break;
  }
  if (changed) refresh(true);
  else say("unchanged: " + promptText + " is the same or not allowed");
}

void EditorScreen::requestQuit() {
  if (solving) abandonSolve();
  if (drag != DRAG_NONE) {
    editor.endStroke();
    drag = DRAG_NONE;
  }
  if (editor.hasUnsavedChanges()) askingQuit = true;
  else quitting = true;
}

void EditorScreen::handleQuitKey(int scancode) {
  if (scancode == KEY_S) {
    save();
    if (!editor.hasUnsavedChanges()) quitting = true;
    askingQuit = false;
  } else if (scancode == KEY_D) {
    quitting = true;
  } else if (scancode == KEY_ESC) {
    askingQuit = false;
  }
}

void EditorScreen::save() {
  std::string error;
  if (editor.save(error)) say("saved " + editor.getPath());
  else say("not saved: " + error);
}

// The level as the game plays it: its loader, world update and frame, the
// arrows and Space as in play, until Escape, the end of the run or the
// close button; then the editor's view as it was.
void EditorScreen::testPlay() {
  int viewX = scrollX, viewY = scrollY;
  std::string error;
  if (!startRun(copyPath, error)) {
    say(error);
    return;
  }
  int tick = 0;
  RunOutcome outcome = RUN_PLAYING;
  ticks = 0;
  while (outcome == RUN_PLAYING && !key[KEY_ESC] && !closeRequested) {
    while (ticks == 0) rest(1);
    ticks = 0;
    TickKeys keys;
    keys.left = key[KEY_LEFT];
    keys.right = key[KEY_RIGHT];
    keys.up = key[KEY_UP];
    keys.fire = key[KEY_SPACE];
    outcome = runTick(keys, tick);
    if (outcome == RUN_PLAYING) drawFrame();
  }
  // the Escape that ended it must not also ask to quit
  while (key[KEY_ESC]) rest(1);
  clear_keybuf();
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f s", static_cast<double>(tick) / TICKS_PER_SECOND);
  switch (outcome) {
    case RUN_FINISHED: say(std::string("test play: the exit reached after ") + seconds); break;
    case RUN_DIED: say(std::string("test play: the player died after ") + seconds); break;
    case RUN_OUT_OF_TIME: say("test play: the clock ran out"); break;
    default: say(std::string("test play: stopped after ") + seconds); break;
  }
  scrollX = viewX;
  scrollY = viewY;
  refresh(false);
}

// The level tool's solver on the level as it stands, run beside the window
// (see solve_job.h); the best run it finds is drawn over the map until the
// next change.
void EditorScreen::solve() {
  bestRun.clear();
  std::string error;
  if (!solveJob.start(programFolder() + "/brindlecove-level", dataFolder(), copyPath, folder,
                      error)) {
    say("solve: " + error);
    return;
  }
  solving = true;
  solveBegan = std::chrono::steady_clock::now();
  messageTicks = 0;
}

void EditorScreen::abandonSolve() {
  solveJob.cancel();
  solving = false;
  say("solve: abandoned");
}

void EditorScreen::finishSolve(const SolveReport& report) {
  solving = false;
  if (!report.answered) {
    say("solve: " + report.error);
    return;
  }
  // the run traced through the level as it stands, which no edit has
  // changed since the solver was given it
  int viewX = scrollX, viewY = scrollY;
  std::string error;
  if (report.finishable && startRun(copyPath, error)) {
    int tick = 0;
    for (const TickKeys& keys : report.keys) {
      bestRun.push_back({player->getX() + player->getWidth() / 2,
                         player->getY() + player->getHeight() / 2});
      if (runTick(keys, tick) != RUN_PLAYING) break;
    }
    bestRun.push_back({player->getX() + player->getWidth() / 2,
                       player->getY() + player->getHeight() / 2});
    // a run sets the play keys in key[] as it goes: they are not held now
    key[KEY_LEFT] = key[KEY_RIGHT] = key[KEY_UP] = key[KEY_SPACE] = 0;
  }
  char text[160];
  if (report.finishable)
    std::snprintf(text, sizeof text, "solve: the exit in %.2f s of %d s (%.2f s to spare)%s",
                  report.seconds, report.timeLimit, report.spareSeconds,
                  report.shortest ? ", the shortest run" : ", not shown the shortest");
  else if (report.exhausted || report.states == 0)
    std::snprintf(text, sizeof text, "solve: no run reaches the exit in %d s", report.timeLimit);
  else
    std::snprintf(text, sizeof text, "solve: no run found within %ld states", report.states);
  say(text);
  scrollX = viewX;
  scrollY = viewY;
  refresh(false);
}

// Brings the finding the status bar shows into the middle of the view.
void EditorScreen::showFinding() {
  if (shownFinding.count() == 0) return;
  const std::vector<MarkBox>& boxes = findingBoxes[shownFinding.index()];
  if (boxes.empty()) return;
  overview = false;
  scrollX = boxes[0].x + boxes[0].w / 2 - SCREEN_W_PIXELS / 2;
  scrollY = boxes[0].y + boxes[0].h / 2 - (TOP_BAR_H + PALETTE_Y) / 2;
  clampScroll();
}

void EditorScreen::scroll() {
  if (promptField != FIELD_NONE || askingQuit || overview) return;
  if (key[KEY_LEFT] || mouse_x < SCROLL_EDGE) scrollX -= SCROLL_STEP;
  if (key[KEY_RIGHT] || mouse_x >= SCREEN_W_PIXELS - SCROLL_EDGE) scrollX += SCROLL_STEP;
  if (key[KEY_UP] || mouse_y < SCROLL_EDGE) scrollY -= SCROLL_STEP;
  if (key[KEY_DOWN] || mouse_y >= SCREEN_H_PIXELS - SCROLL_EDGE) scrollY += SCROLL_STEP;
  clampScroll();
}

// Every part of the map can be brought between the status bar and the palette.
void EditorScreen::clampScroll() {
  if (!currentMap) return;
  int maxX = std::max(0, currentMap->getWidthPixels() - SCREEN_W_PIXELS);
  int maxY = std::max(-TOP_BAR_H, currentMap->getHeightPixels() - PALETTE_Y);
  scrollX = std::min(std::max(scrollX, 0), maxX);
  scrollY = std::min(std::max(scrollY, -TOP_BAR_H), maxY);
}

// Mouse ------------------------------------------------------------------

void EditorScreen::handleMouse() {
  int held = mouse_b & 3;
  int pressed = (held & ~buttons) | buttonsPressed.exchange(0);
  int released = (buttons & ~held) | buttonsReleased.exchange(0);
  buttons = held;
  if (askingQuit || promptField != FIELD_NONE) return;
  if (solving && !overview) return;
  int mx = mouse_x, my = mouse_y;
  if (pressed && drag == DRAG_NONE) {
    mx = pressX;
    my = pressY;
  }
  bool inMap = my >= TOP_BAR_H && my < PALETTE_Y;
  if (overview) {
    if (inMap) mouseInOverview(pressed);
    return;
  }
  if ((pressed & 1) && my >= PALETTE_Y && drag == DRAG_NONE) {
    int slot = (mx - 4) / SLOT_W;
    if (mx >= 4 && slot < TOOL_COUNT) tool = slot;
    return;
  }
  if (drag == DRAG_NONE && !inMap) return;
  int x = mx + scrollX, y = my + scrollY;
  int tileW = currentMap->getTileWidth(), tileH = currentMap->getTileHeight();
  int col = x >= 0 ? x / tileW : -1, row = y >= 0 ? y / tileH : -1;
  if (tool == TOOL_PLATFORM) mouseWithPlatforms(pressed, released, x, y);
  else mouseWithCodes(pressed, released, col, row);
}

void EditorScreen::mouseInOverview(int pressed) {
  if (!(pressed & 1)) return;
  int mapW = currentMap->getWidthPixels(), mapH = currentMap->getHeightPixels();
  double scale = std::min({1.0, static_cast<double>(SCREEN_W_PIXELS) / mapW,
                           static_cast<double>(PALETTE_Y - TOP_BAR_H) / mapH});
  // the view comes centred on the point clicked
  scrollX = static_cast<int>(mouse_x / scale) - SCREEN_W_PIXELS / 2;
  scrollY = static_cast<int>((mouse_y - TOP_BAR_H) / scale) - (PALETTE_Y + TOP_BAR_H) / 2;
  clampScroll();
  overview = false;
}

void EditorScreen::mouseWithCodes(int pressed, int released, int col, int row) {
  if (drag == DRAG_NONE && pressed) {
    dragCode = (pressed & 1) ? tool : 0;
    anchorCol = lastCol = col;
    anchorRow = lastRow = row;
    if (key_shifts & KB_SHIFT_FLAG) {
      drag = DRAG_RECTANGLE;
    } else {
      drag = DRAG_PAINT;
      editor.beginStroke();
      changedInDrag = editor.paint(col, row, dragCode);
      if (changedInDrag) refresh(false);
    }
    // a click as quick as a tick is released in the same tick
  }
  if (drag == DRAG_PAINT) {
    if (col != lastCol || row != lastRow) paintLine(col, row);
    if (released) {
      editor.endStroke();
      drag = DRAG_NONE;
      if (changedInDrag) refresh(true);
    }
  } else if (drag == DRAG_RECTANGLE) {
    lastCol = col;
    lastRow = row;
    if (released) {
      drag = DRAG_NONE;
      if (editor.fill(anchorCol, anchorRow, col, row, dragCode)) refresh(true);
    }
  }
}

// Paints every cell from the last one to (col, row), so a quick drag
// leaves no gaps.
void EditorScreen::paintLine(int col, int row) {
  int steps = std::max(std::abs(col - lastCol), std::abs(row - lastRow));
  bool changed = false;
  for (int i = 1; i <= steps; i++) {
    int c = lastCol + (col - lastCol) * i / steps;
    int r = lastRow + (row - lastRow) * i / steps;
    changed = editor.paint(c, r, dragCode) || changed;
  }
  lastCol = col;
  lastRow = row;
  if (changed) {
    changedInDrag = true;
    refresh(false);
  }
}

void EditorScreen::mouseWithPlatforms(int pressed, int released, int x, int y) {
  BITMAP* sprite = graphic(GFX_PLATFORM);
  int w = sprite ? sprite->w : 64, h = sprite ? sprite->h : 16;
  if (drag == DRAG_NONE && pressed) {
    // the far end's box first: it may lie over another platform
    int end = -1;
    for (int i = editor.platformCount() - 1; i >= 0 && end < 0; i--) {
      const PlatformRecord& p = editor.level().platforms[i];
      int ex = p.y == p.yMax ? p.xMax : p.x, ey = p.y == p.yMax ? p.y : p.yMax;
      if (x >= ex && x < ex + w && y >= ey && y < ey + h) end = i;
    }
    int body = end >= 0 ? -1 : editor.platformAt(x, y, w, h);
    if (pressed & 2) {
      if (body >= 0 && editor.removePlatform(body)) refresh(true);
      return;
    }
    changedInDrag = false;
    if (end >= 0 || body >= 0) {
      dragPlatform = end >= 0 ? end : body;
      drag = end >= 0 ? DRAG_PLATFORM_END
                      : (key_shifts & KB_SHIFT_FLAG) ? DRAG_PLATFORM_START : DRAG_PLATFORM;
      const PlatformRecord& p = editor.level().platforms[dragPlatform];
      grabX = x - (drag == DRAG_PLATFORM_END && p.y == p.yMax ? p.xMax : p.x);
      grabY = y - (drag == DRAG_PLATFORM_END && p.y != p.yMax ? p.yMax : p.y);
      editor.beginStroke();
    } else {
      int px = snapToGrid(x), py = snapToGrid(y);
      int added = newVertical ? editor.addPlatform(px, py, px, py + NEW_PLATFORM_RANGE)
                              : editor.addPlatform(px, py, px + NEW_PLATFORM_RANGE, py);
      if (added >= 0) refresh(true);
      return;
    }
  }
  if (drag == DRAG_NONE || dragPlatform < 0) return;
  const PlatformRecord p = editor.level().platforms[dragPlatform];
  int tx = snapToGrid(x - grabX), ty = snapToGrid(y - grabY);
  bool changed = false;
  if (drag == DRAG_PLATFORM) changed = editor.movePlatform(dragPlatform, tx - p.x, ty - p.y);
  else if (drag == DRAG_PLATFORM_START)
    changed = editor.setPlatformEnd(dragPlatform, PLATFORM_START, tx, ty);
  else changed = editor.setPlatformEnd(dragPlatform, PLATFORM_FAR_END, tx, ty);
  if (changed) {
    changedInDrag = true;
    refresh(false);
  }
  if (released) {
    editor.endStroke();
    drag = DRAG_NONE;
    dragPlatform = -1;
    if (changedInDrag) refresh(true);
  }
}

// Drawing ----------------------------------------------------------------

void EditorScreen::draw() {
  clear_to_color(backBuffer, COLOUR_SKY);
  if (overview) drawOverview();
  else drawMap();
  drawStatus();
  drawPalette();
  acquire_screen();
  showBackBuffer();
  release_screen();
}

// The game's own drawing of the view, then what only the editor shows.
void EditorScreen::drawMap() {
  drawBackgrounds();
  drawTiles();
  drawEnemies();
  drawPlatforms();
  // the player starts where the game puts him at every level start
  if (BITMAP* start = graphic(GFX_PLAYER_STAND)) {
    draw_sprite(backBuffer, start, PLAYER_START_X - scrollX, PLAYER_START_Y - scrollY);
    textout_ex(backBuffer, font, "START", PLAYER_START_X - scrollX,
               PLAYER_START_Y - scrollY - LINE_H, makecol(230, 30, 30), -1);
  }
  drawFindingMarks();
  int runColour = makecol(255, 60, 200);
  for (size_t i = 1; i < bestRun.size(); i++)
    line(backBuffer, bestRun[i - 1].first - scrollX, bestRun[i - 1].second - scrollY,
         bestRun[i].first - scrollX, bestRun[i].second - scrollY, runColour);
  int tileW = currentMap->getTileWidth(), tileH = currentMap->getTileHeight();
  // the map's edges
  rect(backBuffer, -scrollX - 1, -scrollY - 1, currentMap->getWidthPixels() - scrollX,
       currentMap->getHeightPixels() - scrollY, makecol(40, 40, 40));
  int mx = mouse_x, my = mouse_y;
  if (drag == DRAG_RECTANGLE) {
    int left = std::min(anchorCol, lastCol), right = std::max(anchorCol, lastCol);
    int top = std::min(anchorRow, lastRow), bottom = std::max(anchorRow, lastRow);
    rect(backBuffer, left * tileW - scrollX, top * tileH - scrollY,
         (right + 1) * tileW - scrollX - 1, (bottom + 1) * tileH - scrollY - 1,
         makecol(255, 255, 0));
  } else if (tool != TOOL_PLATFORM && my >= TOP_BAR_H && my < PALETTE_Y) {
    int x = mx + scrollX, y = my + scrollY;
    if (x >= 0 && y >= 0) {
      int col = x / tileW, row = y / tileH;
      rect(backBuffer, col * tileW - scrollX, row * tileH - scrollY,
           (col + 1) * tileW - scrollX - 1, (row + 1) * tileH - scrollY - 1,
           makecol(255, 255, 255));
    }
  }
}

void EditorScreen::drawPlatforms() {
  BITMAP* sprite = graphic(GFX_PLATFORM);
  int w = sprite ? sprite->w : 64, h = sprite ? sprite->h : 16;
  int lineColour = makecol(255, 255, 255);
  for (const PlatformRecord& p : editor.level().platforms) {
    bool horizontal = p.y == p.yMax;
    int ex = horizontal ? p.xMax : p.x, ey = horizontal ? p.y : p.yMax;
    // the range as a line between the middles of its two ends, the far
    // end as an outline to drag
    line(backBuffer, p.x + w / 2 - scrollX, p.y + h / 2 - scrollY, ex + w / 2 - scrollX,
         ey + h / 2 - scrollY, lineColour);
    rect(backBuffer, ex - scrollX, ey - scrollY, ex + w - 1 - scrollX, ey + h - 1 - scrollY,
         lineColour);
    if (sprite) draw_sprite(backBuffer, sprite, p.x - scrollX, p.y - scrollY);
  }
}

// Every finding's places in red, the one the status bar shows in yellow.
void EditorScreen::drawFindingMarks() {
  for (size_t i = 0; i < findingBoxes.size(); i++) {
    bool shown = i == shownFinding.index();
    int colour = shown ? makecol(255, 220, 0) : makecol(255, 0, 0);
    for (const MarkBox& box : findingBoxes[i]) {
      int x = box.x - scrollX, y = box.y - scrollY;
      rect(backBuffer, x, y, x + box.w - 1, y + box.h - 1, colour);
      rect(backBuffer, x + 1, y + 1, x + box.w - 2, y + box.h - 2, colour);
      if (shown) rect(backBuffer, x - 1, y - 1, x + box.w, y + box.h, colour);
    }
  }
}

void EditorScreen::drawOverview() {
  const LevelFile& level = editor.level();
  int mapW = currentMap->getWidthPixels(), mapH = currentMap->getHeightPixels();
  double scale = std::min({1.0, static_cast<double>(SCREEN_W_PIXELS) / mapW,
                           static_cast<double>(PALETTE_Y - TOP_BAR_H) / mapH});
  auto sx = [scale](int x) { return static_cast<int>(x * scale); };
  auto sy = [scale](int y) { return TOP_BAR_H + static_cast<int>(y * scale); };
  for (int row = 0; row < level.rows; row++)
    for (int col = 0; col < level.cols; col++) {
      int code = editor.code(col, row);
      if (code < 0 || code > EDITOR_LAST_CODE || !pictures[code]) continue;
      int x = sx(col * level.tileWidth), y = sy(row * level.tileHeight);
      int w = std::max(1, sx((col + 1) * level.tileWidth) - x);
      int h = std::max(1, sy((row + 1) * level.tileHeight) - y);
      stretch_sprite(backBuffer, pictures[code], x, y, w, h);
    }
  BITMAP* sprite = graphic(GFX_PLATFORM);
  int w = sprite ? sprite->w : 64, h = sprite ? sprite->h : 16;
  for (const PlatformRecord& p : level.platforms) {
    bool horizontal = p.y == p.yMax;
    int ex = horizontal ? p.xMax : p.x, ey = horizontal ? p.y : p.yMax;
    line(backBuffer, sx(p.x), sy(p.y), sx(ex), sy(ey), makecol(255, 255, 255));
    rectfill(backBuffer, sx(p.x), sy(p.y), sx(p.x + w), sy(p.y + h), makecol(120, 80, 40));
  }
  for (size_t i = 0; i < findingBoxes.size(); i++)
    for (const MarkBox& box : findingBoxes[i])
      rect(backBuffer, sx(box.x), sy(box.y), sx(box.x + box.w), sy(box.y + box.h),
           i == shownFinding.index() ? makecol(255, 220, 0) : makecol(255, 0, 0));
  for (size_t i = 1; i < bestRun.size(); i++)
    line(backBuffer, sx(bestRun[i - 1].first), sy(bestRun[i - 1].second), sx(bestRun[i].first),
         sy(bestRun[i].second), makecol(255, 60, 200));
  rect(backBuffer, 0, TOP_BAR_H, sx(mapW) - 1, sy(mapH) - 1, makecol(40, 40, 40));
  // the part of the map the normal view shows
  rect(backBuffer, sx(scrollX), sy(scrollY), sx(scrollX + SCREEN_W_PIXELS) - 1,
       sy(scrollY + PALETTE_Y) - 1, makecol(255, 255, 0));
}

std::string EditorScreen::toolName(int t) const {
  static const char* const NAMES[] = {"empty", "block", "enemy", "points", "block B", "spikes",
                                      "ammunition", "fire", "block D", "exit", "block C", "time"};
  if (t == TOOL_PLATFORM) return newVertical ? "platform (up/down)" : "platform (sideways)";
  return std::to_string(t) + " " + NAMES[t];
}

void EditorScreen::drawStatus() {
  const LevelFile& level = editor.level();
  const std::string& path = editor.getPath();
  std::string fileName = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  int background = makecol(20, 24, 40), text = makecol(255, 255, 255);
  rectfill(backBuffer, 0, 0, SCREEN_W_PIXELS - 1, TOP_BAR_H - 1, background);
  textprintf_ex(backBuffer, font, 4, 3, text, -1, "%s%s | \"%s\" %dx%d | fall %d | time %d s | %d platforms | %s",
                fileName.c_str(), editor.hasUnsavedChanges() ? " *" : "",
                level.name.c_str(), level.cols, level.rows, level.fallSpeed, level.timeLimit,
                editor.platformCount(), toolName(tool).c_str());
  std::string second;
  int colour = text;
  static const char* const LABELS[] = {"", "Name", "Columns", "Rows", "Fall speed", "Time limit"};
  if (askingQuit) {
    second = "Unsaved changes: S save and quit, D discard and quit, Escape go on editing";
    colour = makecol(255, 220, 0);
  } else if (promptField != FIELD_NONE) {
    second = std::string(LABELS[promptField]) + ": " + promptText +
             "_   (Enter sets it, Escape leaves it)";
    colour = makecol(255, 220, 0);
  } else if (solving) {
    long seconds = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(
                                         std::chrono::steady_clock::now() - solveBegan)
                                         .count());
    second = "Solving... " + std::to_string(seconds) + " s   (Escape abandons it)";
    colour = makecol(255, 220, 0);
  } else if (messageTicks > 0) {
    second = message;
  } else if (findings.empty()) {
    second = "check: clean";
    colour = makecol(120, 255, 120);
  } else {
    second = "check " + shownFinding.label(findings[shownFinding.index()].message);
    if (findings.size() > 1) second += "   (Tab: next)";
    colour = makecol(255, 120, 120);
  }
  drawStatusText(second, colour);
}

// The status bar's second line; what does not fit goes on a strip under
// the bar, broken between words.
void EditorScreen::drawStatusText(const std::string& text, int colour) {
  const int width = SCREEN_W_PIXELS - 8;
  std::string first = text, rest;
  if (text_length(font, text.c_str()) > width) {
    size_t cut = text.size();
    while (cut > 0 && text_length(font, text.substr(0, cut).c_str()) > width) {
      size_t space = text.rfind(' ', cut - 1);
      cut = space == std::string::npos || space == 0 ? cut - 1 : space;
    }
    first = text.substr(0, cut);
    rest = text.substr(cut + (cut < text.size() && text[cut] == ' ' ? 1 : 0));
  }
  textout_ex(backBuffer, font, first.c_str(), 4, 3 + LINE_H + 1, colour, -1);
  if (rest.empty()) return;
  rectfill(backBuffer, 0, TOP_BAR_H, SCREEN_W_PIXELS - 1, TOP_BAR_H + LINE_H + 1,
           makecol(20, 24, 40));
  textout_ex(backBuffer, font, rest.c_str(), 4, TOP_BAR_H + 1, colour, -1);
}

void EditorScreen::drawPalette() {
  rectfill(backBuffer, 0, PALETTE_Y, SCREEN_W_PIXELS - 1, SCREEN_H_PIXELS - 1, makecol(20, 24, 40));
  int text = makecol(255, 255, 255);
  for (int t = 0; t < TOOL_COUNT; t++) {
    int x = 4 + t * SLOT_W, y = PALETTE_Y + 2;
    rectfill(backBuffer, x, y, x + SLOT_PICTURE + 3, y + SLOT_PICTURE + 3, COLOUR_SKY);
    BITMAP* picture = t == TOOL_PLATFORM ? graphic(GFX_PLATFORM) : pictures[t];
    if (picture) {
      // wide pictures keep their shape
      int w = SLOT_PICTURE, h = SLOT_PICTURE;
      if (picture->w > picture->h) h = std::max(1, SLOT_PICTURE * picture->h / picture->w);
      stretch_sprite(backBuffer, picture, x + 2, y + 2 + (SLOT_PICTURE - h) / 2, w, h);
    }
    rect(backBuffer, x, y, x + SLOT_PICTURE + 3, y + SLOT_PICTURE + 3,
         t == tool ? makecol(255, 220, 0) : makecol(90, 90, 90));
    if (t == tool)
      rect(backBuffer, x - 1, y - 1, x + SLOT_PICTURE + 4, y + SLOT_PICTURE + 4, makecol(255, 220, 0));
    std::string label = t == TOOL_PLATFORM ? "P" : std::to_string(t);
    textout_ex(backBuffer, font, label.c_str(), x + 2, y + SLOT_PICTURE + 5, text, -1);
  }
  int helpX = 4 + TOOL_COUNT * SLOT_W + 4;
  textout_ex(backBuffer, font, "0-9 - = P tool V way M map F5", helpX, PALETTE_Y + 4, text, -1);
  textout_ex(backBuffer, font, "N name C R size F fall T time", helpX, PALETTE_Y + 16, text, -1);
  textout_ex(backBuffer, font, "^Z/^Y undo/redo ^S save F6 Tab Esc", helpX, PALETTE_Y + 28, text, -1);
}

}  // namespace

void requestEditorClose() { closeRequested = true; }

int runEditorScreen(LevelEditor& editor) {
  EditorScreen screen(editor);
  return screen.run();
}
