// Checks the packed data files against what the game relies on: which kind
// of object sits at each index, picture sizes used by physics and layout,
// see-through areas, font metrics and colouring, and the sounds and music.
// Runs headless: the neutral system driver loads datafiles without a
// display (no timer, no sound driver).
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kGraphicsCount = 30;
constexpr int kFontCount = 2;
constexpr int kSoundCount = 12;

// Indices the game uses.
enum Gfx {
    kCoin0 = 0, kCoin3 = 3, kHills = 4, kMountains = 5, kGrassBlock = 6, kBullet = 7, kClock = 8,
    kEnemy0 = 9, kEnemy1 = 10, kPlatform = 11, kExit = 12, kAmmo = 13, kLava0 = 14, kLava4 = 18,
    kGameOver0 = 19, kGameOver1 = 20, kTitle = 21, kStoneBlock = 22, kCrateBlock = 23,
    kPlayerAir = 24, kPlayerStand = 25, kPlayerStep = 26, kMetalBlock = 27, kSpikes0 = 28, kSpikes1 = 29,
};
enum Snd {
    kEnemyStruck = 0, kMusic = 1, kPickup = 2, kEmptyClick = 3, kShot = 4, kJump = 5, kLifeLost = 6,
    kLevelDone = 7, kGameOver = 8, kBonusTime = 9, kMenuMove = 10, kMenuChoose = 11
};
const int kEffects[] = {kEnemyStruck, kPickup,   kEmptyClick, kShot,      kJump,
                        kLifeLost,    kLevelDone, kGameOver,  kBonusTime, kMenuMove, kMenuChoose};

const int kBlocks[] = {kGrassBlock, kStoneBlock, kCrateBlock, kMetalBlock};

std::string runFile(const char *name) { return std::string(BRINDLECOVE_RUN_DIR) + "/" + name; }

int objectCount(const DATAFILE *d)
{
    int n = 0;
    while (d[n].type != DAT_END)
        ++n;
    return n;
}

int maskPixels(BITMAP *bmp)
{
    const int mask = bitmap_mask_color(bmp);
    int n = 0;
    for (int y = 0; y < bmp->h; ++y)
        for (int x = 0; x < bmp->w; ++x)
            n += getpixel(bmp, x, y) == mask;
    return n;
}

bool isMaskAt(BITMAP *bmp, int x, int y) { return getpixel(bmp, x, y) == bitmap_mask_color(bmp); }

bool samePicture(BITMAP *a, BITMAP *b)
{
    if (a->w != b->w || a->h != b->h)
        return false;
    for (int y = 0; y < a->h; ++y)
        for (int x = 0; x < a->w; ++x)
            if (getpixel(a, x, y) != getpixel(b, x, y))
                return false;
    return true;
}

// First opaque row in a column, or the height if the column is empty.
int skyline(BITMAP *bmp, int x)
{
    for (int y = 0; y < bmp->h; ++y)
        if (!isMaskAt(bmp, x, y))
            return y;
    return bmp->h;
}

class DataFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
        // The game runs at 16 bpp. No colour conversion on load, so a
        // bitmap packed at another depth shows up as such.
        set_color_depth(16);
        set_color_conversion(COLORCONV_NONE);
        graphics_ = load_datafile(runFile("graphics.dat").c_str());
        fonts_ = load_datafile(runFile("font.dat").c_str());
        sounds_ = load_datafile(runFile("sound.dat").c_str());
    }

    static void TearDownTestSuite()
    {
        for (DATAFILE **d : {&graphics_, &fonts_, &sounds_}) {
            if (*d)
                unload_datafile(*d);
            *d = nullptr;
        }
    }

    void SetUp() override
    {
        ASSERT_NE(graphics_, nullptr) << "cannot load " << runFile("graphics.dat");
        ASSERT_NE(fonts_, nullptr) << "cannot load " << runFile("font.dat");
        ASSERT_NE(sounds_, nullptr) << "cannot load " << runFile("sound.dat");
        ASSERT_EQ(objectCount(graphics_), kGraphicsCount);
        ASSERT_EQ(objectCount(fonts_), kFontCount);
        ASSERT_EQ(objectCount(sounds_), kSoundCount);
    }

    static BITMAP *gfx(int i) { return static_cast<BITMAP *>(graphics_[i].dat); }
    static FONT *mainFont() { return static_cast<FONT *>(fonts_[0].dat); }
    static FONT *noticeFont() { return static_cast<FONT *>(fonts_[1].dat); }
    static SAMPLE *sample(int i) { return static_cast<SAMPLE *>(sounds_[i].dat); }

    static DATAFILE *graphics_, *fonts_, *sounds_;
};

