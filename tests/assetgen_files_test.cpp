// The asset generator's files read back: each writer's output, decoded by
// the library made for its format (and, for what the game loads, by
// Allegro too), must hold exactly what the generator drew, synthesised or
// composed. The fonts it reads through FreeType must land in their cells
// upright, unmirrored and complete.
#include "assets.h"

#include <allegro.h>
#include <gtest/gtest.h>
#include <png.h>
#include <smf.h>
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class GeneratedDataFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The generator's own set-up: memory bitmaps in 32 bpp, no display.
        static bool started = false;
        if (!started) {
            ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0) << allegro_error;
            set_color_depth(32);
            set_color_conversion(COLORCONV_NONE);
            started = true;
        }
    }

    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("brindlecove-assetgen-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string file(const std::string &name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

// ---- PNG ----

struct Png {
    bool ok = false;
    png_uint_32 width = 0, height = 0, fileFormat = 0;
    std::vector<unsigned char> rgba;
};

Png readPng(const std::string &path)
{
    Png out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return out;
    out.fileFormat = image.format;
    image.format = PNG_FORMAT_RGBA;
    out.rgba.resize(PNG_IMAGE_SIZE(image));
    out.ok = png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr) != 0;
    out.width = image.width;
    out.height = image.height;
    png_image_free(&image);
    return out;
}

// The chunk names in file order; empty if the file is not a PNG.
std::vector<std::string> pngChunks(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::string> names;
    if (bytes.size() < 8 || !std::equal(signature, signature + 8, bytes.begin()))
        return names;
    for (size_t at = 8; at + 8 <= bytes.size();) {
        const size_t length = size_t(bytes[at]) << 24 | size_t(bytes[at + 1]) << 16 | size_t(bytes[at + 2]) << 8 |
                              bytes[at + 3];
        names.emplace_back(bytes.begin() + at + 4, bytes.begin() + at + 8);
        at += 12 + length;
    }
    return names;
}

TEST_F(GeneratedDataFiles, IconPngsHoldExactlyTheDrawnPixels)
{
    const std::vector<int> sizes = {16, 32, 48, 64, 128, 256};
    ag::writeIcons(dir_.string(), sizes);
    for (int size : sizes) {
        SCOPED_TRACE("icon-" + std::to_string(size));
        const Png png = readPng(file("icon-" + std::to_string(size) + ".png"));
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.fileFormat, static_cast<png_uint_32>(PNG_FORMAT_RGBA)) << "8-bit RGBA, no palette";
        EXPECT_EQ(png.width, static_cast<png_uint_32>(size));
        EXPECT_EQ(png.height, static_cast<png_uint_32>(size));
        const std::vector<unsigned char> drawn = ag::iconPixels(size);
        ASSERT_EQ(png.rgba.size(), drawn.size());
        const auto diff = std::mismatch(drawn.begin(), drawn.end(), png.rgba.begin());
        EXPECT_TRUE(diff.first == drawn.end()) << "first differing byte at " << (diff.first - drawn.begin());
        // The icon has both see-through corners and solid pixels, so the
        // comparison covers the alpha channel and the colours.
        bool clear = false, solid = false;
        for (size_t i = 3; i < drawn.size(); i += 4) {
            clear |= drawn[i] == 0;
            solid |= drawn[i] == 255;
        }
        EXPECT_TRUE(clear && solid);
    }
}

