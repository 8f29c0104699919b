#include "Programme.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMusicStart = 4.0; // seconds; the speech ends before

// A mono track the sections are mixed into, panned as they are added.
struct Mixer {
    StereoSignal& signal;

    void Add(int64_t frame, double value, double pan) { // pan: 0 left, 1 right
        if (frame < 0 || frame >= signal.Frames()) return;
        signal.left[static_cast<size_t>(frame)] +=
            static_cast<float>(value * std::cos(pan * kPi / 2));
        signal.right[static_cast<size_t>(frame)] +=
            static_cast<float>(value * std::sin(pan * kPi / 2));
    }
};

// ---- Speech ---------------------------------------------------------------------------------

struct Vowel {
    double f1, f2, f3;
};
constexpr Vowel kVowelA{730, 1090, 2440};
constexpr Vowel kVowelE{530, 1840, 2480};
constexpr Vowel kVowelI{270, 2290, 3010};
constexpr Vowel kVowelO{570, 840, 2410};
constexpr Vowel kVowelU{300, 870, 2240};

enum class Onset { kNone, kFricative, kPlosive };

struct Syllable {
    double start, length; // seconds
    Vowel vowel;
    double level;
    Onset onset;
};

// Two phrases with the rhythm and stresses of a sentence each.
constexpr Syllable kSyllables[] = {
    {0.20, 0.20, kVowelE, 0.7, Onset::kPlosive},   {0.42, 0.16, kVowelO, 0.6, Onset::kNone},
    {0.62, 0.28, kVowelA, 1.0, Onset::kFricative}, {0.94, 0.15, kVowelI, 0.6, Onset::kPlosive},
    {1.12, 0.22, kVowelU, 0.8, Onset::kNone},      {1.38, 0.34, kVowelA, 0.9, Onset::kFricative},
    {2.05, 0.18, kVowelI, 0.7, Onset::kFricative}, {2.26, 0.24, kVowelO, 1.0, Onset::kPlosive},
    {2.54, 0.14, kVowelE, 0.6, Onset::kNone},      {2.72, 0.20, kVowelA, 0.8, Onset::kPlosive},
    {2.96, 0.16, kVowelU, 0.6, Onset::kFricative}, {3.16, 0.40, kVowelE, 0.9, Onset::kNone},
};
constexpr double kPhraseStarts[] = {0.20, 2.05};
constexpr double kPhraseLength = 1.75;

// A resonator with unit gain at 0 Hz, so a cascade of them shapes the spectrum without
// changing the level much.
struct Resonator {
    double y1 = 0, y2 = 0;