DATAFILE *DataFiles::graphics_ = nullptr;
DATAFILE *DataFiles::fonts_ = nullptr;
DATAFILE *DataFiles::sounds_ = nullptr;

// ---- object kinds ----

TEST_F(DataFiles, ObjectKindsMatchTheirIndices)
{
    for (int i = 0; i < kGraphicsCount; ++i) {
        SCOPED_TRACE("graphics object " + std::to_string(i));
        ASSERT_EQ(graphics_[i].type, DAT_BITMAP);
        EXPECT_EQ(bitmap_color_depth(gfx(i)), 16);
    }
    for (int i = 0; i < kFontCount; ++i)
        EXPECT_EQ(fonts_[i].type, DAT_FONT) << "font object " << i;
    for (int i : kEffects)
        EXPECT_EQ(sounds_[i].type, DAT_SAMPLE) << "sound object " << i;
    EXPECT_EQ(sounds_[kMusic].type, DAT_MIDI);
}

// ---- picture sizes ----

TEST_F(DataFiles, TilesAndPickupsAre32x32)
{
    const int tiles[] = {0, 1, 2, 3, kGrassBlock, kClock, kExit, kAmmo, 14, 15, 16, 17, 18,
                         kStoneBlock, kCrateBlock, kMetalBlock, kSpikes0, kSpikes1};
    for (int i : tiles) {
        SCOPED_TRACE("graphics object " + std::to_string(i));
        EXPECT_EQ(gfx(i)->w, 32);
        EXPECT_EQ(gfx(i)->h, 32);
    }
}

TEST_F(DataFiles, ActorAndObjectSizesMatchTheGame)
{
    EXPECT_EQ(gfx(kBullet)->w, 10);
    EXPECT_EQ(gfx(kBullet)->h, 4);
    for (int i : {kEnemy0, kEnemy1}) {
        EXPECT_EQ(gfx(i)->w, 28) << "enemy " << i;
        EXPECT_EQ(gfx(i)->h, 28) << "enemy " << i;
    }
    for (int i : {kPlayerAir, kPlayerStand, kPlayerStep}) {
        EXPECT_EQ(gfx(i)->w, 24) << "player " << i;
        EXPECT_EQ(gfx(i)->h, 30) << "player " << i;
    }
    EXPECT_EQ(gfx(kPlatform)->w, 64);
    EXPECT_EQ(gfx(kPlatform)->h, 16);
}

TEST_F(DataFiles, ScreenPicturesFitWhereTheGameDrawsThem)
{
    EXPECT_EQ(gfx(kTitle)->w, 400);
    EXPECT_EQ(gfx(kTitle)->h, 120);
    // Game over is drawn at (390,300) on 800x600.
    for (int i : {kGameOver0, kGameOver1}) {
        EXPECT_GE(gfx(i)->w, 100) << i;
        EXPECT_LE(gfx(i)->w, 400) << i;
        EXPECT_GE(gfx(i)->h, 30) << i;
        EXPECT_LE(gfx(i)->h, 280) << i;
    }
    EXPECT_EQ(gfx(kGameOver0)->w, gfx(kGameOver1)->w);
    EXPECT_EQ(gfx(kGameOver0)->h, gfx(kGameOver1)->h);
}

