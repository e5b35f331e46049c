// The level tune, written as a Standard MIDI File (format 1).
//
// The game starts it with midi_seek(5). Allegro counts midi_pos from 1
// (beat 1 is ticks 0..division-1), so beat 5 begins one 4/4 bar in: that
// bar is a drum fill with a bass pickup, and the tune proper starts on its
// first downbeat exactly where the seek lands. When the file loops, the
// fill plays again as a turnaround into the top.
#include "assets.h"
#include "canvas.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace ag {
namespace {

constexpr int kDivision = 96;             // ticks per beat
constexpr int kEighth = kDivision / 2;
constexpr int kBar = 4 * kDivision;
constexpr int kIntro = 4 * kDivision; // first downbeat of the tune
constexpr int kBeatsPerMinute = 126;

enum Channel { kMelody = 0, kChords = 1, kBass = 2, kDrums = 9 };

struct Note {
    int channel, start, length, pitch, velocity;
};

// "E5:2 G5:2 r:1 C#6:3": pitch (or r for a rest) and length in eighths.
void phrase(std::vector<Note> &out, int channel, int start, const std::string &text, int velocity)
{
    static const int semitone[] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    std::istringstream in(text);
    std::string token;
    int at = start;
    while (in >> token) {
        const size_t colon = token.find(':');
        if (colon == std::string::npos)
            fail("bad note " + token);
        const int eighths = std::stoi(token.substr(colon + 1));
        if (token[0] != 'r') {
            size_t pos = 1;
            int pitch = semitone[token[0] - 'A'];
            if (token[pos] == '#') {
                ++pitch;
                ++pos;
            }
            pitch += 12 * (std::stoi(token.substr(pos, colon - pos)) + 1);
            out.push_back({channel, at, eighths * kEighth, pitch, velocity});
        }
        at += eighths * kEighth;
    }
}

struct Chord {
    int root;          // bass note
    int fifth;         // bass note a fifth up
    int voicing[3];    // piano stab
};

const Chord kC{48, 55, {60, 64, 67}}, kAm{45, 52, {57, 60, 64}}, kF{41, 48, {57, 60, 65}},
    kG{43, 50, {55, 59, 62}}, kEm{40, 47, {55, 59, 64}}, kDm{50, 57, {57, 62, 65}};

// Bass and off-beat piano for a chord lasting `eighths` from `start`.
void accompany(std::vector<Note> &out, int start, int eighths, const Chord &c)
{
    static const int fullBar[8] = {0, -1, 0, 1, 2, -1, 1, 0}; // root, fifth, octave; -1 = rest
    for (int e = 0; e < eighths; ++e) {
        const int which = eighths == 8 ? fullBar[e] : (e % 2 ? -1 : e / 2);
        if (which >= 0) {
            const int pitch = which == 0 ? c.root : which == 1 ? c.fifth : c.root + 12;
            out.push_back({kBass, start + e * kEighth, kEighth, pitch, 100});
        }
        if (e % 2 == 1)
            for (int p : c.voicing)
                out.push_back({kChords, start + e * kEighth, kEighth / 2, p, 64});
    }
}

void drumBar(std::vector<Note> &out, int start, bool crash, bool fill)
{
    enum { kKick = 36, kSnare = 38, kHat = 42, kOpenHat = 46, kCrash = 49, kTomHigh = 50, kTomMid = 47, kTomLow = 43 };
    auto hit = [&](int eighth, int drum, int vel) { out.push_back({kDrums, start + eighth * kEighth, kEighth / 2, drum, vel}); };
    if (crash)
        hit(0, kCrash, 110);
    hit(0, kKick, 120);
    hit(3, kKick, 90);
    hit(4, kKick, 115);
    hit(2, kSnare, 105);
    for (int e = 0; e < 8; ++e)
        if (!(fill && e >= 4))
            hit(e, e == 7 ? kOpenHat : kHat, e % 2 ? 60 : 85);
    if (fill) {
        const int toms[] = {kSnare, kTomHigh, kTomMid, kTomLow};
        for (int e = 4; e < 8; ++e)
            hit(e, toms[e - 4], 100 + e * 3);
    } else {
        hit(6, kSnare, 105);
    }
}

std::vector<Note> compose()
{
    std::vector<Note> n;
    // Intro fill: snare roll rising into toms, bass walking up to the tonic.
    for (int e = 0; e < 8; ++e) {
        const int drum = e < 4 ? 38 : (e < 6 ? 50 : 47);
        n.push_back({kDrums, e * kEighth, kEighth / 2, drum, 64 + e * 7});
    }
    n.push_back({kDrums, 0, kEighth, 36, 100});
    phrase(n, kBass, 2 * kEighth, "G2:2 A2:2 B2:2", 100);

    const std::string sectionA[8] = {
        "E5:2 G5:2 C6:3 B5:1", "A5:2 E5:2 C5:2 E5:2", "F5:2 A5:2 C6:2 A5:1 G5:1", "G5:3 F5:1 E5:2 D5:2",
        "E5:2 G5:2 C6:2 E6:2", "D6:2 C6:1 B5:1 A5:2 E5:2", "F5:1 G5:1 A5:2 B5:1 A5:1 G5:1 B5:1", "C6:4 G5:2 r:2",
    };
    const std::string sectionB[8] = {
        "A5:3 G5:1 F5:2 A5:2", "B5:3 A5:1 G5:2 D6:2", "E6:2 D6:1 C6:1 B5:2 G5:2", "C6:3 B5:1 A5:4",
        "F5:2 A5:2 C6:2 F6:2", "E6:2 D6:2 B5:2 G5:2", "A5:2 F5:1 A5:1 D6:2 C6:2", "B5:2 D6:2 G5:1 A5:1 B5:2",
    };
    std::string sectionA2[8];
    std::copy(std::begin(sectionA), std::end(sectionA), sectionA2);
    sectionA2[6] = "A5:2 C6:2 B5:2 D6:2";
    sectionA2[7] = "C6:6 r:2";

    struct Bar {
        const Chord *first, *second; // second chord takes the last half bar
    };
    const Bar harmonyA[8] = {{&kC, nullptr}, {&kAm, nullptr}, {&kF, nullptr}, {&kG, nullptr},
                             {&kC, nullptr}, {&kAm, nullptr}, {&kF, &kG}, {&kC, nullptr}};
    const Bar harmonyB[8] = {{&kF, nullptr}, {&kG, nullptr}, {&kEm, nullptr}, {&kAm, nullptr},
                             {&kF, nullptr}, {&kG, nullptr}, {&kDm, nullptr}, {&kG, nullptr}};
    const std::string *melodies[3] = {sectionA, sectionB, sectionA2};
    const Bar *harmonies[3] = {harmonyA, harmonyB, harmonyA};
    for (int s = 0; s < 3; ++s) {
        for (int b = 0; b < 8; ++b) {
            const int start = kIntro + (s * 8 + b) * kBar;
            phrase(n, kMelody, start, melodies[s][b], 96);
            const Bar &h = harmonies[s][b];
            if (h.second) {
                accompany(n, start, 4, *h.first);
                accompany(n, start + 4 * kEighth, 4, *h.second);
            } else {
                accompany(n, start, 8, *h.first);
            }
            drumBar(n, start, b == 0, b == 7 && s != 2);
        }
    }
    return n;
}

// --- Standard MIDI File writing ---

struct Event {
    int tick;
    int order; // note-offs before note-ons on the same tick
    std::vector<unsigned char> bytes;
};

void putVarLen(std::vector<unsigned char> &out, unsigned v)
{
    unsigned char buf[5];
    int n = 0;
    buf[n++] = v & 0x7f;
    while (v >>= 7)
        buf[n++] = static_cast<unsigned char>((v & 0x7f) | 0x80);
    while (n)
        out.push_back(buf[--n]);
}

std::vector<unsigned char> trackChunk(std::vector<Event> events, int endTick)
{
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<unsigned char> body;
    int last = 0;
    for (const Event &e : events) {
        putVarLen(body, static_cast<unsigned>(e.tick - last));
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        last = e.tick;
    }
    // Every track ends on the same tick so the loop point is exact.
    putVarLen(body, static_cast<unsigned>(endTick - last));
    body.insert(body.end(), {0xff, 0x2f, 0x00});
    std::vector<unsigned char> chunk = {'M', 'T', 'r', 'k'};
    const size_t len = body.size();
    for (int shift : {24, 16, 8, 0})
        chunk.push_back(static_cast<unsigned char>((len >> shift) & 0xff));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

Event meta(int tick, unsigned char type, std::vector<unsigned char> data)
{
    Event e{tick, 0, {0xff, type, static_cast<unsigned char>(data.size())}};
    e.bytes.insert(e.bytes.end(), data.begin(), data.end());
    return e;
}

} // namespace

void writeLevelMusic(const std::string &path)
{
    const std::vector<Note> notes = compose();
    const int endTick = kIntro + 24 * kBar;

    const unsigned tempo = 60000000u / kBeatsPerMinute;
    std::vector<std::vector<unsigned char>> chunks;
    chunks.push_back(trackChunk(
        {meta(0, 0x03, {'B', 'r', 'i', 'n', 'd', 'l', 'e', 'c', 'o', 'v', 'e'}),
         meta(0, 0x51, {static_cast<unsigned char>(tempo >> 16), static_cast<unsigned char>(tempo >> 8), static_cast<unsigned char>(tempo)}),
         meta(0, 0x58, {4, 2, 24, 8})},
        endTick));

    struct Part {
        int channel, program, volume, pan;
    };
    // Square lead, electric piano, synth bass, drums: all present in the
    // freepats set the DIGMID driver can use.
    const Part parts[] = {{kMelody, 80, 92, 64}, {kChords, 4, 80, 44}, {kBass, 38, 110, 64}, {kDrums, 0, 100, 72}};
    for (const Part &p : parts) {
        const unsigned char ch = static_cast<unsigned char>(p.channel);
        std::vector<Event> events;
        if (p.channel != kDrums)
            events.push_back({0, 0, {static_cast<unsigned char>(0xc0 | ch), static_cast<unsigned char>(p.program)}});
        events.push_back({0, 0, {static_cast<unsigned char>(0xb0 | ch), 7, static_cast<unsigned char>(p.volume)}});
        events.push_back({0, 0, {static_cast<unsigned char>(0xb0 | ch), 10, static_cast<unsigned char>(p.pan)}});
        for (const Note &n : notes) {
            if (n.channel != p.channel)
                continue;
            // Leave a small gap so repeated notes re-strike cleanly.
            const int off = n.start + std::max(n.length - 6, n.length / 2);
            events.push_back({n.start, 2, {static_cast<unsigned char>(0x90 | ch), static_cast<unsigned char>(n.pitch), static_cast<unsigned char>(n.velocity)}});
            events.push_back({off, 1, {static_cast<unsigned char>(0x80 | ch), static_cast<unsigned char>(n.pitch), 0}});
        }
        chunks.push_back(trackChunk(events, endTick));
    }

    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        fail("cannot write " + path);
    const unsigned char header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, static_cast<unsigned char>(chunks.size()),
                                    0, kDivision};
    std::fwrite(header, 1, sizeof header, f);
    for (const auto &c : chunks)
        std::fwrite(c.data(), 1, c.size(), f);
    if (std::fclose(f) != 0)
        fail("cannot finish " + path);
}

} // namespace ag
