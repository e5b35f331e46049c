// Plays the game's sounds through Allegro's real drivers, set up by the
// run directory's allegro.cfg exactly as the game is, and checks that what
// reaches the sound device is not silence: the level music as the game
// starts it, each part of the music on its own, and each sample.
//
// usage: sound_output_probe CAPTURE.wav
// The probe must sit in a directory laid out like the run directory
// (allegro.cfg, digmid.cfg, sound.dat beside it): Allegro reads allegro.cfg
// from the executable's directory and resolves the DIGMID patch index
// against it. The ALSA default device must write to CAPTURE.wav as 16-bit
// signed WAV (sound_output_test.sh arranges that).
// Exit status: 0 all audible, 1 something silent or broken, 77 no usable
// sound device here (the test is skipped).
#include <allegro.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kSkip = 77;

// Sound indices the game uses.
enum {
    kEnemyStruck = 0, kMusic = 1, kPickup = 2, kEmptyClick = 3, kShot = 4, kJump = 5, kLifeLost = 6,
    kLevelDone = 7, kGameOver = 8, kBonusTime = 9, kMenuMove = 10, kMenuChoose = 11
};

struct Loudness {
    double peak = 0;     // fraction of full scale
    int loudWindows = 0; // 10 ms stretches clearly above the noise floor
};

// Reads the capture and measures it. The file plugin writes a WAV header
// whose sizes may not be final, so the data runs to the end of the file.
bool measure(const std::string &path, Loudness &out)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (d.size() < 44 || std::memcmp(d.data(), "RIFF", 4) != 0)
        return false;
    size_t at = 12;
    int channels = 0, bits = 0, rate = 0;
    while (at + 8 <= d.size()) {
        const size_t len = d[at + 4] | d[at + 5] << 8 | d[at + 6] << 16 | static_cast<size_t>(d[at + 7]) << 24;
        if (std::memcmp(&d[at], "fmt ", 4) == 0 && at + 24 <= d.size()) {
            channels = d[at + 10] | d[at + 11] << 8;
            rate = d[at + 12] | d[at + 13] << 8 | d[at + 14] << 16;
            bits = d[at + 22] | d[at + 23] << 8;
        }
        if (std::memcmp(&d[at], "data", 4) == 0) {
            at += 8;
            break;
        }
        at += 8 + len;
    }
    if (bits != 16 || channels < 1 || rate <= 0 || at >= d.size())
        return false;
    const size_t frames = (d.size() - at) / (2 * channels);
    const size_t window = rate / 100;
    for (size_t w = 0; w + window <= frames; w += window) {
        double sum = 0;
        for (size_t f = w; f < w + window; ++f)
            for (int c = 0; c < channels; ++c) {
                const size_t i = at + (f * channels + c) * 2;
                const double v = static_cast<int16_t>(d[i] | d[i + 1] << 8) / 32768.0;
                out.peak = std::max(out.peak, std::fabs(v));
                sum += v * v;
            }
        if (std::sqrt(sum / (window * channels)) > 0.005)
            ++out.loudWindows;
    }
    return true;
}

// The music with every note-on outside `keep` silenced (velocity 0), so a
// part can be heard on its own. Also reports the first tick that part plays.
MIDI *onlyChannel(const MIDI *src, int keep, long &firstTick)
{
    MIDI *m = static_cast<MIDI *>(std::calloc(1, sizeof(MIDI)));
    m->divisions = src->divisions;
    firstTick = -1;
    for (int t = 0; t < MIDI_TRACKS; ++t) {
        if (!src->track[t].data)
            continue;
        const int len = src->track[t].len;
        unsigned char *p = static_cast<unsigned char *>(std::malloc(len));
        std::memcpy(p, src->track[t].data, len);
        m->track[t].data = p;
        m->track[t].len = len;
        unsigned char *end = p + len, status = 0;
        long tick = 0;
        while (p < end) {
            unsigned long delta = 0;
            while (p < end) {
                const unsigned char c = *p++;
                delta = (delta << 7) | (c & 0x7f);
                if (!(c & 0x80))
                    break;
            }
            tick += static_cast<long>(delta);
            if (p >= end)
                break;
            if (*p & 0x80)
                status = *p++;
            if (status == 0xff || status == 0xf0 || status == 0xf7) {
                if (status == 0xff)
                    ++p;
                unsigned long skip = 0;
                while (p < end) {
                    const unsigned char c = *p++;
                    skip = (skip << 7) | (c & 0x7f);
                    if (!(c & 0x80))
                        break;
                }
                p += skip;
                continue;
            }
            const int kind = status & 0xf0, channel = status & 0x0f;
            const int dataBytes = (kind == 0xc0 || kind == 0xd0) ? 1 : 2;
            if (p + dataBytes > end)
                break;
            if (kind == 0x90 && p[1] > 0) {
                if (channel != keep)
                    p[1] = 0;
                else if (firstTick < 0 || tick < firstTick)
                    firstTick = tick;
            }
            p += dataBytes;
        }
    }
    return m;
}