TEST_F(DataFiles, BackgroundsCoverTheScreenWidth)
{
    EXPECT_GE(gfx(kHills)->w, 800);
    EXPECT_GE(gfx(kHills)->h, 200);
    EXPECT_LE(gfx(kHills)->h, 260);
    EXPECT_GE(gfx(kMountains)->w, 800);
    EXPECT_GE(gfx(kMountains)->h, 300);
    EXPECT_LE(gfx(kMountains)->h, 400);
}

// ---- see-through areas ----

TEST_F(DataFiles, SolidBlocksAreFullyOpaque)
{
    for (int i : kBlocks)
        EXPECT_EQ(maskPixels(gfx(i)), 0) << "block " << i;
}

TEST_F(DataFiles, SpritesAreCutOutWithMaskColour)
{
    // Round or figure-shaped sprites: transparent corners, a real body.
    const int cutOut[] = {0, 1, 2, 3, kClock, kAmmo, kEnemy0, kEnemy1, kPlayerAir, kPlayerStand, kPlayerStep};
    for (int i : cutOut) {
        SCOPED_TRACE("graphics object " + std::to_string(i));
        BITMAP *b = gfx(i);
        EXPECT_TRUE(isMaskAt(b, 0, 0));
        EXPECT_TRUE(isMaskAt(b, b->w - 1, 0));
        EXPECT_TRUE(isMaskAt(b, 0, b->h - 1));
        EXPECT_TRUE(isMaskAt(b, b->w - 1, b->h - 1));
        const int opaque = b->w * b->h - maskPixels(b);
        // The edge-on coin frame is the thinnest at under a fifth.
        EXPECT_GT(opaque, b->w * b->h / 10) << "too little drawn";
    }
    // The bullet is tiny but must still have a shaped nose, and be mostly solid.
    const int bulletMask = maskPixels(gfx(kBullet));
    EXPECT_GT(bulletMask, 0);
    EXPECT_LT(bulletMask, 10 * 4 / 2);
    // Spikes have gaps between them; the tops of the pictures are see-through.
    for (int i : {kSpikes0, kSpikes1, kTitle, kGameOver0, kPlatform, kExit}) {
        EXPECT_GT(maskPixels(gfx(i)), 0) << i;
        EXPECT_LT(maskPixels(gfx(i)), gfx(i)->w * gfx(i)->h) << i;
    }
}

TEST_F(DataFiles, CharactersStandOnTheirBottomRow)
{
    // The game puts a picture's bottom edge on the ground; an empty last
    // row would leave the figure floating.
    for (int i : {kPlayerStand, kPlayerStep, kEnemy0, kEnemy1}) {
        BITMAP *b = gfx(i);
        int feet = 0;
        for (int x = 0; x < b->w; ++x)
            feet += !isMaskAt(b, x, b->h - 1);
        EXPECT_GT(feet, 0) << "graphics object " << i << " floats above the ground";
    }
}

TEST_F(DataFiles, ExitTilesStackIntoOneDoorway)
{
    // Levels put two exit tiles on top of each other: the top and bottom
    // rows must match up, opaque over opaque.
    BITMAP *b = gfx(kExit);
    int opaqueTop = 0;
    for (int x = 0; x < b->w; ++x) {
        EXPECT_EQ(isMaskAt(b, x, 0), isMaskAt(b, x, b->h - 1)) << "column " << x;
        opaqueTop += !isMaskAt(b, x, 0);
    }
    EXPECT_GT(opaqueTop, b->w / 2);
}

TEST_F(DataFiles, BackgroundsAreSeeThroughAboveTheirSkyline)
{
    for (int i : {kHills, kMountains}) {
        SCOPED_TRACE("background " + std::to_string(i));
        BITMAP *b = gfx(i);
        for (int x = 0; x < b->w; ++x) {
            ASSERT_TRUE(isMaskAt(b, x, 0)) << "sky missing at column " << x;
            ASSERT_FALSE(isMaskAt(b, x, b->h - 1)) << "hole in the ground at column " << x;
        }
    }
}

