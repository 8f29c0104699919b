#include "AudioFile.h"

#include "CommandError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sndfile.h>
#include <strings.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Extensions libsndfile does not list under its formats' own names.
struct ExtensionAlias {
    const char* extension;
    int format;
};
constexpr ExtensionAlias kExtensionAliases[] = {
    {"aif", SF_FORMAT_AIFF}, {"aifc", SF_FORMAT_AIFF}, {"wave", SF_FORMAT_WAV},
    {"ogg", SF_FORMAT_OGG},  {"opus", SF_FORMAT_OGG},  {"snd", SF_FORMAT_AU},
};

int MajorFormatForExtension(const std::string& extension) {
    for (const ExtensionAlias& alias : kExtensionAliases)
        if (strcasecmp(extension.c_str(), alias.extension) == 0) return alias.format;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) == 0 && info.extension &&
            strcasecmp(extension.c_str(), info.extension) == 0)
            return info.format;
    }
    return 0;
}

} // namespace

int OutputFormatFor(const std::string& path, int channels, int sampleRate) {
    const std::string extension = fs::path(path).extension().string();
    if (extension.size() < 2)
        throw CommandError(path, "no file extension to choose the audio format by "
                                 "(.wav, .aiff, .flac, .ogg, ...)");
    const int major = MajorFormatForExtension(extension.substr(1));
    if (!major)
        throw CommandError(path, "unknown audio file type '" + extension +
                                     "' (.wav, .aiff, .flac, .ogg, ...)");
    // Float where the container has it: the effect's output is float and may exceed full scale.
    static constexpr int kEncodings[] = {SF_FORMAT_FLOAT,  SF_FORMAT_PCM_24,
                                         SF_FORMAT_PCM_16, SF_FORMAT_VORBIS,
                                         SF_FORMAT_OPUS,   SF_FORMAT_MPEG_LAYER_III};
    for (const int encoding : kEncodings) {
        SF_INFO info{};
        info.samplerate = sampleRate;
        info.channels = channels;
        info.format = major | encoding;
        if (sf_format_check(&info)) return info.format;
    }
    throw CommandError(path, "libsndfile cannot write " + std::to_string(channels) +
                                 "-channel audio in '" + extension + "' files");
}

AudioFileReader::AudioFileReader(const std::string& path) : mPath(path) {
    std::error_code error;
    if (!fs::exists(path, error)) throw CommandError(path, "no such file");
    if (fs::is_directory(path, error)) throw CommandError(path, "is a folder, not an audio file");
    // libsndfile's own message for an unreadable file is vague; ask the system first.
    const int descriptor = open(path.c_str(), O_RDONLY);
    if (descriptor < 0)
        throw CommandError(path, std::string("cannot read: ") + std::strerror(errno));
    close(descriptor);

    SF_INFO info{};
    mFile = sf_open(path.c_str(), SFM_READ, &info);
    if (!mFile)
        throw CommandError(path, std::string("not an audio file libsndfile can read (") +
                                     sf_strerror(nullptr) + ")");
    mChannels = info.channels;
    mSampleRate = info.samplerate;
    mFrames = info.frames;
}

AudioFileReader::~AudioFileReader() {
    if (mFile) sf_close(mFile);
}

int64_t AudioFileReader::Read(float* interleaved, int64_t frames) {
    const sf_count_t read = sf_readf_float(mFile, interleaved, frames);
    if (read < frames && sf_error(mFile) != SF_ERR_NO_ERROR)
        throw CommandError(mPath, std::string("read failed: ") + sf_strerror(mFile));
    return read;
}

AudioFileWriter::AudioFileWriter(const std::string& path, int channels, int sampleRate)
    : mPending(path) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = OutputFormatFor(path, channels, sampleRate);
    // The pending file keeps the descriptor and closes it.
    mFile = sf_open_fd(mPending.Descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (!mFile)
        throw CommandError(path, std::string("cannot write this format: ") + sf_strerror(nullptr));
    // Integer encodings clip rather than wrap around.
    sf_command(mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioFileWriter::~AudioFileWriter() {
    if (mFile) sf_close(mFile);
}

void AudioFileWriter::Write(const float* interleaved, int64_t frames) {
    if (sf_writef_float(mFile, interleaved, frames) != frames)
        throw CommandError(mPending.TargetPath(),
                           std::string("write failed: ") + sf_strerror(mFile));
}

void AudioFileWriter::Commit() {
    SNDFILE* file = mFile;
    mFile = nullptr;
    // Closing writes the header's final sizes.
    if (sf_close(file) != 0)
        throw CommandError(mPending.TargetPath(), "write failed while finishing the file");
    mPending.Commit();
}
