#pragma once

#include "PendingFile.h"

#include <cstdint>
#include <string>

typedef struct sf_private_tag SNDFILE;

// Audio files through libsndfile, read and written in interleaved float frames. Errors throw
// CommandError naming the file.

// The libsndfile format for writing path: the container its extension names, with float
// samples where the container has them, else the most precise encoding it has.
int OutputFormatFor(const std::string& path, int channels, int sampleRate);

class AudioFileReader {
public:
    explicit AudioFileReader(const std::string& path);
    ~AudioFileReader();
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    const std::string& Path() const { return mPath; }
    int Channels() const { return mChannels; }
    int SampleRate() const { return mSampleRate; }
    int64_t Frames() const { return mFrames; }
    // Up to frames frames into interleaved; the number read, 0 at the end.
    int64_t Read(float* interleaved, int64_t frames);

private:
    std::string mPath;
    SNDFILE* mFile = nullptr;
    int mChannels = 0;
    int mSampleRate = 0;
    int64_t mFrames = 0;
};

// Nothing appears at the path until Commit.
class AudioFileWriter {
public:
    AudioFileWriter(const std::string& path, int channels, int sampleRate);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    void Write(const float* interleaved, int64_t frames);
    void Commit();

private:
    PendingFile mPending;
    SNDFILE* mFile = nullptr;
};
