#pragma once

#include "PendingFile.h"

#include <cstdint>
#include <string>

typedef struct sf_private_tag SNDFILE;

// Audio files through libsndfile, read and written in interleaved float frames. "-" is standard
// input or output. Errors throw CommandError naming the file.

// How an output file is written, as the command line chose it.
struct OutputChoice {
    std::string type; // an extension naming the file type ("flac"); empty: the path's own
    std::string bits; // "8", "16", "24", "32" or "float"; empty: float where the type has it
};

// The sample formats --bits takes, for help and messages.
constexpr const char* kBitsChoices = "8, 16, 24, 32 or float";
bool IsBitsChoice(const std::string& bits);

struct OutputFormat {
    int format = 0;              // libsndfile's
    std::string type;            // the extension that chose it, for messages
    bool clips = false;          // integer samples: values beyond full scale are cut off
    bool rf64 = false;           // WAV that becomes RF64 should it outgrow 4 GiB
    bool headerOnDemand = false; // libsndfile writes the header with the first frames only
    bool holdsNothing = true;    // an empty file of this type is a valid one
};

// The format for writing path: the type its extension (or choice.type) names and the sample
// format chosen, or the type's most precise one, for frames frames (-1: not known). Throws
// naming the path when the type is unknown or cannot hold the audio.
OutputFormat ChooseOutputFormat(const std::string& path, const OutputChoice& choice, int channels,
                                int sampleRate, int64_t frames);

class AudioFileReader {
public:
    explicit AudioFileReader(const std::string& path);
    ~AudioFileReader();
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    const std::string& Path() const { return mPath; }
    int Channels() const { return mChannels; }
    int SampleRate() const { return mSampleRate; }
    // As the header announces them; -1 when it does not say (a stream).
    int64_t Frames() const { return mFrames; }
    // Up to frames frames into interleaved; the number read, 0 at the end. A damaged or cut
    // file ends where it stops making sense.
    int64_t Read(float* interleaved, int64_t frames);
    // Once read to the end: one line when the file held less audio than its header announced
    // (how much was read), or when reading failed, else "". A pipe's header may announce a
    // placeholder; it is not held against it.
    std::string ShortfallWarning() const;

private:
    std::string mPath;
    SNDFILE* mFile = nullptr;
    int mChannels = 0;
    int mSampleRate = 0;
    int64_t mFrames = 0;
    int64_t mFramesRead = 0;
    bool mSeekable = true; // false for a pipe
    std::string mReadError;
};

// Nothing appears at the path until Commit.
class AudioFileWriter {
public:
    AudioFileWriter(const std::string& path, const OutputFormat& format, int channels,
                    int sampleRate);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    bool IsStream() const { return mPending.IsStream(); }
    void Write(const float* interleaved, int64_t frames);
    // Throws, writing nothing, when the type cannot hold an empty file and nothing was written.
    void Commit();
    // Once written: one line when samples beyond full scale were cut off (how many, the peak,
    // and the gain that would have kept them), else "".
    std::string ClippingWarning() const;

private:
    PendingFile mPending;
    OutputFormat mFormat;
    int mChannels;
    SNDFILE* mFile = nullptr;
    int64_t mFramesWritten = 0;
    int64_t mClipped = 0;
    float mPeak = 0;
};
