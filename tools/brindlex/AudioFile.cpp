#include "AudioFile.h"

#include "CommandError.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sndfile.h>
#include <sstream>
#include <strings.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Types whose extension libsndfile does not list under their own name, or lists for another
// encoding than the one the extension names.
struct NamedType {
    const char* extension;
    int major;
    int encoding; // the only one the type has; 0 where --bits chooses
    bool headerOnDemand;
    bool holdsNothing;
};
constexpr NamedType kNamedTypes[] = {
    {"wav", SF_FORMAT_WAV, 0, false, true},
    {"wave", SF_FORMAT_WAV, 0, false, true},
    {"aif", SF_FORMAT_AIFF, 0, false, true},
    {"aifc", SF_FORMAT_AIFF, 0, false, true},
    {"snd", SF_FORMAT_AU, 0, false, true},
    {"flac", SF_FORMAT_FLAC, 0, true, true},
    {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS, false, true},
    {"oga", SF_FORMAT_OGG, SF_FORMAT_VORBIS, false, true},
    // Neither an Opus stream nor an MPEG one without frames is a file players open.
    {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS, false, false},
    {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, true, false},
};

NamedType TypeForExtension(const std::string& extension) {
    for (const NamedType& type : kNamedTypes)
        if (strcasecmp(extension.c_str(), type.extension) == 0) return type;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) == 0 && info.extension &&
            strcasecmp(extension.c_str(), info.extension) == 0)
            return {info.extension, info.format, 0, false, true};
    }
    return {nullptr, 0, 0, false, true};
}

struct BitsEncodings {
    const char* bits;
    int encodings[2]; // in order of preference; 0 ends
};
constexpr BitsEncodings kBits[] = {
    {"8", {SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8}},
    {"16", {SF_FORMAT_PCM_16, 0}},
    {"24", {SF_FORMAT_PCM_24, 0}},
    {"32", {SF_FORMAT_PCM_32, 0}},
    {"float", {SF_FORMAT_FLOAT, 0}},
};
// Float where the type has it: the effect's output is float and may exceed full scale.
constexpr int kBestEncodings[] = {SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16};

int BytesPerSample(int encoding) {
    switch (encoding) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 1;
    case SF_FORMAT_PCM_16:
        return 2;
    case SF_FORMAT_PCM_24:
        return 3;
    case SF_FORMAT_DOUBLE:
        return 8;
    }
    return 4;
}

// WAV, AIFF and AU keep their sizes in 32 bits: past 4 GiB they wrap around, and readers see a
// fraction of the audio. Room is left for the header; an unknown length may be anything.
bool MayOutgrow32BitSizes(int encoding, int channels, int64_t frames) {
    constexpr double kWavLimit = 4294967295.0 - 65536;
    return frames < 0 ||
           static_cast<double>(frames) * channels * BytesPerSample(encoding) > kWavLimit;
}

bool Clips(int encoding) {
    return encoding != SF_FORMAT_FLOAT && encoding != SF_FORMAT_DOUBLE &&
           encoding != SF_FORMAT_VORBIS && encoding != SF_FORMAT_OPUS;
}

std::string Seconds(int64_t frames, int sampleRate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(frames) / sampleRate);
    return text;
}

// The data chunk's announced and actual sizes from libsndfile's log, where it found the chunk
// running past the end of the file: "data : 705600 (should be 199942)".
bool LoggedDataShortfall(SNDFILE* file, double& announced, double& actual) {
    char log[16384] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        char label[8] = {};
        long long said = 0, found = 0;
        if (std::sscanf(line.c_str(), " %7s : %lld (should be %lld)", label, &said, &found) == 3 &&
            (std::strcmp(label, "data") == 0 || std::strcmp(label, "SSND") == 0) && found < said) {
            announced = static_cast<double>(said);
            actual = static_cast<double>(found);
            return true;
        }
    }
    return false;
}

} // namespace

bool IsBitsChoice(const std::string& bits) {
    for (const BitsEncodings& choice : kBits)
        if (bits == choice.bits) return true;
    return false;
}

