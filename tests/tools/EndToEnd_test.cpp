// The built brindlex program with the built component, run as a user runs them: renders that
// match the effect processing the same input in this process, presets, the parameter list, the
// demo, and every failure a user can cause: one line naming the culprit, a non-zero status, and
// no output file.

#include "Brindlex.h"
#include "FactoryPresets.h"
#include "ToolTestSupport.h"
#include "pix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sndfile.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// What the component does with interleaved float audio, done here with the effect itself: the
// same parameter values (as the host sends them, in single precision), float samples widened
// to double and narrowed back, the same slices. A mono signal feeds both inputs and the left
// output is kept.
std::vector<float> ProcessHere(const AudioData& input,
                               const std::vector<std::pair<int, float>>& settings, int slice) {
    std::unique_ptr<IFxAU> effect(MakePlug());
    effect->SetSampleRate(input.sampleRate);
    effect->SetBlockSize(slice);
    for (const auto& [index, value] : settings) {
        effect->GetParam(index)->Set(value);
        effect->OnParamChange(index);
    }
    effect->OnParamReset();

    const long frames = input.Frames();
    const int channels = input.channels;
    std::vector<double> inL(static_cast<size_t>(slice)), inR(inL.size()), outL(inL.size()),
        outR(inL.size());
    std::vector<float> output;
    for (long offset = 0; offset < frames; offset += slice) {
        const int n = static_cast<int>(std::min<long>(slice, frames - offset));
        for (int i = 0; i < n; ++i) {
            const size_t at = static_cast<size_t>((offset + i) * channels);
            inL[i] = input.samples[at];
            inR[i] = input.samples[at + static_cast<size_t>(channels - 1)];
        }
        double* inputs[2] = {inL.data(), inR.data()};
        double* outputs[2] = {outL.data(), outR.data()};
        effect->ProcessDoubleReplacing(inputs, outputs, n);
        for (int i = 0; i < n; ++i) {
            output.push_back(static_cast<float>(outL[i]));
            if (channels == 2) output.push_back(static_cast<float>(outR[i]));
        }
    }
    return output;
}

// The first sample where the two differ, for a readable failure.
testing::AssertionResult SameSamples(const std::vector<float>& actual,
                                     const std::vector<float>& expected) {
    if (actual.size() != expected.size())
        return testing::AssertionFailure()
               << actual.size() << " samples, expected " << expected.size();
    for (size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i] && !(std::isnan(actual[i]) && std::isnan(expected[i])))
            return testing::AssertionFailure()
                   << "sample " << i << " is " << actual[i] << ", expected " << expected[i];
    return testing::AssertionSuccess();
}

// The failure a user sees: the exit status, and exactly one line on stderr that begins with the
// program's name and holds the expected text.
testing::AssertionResult FailsWith(const ProgramRun& run, int status, const std::string& text) {
    if (run.status != status)
        return testing::AssertionFailure()
               << "exit status " << run.status << ", stderr: " << run.err;
    if (run.err.rfind("brindlex: ", 0) != 0 || run.err.find('\n') != run.err.size() - 1)
        return testing::AssertionFailure() << "not one message line: " << run.err;
    if (run.err.find(text) == std::string::npos)
        return testing::AssertionFailure() << "'" << text << "' not in: " << run.err;
    return testing::AssertionSuccess();
}

// Whether a table has a row that begins with these columns; columns are separated by two
// blanks or more.
bool HasRow(const std::string& table, const std::vector<std::string>& columns) {
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        size_t at = line.find_first_not_of(' ');
        while (at != std::string::npos) {
            const size_t gap = line.find("  ", at);
            cells.push_back(line.substr(at, gap == std::string::npos ? gap : gap - at));
            at = gap == std::string::npos ? gap : line.find_first_not_of(' ', gap);
        }
        if (cells.size() >= columns.size() &&
            std::equal(columns.begin(), columns.end(), cells.begin()))
            return true;
    }
    return false;
}

class EndToEnd : public testing::Test {
protected:
    TempFolder folder;

    std::string Input(const AudioData& audio, const std::string& name = "in.wav",
                      int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
        const std::string path = folder / name;
        WriteAudio(path, audio, format);
        return path;
    }

    // A render failure must leave the folder as it was.
    testing::AssertionResult RenderFails(const std::vector<std::string>& arguments, int status,
                                         const std::string& text) {
        const std::vector<std::string> before = folder.Entries();
        std::vector<std::string> line = {"render"};
        line.insert(line.end(), arguments.begin(), arguments.end());
        const testing::AssertionResult result = FailsWith(Brindlex(line), status, text);
        if (!result) return result;
        if (folder.Entries() != before) return testing::AssertionFailure() << "files left behind";
        return testing::AssertionSuccess();
    }
};

