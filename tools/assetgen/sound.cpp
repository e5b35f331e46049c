// Sound effects synthesised from a few oscillators and noise, written as
// 16-bit mono PCM WAV files.
#include "assets.h"
#include "canvas.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace ag {
namespace {

const double kTwoPi = 2.0 * M_PI;

std::vector<double> silence(double seconds)
{
    return std::vector<double>(static_cast<size_t>(seconds * kSampleRate), 0.0);
}

double timeOf(size_t i) { return static_cast<double>(i) / kSampleRate; }

// Every effect peaks at -2 dBFS so none jumps out over another or over the
// music; the loudness (RMS) is evened out by each sound's own `drive`.
const double kPeak = 0.79;

// Ramp the first and last few milliseconds so the sound neither starts nor
// ends on a click, soft-clip by `drive` (short percussive sounds need it to
// be heard as loud as long tones), and scale to the common peak.
std::vector<int16_t> finish(std::vector<double> wave, double drive = 0.0)
{
    double top = 1e-9;
    for (double v : wave)
        top = std::max(top, std::abs(v));
    if (drive > 0.0)
        for (double &v : wave)
            v = std::tanh(v / top * drive);
    const size_t fadeIn = std::min(wave.size(), static_cast<size_t>(0.002 * kSampleRate));
    for (size_t i = 0; i < fadeIn; ++i)
        wave[i] *= static_cast<double>(i) / fadeIn;
    const size_t fade = std::min(wave.size(), static_cast<size_t>(0.006 * kSampleRate));
    for (size_t i = 0; i < fade; ++i)
        wave[wave.size() - 1 - i] *= static_cast<double>(i) / fade;
    top = 1e-9;
    for (double v : wave)
        top = std::max(top, std::abs(v));
    const double peak = kPeak;
    std::vector<int16_t> out(wave.size());
    for (size_t i = 0; i < wave.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(wave[i] / top * peak * 32767.0));
    return out;
}

// White noise through a one-pole low-pass; `cutoff` 0..1 of the band.
class Noise {
public:
    explicit Noise(uint32_t seed) : rng_(seed) {}
    double next(double cutoff)
    {
        const double white = rng_.below(20001) / 10000.0 - 1.0;
        state_ += cutoff * (white - state_);
        return state_;
    }

private:
    Rng rng_;
    double state_ = 0.0;
};

// A soft note: a few odd harmonics (`bright` 0 for a pure sine) under a
// quick attack and an exponential decay, added into `w` from `at` seconds.
void addNote(std::vector<double> &w, double at, double length, double freq, double decay,
             double bright = 0.0, double level = 1.0)
{
    const size_t first = static_cast<size_t>(at * kSampleRate);
    const size_t count = static_cast<size_t>(length * kSampleRate);
    for (size_t k = 0; k < count && first + k < w.size(); ++k) {
        const double t = timeOf(k);
        const double p = kTwoPi * freq * t;
        const double tone = std::sin(p) + bright * (std::sin(3 * p) / 3 + std::sin(5 * p) / 5);
        // a 4 ms attack and a 10 ms release keep the joins between notes clean
        const double attack = std::min(1.0, t / 0.004);
        const double release = std::min(1.0, (length - t) / 0.010);
        w[first + k] += level * tone * attack * release * std::exp(-t * decay);
    }
}

} // namespace

std::vector<int16_t> enemyStruckSound()
{
    // A falling low sine (the thud) under a wet burst of filtered noise
    // whose brightness wobbles (the squish).
    std::vector<double> w = silence(0.24);
    Noise noise(11);
    double phase = 0.0;
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = timeOf(i);
        const double freq = 50.0 + 170.0 * std::exp(-t * 22.0);
        phase += kTwoPi * freq / kSampleRate;
        const double thud = std::sin(phase) * std::exp(-t * 14.0);
        const double wobble = 0.25 + 0.2 * std::sin(kTwoPi * 30.0 * t);
        const double squish = noise.next(wobble) * 2.5 * std::exp(-t * 30.0);
        w[i] = thud + squish;
    }
    return finish(w, 3.0);
}

std::vector<int16_t> pickupSound()
{
    // Two quick rising square-ish notes (B5 then E6), bright but rounded
    // off with a few harmonics only.
    std::vector<double> w = silence(0.18);
    double phase = 0.0;
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = timeOf(i);
        const bool second = t >= 0.055;
        const double freq = second ? 1318.5 : 987.8;
        phase += kTwoPi * freq / kSampleRate;
        const double tone = std::sin(phase) + std::sin(3 * phase) / 3 + std::sin(5 * phase) / 5;
        const double local = second ? t - 0.055 : t;
        const double env = std::min(1.0, local / 0.003) * std::exp(-local * (second ? 16.0 : 6.0));
        w[i] = tone * env;
    }
    return finish(w);
}

std::vector<int16_t> emptyClickSound()
{
    // Hammer falling on an empty chamber: a sharp metallic click, then the
    // softer clack of the action resetting. Each is a noise tick that rings
    // a couple of small resonances, long enough to hear over the music.
    std::vector<double> w = silence(0.12);
    Noise noise(3);
    struct Click {
        double at, level, ring;
    };
    const Click clicks[] = {{0.0, 1.0, 2350.0}, {0.05, 0.65, 1650.0}};
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = timeOf(i);
        double v = 0.0;
        for (const Click &c : clicks) {
            if (t < c.at)
                continue;
            const double local = t - c.at;
            const double tick = noise.next(0.85) * std::exp(-local * 260.0);
            const double ring = (std::sin(kTwoPi * c.ring * local) + 0.5 * std::sin(kTwoPi * c.ring * 2.7 * local)) *
                                std::exp(-local * 110.0);
            const double body = std::sin(kTwoPi * 420.0 * local) * std::exp(-local * 70.0) * 0.4;
            v += c.level * (tick + 0.8 * ring + body);
        }
        w[i] = v;
    }
    return finish(w, 5.5);
}