TEST_F(DataFiles, BackgroundsRepeatWithoutASeam)
{
    for (int i : {kHills, kMountains}) {
        SCOPED_TRACE("background " + std::to_string(i));
        BITMAP *b = gfx(i);
        // The skyline must run on from the last column into the first, and
        // the join must be no rougher than the picture's own slopes.
        int steepest = 0;
        for (int x = 1; x < b->w; ++x)
            steepest = std::max(steepest, std::abs(skyline(b, x) - skyline(b, x - 1)));
        const int seam = std::abs(skyline(b, 0) - skyline(b, b->w - 1));
        EXPECT_LE(seam, steepest);
        EXPECT_LE(seam, 4);
        // Same for every row: see-through and opaque pixels line up.
        int mismatched = 0;
        for (int y = 0; y < b->h; ++y)
            mismatched += isMaskAt(b, 0, y) != isMaskAt(b, b->w - 1, y);
        EXPECT_LE(mismatched, 4);
    }
}

// ---- frames and distinct pictures ----

TEST_F(DataFiles, AnimationFramesAreDistinct)
{
    auto allDifferent = [](std::vector<int> ids) {
        for (size_t a = 0; a < ids.size(); ++a)
            for (size_t b = a + 1; b < ids.size(); ++b)
                EXPECT_FALSE(samePicture(gfx(ids[a]), gfx(ids[b]))) << ids[a] << " and " << ids[b] << " are identical";
    };
    allDifferent({0, 1, 2, 3});
    allDifferent({14, 15, 16, 17, 18});
    allDifferent({kSpikes0, kSpikes1});
    allDifferent({kEnemy0, kEnemy1});
    allDifferent({kPlayerAir, kPlayerStand, kPlayerStep});
    allDifferent({kGameOver0, kGameOver1});
    allDifferent({kGrassBlock, kStoneBlock, kCrateBlock, kMetalBlock});
    allDifferent({kClock, kAmmo, kCoin0, kExit});
}

// ---- fonts ----

// Renders `text` in `colour` on black and returns the distinct colours used.
std::set<int> renderedColours(FONT *f, const char *text, int colour)
{
    BITMAP *b = create_bitmap(text_length(f, text) + 4, text_height(f) + 4);
    clear_to_color(b, 0);
    textout_ex(b, f, text, 2, 2, colour, -1);
    std::set<int> colours;
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x)
            if (getpixel(b, x, y) != 0)
                colours.insert(getpixel(b, x, y));
    destroy_bitmap(b);
    return colours;
}

// Each glyph as a string of its lit pixels, to compare shapes.
std::string glyphShape(FONT *f, int ch)
{
    const char text[2] = {static_cast<char>(ch), 0};
    BITMAP *b = create_bitmap(text_length(f, text) + 2, text_height(f) + 2);
    clear_to_color(b, 0);
    textout_ex(b, f, text, 1, 1, makecol(255, 255, 255), -1);
    std::string shape;
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x)
            shape += getpixel(b, x, y) ? '#' : '.';
    destroy_bitmap(b);
    return shape;
}

TEST_F(DataFiles, FontsAreMonochromeSoTextTakesTheGivenColour)
{
    for (int i = 0; i < kFontCount; ++i) {
        SCOPED_TRACE("font " + std::to_string(i));
        FONT *f = static_cast<FONT *>(fonts_[i].dat);
        EXPECT_TRUE(is_mono_font(f));
        for (int colour : {makecol(255, 0, 0), makecol(40, 200, 90)}) {
            const std::set<int> used = renderedColours(f, "Score 123 Agj!", colour);
            EXPECT_EQ(used, std::set<int>{colour});
        }
    }
}

