#pragma once

// Helpers shared by the command-line host's tests.

#include "Files.h"

#include <functional>
#include <string>
#include <vector>

// The message of the CommandError the action throws; the test fails when it throws none.
std::string ErrorMessage(const std::function<void()>& action);

// Interleaved float audio.
struct AudioData {
    int channels = 0;
    int sampleRate = 0;
    std::vector<float> samples;

    long Frames() const { return channels ? static_cast<long>(samples.size()) / channels : 0; }
};

// format: a libsndfile format code.
void WriteAudio(const std::string& path, const AudioData& audio, int format);
AudioData ReadAudio(const std::string& path);
// Deterministic test material: sines of different frequencies per channel with a little
// noise, peak about 0.8.
AudioData TestSignal(int channels, int sampleRate, long frames);

// A run of the built brindlex program.
struct ProgramRun {
    int status = -1; // exit status; -1 when the program did not exit normally
    std::string out, err;
};

// Runs the built program with the arguments, standard input read from stdinPath (inherited
// when empty); it finds the component beside itself.
ProgramRun Brindlex(const std::vector<std::string>& arguments, const std::string& stdinPath = "");