OutputFormat ChooseOutputFormat(const std::string& path, const OutputChoice& choice, int channels,
                                int sampleRate, int64_t frames) {
    std::string extension = choice.type;
    if (extension.empty()) {
        extension = fs::path(path).extension().string();
        // A stream with no name to go by (standard output, /dev/null) carries WAV.
        if (extension.size() < 2 && IsStreamTarget(path)) extension = ".wav";
        if (extension.size() < 2)
            throw CommandError(path, "no file extension to choose the audio format by "
                                     "(.wav, .aiff, .flac, .ogg, ...; or give --type)");
        extension.erase(0, 1);
    }
    const NamedType type = TypeForExtension(extension);
    if (!type.major)
        throw CommandError(path, "unknown audio file type '." + extension +
                                     "' (.wav, .aiff, .flac, .ogg, .opus, .mp3, ...)");

    std::vector<int> encodings;
    if (type.encoding) {
        if (!choice.bits.empty())
            throw CommandError(path, "a ." + extension +
                                         " file has no sample format to choose; leave out --bits");
        encodings.push_back(type.encoding);
    } else if (!choice.bits.empty()) {
        for (const BitsEncodings& bits : kBits)
            if (choice.bits == bits.bits)
                for (const int encoding : bits.encodings)
                    if (encoding) encodings.push_back(encoding);
    } else {
        encodings.assign(std::begin(kBestEncodings), std::end(kBestEncodings));
    }
    for (const int encoding : encodings) {
        SF_INFO info{};
        info.samplerate = sampleRate;
        info.channels = channels;
        info.format = type.major | encoding;
        if (!sf_format_check(&info)) continue;
        // AIFF and AU sizes are 32-bit too, with nothing like RF64 to grow into.
        if ((type.major == SF_FORMAT_AIFF || type.major == SF_FORMAT_AU) && frames >= 0 &&
            MayOutgrow32BitSizes(encoding, channels, frames))
            throw CommandError(path, "a ." + extension +
                                         " file cannot hold more than 4 GiB of audio; choose "
                                         ".wav (written as RF64), .w64 or .caf");
        OutputFormat format;
        format.format = info.format;
        // Written as RF64 that turns back into WAV on closing if it stayed small enough.
        format.rf64 =
            type.major == SF_FORMAT_WAV && MayOutgrow32BitSizes(encoding, channels, frames);
        if (format.rf64) format.format = SF_FORMAT_RF64 | encoding;
        format.type = extension;
        format.clips = Clips(encoding);
        format.headerOnDemand = type.headerOnDemand;
        format.holdsNothing = type.holdsNothing;
        return format;
    }
    if (!choice.bits.empty())
        throw CommandError(path, "a ." + extension + " file cannot hold " +
                                     (choice.bits == "float" ? "float" : choice.bits + "-bit") +
                                     " samples");
    throw CommandError(path, "libsndfile cannot write " + std::to_string(channels) +
                                 "-channel audio at " + std::to_string(sampleRate) + " Hz in ." +
                                 extension + " files");
}

AudioFileReader::AudioFileReader(const std::string& path) : mPath(path) {
    SF_INFO info{};
    if (path == "-") {
        mPath = "standard input";
        mFile = sf_open_fd(STDIN_FILENO, SFM_READ, &info, SF_FALSE);
    } else {
        std::error_code error;
        if (!fs::exists(path, error)) throw CommandError(path, "no such file");
        if (fs::is_directory(path, error))
            throw CommandError(path, "is a folder, not an audio file");
        // libsndfile's own message for an unreadable file is vague; ask the system first.
        const int descriptor = open(path.c_str(), O_RDONLY);
        if (descriptor < 0)
            throw CommandError(path, std::string("cannot read: ") + std::strerror(errno));
        close(descriptor);
        mFile = sf_open(path.c_str(), SFM_READ, &info);
    }
    if (!mFile)
        throw CommandError(mPath, std::string("not an audio file libsndfile can read (") +
                                      sf_strerror(nullptr) + ")");
    mChannels = info.channels;
    mSampleRate = info.samplerate;
    mFrames = info.frames == SF_COUNT_MAX ? -1 : info.frames;
    mSeekable = info.seekable != 0;
}

