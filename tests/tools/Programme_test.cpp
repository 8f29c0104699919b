// The demo's programme: its length, level, sections and the pitches a listener would hear.

#include "Programme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRate = 44100.0;

const StereoSignal& Programme() {
    static const StereoSignal programme = SynthesizeProgramme(kRate);
    return programme;
}

size_t At(double seconds) {
    return static_cast<size_t>(seconds * kRate);
}

double Rms(const std::vector<float>& samples, double from, double to) {
    double sum = 0;
    for (size_t i = At(from); i < At(to); ++i)
        sum += samples[i] * samples[i];
    return std::sqrt(sum / static_cast<double>(At(to) - At(from)));
}

float Peak(const StereoSignal& signal, double from, double to) {
    float peak = 0;
    for (size_t i = At(from); i < At(to); ++i)
        peak = std::max({peak, std::fabs(signal.left[i]), std::fabs(signal.right[i])});
    return peak;
}

// The period between 60 and 400 Hz by normalised autocorrelation, as a frequency: the
// shortest lag that comes within 10% of the best, so that multiples of the period do not win.
double Pitch(const std::vector<float>& samples, double from, double to) {
    const size_t begin = At(from), end = At(to);
    const auto shortest = static_cast<size_t>(kRate / 400),
               longest = static_cast<size_t>(kRate / 60);
    std::vector<double> scores(longest + 2, 0.0);
    for (size_t lag = shortest; lag <= longest + 1; ++lag) {
        double product = 0, head = 0, tail = 0;
        for (size_t i = begin; i + lag < end; ++i) {
            product += samples[i] * samples[i + lag];
            head += samples[i] * samples[i];
            tail += samples[i + lag] * samples[i + lag];
        }
        scores[lag] = head > 0 && tail > 0 ? product / std::sqrt(head * tail) : 0;
    }
    const double best = *std::max_element(scores.begin(), scores.end());
    for (size_t lag = shortest + 1; lag <= longest; ++lag)
        if (scores[lag] >= 0.9 * best && scores[lag] >= scores[lag - 1] &&
            scores[lag] >= scores[lag + 1])
            return kRate / static_cast<double>(lag);
    return 0;
}

TEST(Programme, EightSecondsOfFiniteStereoAtMinusSixDecibelsPerSection) {
    const StereoSignal& programme = Programme();
    EXPECT_EQ(programme.sampleRate, kRate);
    EXPECT_EQ(programme.Frames(), static_cast<int64_t>(kProgrammeSeconds * kRate));
    EXPECT_EQ(programme.right.size(), programme.left.size());
    for (size_t i = 0; i < programme.left.size(); ++i)
        ASSERT_TRUE(std::isfinite(programme.left[i]) && std::isfinite(programme.right[i])) << i;
    EXPECT_NEAR(Peak(programme, 0, 4), kProgrammePeak, 1e-6);
    EXPECT_NEAR(Peak(programme, 4, 8), kProgrammePeak, 1e-6);
}

TEST(Programme, IsTheSameEveryTime) {
    const StereoSignal again = SynthesizeProgramme(kRate);
    EXPECT_EQ(again.left, Programme().left);
    EXPECT_EQ(again.right, Programme().right);
}

TEST(Programme, SpeechIsCentredVoicedAndPhrased) {
    const StereoSignal& programme = Programme();
    EXPECT_TRUE(std::equal(programme.left.begin(), programme.left.begin() + At(4),
                           programme.right.begin()));
    // A stressed vowel early in the first phrase, whose pitch falls from 145 Hz.
    const double pitch = Pitch(programme.left, 0.70, 0.85);
    EXPECT_GT(pitch, 120);
    EXPECT_LT(pitch, 145);
    // The pause between the phrases and the gap before the music are near silent.
    const double speech = Rms(programme.left, 0.2, 1.7);
    EXPECT_GT(speech, 0.02);
    EXPECT_LT(Rms(programme.left, 1.80, 1.92), speech / 100);
    EXPECT_LT(Rms(programme.left, 3.70, 4.05), speech / 100);
}

TEST(Programme, MusicStartsWithAPluckedMiddleC) {
    const StereoSignal& programme = Programme();
    EXPECT_NEAR(Pitch(programme.left, 4.11, 4.25), 261.63, 3);
    // The strings sit left of centre, the mallets right.
    EXPECT_GT(Rms(programme.left, 4.1, 5.0), Rms(programme.right, 4.1, 5.0) * 1.2);
    EXPECT_GT(Rms(programme.right, 6.1, 6.4), Rms(programme.left, 6.1, 6.4));
    // Sounding to the end.
    EXPECT_GT(Rms(programme.left, 7.5, 7.9), 0.005);
}

TEST(Programme, ScalesWithTheSampleRate) {
    const StereoSignal programme = SynthesizeProgramme(48000);
    EXPECT_EQ(programme.Frames(), static_cast<int64_t>(kProgrammeSeconds * 48000));
}

} // namespace
