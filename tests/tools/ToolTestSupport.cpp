#include "ToolTestSupport.h"

#include "CommandError.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sndfile.h>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "brindlex-tools-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    mPath = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::permissions(mPath, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(mPath, ignored);
}

std::vector<std::string> TempFolder::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(mPath))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ErrorMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const CommandError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no error";
    return {};
}

void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file) throw std::runtime_error("cannot write " + path);
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

void WriteAudio(const std::string& path, const AudioData& audio, int format) {
    SF_INFO info{};
    info.channels = audio.channels;
    info.samplerate = audio.sampleRate;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    sf_writef_float(file, audio.samples.data(), audio.Frames());
    sf_close(file);
}

AudioData ReadAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    AudioData audio;
    audio.channels = info.channels;
    audio.sampleRate = info.samplerate;
    audio.samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return audio;
}

AudioData TestSignal(int channels, int sampleRate, long frames) {
    AudioData audio{channels, sampleRate, {}};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const double t = static_cast<double>(i) / sampleRate;
            audio.samples.push_back(
                static_cast<float>(0.75 * std::sin(2 * M_PI * (220.0 + 110.0 * c) * t)) +
                noise(random));
        }
    return audio;
}