TEST_F(EndToEnd, RenderWithSettingsMatchesTheEffectInProcess) {
    const AudioData input = TestSignal(2, 44100, 44100 * 2 + 123);
    const std::string in = Input(input);
    // All three stages with real drive, and noise: "Amp Noise Reduction" 80 leaves the noise a
    // fifth of the mix. The noise still matches because an instance alone in its process draws
    // its own generator's sequence for seed 666, and each process holds one instance here.
    const ProgramRun run = Brindlex({"render",
                                     in,
                                     folder / "out.wav",
                                     "--amp",
                                     "on",
                                     "--set",
                                     "Amp Gain=8",
                                     "--set",
                                     "amp tone=3",
                                     "--set",
                                     "8=80",
                                     "--eq",
                                     "on",
                                     "--eq-wide",
                                     "on",
                                     "--set",
                                     "EQ Freq=2500",
                                     "--set",
                                     "EQ Level=-4.5",
                                     "--limiter",
                                     "on",
                                     "--set",
                                     "Limiter Attenuation=50",
                                     "--block",
                                     "300"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("Rendered " + in), std::string::npos);

    const AudioData output = ReadAudio(folder / "out.wav");
    EXPECT_EQ(output.channels, 2);
    EXPECT_EQ(output.sampleRate, 44100);
    const std::vector<float> expected = ProcessHere(
        input,
        {{9, 1}, {6, 8}, {7, 3}, {8, 80}, {5, 1}, {4, 1}, {2, 2500}, {3, -4.5f}, {1, 1}, {0, 50}},
        300);
    EXPECT_TRUE(SameSamples(output.samples, expected));
    EXPECT_FALSE(SameSamples(output.samples, input.samples)); // and it did something
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST_F(EndToEnd, MonoInMonoOutAtAnotherRate) {
    const AudioData input = TestSignal(1, 48000, 30000);
    const std::string in = Input(input, "in.aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT);
    const ProgramRun run = Brindlex({"render", in, folder / "out.caf", "--amp", "on", "--set",
                                     "Amp Gain=20", "--limiter", "on"});
    ASSERT_EQ(run.status, 0) << run.err;
    const AudioData output = ReadAudio(folder / "out.caf");
    EXPECT_EQ(output.channels, 1);
    EXPECT_EQ(output.sampleRate, 48000);
    EXPECT_TRUE(SameSamples(output.samples, ProcessHere(input, {{9, 1}, {6, 20}, {1, 1}}, 512)));
}

TEST_F(EndToEnd, DefaultSettingsPassAudioThroughUnchanged) {
    const AudioData input = TestSignal(2, 44100, 5000);
    const ProgramRun run = Brindlex({"render", Input(input), folder / "out.wav"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(SameSamples(ReadAudio(folder / "out.wav").samples, input.samples));
}

TEST_F(EndToEnd, PresetsRoundTripAndComeBeforeTheSettings) {
    const std::string preset = folder / "radio.aupreset";
    ProgramRun run = Brindlex({"preset", "save", preset, "--amp", "on", "--set", "Amp Gain=30",
                               "--set", "EQ Level=-6", "--eq-wide", "on"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(ReadTextFile(preset).find("<key>data</key>"), std::string::npos);

    run = Brindlex({"preset", "show", preset});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(HasRow(run.out, {"6", "Amp Gain", "30", "30.00 %"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"3", "EQ Level", "-6"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"2", "EQ Freq", "5000"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"9", "(Amp On) --amp", "on"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"5", "(EQ On) --eq", "off"})) << run.out;

    // A preset made from another preset: its settings override the loaded ones.
    const std::string second = folder / "second.aupreset";
    run = Brindlex({"preset", "save", second, "--set", "amp gain=2", "--preset", preset});
    ASSERT_EQ(run.status, 0) << run.err;
    run = Brindlex({"preset", "show", second});
    EXPECT_TRUE(HasRow(run.out, {"6", "Amp Gain", "2"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"3", "EQ Level", "-6"})) << run.out;

    // Rendering with the preset is rendering with its settings.
    const std::string in = Input(TestSignal(2, 44100, 20000));
    ASSERT_EQ(Brindlex({"render", in, folder / "a.wav", "--preset", preset}).status, 0);
    ASSERT_EQ(Brindlex({"render", in, folder / "b.wav", "--amp", "on", "--set", "Amp Gain=30",
                        "--set", "EQ Level=-6", "--eq-wide", "on"})
                  .status,
              0);
    EXPECT_TRUE(
        SameSamples(ReadAudio(folder / "a.wav").samples, ReadAudio(folder / "b.wav").samples));
}

TEST_F(EndToEnd, ParamsListsTheEffectsParameters) {
    const ProgramRun run = Brindlex({"params"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(HasRow(run.out, {"0", "Limiter Attenuation", "0 to 120", "120", "120.00 %"}))
        << run.out;
    // The last column is the effect's own display of the default, with its unit label.
    EXPECT_TRUE(HasRow(run.out, {"2", "EQ Freq", "0 to 15000", "5000", "5000.00 %"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"3", "EQ Level", "-12 to 12", "0"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"6", "Amp Gain", "0 to 100", "1"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"8", "Amp Noise Reduction", "0 to 100", "100"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"1", "(Limiter On) --limiter", "off, on", "off"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"4", "(EQ Wide) --eq-wide", "off, on", "off"})) << run.out;
}

TEST_F(EndToEnd, DemoWritesItsFilesAndSaysWhere) {
    const std::string target = folder / "made/by/demo";
    const ProgramRun run = Brindlex({"demo", target});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Demo written to " + target), std::string::npos) << run.out;
    const AudioData in = ReadAudio(target + "/demo-in.wav");
    const AudioData out = ReadAudio(target + "/demo-out.wav");
    EXPECT_EQ(in.channels, 2);
    EXPECT_EQ(in.Frames(), 8 * 44100);
    EXPECT_EQ(out.Frames(), in.Frames());
    EXPECT_FALSE(SameSamples(out.samples, in.samples));
    for (const float sample : out.samples)
        ASSERT_TRUE(std::isfinite(sample));
    const std::unique_ptr<PIX_IBitmap> editor(PIX_LoadPNG((target + "/editor.png").c_str()));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->getWidth(), 700);
    EXPECT_EQ(editor->getHeight(), 700);
    EXPECT_NE(run.out.find("editor.png"), std::string::npos) << run.out;
}

// A snapshot as an image, checked for its size and for having something to show.
std::unique_ptr<PIX_IBitmap> LoadSnapshot(const std::string& path) {
    std::unique_ptr<PIX_IBitmap> image(PIX_LoadPNG(path.c_str()));
    EXPECT_NE(image, nullptr) << path;
    if (!image) return image;
    EXPECT_EQ(image->getWidth(), 700);
    EXPECT_EQ(image->getHeight(), 700);
    std::set<PIX_pixel> colours;
    for (int y = 0; y < 700; y += 7)
        for (int x = 0; x < 700; x += 7)
            colours.insert(PIX_GetPixel(image.get(), x, y));
    EXPECT_GT(colours.size(), 200u) << "a picture, not a blank";
    return image;
}

// Whether two images differ anywhere in the rectangle.
bool Differ(PIX_IBitmap* a, PIX_IBitmap* b, int x, int y, int w, int h) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            if (PIX_GetPixel(a, i, j) != PIX_GetPixel(b, i, j)) return true;
    return false;
}

TEST_F(EndToEnd, SnapshotsShowTheEditorAfterTheAudio) {
    const ProgramRun plain = Brindlex({"snapshot", folder / "plain.png"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find(folder / "plain.png"), std::string::npos) << plain.out;
    const std::unique_ptr<PIX_IBitmap> off = LoadSnapshot(folder / "plain.png");

    const std::string in = Input(TestSignal(1, 48000, 48000));
    const ProgramRun amp = Brindlex({"snapshot", folder / "amp.png", "--amp", "on", "--input", in});
    ASSERT_EQ(amp.status, 0) << amp.err;
    const std::unique_ptr<PIX_IBitmap> on = LoadSnapshot(folder / "amp.png");
    ASSERT_TRUE(off && on);
    // The amp's lamp (at 60, 150) and switch (130, 147) and its meter (515, 35) moved; the EQ's
    // lamp (110, 364) did not.
    EXPECT_TRUE(Differ(off.get(), on.get(), 60, 150, 50, 50));
    EXPECT_TRUE(Differ(off.get(), on.get(), 130, 147, 44, 56));
    EXPECT_TRUE(Differ(off.get(), on.get(), 515, 35, 166, 126));
    EXPECT_FALSE(Differ(off.get(), on.get(), 110, 364, 50, 50));
}

TEST_F(EndToEnd, FailedSnapshotsLeaveNoPicture) {
    const std::string missing = folder / "missing.wav";
    EXPECT_TRUE(FailsWith(Brindlex({"snapshot", folder / "x.png", "--input", missing}), 1,
                          missing + ": no such file"));
    EXPECT_TRUE(FailsWith(Brindlex({"snapshot", folder / "nowhere/x.png"}), 1,
                          folder / "nowhere/x.png: folder "));
    ASSERT_EQ(mkdir((folder / "shots.png").c_str(), 0755), 0);
    EXPECT_TRUE(FailsWith(Brindlex({"snapshot", folder / "shots.png"}), 1,
                          folder / "shots.png: is a folder"));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"shots.png"});
}

TEST_F(EndToEnd, BadInputsNameTheFile) {
    const std::string out = folder / "out.wav";
    const std::string missing = folder / "missing.wav";
    EXPECT_TRUE(RenderFails({missing, out}, 1, missing + ": no such file"));
    WriteTextFile(folder / "text.wav", "RIFF but not really");
    EXPECT_TRUE(RenderFails({folder / "text.wav", out}, 1,
                            folder / "text.wav" + ": not an audio file libsndfile can read"));
    EXPECT_TRUE(RenderFails({folder.Path(), out}, 1, folder.Path() + ": is a folder"));
    const std::string surround = Input(TestSignal(3, 44100, 100), "surround.wav");
    EXPECT_TRUE(RenderFails({surround, out}, 1,
                            surround + ": 3 channels; brindlex renders mono and stereo files"));
}

TEST_F(EndToEnd, BadSettingsNameTheArgument) {
    const std::string in = Input(TestSignal(2, 44100, 100));
    const std::string out = folder / "out.wav";
    EXPECT_TRUE(RenderFails({in, out, "--set", "Volume=3"}, 2,
                            "--set Volume=3: no parameter named 'Volume'"));
    EXPECT_TRUE(RenderFails({in, out, "--set", "EQ Freq=20000"}, 2,
                            "--set EQ Freq=20000: 20000 is outside the range 0 to 15000"));
    EXPECT_TRUE(RenderFails({in, out, "--set", "Amp Gain=loud"}, 2,
                            "--set Amp Gain=loud: 'loud' is not a number"));
    EXPECT_TRUE(RenderFails({in, out, "--set", "amp=half"}, 2,
                            "--set amp=half: expected on or off, not 'half'"));
    EXPECT_TRUE(RenderFails({in, out, "--eq", "2"}, 2, "--eq 2: expected on or off"));
    EXPECT_TRUE(RenderFails({in, out, "--component", folder / "None.component"}, 1,
                            "--component " + folder / "None.component" +
                                ": no component bundle folder there"));
}

TEST_F(EndToEnd, UnwritableOutputsNameTheFileAndKeepWhatWasThere) {
    const std::string in = Input(TestSignal(2, 44100, 100));
    const std::string nowhere = folder / "nowhere/out.wav";
    EXPECT_TRUE(RenderFails({in, nowhere}, 1, nowhere + ": folder "));
    EXPECT_TRUE(RenderFails({in, folder / "out.mp9"}, 1,
                            folder / "out.mp9" + ": unknown audio file type '.mp9'"));
    EXPECT_TRUE(RenderFails({in, folder.Path()}, 1, folder.Path() + ": "));

    // A failure after the output was named leaves an older file of that name alone.
    WriteTextFile(folder / "old.wav", "keep me");
    WriteTextFile(folder / "bad.aupreset", "not a plist");
    EXPECT_TRUE(RenderFails({in, folder / "old.wav", "--preset", folder / "bad.aupreset"}, 1,
                            "bad.aupreset: not a preset"));
    EXPECT_EQ(ReadTextFile(folder / "old.wav"), "keep me");

    const ProgramRun run = Brindlex({"preset", "save", nowhere + ".aupreset"});
    EXPECT_TRUE(FailsWith(run, 1, nowhere + ".aupreset: folder "));
}

TEST_F(EndToEnd, CorruptAndForeignPresetsAreRefused) {
    const std::string good = folder / "good.aupreset";
    ASSERT_EQ(Brindlex({"preset", "save", good, "--set", "Amp Gain=30"}).status, 0);
    const std::string text = ReadTextFile(good);
    const std::string in = Input(TestSignal(2, 44100, 100));
    const std::string out = folder / "out.wav";

    auto variant = [&](const std::string& name, const std::string& from, const std::string& to) {
        std::string changed = text;
        const size_t at = changed.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) changed.replace(at, from.size(), to);
        WriteTextFile(folder / name, changed);
        return folder / name;
    };
    const std::string foreign = variant("foreign.aupreset", "<integer>1215720818</integer>",
                                        "<integer>1634758764</integer>"); // 'Hvmr' to 'appl'
    const std::string noData = variant("nodata.aupreset", "<key>data</key>", "<key>dada</key>");
    const size_t dataStart = text.find("<data>"), dataEnd = text.find("</data>");
    ASSERT_NE(dataStart, std::string::npos);
    const std::string shortData =
        variant("short.aupreset", text.substr(dataStart, dataEnd - dataStart), "<data>AAAAAAAA");
    WriteTextFile(folder / "garbage.aupreset", "\x01\x02garbage");

    const struct {
        std::string path, message;
    } kCases[] = {
        {foreign, foreign + ": a preset for another effect ('aufx' 'Brnx' 'appl'"},
        {noData, noData + ": not an Audio Unit preset: no data 'data'"},
        {shortData, shortData + ": the effect refuses this preset"},
        {folder / "garbage.aupreset", "garbage.aupreset: not a preset: not a property list"},
        {folder / "none.aupreset", "none.aupreset: no such file"},
    };
    for (const auto& bad : kCases) {
        EXPECT_TRUE(RenderFails({in, out, "--preset", bad.path}, 1, bad.message)) << bad.path;
        EXPECT_TRUE(FailsWith(Brindlex({"preset", "show", bad.path}), 1, bad.message));
        EXPECT_TRUE(
            FailsWith(Brindlex({"preset", "save", folder / "copy.aupreset", "--preset", bad.path}),
                      1, bad.message));
        EXPECT_FALSE(FileExists(folder / "copy.aupreset"));
    }
}

// The lines of a run's stderr that begin with the prefix.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
}

// Reads every frame there is, whatever the header says, and the file's format.
AudioData ReadAllFrames(const std::string& path, int* format = nullptr) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    AudioData audio{info.channels, info.samplerate, {}};
    if (!file) return audio;
    if (format) *format = info.format;
    std::vector<float> chunk(4096 * static_cast<size_t>(info.channels));
    sf_count_t got;
    while ((got = sf_readf_float(file, chunk.data(), 4096)) > 0)
        audio.samples.insert(audio.samples.end(), chunk.begin(),
                             chunk.begin() + got * info.channels);
    sf_close(file);
    return audio;
}

TEST_F(EndToEnd, EmptyInputsGiveValidEmptyFilesOrARefusal) {
    const std::string in = Input(AudioData{2, 48000, {}});
    for (const std::string name : {"out.flac", "out.wav", "out.ogg"}) {
        ASSERT_EQ(Brindlex({"render", in, folder / name}).status, 0) << name;
        const AudioData out = ReadAllFrames(folder / name);
        EXPECT_EQ(out.channels, 2) << name;
        EXPECT_TRUE(out.samples.empty()) << name;
    }
    // No player opens an Opus stream without a packet.
    EXPECT_TRUE(RenderFails({in, folder / "out.opus"}, 1, "out.opus: no audio to write"));
}

TEST_F(EndToEnd, LinksFifosAndPermissionsSurviveARender) {
    const AudioData input = TestSignal(2, 44100, 3000);
    const std::string in = Input(input);
    const std::string reference = folder / "reference.wav";
    ASSERT_EQ(Brindlex({"render", in, reference, "--eq", "on"}).status, 0);

    // A link is written through to its file, which keeps its permissions.
    const std::string target = folder / "target.wav", link = folder / "link.wav";
    WriteTextFile(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(symlink("target.wav", link.c_str()), 0);
    ASSERT_EQ(Brindlex({"render", in, link, "--eq", "on"}).status, 0);
    struct stat status {};
    ASSERT_EQ(lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_EQ(stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    const std::vector<float> expected = ReadAudio(reference).samples;
    EXPECT_TRUE(SameSamples(ReadAudio(target).samples, expected));

    // A FIFO's reader gets the whole file, and the FIFO stays.
    const std::string fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadTextFile(fifo); });
    const ProgramRun run = Brindlex({"render", in, fifo, "--eq", "on"});
    reader.join();
    EXPECT_EQ(run.status, 0) << run.err;
    WriteTextFile(folder / "received.wav", received);
    EXPECT_TRUE(SameSamples(ReadAudio(folder / "received.wav").samples, expected));
    ASSERT_EQ(lstat(fifo.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST_F(EndToEnd, TheInputIsNeverOverwritten) {
    const std::string in = Input(TestSignal(2, 44100, 1000));
    const std::string before = ReadTextFile(in);
    EXPECT_TRUE(RenderFails({in, in}, 2, in + ": the same file as the input"));
    // Another name for the same file is the same file.
    ASSERT_EQ(link(in.c_str(), (folder / "other-name.wav").c_str()), 0);
    EXPECT_TRUE(FailsWith(Brindlex({"render", in, folder / "other-name.wav"}), 2,
                          "other-name.wav: the same file as the input"));
    EXPECT_EQ(ReadTextFile(in), before);
}

TEST_F(EndToEnd, ExtensionsAndBitsChooseTheOutputFormat) {
    const std::string in = Input(TestSignal(2, 48000, 9600));
    const struct {
        std::vector<std::string> arguments;
        int format;
    } kCases[] = {
        {{"a.opus"}, SF_FORMAT_OGG | SF_FORMAT_OPUS},
        {{"a.mp3"}, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
        {{"a.wav", "--bits", "16"}, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {{"a.aiff", "-b", "8"}, SF_FORMAT_AIFF | SF_FORMAT_PCM_S8},
        {{"a.flac", "--bits", "24"}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {{"a.caf", "--bits", "float"}, SF_FORMAT_CAF | SF_FORMAT_FLOAT},
    };
    for (const auto& test : kCases) {
        std::vector<std::string> line = {"render", in, folder / test.arguments[0]};
        line.insert(line.end(), test.arguments.begin() + 1, test.arguments.end());
        const ProgramRun run = Brindlex(line);
        ASSERT_EQ(run.status, 0) << test.arguments[0] << ": " << run.err;
        int format = 0;
        EXPECT_EQ(ReadAllFrames(folder / test.arguments[0], &format).Frames(), 9600)
            << test.arguments[0];
        EXPECT_EQ(format, test.format) << test.arguments[0];
    }
    EXPECT_TRUE(RenderFails({in, folder / "b.wav", "--bits", "12"}, 2,
                            "--bits 12: expected 8, 16, 24, 32 or float"));
    EXPECT_TRUE(RenderFails({in, folder / "b.flac", "--bits", "float"}, 1,
                            "b.flac: a .flac file cannot hold float samples"));
    EXPECT_TRUE(RenderFails({in, folder / "b.wav", "--gain", "loud"}, 2,
                            "--gain loud: expected a gain in dB"));
}

TEST_F(EndToEnd, PipesCarryWavUnlessTheTypeIsGiven) {
    const AudioData input = TestSignal(1, 44100, 4000);
    const std::string in = Input(input);
    ProgramRun run = Brindlex({"render", "-", "-", "--eq", "on", "--set", "EQ Level=-6"}, in);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    WriteTextFile(folder / "piped.wav", run.out);
    int format = 0;
    const AudioData piped = ReadAllFrames(folder / "piped.wav", &format);
    EXPECT_EQ(format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
    EXPECT_TRUE(SameSamples(piped.samples, ProcessHere(input, {{5, 1}, {3, -6}}, 512)));

    run = Brindlex({"render", "-", "-", "--type", "flac"}, in);
    ASSERT_EQ(run.status, 0) << run.err;
    WriteTextFile(folder / "piped.flac", run.out);
    ReadAllFrames(folder / "piped.flac", &format);
    EXPECT_EQ(format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
}

TEST_F(EndToEnd, DamagedInputsRenderWhatIsThereAndSaySo) {
    AudioData input = TestSignal(2, 44100, 44100);
    input.samples[2 * 22050 + 1] = NAN;
    input.samples[2 * 30000] = INFINITY;
    const std::string in = Input(input);
    ProgramRun run = Brindlex({"render", in, folder / "out.wav"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(LinesStartingWith(run.err, "brindlex: warning: "),
              std::vector<std::string>{"brindlex: warning: " + in +
                                       ": 2 samples are not numbers (NaN or infinite), the first "
                                       "at 0.500 s (frame 22050); they went into the effect as "
                                       "they are"});

    // A file cut off in the middle of its data.
    const std::string whole = ReadTextFile(in);
    WriteTextFile(folder / "cut.wav", whole.substr(0, whole.size() / 4));
    run = Brindlex({"render", folder / "cut.wav", folder / "cut-out.wav"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> warnings = LinesStartingWith(run.err, "brindlex: warning: ");
    ASSERT_EQ(warnings.size(), 1u) << run.err;
    EXPECT_NE(warnings[0].find("cut.wav: the file is cut short: read 0.25 s of the 1.00 s its "
                               "header announces"),
              std::string::npos)
        << warnings[0];
    EXPECT_EQ(ReadAllFrames(folder / "cut-out.wav").Frames(),
              ReadAllFrames(folder / "cut.wav").Frames());
}

TEST_F(EndToEnd, ClippingIsReportedAndGainAvoidsIt) {
    const AudioData input = TestSignal(2, 44100, 20000);
    const std::string in = Input(input);
    const std::vector<std::string> boost = {"--eq",        "on",    "--set",
                                            "EQ Level=12", "--set", "EQ Freq=330"};
    std::vector<std::string> line = {"render", in, folder / "loud.flac"};
    line.insert(line.end(), boost.begin(), boost.end());
    ProgramRun run = Brindlex(line);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> warnings = LinesStartingWith(run.err, "brindlex: warning: ");
    ASSERT_EQ(warnings.size(), 1u) << run.err;
    EXPECT_NE(warnings[0].find("loud.flac: "), std::string::npos);
    EXPECT_NE(warnings[0].find(" samples clipped at full scale (peak "), std::string::npos);

    // The gain comes after the effect: the float output scaled by it, and no more clipping.
    line = {"render", in, folder / "plain.wav"};
    line.insert(line.end(), boost.begin(), boost.end());
    ASSERT_EQ(Brindlex(line).status, 0);
    line.insert(line.end(), {"--gain", "-12"});
    line[2] = folder / "quiet.wav";
    ASSERT_EQ(Brindlex(line).status, 0);
    const AudioData plain = ReadAudio(folder / "plain.wav"),
                    quiet = ReadAudio(folder / "quiet.wav");
    ASSERT_EQ(plain.samples.size(), quiet.samples.size());
    const float factor = static_cast<float>(std::pow(10.0, -12.0 / 20));
    for (size_t i = 0; i < plain.samples.size(); ++i)
        ASSERT_EQ(quiet.samples[i], plain.samples[i] * factor) << i;
    line[2] = folder / "quiet.flac";
    run = Brindlex(line);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(LinesStartingWith(run.err, "brindlex: warning: ").empty()) << run.err;
}

TEST_F(EndToEnd, BatchRendersMatchSingleRendersAndGoOnPastFailures) {
    // Noise on: each file must start the generator where a render of its own would. The gain
    // keeps the FLAC from clipping.
    const std::vector<std::string> settings = {
        "--amp", "on", "--set", "Amp Noise Reduction=60", "--set", "Amp Gain=4", "--gain", "-6"};
    std::vector<std::string> line = {"render", "-o", folder / "out", "--jobs", "2"};
    line.insert(line.end(), settings.begin(), settings.end());
    for (const std::string name : {"a.wav", "b.flac", "c.aiff"}) {
        const int format = name == "a.wav"    ? SF_FORMAT_WAV | SF_FORMAT_FLOAT
                           : name == "b.flac" ? SF_FORMAT_FLAC | SF_FORMAT_PCM_24
                                              : SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
        line.push_back(Input(TestSignal(2, 44100, 30000), name, format));
    }
    WriteTextFile(folder / "broken.wav", "not audio");
    line.insert(line.begin() + 5, folder / "broken.wav");

    const ProgramRun run = Brindlex(line);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "brindlex: " + folder / "broken.wav" +
                           ": not an audio file libsndfile can read (Format not recognised.)\n");
    EXPECT_NE(run.out.find("Rendered 3 of 4 files into " + folder / "out" + "; 1 failed"),
              std::string::npos)
        << run.out;
    for (const std::string name : {"a.wav", "b.flac", "c.aiff"}) {
        std::vector<std::string> single = {"render", folder / name, folder / ("single-" + name)};
        single.insert(single.end(), settings.begin(), settings.end());
        ASSERT_EQ(Brindlex(single).status, 0);
        EXPECT_TRUE(SameSamples(ReadAudio(folder / ("out/" + name)).samples,
                                ReadAudio(folder / ("single-" + name)).samples))
            << name;
    }
}

TEST_F(EndToEnd, BatchMistakesWriteNothing) {
    const std::string a = Input(TestSignal(1, 44100, 100), "a.wav");
    ASSERT_EQ(mkdir((folder / "sub").c_str(), 0755), 0);
    const std::string otherA = Input(TestSignal(1, 44100, 100), "sub/a.wav");
    WriteTextFile(folder / "file", "");
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } kCases[] = {
        {{"-o", folder / "file", a}, "-o " + folder / "file" + ": exists and is not a folder"},
        {{"-o", folder / "file/out", a}, "-o " + folder / "file/out" + ": cannot be made"},
        {{"-o", folder / "out", a, otherA},
         otherA + ": would be written to " + folder / "out/a.wav"},
        {{"-o", folder / "out", "--jobs", "0", a}, "--jobs 0: expected a whole number of jobs"},
        {{"-o", folder / "out", "--jobs", "two", a}, "--jobs two: expected a whole number"},
        {{"-o", folder.Path(), a}, a + ": the same file as the input"},
        {{"-o", "-", a}, "-o -: standard output cannot hold several files"},
    };
    for (const auto& test : kCases)
        EXPECT_TRUE(RenderFails(test.arguments, 2, test.message)) << test.message;
}

TEST_F(EndToEnd, LibraryPresetsApplyByName) {
    ProgramRun run = Brindlex({"presets"});
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(HasRow(run.out, {"telephone", brindlex::kFactoryPresets[0].description}))
        << run.out;

    const std::string in = Input(TestSignal(2, 44100, 20000));
    ASSERT_EQ(Brindlex({"render", in, folder / "named.wav", "--preset", "telephone"}).status, 0);
    std::vector<std::pair<int, float>> values;
    for (int i = 0; i < brindlex::ParameterIndex::kNumParams; ++i)
        values.emplace_back(i, static_cast<float>(brindlex::kFactoryPresets[0].values[i]));
    EXPECT_TRUE(SameSamples(ReadAudio(folder / "named.wav").samples,
                            ProcessHere(ReadAudio(in), values, 512)));

    EXPECT_TRUE(FailsWith(Brindlex({"render", in, folder / "x.wav", "--preset", "telefone"}), 2,
                          "--preset telefone: no preset of that name (telephone, am-radio, "));
}

TEST_F(EndToEnd, PresetFilesKeepTheirNames) {
    const std::string first = folder / "first.aupreset", second = folder / "second.aupreset";
    ASSERT_EQ(Brindlex({"preset", "save", first, "--name", "Night Shift", "--amp", "on"}).status,
              0);
    ASSERT_EQ(Brindlex({"preset", "save", second, "--preset", first, "--set", "Amp Gain=9"}).status,
              0);
    // Some editors begin UTF-8 text with a byte-order mark.
    WriteTextFile(second, "\xEF\xBB\xBF" + ReadTextFile(second));
    const ProgramRun run = Brindlex({"preset", "show", second});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(second + ": preset \"Night Shift\""), std::string::npos) << run.out;
    // The real unit beside what the host shows.
    EXPECT_TRUE(HasRow(run.out, {"6", "Amp Gain", "9", "9.00 %", "9"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"2", "EQ Freq", "5000", "5000.00 %", "5000 Hz"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"3", "EQ Level", "0", "0.00 %", "0 dB"})) << run.out;
    EXPECT_TRUE(HasRow(run.out, {"9", "(Amp On) --amp", "on", "1", "on"})) << run.out;
}

TEST_F(EndToEnd, SettingsForAStageThatIsOffGetANote) {
    const std::string in = Input(TestSignal(2, 44100, 1000));
    const ProgramRun run = Brindlex({"render", in, folder / "out.wav", "--set", "Amp Gain=20",
                                     "--eq", "on", "--set", "EQ Level=3"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err,
              "brindlex: note: the amp stage is off, so Amp Gain changes nothing; add --amp on\n");
}

TEST_F(EndToEnd, HelpVersionAndSnapshotNames) {
    EXPECT_EQ(Brindlex({"--version"}).out, std::string("brindlex ") + BRINDLEX_VERSION + "\n");
    for (const std::vector<std::string>& line : {std::vector<std::string>{"help", "preset"},
                                                 {"preset", "--help"},
                                                 {"presets", "--help"},
                                                 {"help", "render"},
                                                 {"preset", "show", "--help"}}) {
        const ProgramRun run = Brindlex(line);
        EXPECT_EQ(run.status, 0) << line[0];
        EXPECT_EQ(run.out.rfind("Usage: brindlex " + (line[0] == "help" ? line[1] : line[0]), 0),
                  0u)
            << run.out;
    }
    EXPECT_TRUE(FailsWith(Brindlex({"help", "rendr"}), 2, "rendr: no help on that"));
    EXPECT_TRUE(FailsWith(Brindlex({"snapshot", folder / "editor.jpg"}), 2,
                          "editor.jpg: a snapshot is a PNG image"));
    const ProgramRun png = Brindlex({"snapshot", "-"});
    ASSERT_EQ(png.status, 0) << png.err;
    WriteTextFile(folder / "piped.png", png.out);
    LoadSnapshot(folder / "piped.png");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"piped.png"});
}

} // namespace
