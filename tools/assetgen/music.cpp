// The level tune, written as a Standard MIDI File (format 1).
//
// The game starts it with midi_seek(5). Allegro counts midi_pos from 1
// (beat 1 is ticks 0..division-1), so beat 5 begins one 4/4 bar in. That
// first bar is a turnaround on G7 (drum fill, bass walking up) and the tune
// proper starts on the next downbeat, exactly where the seek lands. When
// the file loops, the turnaround plays again and leads back to the top.
//
// Form, one bar = 4 beats at 132 beats a minute (about 75 s a pass):
//   turnaround (1 bar, G7)
//   A   8 bars  C major   square lead, piano off-beats, bass, drums
//   A'  8 bars  C major   the theme again, new second half, bells
//   B   8 bars  bridge    flute over strings, half-time drums; ends on A7
//   A'' 8 bars  D major   the theme a tone higher, everything playing
//   C   8 bars  D major   lead and xylophone trade phrases over a
//                         four-on-the-floor beat; ends on D, which leads
//                         into the G7 turnaround and back to C
// Every instrument is in Debian's freepats set (see patches.cpp).
#include "assets.h"
#include "canvas.h"

#include <smf.h>

#include <algorithm>
#include <sstream>

namespace ag {
namespace {

constexpr int kDivision = kMusicTicksPerBeat;
constexpr int kSixteenth = kDivision / 4;
constexpr int kEighth = kDivision / 2;
constexpr int kBar = 4 * kDivision;
constexpr int kBeatsPerMinute = 132;
constexpr int kSectionBars = 8;

// One channel per instrument so no program changes happen mid-tune: a
// seek or a loop then never leaves a channel on the wrong sound.
enum Channel { kLead = 0, kPiano = 1, kBass = 2, kFlute = 3, kBells = 4, kStrings = 5, kXylophone = 6, kDrums = 9 };

using Note = MusicNote;

// "E5:2 G5:2 r:1 C#6:3": pitch (or r for a rest) and length in eighths.
void phrase(std::vector<Note> &out, int channel, int start, const std::string &text, int velocity, int transpose = 0)
{
    static const int semitone[] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    std::istringstream in(text);
    std::string token;
    int at = start;
    while (in >> token) {
        const size_t colon = token.find(':');
        if (colon == std::string::npos || colon + 1 >= token.size())
            fail("bad note " + token);
        const int eighths = std::stoi(token.substr(colon + 1));
        if (token[0] != 'r') {
            if (token[0] < 'A' || token[0] > 'G')
                fail("bad note " + token);
            size_t pos = 1;
            int pitch = semitone[token[0] - 'A'];
            if (token[pos] == '#') {
                ++pitch;
                ++pos;
            }
            pitch += 12 * (std::stoi(token.substr(pos, colon - pos)) + 1);
            out.push_back({channel, at, eighths * kEighth, pitch + transpose, velocity});
        }
        at += eighths * kEighth;
    }
    if (at - start != kBar)
        fail("phrase is not one bar long: " + text);
}

// A chord by root pitch class (C = 0) and the intervals above the root.
struct Chord {
    int root;
    std::vector<int> intervals;
    Chord up(int semitones) const { return {(root + semitones) % 12, intervals}; }
};
const std::vector<int> kMajor = {0, 4, 7}, kMinor = {0, 3, 7}, kSeventh = {0, 4, 7, 10};

// Chord tones packed into one octave starting at `floor`: close voicings
// that move little from chord to chord.
std::vector<int> voicing(const Chord &c, int floor)
{
    std::vector<int> out;
    for (int i : c.intervals)
        out.push_back(floor + ((c.root + i - floor) % 12 + 12) % 12);
    std::sort(out.begin(), out.end());
    return out;
}

// Bass root between G#1 and G2: low enough to carry, high enough to hear.
int bassRoot(const Chord &c) { return c.root <= 7 ? 36 + c.root : 24 + c.root; }

// A bar's harmony: one chord, or two for half a bar each.
struct Harmony {
    Chord first;
    const Chord *second = nullptr;
    Chord secondChord() const { return second ? *second : first; }
};

enum Groove { kDrive, kHalfTime, kFourOnFloor };

struct Section {
    int firstBar; // bar number in the file (the turnaround is bar 0)
    const std::string *melody;
    int melodyChannel;
    int transpose;
    Harmony harmony[kSectionBars];
    Groove groove;
    bool bells, strings, tambourine;
};

// The piano: short chords on the off-beats, pushed along by the groove.
void piano(std::vector<Note> &out, int start, const Harmony &h, Groove groove)
{
    for (int e = 0; e < 8; ++e) {
        const Chord c = e < 4 ? h.first : h.secondChord();
        const bool play = groove == kHalfTime ? (e == 0 || e == 3 || e == 6) : (e % 2 == 1);
        if (!play)
            continue;
        const int velocity = groove == kHalfTime ? 58 : (e == 3 || e == 7 ? 70 : 62);
        for (int p : voicing(c, 57))
            out.push_back({kPiano, start + e * kEighth, groove == kHalfTime ? kEighth * 3 / 2 : kEighth - 8, p, velocity});
    }
}

// The bass, ending each bar on a note a semitone from the next root so it
// leans into the change.
void bass(std::vector<Note> &out, int start, const Harmony &h, const Chord &next, Groove groove)
{
    auto note = [&](int eighth, int len, int pitch, int velocity) {
        out.push_back({kBass, start + eighth * kEighth, len * kEighth, pitch, velocity});
    };
    const int r1 = bassRoot(h.first), r2 = bassRoot(h.secondChord());
    const int target = bassRoot(next);
    const int approach = target == r2 ? r2 + 7 : (target > r2 ? target - 1 : target + 1);
    switch (groove) {
    case kDrive:
        if (h.second) {
            note(0, 2, r1, 104);
            note(2, 1, r1 + 7, 92);
            note(3, 1, r1 + 12, 92);
            note(4, 2, r2, 104);
            note(6, 1, r2 + 7, 92);
        } else {
            note(0, 2, r1, 106);
            note(2, 1, r1, 88);
            note(3, 1, r1 + 7, 94);
            note(4, 1, r1 + 12, 100);
            note(5, 1, r1, 88);
            note(6, 1, r1 + 7, 94);
        }
        note(7, 1, approach, 96);
        break;
    case kHalfTime:
        note(0, 3, r1, 104);
        note(3, 1, r1 + 7, 90);
        note(4, 2, r2 + 12, 96);
        note(6, 1, r2 + 7, 90);
        note(7, 1, approach, 92);
        break;
    case kFourOnFloor:
        for (int e = 0; e < 8; ++e) {
            const int root = e < 4 ? r1 : r2;
            note(e, 1, e % 2 ? root + 12 : root, e % 2 ? 90 : 106);
        }
        break;
    }
}

// Bells ring chord tones two octaves up, one per half bar.
void bells(std::vector<Note> &out, int start, const Harmony &h)
{
    const std::vector<int> a = voicing(h.first, 72), b = voicing(h.secondChord(), 72);
    out.push_back({kBells, start, 2 * kEighth, a.back(), 96});
    out.push_back({kBells, start + 2 * kEighth, 2 * kEighth, a[1], 80});
    out.push_back({kBells, start + 4 * kEighth, 2 * kEighth, b.back(), 90});
    out.push_back({kBells, start + 6 * kEighth, 2 * kEighth, b[0] + 12, 78});
}

// Strings hold the harmony under the bridge and the climax.
void strings(std::vector<Note> &out, int start, const Harmony &h)
{
    if (h.second) {
        for (int p : voicing(h.first, 60))
            out.push_back({kStrings, start, 4 * kEighth, p, 58});
        for (int p : voicing(*h.second, 60))
            out.push_back({kStrings, start + 4 * kEighth, 4 * kEighth, p, 58});
    } else {
        for (int p : voicing(h.first, 60))
            out.push_back({kStrings, start, kBar, p, 58});
    }
}

enum Drum {
    kKick = 36, kSnare = 38, kClap = 39, kHat = 42, kOpenHat = 46, kCrash = 49, kRide = 51, kTambourine = 54,
    kTomHigh = 50, kTomMid = 47, kTomLow = 43, kTomFloor = 41,
};

void hit(std::vector<Note> &out, int tick, int drum, int velocity) { out.push_back({kDrums, tick, kSixteenth, drum, velocity}); }

// A fill over the second half of a bar: snare sixteenths rolling round the toms.
void fill(std::vector<Note> &out, int start)
{
    const int drums[8] = {kSnare, kSnare, kTomHigh, kTomHigh, kTomMid, kTomMid, kTomLow, kTomFloor};
    for (int i = 0; i < 8; ++i)
        hit(out, start + 2 * kDivision + i * kSixteenth, drums[i], 84 + i * 5);
    hit(out, start + 2 * kDivision, kKick, 110);
}

void drumBar(std::vector<Note> &out, int start, Groove groove, bool crash, bool withFill, bool tambourine, int barInSection)
{
    auto at = [start](int eighth) { return start + eighth * kEighth; };
    if (crash)
        hit(out, at(0), kCrash, 112);
    const int lastEighth = withFill ? 4 : 8; // the fill takes over half way
    switch (groove) {
    case kDrive:
        for (int e : {0, 3, 4})
            if (e < lastEighth)
                hit(out, at(e), kKick, e == 0 ? 120 : 96);
        if (barInSection % 2 == 1 && !withFill)
            hit(out, at(7), kKick, 84); // push into the next bar
        for (int e : {2, 6})
            if (e < lastEighth)
                hit(out, at(e), kSnare, 108);
        for (int e = 0; e < lastEighth; ++e) {
            const bool open = e == 7 && barInSection % 2 == 1;
            if (!(crash && e == 0))
                hit(out, at(e), open ? kOpenHat : kHat, e % 2 ? 58 : 80);
        }
        break;
    case kHalfTime:
        hit(out, at(0), kKick, 116);
        if (lastEighth > 5)
            hit(out, at(5), kKick, 90);
        if (lastEighth > 4)
            hit(out, at(4), kSnare, 104);
        for (int e = 0; e < lastEighth; ++e)
            if (!(crash && e == 0))
                hit(out, at(e), kRide, e % 2 ? 56 : 74);
        break;
    case kFourOnFloor:
        for (int e = 0; e < lastEighth; e += 2)
            hit(out, at(e), kKick, e == 0 ? 120 : 108);
        for (int e : {2, 6})
            if (e < lastEighth)
                hit(out, at(e), kClap, 100);
        for (int e = 1; e < lastEighth; e += 2)
            hit(out, at(e), e == 7 ? kOpenHat : kHat, 76);
        break;
    }
    if (tambourine)
        for (int e : {2, 6})
            if (e < lastEighth)
                hit(out, at(e), kTambourine, 60);
    if (withFill)
        fill(out, start);
}

// ---- the tune ----

const std::string kThemeFront[4] = {
    "G4:1 C5:1 E5:2 G5:2 E5:1 G5:1",
    "A5:3 G5:1 E5:2 C5:2",
    "F5:1 G5:1 A5:2 C6:2 A5:1 F5:1",
    "G5:4 r:2 D5:1 E5:1",
};
const std::string kThemeA[8] = {
    kThemeFront[0], kThemeFront[1], kThemeFront[2], kThemeFront[3],
    "G5:1 C6:1 E6:2 D6:2 C6:1 B5:1",
    "A5:3 B5:1 C6:2 A5:2",
    "F5:1 A5:1 D6:2 B5:1 A5:1 G5:1 B5:1",
    "C6:4 r:4",
};
// Second time round the answer climbs and comes home lower.
const std::string kThemeA2[8] = {
    kThemeFront[0], kThemeFront[1], kThemeFront[2], kThemeFront[3],
    "E6:2 D6:1 C6:1 D6:2 E6:2",
    "C6:3 B5:1 A5:2 E5:2",
    "F5:2 A5:2 B5:2 D6:2",
    "C6:2 G5:1 E5:1 C5:4",
};
const std::string kBridge[8] = {
    "C6:4 A5:2 F5:2",
    "D6:4 B5:2 G5:2",
    "E6:3 D6:1 B5:2 G5:2",
    "A5:6 r:2",
    "F5:2 A5:2 D6:2 F6:2",
    "E6:2 D6:2 B5:2 G5:2",
    "F5:2 A#5:2 D6:2 F6:2",
    "E6:2 C#6:2 G5:2 E5:2",
};
// Played a tone up, in D.
const std::string kThemeA3[8] = {
    kThemeFront[0], kThemeFront[1], kThemeFront[2], kThemeFront[3],
    "G5:1 C6:1 E6:2 D6:2 C6:1 B5:1",
    "A5:3 B5:1 C6:2 A5:2",
    "F5:2 A5:2 B5:2 D6:2",
    "C6:2 G5:1 E5:1 C5:4",
};
// Call and answer: the lead asks, the xylophone replies (see compose()).
const std::string kTrade[8] = {
    "B5:1 D6:1 B5:2 G5:2 r:2",
    "C#6:1 E6:1 C#6:2 A5:2 r:2",
    "A5:1 C#6:1 A5:2 F#5:2 r:2",
    "B5:1 D6:1 F#6:2 D6:2 B5:2",
    "G5:1 A5:1 B5:1 D6:1 G6:2 F#6:1 E6:1",
    "E6:2 C#6:2 A5:2 C#6:2",
    "B5:2 G5:2 A5:2 C#6:2",
    "D6:6 r:2",
};

const Chord kC{0, kMajor}, kDm{2, kMinor}, kEm{4, kMinor}, kF{5, kMajor}, kG{7, kMajor}, kAm{9, kMinor},
    kBb{10, kMajor}, kA7{9, kSeventh}, kG7{7, kSeventh};
// In D.
const Chord kD{2, kMajor}, kFsm{6, kMinor}, kA{9, kMajor}, kBm{11, kMinor};

std::vector<Note> compose(int &endTick)
{
    std::vector<Note> n;

    // Bar 0, the turnaround on G7: fill, bass walking G A B up to C.
    for (int i = 0; i < 4; ++i)
        hit(n, i * kSixteenth * 2, kSnare, 56 + i * 6);
    hit(n, 0, kKick, 104);
    fill(n, 0);
    phrase(n, kBass, 0, "G2:2 r:2 A2:2 B2:2", 100);
    for (int p : voicing(kG7, 57)) {
        n.push_back({kPiano, 0, kEighth * 3, p, 66});
        n.push_back({kPiano, 3 * kEighth, kEighth, p, 60});
    }

    const Chord *g = &kG, *a = &kA, *a7 = &kA7;
    const Section sections[] = {
        {1, kThemeA, kLead, 0,
         {{kC}, {kAm}, {kF}, {kG}, {kC}, {kAm}, {kDm, g}, {kC}}, kDrive, false, false, false},
        {9, kThemeA2, kLead, 0,
         {{kC}, {kAm}, {kF}, {kG}, {kC}, {kAm}, {kF, g}, {kC}}, kDrive, true, false, true},
        {17, kBridge, kFlute, 0,
         {{kF}, {kG}, {kEm}, {kAm}, {kDm}, {kG}, {kBb}, {kA7}}, kHalfTime, false, true, false},
        {25, kThemeA3, kLead, 2,
         {{kD}, {kBm}, {kG}, {kA}, {kD}, {kBm}, {kG, a}, {kD}}, kDrive, true, true, true},
        {33, kTrade, kLead, 0,
         {{kG}, {kA}, {kFsm}, {kBm}, {kG}, {kA}, {kEm, a7}, {kD}}, kFourOnFloor, false, false, false},
    };
    const int sectionCount = static_cast<int>(sizeof sections / sizeof sections[0]);
    for (int s = 0; s < sectionCount; ++s) {
        const Section &sec = sections[s];
        for (int b = 0; b < kSectionBars; ++b) {
            const int start = (sec.firstBar + b) * kBar;
            // The chord after this bar: the next bar's, the next section's
            // first, or after the last bar the turnaround's G7.
            const Chord next = b + 1 < kSectionBars ? sec.harmony[b + 1].first
                               : s + 1 < sectionCount ? sections[s + 1].harmony[0].first
                                                      : kG7;
            int channel = sec.melodyChannel, velocity = sec.melodyChannel == kFlute ? 104 : 110;
            if (sec.groove == kFourOnFloor && b % 2 == 1 && b < 6)
                channel = kXylophone, velocity = 108;
            phrase(n, channel, start, sec.melody[b], velocity, sec.transpose);
            if (sec.groove == kFourOnFloor && b >= 5)
                phrase(n, kXylophone, start, sec.melody[b], 84, -12); // both together to finish
            piano(n, start, sec.harmony[b], sec.groove);
            bass(n, start, sec.harmony[b], next, sec.groove);
            if (sec.bells)
                bells(n, start, sec.harmony[b]);
            if (sec.strings)
                strings(n, start, sec.harmony[b]);
            const bool crash = b == 0 || (b == 4 && sec.groove != kHalfTime);
            // The last section hands over to the turnaround's own fill.
            const bool withFill = b == kSectionBars - 1 && s + 1 < sectionCount;
            drumBar(n, start, sec.groove, crash, withFill, sec.tambourine, b);
        }
    }
    endTick = (sections[sectionCount - 1].firstBar + kSectionBars) * kBar;
    return n;
}

// --- the Standard MIDI File ---

struct Event {
    int tick;
    int order; // note-offs before note-ons on the same tick
    std::vector<unsigned char> bytes;
};

// One track: the events in time order (stable, so same-tick events keep
// their order), then the end of track on the loop point.
void addTrack(smf_t *smf, std::vector<Event> events, int endTick)
{
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    smf_track_t *track = smf_track_new();
    if (!track)
        fail("out of memory for the music");
    smf_add_track(smf, track);
    for (Event &e : events) {
        if (e.tick > endTick)
            fail("music event after the loop point");
        smf_event_t *event = smf_event_new_from_pointer(e.bytes.data(), static_cast<int>(e.bytes.size()));
        if (!event)
            fail("bad music event");
        smf_track_add_event_pulses(track, event, e.tick);
    }
    // Every track ends on the same tick so the loop point is exact.
    if (smf_track_add_eot_pulses(track, endTick) != 0)
        fail("music track runs past the loop point");
}

// A meta event with a short body (its length fits one byte).
Event meta(int tick, unsigned char type, const std::vector<unsigned char> &data)
{
    Event e{tick, 0, {0xff, type, static_cast<unsigned char>(data.size())}};
    for (unsigned char byte : data)
        e.bytes.push_back(byte);
    return e;
}

} // namespace

std::vector<MusicNote> levelMusicNotes(int &endTick) { return compose(endTick); }

void writeLevelMusic(const std::string &path)
{
    int endTick = 0;
    const std::vector<Note> notes = compose(endTick);

    const unsigned tempo = 60000000u / kBeatsPerMinute;
    smf_t *smf = smf_new();
    if (!smf || smf_set_ppqn(smf, kDivision) != 0)
        fail("cannot start the music");
    addTrack(smf,
             {meta(0, 0x03, {'B', 'r', 'i', 'n', 'd', 'l', 'e', 'c', 'o', 'v', 'e'}),
              meta(0, 0x51, {static_cast<unsigned char>(tempo >> 16), static_cast<unsigned char>(tempo >> 8), static_cast<unsigned char>(tempo)}),
              meta(0, 0x58, {4, 2, 24, 8})},
             endTick);

    struct Part {
        int channel, program, volume, pan;
    };
    // General MIDI programs (from 0) that freepats has: square lead, electric
    // piano, synth bass, flute, glockenspiel, string ensemble, xylophone.
    // Levels set by measuring each part through DIGMID: lead and flute on
    // top, piano, strings and bells underneath. The whole mix peaks below
    // 0.85 of full scale and sits under the sound effects.
    const Part parts[] = {{kLead, 80, 84, 64},   {kPiano, 4, 33, 46},   {kBass, 38, 72, 64},
                          {kFlute, 73, 40, 70},  {kBells, 9, 82, 84},   {kStrings, 48, 42, 52},
                          {kXylophone, 13, 80, 80}, {kDrums, 0, 58, 64}};
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
        addTrack(smf, events, endTick);
    }

    // More than one track makes libsmf write format 1: the tempo track,
    // then one track a part.
    if (smf_save(smf, path.c_str()) != 0)
        fail("cannot write " + path);
    smf_delete(smf);
}

} // namespace ag