TEST_F(DataFiles, FontsCoverPrintableAsciiWithDistinctGlyphs)
{
    const std::pair<FONT *, int> fonts[] = {{mainFont(), 9}, {noticeFont(), 7}};
    for (auto [f, maxAdvance] : fonts) {
        std::map<std::string, int> seen;
        for (int ch = 32; ch <= 126; ++ch) {
            SCOPED_TRACE("character " + std::to_string(ch));
            const char text[2] = {static_cast<char>(ch), 0};
            const int advance = text_length(f, text);
            EXPECT_GT(advance, 0);
            EXPECT_LE(advance, maxAdvance);
            if (ch == ' ')
                continue;
            const std::string shape = glyphShape(f, ch);
            EXPECT_NE(shape.find('#'), std::string::npos) << "blank glyph";
            auto [it, fresh] = seen.emplace(shape, ch);
            EXPECT_TRUE(fresh) << "looks the same as character " << it->second;
        }
    }
}

TEST_F(DataFiles, FontMetricsFitTheLayout)
{
    EXPECT_GE(text_height(mainFont()), 14);
    EXPECT_LE(text_height(mainFont()), 16);
    EXPECT_LE(text_height(noticeFont()), 10);
    // The version line is printed from x=610 to the right edge at 800.
    EXPECT_LE(text_length(noticeFont(), "Version 0.8a BETA release"), 190);
}

TEST_F(DataFiles, GameTextFitsWhereTheGameWritesIt)
{
    FONT *f = mainFont();
    // HUD items start at x = 20, 200, 400 and 600 and must not run into
    // the next one or off the screen.
    EXPECT_LT(20 + text_length(f, "Lifes : 99"), 200);
    EXPECT_LT(200 + text_length(f, "Points : 9999999"), 400);
    EXPECT_LT(400 + text_length(f, "Bullets : 999"), 600);
    EXPECT_LE(600 + text_length(f, "Time left : 999"), 800);
    // Overlay lines start at x = 220 inside a box ending at x = 680; level
    // names have up to 29 characters.
    EXPECT_LE(220 + text_length(f, "Welcome to Level 3 - WWWWWWWWWWWWWWWWWWWWWWWWWWWWW"), 680);
    EXPECT_LE(220 + text_length(f, "Press <enter> to start again"), 680);
    EXPECT_LE(220 + text_length(f, "You've got 3 life(s) left..."), 680);
    EXPECT_LE(150 + text_length(f, "Congratulations!! You've got a HIGH SCORE!"), 800);
    EXPECT_LE(230 + text_length(f, "Press <enter> for the main menu"), 800);
    // The menu lines are 30 pixels apart.
    EXPECT_LE(text_height(f), 30);
}

// WCAG relative luminance and contrast ratio of two colours.
double luminance(int r, int g, int b)
{
    auto channel = [](int c) {
        const double v = c / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b);
}

double contrast(int pixel, int r, int g, int b)
{
    const double a = luminance(getr16(pixel), getg16(pixel), getb16(pixel)), t = luminance(r, g, b);
    return (std::max(a, t) + 0.05) / (std::min(a, t) + 0.05);
}

// Share of the opaque pixels in a rectangle on which text of colour
// (r, g, b) stands out with at least `ratio` contrast.
double readableShare(BITMAP *bmp, int x1, int y1, int x2, int y2, int r, int g, int b, double ratio)
{
    int opaque = 0, readable = 0;
    for (int y = std::max(y1, 0); y <= std::min(y2, bmp->h - 1); ++y)
        for (int x = std::max(x1, 0); x <= std::min(x2, bmp->w - 1); ++x) {
            const int c = getpixel(bmp, x, y);
            if (c == bitmap_mask_color(bmp))
                continue;
            ++opaque;
            readable += contrast(c, r, g, b) >= ratio;
        }
    return opaque ? static_cast<double>(readable) / opaque : 1.0;
}

TEST_F(DataFiles, MenuFinePrintStaysReadable)
{
    // The menu map is 19 rows of 32 pixels; the near background stands on
    // its bottom, so screen y maps to y - (608 - height) in the picture.
    // Notices in dark blue (0, 40, 189) run from y = 500 to 549 over it,
    // between x = 230 and 470, and the last one at y = 560 over the soil
    // of the grass blocks (rows 16 to 24 of the tile).
    BITMAP *hills = gfx(kHills);
    const int top = 608 - hills->h;
    EXPECT_GE(readableShare(hills, 230, 500 - top, 470, 549 - top, 0, 40, 189, 3.0), 0.9);
    EXPECT_GE(readableShare(gfx(kGrassBlock), 0, 16, 31, 24, 0, 40, 189, 3.0), 0.9);
}

