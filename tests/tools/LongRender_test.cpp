// Renders too large for the everyday suite (CTest label "long"): they write gigabytes.

#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

namespace {

void PutLittleEndian(std::string& bytes, uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xff);
}

// A 16-bit stereo WAV file of silence, its data a hole in the file: gigabytes of input that take
// no disk space and no time to make.
void WriteSparseSilence(const std::string& path, uint64_t frames, int sampleRate) {
    const uint64_t dataBytes = frames * 4;
    std::string header = "RIFF";
    PutLittleEndian(header, 36 + dataBytes, 4);
    header += "WAVEfmt ";
    PutLittleEndian(header, 16, 4);
    PutLittleEndian(header, 1, 2); // PCM
    PutLittleEndian(header, 2, 2);
    PutLittleEndian(header, static_cast<uint64_t>(sampleRate), 4);
    PutLittleEndian(header, static_cast<uint64_t>(sampleRate) * 4, 4);
    PutLittleEndian(header, 4, 2);
    PutLittleEndian(header, 16, 2);
    header += "data";
    PutLittleEndian(header, dataBytes, 4);
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(write(file, header.data(), header.size()), static_cast<ssize_t>(header.size()));
    ASSERT_EQ(ftruncate(file, static_cast<off_t>(header.size() + dataBytes)), 0);
    close(file);
}

TEST(LongRender, WavOutputsPastFourGibibytesAreWrittenAsRF64) {
    TempFolder folder;
    // 3.4 hours at 44.1 kHz: 4.3 GB of float output, past what WAV's 32-bit sizes can say.
    constexpr uint64_t kFrames = 540000000;
    const std::string in = folder / "long.wav", out = folder / "long-out.wav";
    WriteSparseSilence(in, kFrames, 44100);
    const ProgramRun run = Brindlex({"render", in, out});
    ASSERT_EQ(run.status, 0) << run.err;

    SF_INFO info{};
    SNDFILE* file = sf_open(out.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    EXPECT_EQ(static_cast<uint64_t>(info.frames), kFrames);
    // The end of the audio is there to read.
    ASSERT_EQ(sf_seek(file, static_cast<sf_count_t>(kFrames) - 100, SEEK_SET),
              static_cast<sf_count_t>(kFrames) - 100);
    float tail[2 * 200];
    EXPECT_EQ(sf_readf_float(file, tail, 200), 100);
    sf_close(file);
}

} // namespace