std::vector<int16_t> shotSound()
{
    // The classic "pew": a pulse wave diving from high to low pitch, with a
    // puff of noise at the start.
    std::vector<double> w = silence(0.22);
    Noise noise(8);
    double phase = 0.0;
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = timeOf(i);
        const double freq = 240.0 + 1500.0 * std::exp(-t * 18.0);
        phase += freq / kSampleRate;
        const double pulse = (phase - std::floor(phase)) < 0.3 ? 1.0 : -1.0;
        const double env = std::min(1.0, t / 0.002) * std::exp(-t * 11.0);
        w[i] = pulse * env * 0.7 + noise.next(0.6) * std::exp(-t * 120.0);
    }
    return finish(w, 1.5);
}

std::vector<int16_t> jumpSound()
{
    // A short upward swoop: a sine gliding from 280 to 760 Hz, with a touch
    // of its octave for body.
    std::vector<double> w = silence(0.16);
    double phase = 0.0;
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = timeOf(i);
        const double freq = 280.0 + 480.0 * (1.0 - std::exp(-t * 22.0));
        phase += kTwoPi * freq / kSampleRate;
        const double env = std::min(1.0, t / 0.004) * std::exp(-t * 13.0);
        w[i] = (std::sin(phase) + 0.3 * std::sin(2 * phase)) * env;
    }
    return finish(w, 1.0);
}

std::vector<int16_t> lifeLostSound()
{
    // Three falling notes (G4, E4, C4), the last held and sagging in pitch:
    // a gentle "oh no" rather than an alarm.
    std::vector<double> w = silence(0.46);
    addNote(w, 0.00, 0.11, 392.0, 6.0, 0.6);
    addNote(w, 0.11, 0.11, 329.6, 6.0, 0.6);
    double phase = 0.0;
    for (size_t i = static_cast<size_t>(0.22 * kSampleRate); i < w.size(); ++i) {
        const double t = timeOf(i) - 0.22;
        const double freq = 261.6 - 40.0 * t;
        phase += kTwoPi * freq / kSampleRate;
        const double env = std::min(1.0, t / 0.004) * std::exp(-t * 8.0);
        w[i] += (std::sin(phase) + 0.6 * (std::sin(3 * phase) / 3 + std::sin(5 * phase) / 5)) * env;
    }
    return finish(w);
}

std::vector<int16_t> levelDoneSound()
{
    // A bright rising arpeggio (C5 E5 G5) landing on a ringing C6.
    std::vector<double> w = silence(0.48);
    addNote(w, 0.00, 0.09, 523.3, 8.0, 0.5);
    addNote(w, 0.08, 0.09, 659.3, 8.0, 0.5);
    addNote(w, 0.16, 0.09, 784.0, 8.0, 0.5);
    addNote(w, 0.24, 0.24, 1046.5, 7.0, 0.5);
    addNote(w, 0.24, 0.24, 523.3, 7.0, 0.0, 0.4);
    return finish(w, 0.5);
}

std::vector<int16_t> gameOverSound()
{
    // A slow minor fall (C5, A flat 4, F4) onto a low F3 that fades out.
    std::vector<double> w = silence(0.49);
    addNote(w, 0.00, 0.12, 523.3, 5.0, 0.4);
    addNote(w, 0.12, 0.12, 415.3, 5.0, 0.4);
    addNote(w, 0.24, 0.25, 349.2, 6.0, 0.4);
    addNote(w, 0.24, 0.25, 174.6, 6.0, 0.2, 0.7);
    return finish(w, 0.5);
}

std::vector<int16_t> bonusTimeSound()
{
    // A clock's "tick-tock" turned into two bell strikes (G6 then C7), each
    // with a faint inharmonic partial, so extra seconds sound unlike points.
    std::vector<double> w = silence(0.26);
    for (int n = 0; n < 2; ++n) {
        const double at = n * 0.09;
        const double freq = n == 0 ? 1568.0 : 2093.0;
        addNote(w, at, 0.26 - at, freq, 14.0);
        addNote(w, at, 0.26 - at, freq * 2.76, 30.0, 0.0, 0.3);
    }
    return finish(w, 1.2);
}

std::vector<int16_t> menuMoveSound()
{
    // A soft, short blip: the menu is visited often and must not nag.
    std::vector<double> w = silence(0.06);
    addNote(w, 0.0, 0.06, 880.0, 30.0, 0.3);
    return finish(w, 0.5);
}

std::vector<int16_t> menuChooseSound()
{
    // The move blip followed by its fifth above: a small "yes".
    std::vector<double> w = silence(0.14);
    addNote(w, 0.00, 0.05, 880.0, 20.0, 0.3);
    addNote(w, 0.05, 0.09, 1318.5, 18.0, 0.3);
    return finish(w, 0.5);
}

void writeWav(const std::string &path, const std::vector<int16_t> &samples)
{
    // Plain 16-bit mono PCM: what Allegro's WAV loader (and so `dat`) reads.
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        fail("cannot write " + path + ": " + sf_strerror(nullptr));
    const sf_count_t count = static_cast<sf_count_t>(samples.size());
    const bool written = sf_write_short(f, samples.data(), count) == count;
    if (sf_close(f) != 0 || !written)
        fail("cannot finish " + path);
}

} // namespace ag