// ---- sounds ----

// Peak distance from silence and RMS, as fractions of full scale.
struct Level {
    double peak = 0, rms = 0;
};

Level sampleLevel(const SAMPLE *s)
{
    Level level;
    double sum = 0;
    const long count = static_cast<long>(s->len) * (s->stereo ? 2 : 1);
    for (long i = 0; i < count; ++i) {
        double v;
        if (s->bits == 16)
            v = (static_cast<const unsigned short *>(s->data)[i] - 32768) / 32768.0;
        else
            v = (static_cast<const unsigned char *>(s->data)[i] - 128) / 128.0;
        level.peak = std::max(level.peak, std::abs(v));
        sum += v * v;
    }
    level.rms = count > 0 ? std::sqrt(sum / count) : 0;
    return level;
}

double samplePeak(const SAMPLE *s) { return sampleLevel(s).peak; }

double dB(double fraction) { return 20.0 * std::log10(std::max(fraction, 1e-9)); }

// No effect may drown another or hit full scale: peaks at -3 to -1 dBFS,
// and loudness (RMS) within 6 dB of the quietest effect.
TEST_F(DataFiles, EffectsAreEvenlyLoud)
{
    double quietest = 1e9, loudest = -1e9;
    int quietIndex = -1, loudIndex = -1;
    for (int i : kEffects) {
        const Level level = sampleLevel(sample(i));
        const double peak = dB(level.peak), rms = dB(level.rms);
        std::printf("sound %2d: peak %6.2f dBFS, RMS %6.2f dBFS\n", i, peak, rms);
        EXPECT_GE(peak, -3.0) << "sound " << i;
        EXPECT_LE(peak, -1.0) << "sound " << i;
        if (rms < quietest)
            quietest = rms, quietIndex = i;
        if (rms > loudest)
            loudest = rms, loudIndex = i;
    }
    EXPECT_LE(loudest - quietest, 6.0) << "sound " << loudIndex << " is " << loudest - quietest
                                       << " dB louder (RMS) than sound " << quietIndex;
}

TEST_F(DataFiles, EffectsAreShortAudibleAndDistinct)
{
    const auto &effects = kEffects;
    for (int i : effects) {
        SCOPED_TRACE("sound " + std::to_string(i));
        const SAMPLE *s = sample(i);
        EXPECT_EQ(s->stereo, 0);
        EXPECT_TRUE(s->bits == 8 || s->bits == 16);
        ASSERT_GT(s->freq, 0);
        const double seconds = static_cast<double>(s->len) / s->freq;
        EXPECT_GT(seconds, 0.02);
        EXPECT_LT(seconds, 0.5);
        EXPECT_GT(samplePeak(s), 0.25) << "too quiet";
    }
    for (int a : effects)
        for (int b : effects) {
            if (a >= b)
                continue;
            const SAMPLE *x = sample(a), *y = sample(b);
            const size_t bytes = x->len * (x->bits / 8);
            const bool same = x->len == y->len && x->bits == y->bits &&
                              std::memcmp(x->data, y->data, bytes) == 0;
            EXPECT_FALSE(same) << "sounds " << a << " and " << b << " are identical";
        }
}

// ---- music ----

struct MidiSummary {
    int division = 0;
    long endTick = 0;
    std::set<long> trackEnds; // the tick each track ends on
    double seconds = 0;
    std::map<int, std::set<long>> noteOnTicks; // channel -> ticks with a note starting
    std::map<int, std::set<int>> programs;     // channel -> programs chosen on it
    std::set<int> drumKeys;                    // notes played on channel 10
    int hangingNotes = 0;                      // note-ons never switched off
    bool malformed = false;
};