    double Process(double x, double frequency, double bandwidth, double sampleRate) {
        const double r = std::exp(-kPi * bandwidth / sampleRate);
        const double b = 2 * r * std::cos(2 * kPi * frequency / sampleRate);
        const double c = -r * r;
        const double y = (1 - b - c) * x + b * y1 + c * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// Raised-cosine attack and release inside [0, length].
double Envelope(double t, double length, double attack, double release) {
    if (t < 0 || t > length) return 0;
    if (t < attack) return 0.5 - 0.5 * std::cos(kPi * t / attack);
    if (t > length - release) return 0.5 - 0.5 * std::cos(kPi * (length - t) / release);
    return 1;
}

// Glottal flow of one period (open, closing, closed), phase in [0, 1).
double GlottalFlow(double phase) {
    if (phase < 0.4) return 0.5 - 0.5 * std::cos(kPi * phase / 0.4);
    if (phase < 0.56) return std::cos(kPi / 2 * (phase - 0.4) / 0.16);
    return 0;
}

void AddSpeech(Mixer& mixer, double sampleRate, std::mt19937& random) {
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const int64_t first = static_cast<int64_t>(kPhraseStarts[0] * sampleRate);
    const int64_t last = static_cast<int64_t>((kPhraseStarts[1] + kPhraseLength) * sampleRate);
    Resonator formants[3];
    Resonator fricativeBand;
    double phase = 0, previousFlow = 0, fricativeLow = 0;
    Vowel current = kSyllables[0].vowel;

    for (int64_t frame = first; frame < last; ++frame) {
        const double t = static_cast<double>(frame) / sampleRate;
        // Pitch falls across each phrase, with a slow wobble.
        const double phraseStart = t < kPhraseStarts[1] ? kPhraseStarts[0] : kPhraseStarts[1];
        const double inPhrase = std::clamp((t - phraseStart) / kPhraseLength, 0.0, 1.0);
        const double pitch = (145 - 40 * inPhrase) * (1 + 0.015 * std::sin(2 * kPi * 5.5 * t));
        phase += pitch / sampleRate;
        phase -= std::floor(phase);
        const double flow = GlottalFlow(phase);
        // The lips radiate the flow's derivative.
        const double source = (flow - previousFlow) * sampleRate / (pitch * 8);
        previousFlow = flow;

        double voiced = 0, fricative = 0;
        for (const Syllable& syllable : kSyllables) {
            const double local = t - syllable.start;
            if (local < -0.1 || local > syllable.length) continue;
            const double envelope = Envelope(local, syllable.length, 0.03, 0.06) * syllable.level;
            if (envelope > 0) {
                voiced += envelope;
                // The articulators glide towards the syllable's vowel.
                const double glide = 1 - std::exp(-1.0 / (0.025 * sampleRate));
                current.f1 += (syllable.vowel.f1 - current.f1) * glide;
                current.f2 += (syllable.vowel.f2 - current.f2) * glide;
                current.f3 += (syllable.vowel.f3 - current.f3) * glide;
            }
            if (syllable.onset == Onset::kFricative)
                fricative += 0.35 * syllable.level * Envelope(local + 0.1, 0.1, 0.02, 0.02);
            if (syllable.onset == Onset::kPlosive)
                fricative += 0.6 * syllable.level * Envelope(local + 0.02, 0.02, 0.002, 0.012);
        }

        double voice = source * std::min(voiced, 1.0);
        voice = formants[0].Process(voice, current.f1, 80, sampleRate);
        voice = formants[1].Process(voice, current.f2, 100, sampleRate);
        voice = formants[2].Process(voice, current.f3, 140, sampleRate);

        // Hiss: white noise less its low part, through a broad band around 5 kHz.
        const double white = noise(random);
        fricativeLow += (white - fricativeLow) * 0.3;
        const double hiss = fricativeBand.Process(white - fricativeLow, 5000, 3000, sampleRate);
        mixer.Add(frame, voice + fricative * hiss, 0.5);
    }
}

// ---- Music ----------------------------------------------------------------------------------

double NoteFrequency(int midiNote) {
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

// A plucked string (Karplus-Strong): a noise burst circulating in a delay line through a
// gentle low-pass.
void AddPluck(Mixer& mixer, double sampleRate, std::mt19937& random, double start, int note,
              double level, double ring, double pan) {
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const auto period = static_cast<size_t>(std::lround(sampleRate / NoteFrequency(note)));
    std::vector<double> line(std::max<size_t>(period, 2));
    double smoothed = 0;
    for (double& sample : line) {
        smoothed += (noise(random) - smoothed) * 0.5; // a softer pick
        sample = smoothed;
    }
    const int64_t first = static_cast<int64_t>(start * sampleRate);
    const auto frames = static_cast<int64_t>(ring * sampleRate);
    const double fadeFrames = 0.05 * sampleRate;
    size_t position = 0;
    for (int64_t i = 0; i < frames; ++i) {
        const size_t next = (position + 1) % line.size();
        const double out = line[position];
        line[position] = 0.4985 * (line[position] + line[next]);
        position = next;
        const double fade = std::min(1.0, static_cast<double>(frames - i) / fadeFrames);
        mixer.Add(first + i, level * out * fade, pan);
    }
}

// A struck bar: inharmonic partials, the higher ones dying sooner.
void AddStrike(Mixer& mixer, double sampleRate, double start, int note, double level, double pan) {
    static constexpr struct {
        double ratio, amplitude, decay; // decay: seconds to 1/e
    } kPartials[] = {{1.0, 1.0, 0.45}, {3.93, 0.35, 0.12}, {9.2, 0.12, 0.04}};
    const double frequency = NoteFrequency(note);
    const int64_t first = static_cast<int64_t>(start * sampleRate);
    const auto frames = static_cast<int64_t>(1.5 * sampleRate);
    for (int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double attack = std::min(1.0, t / 0.002);
        double value = 0;
        for (const auto& partial : kPartials)
            value += partial.amplitude * std::exp(-t / partial.decay) *
                     std::sin(2 * kPi * frequency * partial.ratio * t);
        mixer.Add(first + i, level * attack * value, pan);
    }
}

void AddMusic(Mixer& mixer, double sampleRate, std::mt19937& random) {
    // An arpeggio up a C major chord, then strummed A minor, F, G and C chords.
    constexpr int kArpeggio[] = {60, 64, 67, 72, 76, 79};
    for (size_t i = 0; i < std::size(kArpeggio); ++i)
        AddPluck(mixer, sampleRate, random, kMusicStart + 0.1 + 0.16 * static_cast<double>(i),
                 kArpeggio[i], 0.5, 1.2, 0.35);
    static constexpr struct {
        double start;
        int notes[4];
    } kChords[] = {{5.1, {45, 52, 57, 60}},
                   {5.8, {41, 48, 53, 57}},
                   {6.45, {43, 50, 55, 59}},
                   {7.0, {48, 55, 60, 64}}};
    for (const auto& chord : kChords)
        for (int k = 0; k < 4; ++k)
            AddPluck(mixer, sampleRate, random, chord.start + 0.018 * k, chord.notes[k], 0.4,
                     kProgrammeSeconds - chord.start - 0.018 * k, 0.35);
    // The melody on a mallet instrument.
    static constexpr struct {
        double start;
        int note;
    } kMelody[] = {{5.1, 81}, {5.45, 76}, {5.8, 81}, {6.1, 79}, {6.45, 79}, {7.0, 84}};
    for (const auto& strike : kMelody)
        AddStrike(mixer, sampleRate, strike.start, strike.note, 0.35, 0.7);
}

void NormalizePeak(StereoSignal& signal, size_t begin, size_t end) {
    float peak = 0;
    for (size_t i = begin; i < end; ++i)
        peak = std::max({peak, std::fabs(signal.left[i]), std::fabs(signal.right[i])});
    if (peak == 0) return;
    const auto gain = static_cast<float>(kProgrammePeak / peak);
    for (size_t i = begin; i < end; ++i) {
        signal.left[i] *= gain;
        signal.right[i] *= gain;
    }
}

} // namespace

StereoSignal SynthesizeProgramme(double sampleRate) {
    StereoSignal signal;
    signal.sampleRate = sampleRate;
    const auto frames = static_cast<size_t>(kProgrammeSeconds * sampleRate);
    signal.left.assign(frames, 0.0f);
    signal.right.assign(frames, 0.0f);

    std::mt19937 random(20260101); // the programme's own generator, fixed for repeatability
    Mixer mixer{signal};
    AddSpeech(mixer, sampleRate, random);
    AddMusic(mixer, sampleRate, random);
    // The sections follow each other; each gets the same peak, so neither drowns the other.
    const auto split = static_cast<size_t>(kMusicStart * sampleRate);
    NormalizePeak(signal, 0, split);
    NormalizePeak(signal, split, frames);
    return signal;
}