TEST_F(GeneratedDataFiles, IconPngsCarryNoChunksBeyondThePicture)
{
    // No dates, gamma or text: the files change only when the pixels do.
    ag::writeIcons(dir_.string(), {16, 256});
    for (int size : {16, 256}) {
        SCOPED_TRACE("icon-" + std::to_string(size));
        EXPECT_EQ(pngChunks(file("icon-" + std::to_string(size) + ".png")),
                  (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    }
}

// ---- WAV ----

struct Effect {
    const char *name;
    std::vector<int16_t> (*make)();
};
const Effect kEffects[] = {
    {"enemy_struck", ag::enemyStruckSound}, {"pickup", ag::pickupSound},
    {"empty_click", ag::emptyClickSound},   {"shot", ag::shotSound},
    {"jump", ag::jumpSound},                {"life_lost", ag::lifeLostSound},
    {"level_done", ag::levelDoneSound},     {"game_over", ag::gameOverSound},
    {"bonus_time", ag::bonusTimeSound},     {"menu_move", ag::menuMoveSound},
    {"menu_choose", ag::menuChooseSound},
};

TEST_F(GeneratedDataFiles, WavFilesHoldTheSynthesisedSamples)
{
    for (const Effect &e : kEffects) {
        SCOPED_TRACE(e.name);
        const std::vector<int16_t> samples = e.make();
        ASSERT_FALSE(samples.empty());
        const std::string path = file(std::string(e.name) + ".wav");
        ag::writeWav(path, samples);

        SF_INFO info{};
        SNDFILE *in = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(in, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        EXPECT_EQ(info.channels, 1);
        EXPECT_EQ(info.samplerate, ag::kSampleRate);
        EXPECT_EQ(info.frames, static_cast<sf_count_t>(samples.size()));
        std::vector<int16_t> back(samples.size() + 16);
        back.resize(static_cast<size_t>(sf_read_short(in, back.data(), static_cast<sf_count_t>(back.size()))));
        sf_close(in);
        EXPECT_TRUE(back == samples);
    }
}

TEST_F(GeneratedDataFiles, WavFilesLoadIntoAllegroAsTheSynthesisedSamples)
{
    // Allegro's own WAV reader is the one `dat` uses to pack sound.dat.
    for (const Effect &e : kEffects) {
        SCOPED_TRACE(e.name);
        const std::vector<int16_t> samples = e.make();
        const std::string path = file(std::string(e.name) + ".wav");
        ag::writeWav(path, samples);
        SAMPLE *spl = load_sample(path.c_str());
        ASSERT_NE(spl, nullptr);
        EXPECT_EQ(spl->bits, 16);
        EXPECT_EQ(spl->stereo, 0);
        EXPECT_EQ(spl->freq, ag::kSampleRate);
        ASSERT_EQ(spl->len, samples.size());
        // Allegro keeps 16-bit samples unsigned, offset by half the range.
        const auto *data = static_cast<const uint16_t *>(spl->data);
        size_t wrong = 0;
        for (size_t i = 0; i < samples.size(); ++i)
            wrong += data[i] != static_cast<uint16_t>(static_cast<uint16_t>(samples[i]) ^ 0x8000);
        EXPECT_EQ(wrong, 0u);
        destroy_sample(spl);
    }
}

// ---- MIDI ----

// A note as the file plays it: on, then off at `end`.
struct PlayedNote {
    int channel, start, pitch, velocity, end;
};

TEST_F(GeneratedDataFiles, MidiFileHoldsTheComposedNotes)
{
    const std::string path = file("music.mid");
    ag::writeLevelMusic(path);
    int endTick = 0;
    const std::vector<ag::MusicNote> notes = ag::levelMusicNotes(endTick);
    ASSERT_FALSE(notes.empty());
    ASSERT_GT(endTick, 0);

    smf_t *smf = smf_load(path.c_str());
    ASSERT_NE(smf, nullptr);
    EXPECT_EQ(smf->format, 1);
    EXPECT_EQ(smf->ppqn, ag::kMusicTicksPerBeat);
    ASSERT_GE(smf->number_of_tracks, 2);

    std::vector<PlayedNote> played;
    std::vector<int> trackOfChannel(16, 0);
    bool tempoAtStart = false;
    for (int t = 1; t <= smf->number_of_tracks; ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        smf_track_t *track = smf_get_track_by_number(smf, t);
        ASSERT_NE(track, nullptr);
        std::vector<PlayedNote> sounding;
        smf_event_t *event = nullptr, *last = nullptr;
        while ((event = smf_track_get_next_event(track)) != nullptr) {
            last = event;
            const unsigned char *b = event->midi_buffer;
            if (smf_event_is_metadata(event)) {
                tempoAtStart |= b[1] == 0x51 && event->time_pulses == 0;
                continue;
            }
            const int channel = b[0] & 0x0f, kind = b[0] & 0xf0;
            // One channel per instrument, in one track, set up before the
            // first note: a seek or a loop never finds a channel half set.
            if (trackOfChannel[channel] == 0)
                trackOfChannel[channel] = t;
            EXPECT_EQ(trackOfChannel[channel], t) << "channel " << channel << " in two tracks";
            if (kind == 0xc0 || kind == 0xb0) {
                EXPECT_EQ(event->time_pulses, 0) << "set-up message mid-tune";
            }
            if (kind == 0x90 && b[2] > 0) {
                // A key struck again before its note-off would be cut short
                // by that note-off.
                EXPECT_TRUE(std::none_of(sounding.begin(), sounding.end(),
                                         [&](const PlayedNote &n) { return n.channel == channel && n.pitch == b[1]; }))
                    << "note " << int(b[1]) << " struck while sounding at tick " << event->time_pulses;
                sounding.push_back({channel, event->time_pulses, b[1], b[2], -1});
            } else if (kind == 0x80 || kind == 0x90) {
                auto on = std::find_if(sounding.begin(), sounding.end(),
                                       [&](const PlayedNote &n) { return n.channel == channel && n.pitch == b[1]; });
                ASSERT_NE(on, sounding.end()) << "note off without a note on at tick " << event->time_pulses;
                on->end = event->time_pulses;
                played.push_back(*on);
                sounding.erase(on);
            }
        }
        EXPECT_TRUE(sounding.empty()) << sounding.size() << " notes never end";
        ASSERT_NE(last, nullptr);
        // Every track ends on the loop point, so the loop is exact.
        EXPECT_TRUE(smf_event_is_eot(last));
        EXPECT_EQ(last->time_pulses, endTick);
    }
    EXPECT_TRUE(tempoAtStart);
    smf_delete(smf);

    // The same notes, no more and no fewer.
    auto key = [](int channel, int start, int pitch, int velocity) { return std::make_tuple(channel, start, pitch, velocity); };
    std::vector<std::tuple<int, int, int, int>> inFile, composed;
    for (const PlayedNote &n : played) {
        inFile.push_back(key(n.channel, n.start, n.pitch, n.velocity));
        EXPECT_GT(n.end, n.start);
        EXPECT_LE(n.end, endTick);
    }
    for (const ag::MusicNote &n : notes)
        composed.push_back(key(n.channel, n.start, n.pitch, n.velocity));
    std::sort(inFile.begin(), inFile.end());
    std::sort(composed.begin(), composed.end());
    EXPECT_EQ(inFile.size(), composed.size());
    EXPECT_TRUE(inFile == composed);

    // Each note lets go before its written length is up, so a repeated
    // note is heard to strike again.
    for (const PlayedNote &p : played) {
        const bool fits = std::any_of(notes.begin(), notes.end(), [&](const ag::MusicNote &n) {
            return n.channel == p.channel && n.start == p.start && n.pitch == p.pitch && p.end < n.start + n.length;
        });
        EXPECT_TRUE(fits) << "note " << p.pitch << " on channel " << p.channel << " at " << p.start
                          << " rings on to " << p.end;
    }
}

// ---- PCF fonts through FreeType ----

// Cell rows and columns of the ink of `ch`: {top, bottom, left, right}, or
// top = -1 if the cell is blank.
struct InkBox {
    int top = -1, bottom = -1, left = -1, right = -1;
};
InkBox inkBox(const ag::BitmapFont &font, int ch)
{
    InkBox box;
    for (int y = 0; y < font.ascent + font.descent; ++y)
        for (int x = 0; x < font.cellW; ++x)
            if (font.ink(ch, x, y)) {
                if (box.top < 0)
                    box.top = y, box.left = x, box.right = x;
                box.bottom = y;
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
            }
    return box;
}

// Leftmost inked column of cell row y, or -1.
int firstInk(const ag::BitmapFont &font, int ch, int y)
{
    for (int x = 0; x < font.cellW; ++x)
        if (font.ink(ch, x, y))
            return x;
    return -1;
}

TEST_F(GeneratedDataFiles, PcfFontsLandUprightAndCompleteInTheirCells)
{
    for (const char *path : {MAIN_FONT_SOURCE, NOTICE_FONT_SOURCE}) {
        SCOPED_TRACE(path);
        const ag::BitmapFont font = ag::loadPcfFont(path);
        ASSERT_GT(font.cellW, 0);
        ASSERT_GT(font.ascent, 0);
        ASSERT_GE(font.descent, 0);
        EXPECT_EQ(font.glyphs.size(), 95u) << "printable ASCII";
        for (const auto &[ch, g] : font.glyphs) {
            SCOPED_TRACE(std::string("glyph '") + static_cast<char>(ch) + "'");
            // Fixed-cell fonts: every glyph fits its cell, nothing is cut.
            EXPECT_EQ(g.advance, font.cellW);
            EXPECT_GE(g.left, 0);
            EXPECT_LE(g.left + g.w, font.cellW);
            EXPECT_LE(g.ascent, font.ascent);
            EXPECT_LE(g.h - g.ascent, font.descent);
            EXPECT_EQ(g.on.size(), static_cast<size_t>(g.w) * g.h);
        }
        EXPECT_EQ(inkBox(font, ' ').top, -1);

        // No two characters look alike (a wrong character map or glyph
        // index would repeat one).
        std::vector<std::vector<bool>> seen;
        for (int ch = 33; ch <= 126; ++ch) {
            SCOPED_TRACE(std::string("glyph '") + static_cast<char>(ch) + "'");
            std::vector<bool> cell;
            for (int y = 0; y < font.ascent + font.descent; ++y)
                for (int x = 0; x < font.cellW; ++x)
                    cell.push_back(font.ink(ch, x, y));
            EXPECT_NE(std::count(cell.begin(), cell.end(), true), 0);
            EXPECT_EQ(std::find(seen.begin(), seen.end(), cell), seen.end());
            seen.push_back(cell);
        }

        // Upright: the underscore sits below the caret, the tail of 'p'
        // below the baseline, capitals on it.
        EXPECT_GT(inkBox(font, '_').top, inkBox(font, '^').bottom);
        EXPECT_GT(inkBox(font, 'p').bottom, font.ascent - 1);
        EXPECT_EQ(inkBox(font, 'H').bottom, font.ascent - 1);
        EXPECT_EQ(inkBox(font, 'E').bottom, font.ascent - 1);
        // Not mirrored: a slash leans right, 'L' has its stem on the left
        // and its foot to the right.
        const InkBox slash = inkBox(font, '/');
        EXPECT_GT(firstInk(font, '/', slash.top), firstInk(font, '/', slash.bottom));
        const InkBox l = inkBox(font, 'L');
        EXPECT_EQ(firstInk(font, 'L', l.top), l.left);
        EXPECT_TRUE(font.ink('L', l.right, l.bottom));
        EXPECT_FALSE(font.ink('L', l.right, l.top));
    }
}

} // namespace