unsigned long readVarLen(const unsigned char *&p, const unsigned char *end)
{
    unsigned long v = 0;
    while (p < end) {
        const unsigned char c = *p++;
        v = (v << 7) | (c & 0x7f);
        if (!(c & 0x80))
            break;
    }
    return v;
}

// Walks Allegro's raw MIDI tracks: note starts per channel, the last tick
// and the playing time following tempo changes.
MidiSummary summarise(const MIDI *midi)
{
    MidiSummary out;
    out.division = midi->divisions;
    std::map<long, long> tempoAt = {{0, 500000}};
    for (int t = 0; t < MIDI_TRACKS; ++t) {
        if (!midi->track[t].data)
            continue;
        const unsigned char *p = midi->track[t].data, *end = p + midi->track[t].len;
        long tick = 0;
        unsigned char status = 0;
        std::map<int, int> sounding; // channel*128+pitch -> count
        while (p < end) {
            tick += static_cast<long>(readVarLen(p, end));
            if (p >= end) {
                out.malformed = true;
                break;
            }
            if (*p & 0x80)
                status = *p++;
            if (status == 0xff) {
                const unsigned char type = *p++;
                const unsigned long len = readVarLen(p, end);
                if (type == 0x51 && len == 3)
                    tempoAt[tick] = (p[0] << 16) | (p[1] << 8) | p[2];
                p += len;
                if (type == 0x2f)
                    break;
            } else if (status == 0xf0 || status == 0xf7) {
                p += readVarLen(p, end);
            } else {
                const int kind = status & 0xf0, channel = status & 0x0f;
                const int dataBytes = (kind == 0xc0 || kind == 0xd0) ? 1 : 2;
                if (p + dataBytes > end) {
                    out.malformed = true;
                    break;
                }
                const int key = channel * 128 + p[0];
                if (kind == 0xc0)
                    out.programs[channel].insert(p[0]);
                if (kind == 0x90 && p[1] > 0) {
                    out.noteOnTicks[channel].insert(tick);
                    if (channel == 9)
                        out.drumKeys.insert(p[0]);
                    ++sounding[key];
                } else if (kind == 0x80 || (kind == 0x90 && p[1] == 0)) {
                    if (sounding[key] > 0)
                        --sounding[key];
                }
                p += dataBytes;
            }
        }
        for (auto &s : sounding)
            out.hangingNotes += s.second;
        out.endTick = std::max(out.endTick, tick);
        out.trackEnds.insert(tick);
    }
    // Convert ticks to seconds through the tempo map.
    auto it = tempoAt.begin();
    while (it != tempoAt.end()) {
        auto next = std::next(it);
        const long until = std::min(next == tempoAt.end() ? out.endTick : next->first, out.endTick);
        if (until > it->first)
            out.seconds += (until - it->first) * (it->second / 1e6) / out.division;
        it = next;
    }
    return out;
}

TEST_F(DataFiles, LevelMusicLoopsWithMelodyBassAndDrums)
{
    const MidiSummary m = summarise(static_cast<MIDI *>(sounds_[kMusic].dat));
    ASSERT_FALSE(m.malformed);
    ASSERT_GT(m.division, 0);
    EXPECT_GE(m.seconds, 60.0);
    // Ending on a bar line keeps the loop in time; nothing may ring across
    // it, and every track must end on the same tick or the parts drift
    // apart from the second time round.
    EXPECT_EQ(m.endTick % (4 * m.division), 0);
    EXPECT_EQ(m.hangingNotes, 0);
    EXPECT_EQ(m.trackEnds.size(), 1u);
    // Drums on channel 10 plus at least two pitched parts.
    ASSERT_TRUE(m.noteOnTicks.count(9));
    EXPECT_GE(m.noteOnTicks.size(), 3u);
    // The game seeks to beat 5; Allegro counts beats from 1, so that is
    // tick 4*division, and the drums and a pitched part must start there.
    const long seekTick = 4L * m.division;
    int partsOnTheSeekBeat = 0;
    for (auto &[channel, ticks] : m.noteOnTicks)
        partsOnTheSeekBeat += ticks.count(seekTick) ? 1 : 0;
    EXPECT_TRUE(m.noteOnTicks.at(9).count(seekTick));
    EXPECT_GE(partsOnTheSeekBeat, 3);
}