AudioFileReader::~AudioFileReader() {
    if (mFile) sf_close(mFile);
}

int64_t AudioFileReader::Read(float* interleaved, int64_t frames) {
    if (!mReadError.empty()) return 0;
    const sf_count_t read = sf_readf_float(mFile, interleaved, frames);
    if (read < frames && sf_error(mFile) != SF_ERR_NO_ERROR) mReadError = sf_strerror(mFile);
    mFramesRead += read;
    return read;
}

std::string AudioFileReader::ShortfallWarning() const {
    // Programs writing into a pipe cannot know the length and announce a placeholder.
    if (!mSeekable) return mReadError.empty() ? "" : mPath + ": " + mReadError;
    int64_t announced = mFrames;
    double announcedBytes = 0, actualBytes = 0;
    if ((mFrames < 0 || mFramesRead >= mFrames) &&
        LoggedDataShortfall(mFile, announcedBytes, actualBytes))
        announced = std::llround(static_cast<double>(mFramesRead) * announcedBytes / actualBytes);
    if (announced <= mFramesRead) return mReadError.empty() ? "" : mPath + ": " + mReadError;
    return mPath + ": the file is cut short: read " + Seconds(mFramesRead, mSampleRate) +
           " of the " + Seconds(announced, mSampleRate) + " its header announces (" +
           std::to_string(mFramesRead) + " of " + std::to_string(announced) + " frames)" +
           (mReadError.empty() ? "" : "; " + mReadError);
}

AudioFileWriter::AudioFileWriter(const std::string& path, const OutputFormat& format, int channels,
                                 int sampleRate)
    : mPending(path), mFormat(format), mChannels(channels) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format.format;
    // The pending file keeps the descriptor and closes it.
    mFile = sf_open_fd(mPending.Descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (!mFile)
        throw CommandError(path, std::string("cannot write this format: ") + sf_strerror(nullptr));
    // Integer encodings clip rather than wrap around.
    sf_command(mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (format.rf64) sf_command(mFile, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
}

AudioFileWriter::~AudioFileWriter() {
    if (mFile) sf_close(mFile);
}

void AudioFileWriter::Write(const float* interleaved, int64_t frames) {
    if (mFormat.clips) {
        const int64_t samples = frames * mChannels;
        for (int64_t i = 0; i < samples; ++i) {
            const float magnitude = std::fabs(interleaved[i]);
            if (magnitude > 1.0f) {
                ++mClipped;
                mPeak = std::max(mPeak, magnitude);
            }
        }
    }
    if (sf_writef_float(mFile, interleaved, frames) != frames)
        throw CommandError(mPending.TargetPath(),
                           std::string("write failed: ") + sf_strerror(mFile));
    mFramesWritten += frames;
}

void AudioFileWriter::Commit() {
    if (mFramesWritten == 0) {
        if (!mFormat.holdsNothing)
            throw CommandError(mPending.TargetPath(),
                               "no audio to write, and an empty ." + mFormat.type +
                                   " file is not one players open; choose another type");
        // Without frames libsndfile would write no header at all: a file nothing opens.
        if (mFormat.headerOnDemand) sf_command(mFile, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    }
    SNDFILE* file = mFile;
    mFile = nullptr;
    // Closing writes the header's final sizes.
    if (sf_close(file) != 0)
        throw CommandError(mPending.TargetPath(), "write failed while finishing the file");
    mPending.Commit();
}

std::string AudioFileWriter::ClippingWarning() const {
    if (mClipped == 0) return "";
    const double over = 20 * std::log10(mPeak);
    char text[160];
    std::snprintf(text, sizeof text,
                  ": %lld samples clipped at full scale (peak %.2f, %+.1f dB); %.1f dB less "
                  "--gain keeps them",
                  static_cast<long long>(mClipped), mPeak, over, std::ceil(over * 10) / 10);
    return mPending.TargetPath() + text;
}
