#pragma once

// Helpers shared by the command-line host's tests.

#include <functional>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return mPath; }
    std::string operator/(const std::string& name) const { return mPath + "/" + name; }
    // Names of the entries, hidden ones included, sorted.
    std::vector<std::string> Entries() const;

private:
    std::string mPath;
};

// The message of the CommandError the action throws; the test fails when it throws none.
std::string ErrorMessage(const std::function<void()>& action);

void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);

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