TEST_F(DataFiles, LevelMusicNeverFallsSilentNotEvenAtTheLoop)
{
    const MidiSummary m = summarise(static_cast<MIDI *>(sounds_[kMusic].dat));
    ASSERT_FALSE(m.malformed);
    std::set<long> starts;
    for (auto &[channel, ticks] : m.noteOnTicks)
        starts.insert(ticks.begin(), ticks.end());
    ASSERT_FALSE(starts.empty());
    // No beat without a new note, including across the jump from the end
    // back to the start.
    long widest = (m.endTick - *starts.rbegin()) + *starts.begin();
    for (auto it = std::next(starts.begin()); it != starts.end(); ++it)
        widest = std::max(widest, *it - *std::prev(it));
    EXPECT_LE(widest, m.division);
}

// The patch index the run directory's allegro.cfg names, as DIGMID reads
// it: melodic program N as "N+1 file", drum keys as "key file" between
// "129 begin_multipatch" and "end_multipatch". Empty if it cannot be read.
struct PatchIndex {
    std::string path;
    std::map<int, std::string> melodic, drums;
};

PatchIndex readPatchIndex()
{
    PatchIndex index;
    std::ifstream cfg(runFile("allegro.cfg"));
    std::string line, value;
    while (std::getline(cfg, line)) {
        std::istringstream words(line);
        std::string key, equals;
        if (words >> key >> equals >> value && key == "patches" && equals == "=")
            index.path = value[0] == '/' ? value : runFile(value.c_str());
    }
    std::ifstream in(index.path);
    bool drums = false;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first, second;
        if (!(words >> first >> second))
            continue;
        if (second == "begin_multipatch") {
            drums = true;
        } else if (first == "end_multipatch") {
            drums = false;
        } else if (first.find_first_not_of("0123456789") == std::string::npos) {
            (drums ? index.drums : index.melodic)[std::stoi(first)] = second;
        }
    }
    return index;
}

bool readable(const std::string &path) { return std::ifstream(path).good(); }

TEST_F(DataFiles, EveryInstrumentOfTheMusicHasAPatch)
{
    // DIGMID plays nothing for a program or drum without a patch, and
    // TiMidity's own index is not in a form it reads; the game's
    // allegro.cfg must name the index the build writes.
    const PatchIndex index = readPatchIndex();
    ASSERT_FALSE(index.path.empty()) << runFile("allegro.cfg") << " names no DIGMID patch set";
    ASSERT_FALSE(index.melodic.empty()) << index.path << " has no melodic patches DIGMID can read";
    ASSERT_FALSE(index.drums.empty()) << index.path << " has no drum kit DIGMID can read";
    const MidiSummary m = summarise(static_cast<MIDI *>(sounds_[kMusic].dat));
    for (auto &[channel, ticks] : m.noteOnTicks) {
        if (channel == 9)
            continue;
        // A channel with no program change plays program 0.
        const std::set<int> programs = m.programs.count(channel) ? m.programs.at(channel) : std::set<int>{0};
        for (int program : programs) {
            SCOPED_TRACE("channel " + std::to_string(channel + 1) + ", program " + std::to_string(program));
            ASSERT_TRUE(index.melodic.count(program + 1)) << "no patch in " << index.path;
            EXPECT_TRUE(readable(index.melodic.at(program + 1))) << index.melodic.at(program + 1);
        }
    }
    for (int key : m.drumKeys) {
        SCOPED_TRACE("drum key " + std::to_string(key));
        ASSERT_TRUE(index.drums.count(key)) << "no patch in " << index.path;
        EXPECT_TRUE(readable(index.drums.at(key))) << index.drums.at(key);
    }
}

} // namespace