void freeMidi(MIDI *m)
{
    for (int t = 0; t < MIDI_TRACKS; ++t)
        std::free(m->track[t].data);
    std::free(m);
}

std::vector<int> channelsOf(const MIDI *m)
{
    std::vector<int> out;
    for (int c = 0; c < 16; ++c) {
        long first;
        MIDI *only = onlyChannel(m, c, first);
        freeMidi(only);
        if (first >= 0)
            out.push_back(c);
    }
    return out;
}

std::string runFile(const char *name)
{
    char path[1024];
    get_executable_name(path, sizeof path);
    replace_filename(path, path, name, sizeof path);
    return path;
}

struct Case {
    std::string name;
    int sample = -1;        // a sample index, or
    int channel = -1;       // one part of the music, or neither: the whole music
    int restMs = 2500;
};

// One case from a freshly opened sound device, so the capture holds only it.
bool play(const Case &c, const std::string &capture, Loudness &heard, std::string &why)
{
    std::remove(capture.c_str());
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) != 0) {
        why = std::string("install_sound failed: ") + allegro_error;
        return false;
    }
    if (!midi_driver || midi_driver->id != MIDI_DIGMID) {
        why = "the music is not played through DIGMID";
        remove_sound();
        return false;
    }
    DATAFILE *sounds = load_datafile(runFile("sound.dat").c_str());
    if (!sounds) {
        why = "cannot load sound.dat";
        remove_sound();
        return false;
    }
    MIDI *music = static_cast<MIDI *>(sounds[kMusic].dat);
    MIDI *part = nullptr;
    if (c.sample >= 0) {
        play_sample(static_cast<SAMPLE *>(sounds[c.sample].dat), 255, 128, 1000, FALSE);
    } else if (c.channel >= 0) {
        long first;
        part = onlyChannel(music, c.channel, first);
        play_midi(part, FALSE);
        // Jump to the beat where this part first plays (beats count from 1).
        midi_seek(static_cast<int>(first / music->divisions) + 1);
    } else {
        // As the game starts it.
        play_midi(music, TRUE);
        midi_seek(5);
    }
    rest(c.restMs);
    stop_midi();
    remove_sound(); // closes the device, which finishes the capture
    if (part)
        freeMidi(part);
    unload_datafile(sounds);
    if (!measure(capture, heard)) {
        why = "no readable capture in " + capture;
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CAPTURE.wav\n", argv[0]);
        return 2;
    }
    const std::string capture = argv[1];
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0 || install_timer() != 0) {
        std::printf("SKIP: Allegro cannot start here (no display?)\n");
        return kSkip;
    }
    // Without any sound device at all there is nothing to check.
    if (install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) != 0) {
        std::printf("SKIP: no digital sound device: %s\n", allegro_error);
        return kSkip;
    }
    remove_sound();

    std::vector<Case> cases = {{"level music from beat 5", -1, -1, 3000}};
    {
        DATAFILE *sounds = load_datafile(runFile("sound.dat").c_str());
        if (!sounds) {
            std::printf("FAIL: cannot load %s\n", runFile("sound.dat").c_str());
            return 1;
        }
        for (int ch : channelsOf(static_cast<MIDI *>(sounds[kMusic].dat)))
            cases.push_back({"music part on channel " + std::to_string(ch + 1), -1, ch, 2000});
        unload_datafile(sounds);
    }
    const std::pair<const char *, int> samples[] = {
        {"enemy struck", kEnemyStruck}, {"pickup", kPickup}, {"empty gun", kEmptyClick}, {"shot", kShot},
        {"jump", kJump}, {"life lost", kLifeLost}, {"level done", kLevelDone}, {"game over", kGameOver},
        {"bonus time", kBonusTime}, {"menu move", kMenuMove}, {"menu choose", kMenuChoose}};
    for (auto [name, index] : samples)
        cases.push_back({std::string("sample: ") + name, index, -1, 600});

    int failures = 0;
    for (const Case &c : cases) {
        Loudness heard;
        std::string why;
        const bool ran = play(c, capture, heard, why);
        // Music should sound for a good while; a sample only briefly. The
        // whole tune must also leave headroom: a clipped mix crackles.
        const int neededWindows = c.sample >= 0 ? 3 : 30;
        const bool wholeTune = c.sample < 0 && c.channel < 0;
        const bool ok = ran && heard.peak > 0.02 && heard.loudWindows >= neededWindows && !(wholeTune && heard.peak > 0.95);
        std::printf("%s  %-32s peak %5.3f, %4d loud 10 ms windows%s%s\n", ok ? "ok  " : "FAIL", c.name.c_str(),
                    heard.peak, heard.loudWindows, why.empty() ? "" : ": ", why.c_str());
        failures += ok ? 0 : 1;
    }
    std::printf("%d passed, %d failed\n", static_cast<int>(cases.size()) - failures, failures);
    return failures ? 1 : 0;
}
