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
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kGraphicsCount = 30;
constexpr int kFontCount = 2;
constexpr int kSoundCount = 5;

// Indices the game uses.
enum Gfx {
    kCoin0 = 0, kCoin3 = 3, kHills = 4, kMountains = 5, kGrassBlock = 6, kBullet = 7, kClock = 8,
    kEnemy0 = 9, kEnemy1 = 10, kPlatform = 11, kExit = 12, kAmmo = 13, kLava0 = 14, kLava4 = 18,
    kGameOver0 = 19, kGameOver1 = 20, kTitle = 21, kStoneBlock = 22, kCrateBlock = 23,
    kPlayerAir = 24, kPlayerStand = 25, kPlayerStep = 26, kMetalBlock = 27, kSpikes0 = 28, kSpikes1 = 29,
};
enum Snd { kEnemyStruck = 0, kMusic = 1, kPickup = 2, kEmptyClick = 3, kShot = 4 };

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
    for (int i : {kEnemyStruck, kPickup, kEmptyClick, kShot})
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
    EXPECT_GE(text_height(mainFont()), 10);
    EXPECT_LE(text_height(mainFont()), 18);
    EXPECT_LE(text_height(noticeFont()), 10);
    // The version line is printed from x=610 to the right edge at 800.
    EXPECT_LE(text_length(noticeFont(), "Version 0.8a BETA release"), 190);
}

// ---- sounds ----

// Peak distance from silence, as a fraction of full scale.
double samplePeak(const SAMPLE *s)
{
    double peak = 0;
    const long count = static_cast<long>(s->len) * (s->stereo ? 2 : 1);
    for (long i = 0; i < count; ++i) {
        double v;
        if (s->bits == 16)
            v = (static_cast<const unsigned short *>(s->data)[i] - 32768) / 32768.0;
        else
            v = (static_cast<const unsigned char *>(s->data)[i] - 128) / 128.0;
        peak = std::max(peak, std::abs(v));
    }
    return peak;
}

TEST_F(DataFiles, EffectsAreShortAudibleAndDistinct)
{
    const int effects[] = {kEnemyStruck, kPickup, kEmptyClick, kShot};
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
    double seconds = 0;
    std::map<int, std::set<long>> noteOnTicks; // channel -> ticks with a note starting
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
                if (kind == 0x90 && p[1] > 0) {
                    out.noteOnTicks[channel].insert(tick);
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
    EXPECT_GE(m.seconds, 30.0);
    // Ending on a beat keeps the loop in time; nothing may ring across it.
    EXPECT_EQ(m.endTick % m.division, 0);
    EXPECT_EQ(m.hangingNotes, 0);
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

} // namespace
