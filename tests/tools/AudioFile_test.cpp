// Audio files: the output type from the name, round trips, and the failures that must name the
// file and leave nothing behind.

#include "AudioFile.h"
#include "CommandError.h"
#include "ToolTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A writer as render makes one for the path: its type, in its most precise sample format.
struct PlainWriter : AudioFileWriter {
    PlainWriter(const std::string& path, int channels, int sampleRate)
        : AudioFileWriter(path, ChooseOutputFormat(path, {}, channels, sampleRate, 0), channels,
                          sampleRate) {}
};

int Format(const std::string& path, int channels, int sampleRate, const std::string& bits = "",
           int64_t frames = 44100) {
    return ChooseOutputFormat(path, {"", bits}, channels, sampleRate, frames).format;
}

TEST(OutputFormat, EveryExtensionGetsTheTypeItNames) {
    EXPECT_EQ(Format("a.wav", 2, 44100), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(Format("dir.x/A.WAV", 1, 48000), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    // WAV that may pass 4 GiB (or whose length is not known) is written as RF64.
    EXPECT_EQ(Format("a.wav", 2, 44100, "", 537000000), SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
    EXPECT_EQ(Format("a.wav", 2, 44100, "16", 537000000), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(Format("a.wav", 2, 44100, "", -1), SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
    EXPECT_EQ(Format("a.aif", 2, 44100), SF_FORMAT_AIFF | SF_FORMAT_FLOAT);
    EXPECT_EQ(Format("a.caf", 2, 44100), SF_FORMAT_CAF | SF_FORMAT_FLOAT);
    // FLAC has no float samples; 24 bits is its best.
    EXPECT_EQ(Format("a.flac", 2, 44100), SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    EXPECT_EQ(Format("a.ogg", 2, 44100), SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    EXPECT_EQ(Format("a.opus", 2, 48000), SF_FORMAT_OGG | SF_FORMAT_OPUS);
    EXPECT_EQ(Format("a.mp3", 2, 44100), SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    // --bits: WAV's 8 bits are unsigned, AIFF's signed.
    EXPECT_EQ(Format("a.wav", 2, 44100, "8"), SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
    EXPECT_EQ(Format("a.aiff", 2, 44100, "8"), SF_FORMAT_AIFF | SF_FORMAT_PCM_S8);
    EXPECT_EQ(Format("a.flac", 1, 44100, "16"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(ChooseOutputFormat("-", {"flac", ""}, 2, 44100, 0).format,
              SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
}

TEST(OutputFormat, RefusalsNameTheFile) {
    EXPECT_EQ(ErrorMessage([] { Format("out.xyz", 2, 44100); }),
              "out.xyz: unknown audio file type '.xyz' (.wav, .aiff, .flac, .ogg, .opus, .mp3, "
              "...)");
    EXPECT_EQ(ErrorMessage([] { Format("folder.d/out", 2, 44100); }),
              "folder.d/out: no file extension to choose the audio format by (.wav, .aiff, "
              ".flac, .ogg, ...; or give --type)");
    EXPECT_EQ(ErrorMessage([] { Format("a.flac", 2, 44100, "float"); }),
              "a.flac: a .flac file cannot hold float samples");
    EXPECT_EQ(ErrorMessage([] { Format("a.aiff", 2, 44100, "", 537000000); }),
              "a.aiff: a .aiff file cannot hold more than 4 GiB of audio; choose .wav (written as "
              "RF64), .w64 or .caf");
    EXPECT_EQ(ErrorMessage([] { Format("a.mp3", 2, 44100, "16"); }),
              "a.mp3: a .mp3 file has no sample format to choose; leave out --bits");
}

TEST(AudioFiles, FloatWavRoundTripIsExactAndNothingAppearsBeforeCommit) {
    TempFolder folder;
    const AudioData audio = TestSignal(2, 44100, 5000);
    const std::string path = folder / "out.wav";
    {
        PlainWriter writer(path, 2, 44100);
        writer.Write(audio.samples.data(), 3000);
        writer.Write(audio.samples.data() + 6000, 2000);
        EXPECT_FALSE(FileExists(path));
        writer.Commit();
    }
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.wav"});
    const AudioData back = ReadAudio(path);
    EXPECT_EQ(back.channels, 2);
    EXPECT_EQ(back.sampleRate, 44100);
    EXPECT_EQ(back.samples, audio.samples);

    AudioFileReader reader(path);
    EXPECT_EQ(reader.Channels(), 2);
    EXPECT_EQ(reader.SampleRate(), 44100);
    EXPECT_EQ(reader.Frames(), 5000);
    std::vector<float> chunk(2 * 4096);
    EXPECT_EQ(reader.Read(chunk.data(), 4096), 4096);
    EXPECT_EQ(reader.Read(chunk.data(), 4096), 904);
    EXPECT_EQ(chunk[2 * 903 + 1], audio.samples[2 * 4999 + 1]);
    EXPECT_EQ(reader.Read(chunk.data(), 4096), 0);
}

TEST(AudioFiles, ReadsAiffAndFlacAsFloat) {
    TempFolder folder;
    AudioData audio = TestSignal(1, 22050, 1000);
    WriteAudio(folder / "in.aiff", audio, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    WriteAudio(folder / "in.flac", audio, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    for (const char* name : {"in.aiff", "in.flac"}) {
        AudioFileReader reader(folder / name);
        EXPECT_EQ(reader.Channels(), 1);
        EXPECT_EQ(reader.SampleRate(), 22050);
        std::vector<float> samples(1000);
        ASSERT_EQ(reader.Read(samples.data(), 1000), 1000);
        for (size_t i = 0; i < samples.size(); ++i)
            ASSERT_NEAR(samples[i], audio.samples[i], 1.0 / 16384) << name << " at " << i;
    }
}

TEST(AudioFiles, IntegerOutputsClipInsteadOfWrapping) {
    TempFolder folder;
    const std::vector<float> loud = {1.5f, -1.5f, 0.5f};
    PlainWriter writer(folder / "loud.flac", 1, 44100);
    writer.Write(loud.data(), 3);
    writer.Commit();
    const AudioData back = ReadAudio(folder / "loud.flac");
    EXPECT_NEAR(back.samples[0], 1.0f, 1e-6);
    EXPECT_NEAR(back.samples[1], -1.0f, 1e-6);
    EXPECT_NEAR(back.samples[2], 0.5f, 1e-6);
}

TEST(AudioFiles, AnAbandonedWriterLeavesNothing) {
    TempFolder folder;
    WriteTextFile(folder / "out.wav", "the old file");
    {
        PlainWriter writer(folder / "out.wav", 2, 44100);
        const AudioData audio = TestSignal(2, 44100, 100);
        writer.Write(audio.samples.data(), 100);
    }
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.wav"});
    EXPECT_EQ(ReadTextFile(folder / "out.wav"), "the old file");
}

TEST(AudioFiles, CommittedFilesGetTheUsualPermissions) {
    TempFolder folder;
    const mode_t old = umask(022);
    {
        PlainWriter writer(folder / "out.wav", 1, 8000);
        writer.Commit();
    }
    umask(old);
    struct stat status {};
    ASSERT_EQ(stat((folder / "out.wav").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
}

TEST(AudioFiles, AnEmptyFileIsNotAudio) {
    TempFolder folder;
    WriteTextFile(folder / "empty.wav", "");
    const std::string message = ErrorMessage([&] { AudioFileReader reader(folder / "empty.wav"); });
    EXPECT_EQ(message.rfind(folder / "empty.wav" + ": not an audio file libsndfile can read (", 0),
              0u)
        << message;
}

TEST(AudioFiles, UnwritableOutputsNameTheFileAndLeaveNothing) {
    TempFolder folder;
    const std::string inMissingFolder = folder / "no/such/folder/out.wav";
    EXPECT_EQ(ErrorMessage([&] { PlainWriter writer(inMissingFolder, 2, 44100); }),
              inMissingFolder + ": folder " + folder / "no/such/folder" + " does not exist");
    ::mkdir((folder / "out.wav").c_str(), 0755);
    EXPECT_EQ(ErrorMessage([&] { PlainWriter writer(folder / "out.wav", 2, 44100); }),
              folder / "out.wav" + ": is a folder");
    WriteTextFile(folder / "file", "");
    EXPECT_EQ(ErrorMessage([&] { PlainWriter writer(folder / "file/out.wav", 2, 44100); }),
              folder / "file/out.wav" + ": " + folder / "file" + " is not a folder");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"file", "out.wav"}));

    if (geteuid() != 0) { // permissions do not stop the superuser
        ::mkdir((folder / "locked").c_str(), 0555);
        const std::string message =
            ErrorMessage([&] { PlainWriter writer(folder / "locked/out.wav", 2, 44100); });
        EXPECT_NE(message.find("cannot write in folder"), std::string::npos) << message;
        EXPECT_TRUE(std::filesystem::is_empty(folder / "locked"));
    }
}

} // namespace
