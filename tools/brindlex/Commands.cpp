#include "Commands.h"

#include "AudioFile.h"
#include "Batch.h"
#include "CommandError.h"
#include "EditorWindow.h"
#include "FactoryPresets.h"
#include "Help.h"
#include "ParameterTable.h"
#include "Parameters.h"
#include "Presets.h"
#include "Progress.h"
#include "RealTimePlayer.h"
#include "Version.h"
#include "X11WindowSystem.h"
#include "config.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <strings.h>

namespace fs = std::filesystem;

namespace {

constexpr double kDemoSampleRate = 44100.0;
constexpr const char* kDemoFolder = "brindlex-demo";
// How long the editor's timer runs after the audio before its picture is taken: a few ticks.
constexpr double kEditorSettleSeconds = 0.2;
// Frames read from a file at a time: a whole number of slices, so that every slice but the
// last is full.
constexpr int kChunkFrames = 16384;

int64_t ChunkFrames(int slice) {
    return static_cast<int64_t>(slice) * std::max(1, kChunkFrames / slice);
}

// Renders a planar stretch of at most a chunk, slice by slice.
void RenderPlanar(EffectUnit& unit, const float* inL, const float* inR, float* outL, float* outR,
                  int64_t frames) {
    const int slice = unit.MaxFrames();
    for (int64_t offset = 0; offset < frames; offset += slice) {
        const int n = static_cast<int>(std::min<int64_t>(slice, frames - offset));
        const float* const input[2] = {inL + offset, inR + offset};
        float* const output[2] = {outL + offset, outR + offset};
        unit.Render(input, output, n);
    }
}

// What a render found in its input besides audio.
struct RenderOutcome {
    int64_t frames = 0;
    int64_t nonFinite = 0;       // NaN and infinite samples
    int64_t firstNonFinite = -1; // the frame of the first
};

// Renders the reader's audio through the unit. Without a writer the output is not kept; with
// one it is scaled by gain first.
RenderOutcome RenderFile(EffectUnit& unit, AudioFileReader& reader, AudioFileWriter* writer,
                         float gain, ProgressBar& progress) {
    const int channels = reader.Channels();
    const int64_t chunk = ChunkFrames(unit.MaxFrames());
    const auto samples = static_cast<size_t>(chunk);
    std::vector<float> interleaved(samples * static_cast<size_t>(channels));
    std::vector<float> inL(samples), inR(samples), outL(samples), outR(samples);
    RenderOutcome outcome;
    for (;;) {
        const int64_t frames = reader.Read(interleaved.data(), chunk);
        if (frames == 0) break;
        const auto n = static_cast<size_t>(frames);
        for (size_t i = 0; i < n * static_cast<size_t>(channels); ++i) {
            if (std::isfinite(interleaved[i])) continue;
            if (outcome.nonFinite++ == 0)
                outcome.firstNonFinite = outcome.frames + static_cast<int64_t>(i) / channels;
        }
        // A mono file feeds both inputs; its output is the left channel.
        if (channels == 1) {
            std::copy_n(interleaved.data(), n, inL.data());
        } else {
            for (size_t i = 0; i < n; ++i) {
                inL[i] = interleaved[2 * i];
                inR[i] = interleaved[2 * i + 1];
            }
        }
        const float* right = channels == 1 ? inL.data() : inR.data();
        RenderPlanar(unit, inL.data(), right, outL.data(), outR.data(), frames);
        if (writer) {
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    interleaved[i * channels + c] = (c == 0 ? outL[i] : outR[i]) * gain;
            writer->Write(interleaved.data(), frames);
        }
        outcome.frames += frames;
        progress.Update(outcome.frames);
    }
    progress.Finish();
    return outcome;
}

void Warn(const std::string& text) {
    if (!text.empty()) std::fprintf(stderr, "brindlex: warning: %s\n", text.c_str());
}

// What the input held that the listener should know of: less than it announced, and samples
// that are not numbers.
void WarnAboutInput(const AudioFileReader& reader, const RenderOutcome& outcome) {
    Warn(reader.ShortfallWarning());
    if (outcome.nonFinite > 0) {
        char where[96];
        std::snprintf(where, sizeof where, "the first at %.3f s (frame %lld)",
                      static_cast<double>(outcome.firstNonFinite) / reader.SampleRate(),
                      static_cast<long long>(outcome.firstNonFinite));
        Warn(reader.Path() + ": " + std::to_string(outcome.nonFinite) +
             " samples are not numbers (NaN or infinite), " + where +
             "; they went into the effect as they are");
    }
}

void WriteStereoFile(const std::string& path, const StereoSignal& signal) {
    std::vector<float> interleaved(2 * signal.left.size());
    for (size_t i = 0; i < signal.left.size(); ++i) {
        interleaved[2 * i] = signal.left[i];
        interleaved[2 * i + 1] = signal.right[i];
    }
    const int rate = static_cast<int>(signal.sampleRate);
    AudioFileWriter writer(path, ChooseOutputFormat(path, {}, 2, rate, signal.Frames()), 2, rate);
    writer.Write(interleaved.data(), signal.Frames());
    writer.Commit();
}

std::string SecondsText(int64_t frames, double sampleRate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(frames) / sampleRate);
    return text;
}

void CheckChannels(const AudioFileReader& reader) {
    if (reader.Channels() < 1 || reader.Channels() > 2)
        throw CommandError(reader.Path(), std::to_string(reader.Channels()) +
                                              " channels; brindlex renders mono and stereo files");
}

} // namespace

void CheckDistinctFiles(const std::string& inPath, const std::string& outPath) {
    if (IsSameFile(inPath, outPath))
        throw CommandError(outPath == "-" ? "standard output" : outPath,
                           "the same file as the input " + inPath +
                               "; rendering into it would destroy it",
                           CommandError::kUsage);
}

void RenderOneFile(const Invocation& invocation, const std::string& inPath,
                   const std::string& outPath) {
    CheckDistinctFiles(inPath, outPath);
    AudioFileReader reader(inPath);
    CheckChannels(reader);
    // Refuse an output type before any work is done.
    const OutputFormat format =
        ChooseOutputFormat(outPath, {invocation.outputType, invocation.outputBits},
                           reader.Channels(), reader.SampleRate(), reader.Frames());

    EffectUnit unit(LocateComponentBundle(invocation.componentPath));
    ApplyEffectSettings(unit, invocation.presetPath, invocation.settings);
    unit.Prepare(reader.SampleRate(), invocation.blockSize, reader.Path());

    AudioFileWriter writer(outPath, format, reader.Channels(), reader.SampleRate());
    ProgressBar progress("Rendering", reader.Frames());
    const float gain = static_cast<float>(std::pow(10.0, invocation.gainDecibels / 20));
    const RenderOutcome outcome = RenderFile(unit, reader, &writer, gain, progress);
    writer.Commit();
    WarnAboutInput(reader, outcome);
    Warn(writer.ClippingWarning());
    // Standard output carries the audio itself.
    if (outPath != "-")
        std::printf("Rendered %s (%s, %d Hz, %s) to %s\n", reader.Path().c_str(),
                    reader.Channels() == 1 ? "mono" : "stereo", reader.SampleRate(),
                    SecondsText(outcome.frames, reader.SampleRate()).c_str(), outPath.c_str());
}

namespace {

int RunRender(const Invocation& invocation) {
    if (!invocation.outputFolder.empty()) return RenderBatch(invocation);
    RenderOneFile(invocation, invocation.operands[0], invocation.operands[1]);
    return 0;
}

int RunDemo(const Invocation& invocation) {
    const fs::path folder =
        invocation.operands.empty() ? fs::path(kDemoFolder) : fs::path(invocation.operands[0]);
    std::error_code error;
    if (fs::exists(folder, error) && !fs::is_directory(folder, error))
        throw CommandError(folder.string(), "exists and is not a folder");

    const StereoSignal programme = SynthesizeProgramme(kDemoSampleRate);
    EffectUnit unit(LocateComponentBundle(invocation.componentPath));
    ApplyEffectSettings(unit, std::string(), RadioSettings());
    unit.Prepare(kDemoSampleRate, invocation.blockSize, "the demo programme");
    const StereoSignal rendered = RenderSignal(unit, programme);
    // The editor as the user would see it after the programme, opened as a host opens it.
    EditorWindow editor(unit);
    editor.Run(kEditorSettleSeconds);

    // Nothing is made on disk until the rendering has succeeded. The unit stays open to the
    // end: it holds the state the programme left behind.
    fs::create_directories(folder, error);
    if (error) throw CommandError(folder.string(), "cannot create the folder: " + error.message());
    WriteStereoFile((folder / "demo-in.wav").string(), programme);
    WriteStereoFile((folder / "demo-out.wav").string(), rendered);
    editor.WritePng((folder / "editor.png").string());

    const fs::path shown = fs::absolute(folder, error).lexically_normal();
    std::printf("Demo written to %s\n"
                "  demo-in.wav   the programme: synthesised speech, then plucked and struck "
                "notes (%s)\n"
                "  demo-out.wav  the same through the radio setting: amp driven with noise, EQ, "
                "limiter\n"
                "  editor.png    the effect's editor at the end of it\n",
                (error ? folder : shown).string().c_str(),
                SecondsText(programme.Frames(), kDemoSampleRate).c_str());
    return 0;
}

int RunSnapshot(const Invocation& invocation) {
    const std::string& outPath = invocation.operands[0];
    // The picture is a PNG file whatever its name says; a name saying otherwise is a slip.
    if (outPath != "-" && strcasecmp(fs::path(outPath).extension().c_str(), ".png") != 0)
        throw CommandError(outPath, "a snapshot is a PNG image: name it OUT.png (or '-')",
                           CommandError::kUsage);
    EffectUnit unit(LocateComponentBundle(invocation.componentPath));
    ApplyEffectSettings(unit, invocation.presetPath, invocation.settings);
    std::string shownAfter;
    if (invocation.inputPath.empty()) {
        const StereoSignal programme = SynthesizeProgramme(kDemoSampleRate);
        unit.Prepare(kDemoSampleRate, invocation.blockSize, "the demo programme");
        EditorWindow editor(unit);
        RenderSignal(unit, programme);
        editor.Run(kEditorSettleSeconds);
        editor.WritePng(outPath);
        shownAfter = "the demo programme";
    } else {
        AudioFileReader reader(invocation.inputPath);
        CheckChannels(reader);
        unit.Prepare(reader.SampleRate(), invocation.blockSize, invocation.inputPath);
        EditorWindow editor(unit);
        ProgressBar progress("Rendering", reader.Frames());
        WarnAboutInput(reader, RenderFile(unit, reader, nullptr, 1, progress));
        editor.Run(kEditorSettleSeconds);
        editor.WritePng(outPath);
        shownAfter = invocation.inputPath;
    }
    if (outPath != "-")
        std::printf("Wrote the editor as it stands after %s to %s\n", shownAfter.c_str(),
                    outPath.c_str());
    return 0;
}

std::string ShownValue(const EffectUnit& unit, const HostParameter& parameter, float value) {
    std::string text = unit.ValueText(parameter.info.id, value);
    if (!parameter.info.unitLabel.empty()) text += " " + parameter.info.unitLabel;
    return text;
}

std::string RangeText(const HostParameter& parameter) {
    const ParameterInfo& info = parameter.info;
    if (parameter.isSwitch) return "off, on";
    if (!info.valueStrings.empty()) {
        std::string text;
        for (const std::string& value : info.valueStrings)
            text += (text.empty() ? "" : ", ") + value;
        return text;
    }
    return FormatNumber(info.minValue) + " to " + FormatNumber(info.maxValue);
}

std::string NameText(const HostParameter& parameter) {
    if (parameter.alias.empty()) return parameter.DisplayName();
    return parameter.DisplayName() + " --" + parameter.alias;
}

std::string SettingText(const HostParameter& parameter, float value) {
    if (parameter.isSwitch) return value >= 0.5f ? "on" : "off";
    return FormatNumber(value);
}

// The value in its real unit ("5000 Hz", "-6 dB", "on"): what the host shows carries the
// effect's one label for all of them.
std::string UnitValueText(const HostParameter& parameter, float value) {
    const std::string setting = SettingText(parameter, value);
    if (parameter.isSwitch || parameter.info.id >= std::size(brindlex::kParameters)) return setting;
    const char* symbol = brindlex::UnitSymbol(brindlex::kParameters[parameter.info.id].unit);
    return *symbol ? setting + " " + symbol : setting;
}

// Index, name, value, the effect's text for it and its real unit, of every parameter as the
// unit holds it.
void PrintParameterValues(const EffectUnit& unit) {
    const std::vector<HostParameter> parameters = DescribeParameters(unit.Parameters());
    std::printf("%5s  %-44s  %-8s  %-12s  %s\n", "Index", "Name", "Value", "Shown as", "In units");
    for (const HostParameter& parameter : parameters) {
        const float value = unit.GetParameter(parameter.info.id);
        std::printf("%5u  %-44s  %-8s  %-12s  %s\n", static_cast<unsigned>(parameter.info.id),
                    NameText(parameter).c_str(), SettingText(parameter, value).c_str(),
                    ShownValue(unit, parameter, value).c_str(),
                    UnitValueText(parameter, value).c_str());
    }
}

int RunParams(const Invocation& invocation) {
    const EffectUnit unit(LocateComponentBundle(invocation.componentPath));
    const std::vector<HostParameter> parameters = DescribeParameters(unit.Parameters());
    std::printf("Parameters of %s\n\n", unit.BundlePath().c_str());
    std::printf("%5s  %-44s  %-12s  %-8s  %-12s  %s\n", "Index", "Name", "Range", "Default",
                "Shown as", "In units");
    for (const HostParameter& parameter : parameters) {
        const float value = parameter.info.defaultValue;
        std::printf("%5u  %-44s  %-12s  %-8s  %-12s  %s\n",
                    static_cast<unsigned>(parameter.info.id), NameText(parameter).c_str(),
                    RangeText(parameter).c_str(), SettingText(parameter, value).c_str(),
                    ShownValue(unit, parameter, value).c_str(),
                    UnitValueText(parameter, value).c_str());
    }
    std::printf("\nSet them with --set NAME=VALUE (the name in any case, or the index; values in "
                "the units shown;\nswitches on or off). The unnamed switches have flags of "
                "their own.\n");
    return 0;
}

// The unit's state as a preset under the name; the unit's own name when it is "".
CFRef<CFPropertyListRef> NamedState(const EffectUnit& unit, const std::string& name) {
    CFRef<CFPropertyListRef> state = unit.CopyClassInfo();
    return name.empty() ? std::move(state) : RenamedPreset(state.Get(), name);
}

int RunPresetSave(const Invocation& invocation) {
    const std::string& path = invocation.operands[0];
    EffectUnit unit(LocateComponentBundle(invocation.componentPath));
    const std::string loadedName =
        ApplyEffectSettings(unit, invocation.presetPath, invocation.settings);
    // The name given, or the one of the preset it started from.
    WritePresetFile(
        path,
        NamedState(unit, invocation.presetName.empty() ? loadedName : invocation.presetName).Get());
    if (path != "-") std::printf("Saved the effect's settings to %s\n", path.c_str());
    return 0;
}

int RunPresets() {
    std::printf("The presets --preset NAME applies:\n\n");
    for (const brindlex::FactoryPreset& preset : brindlex::kFactoryPresets)
        std::printf("  %-16s %s\n", preset.name, preset.description);
    return 0;
}

int RunPresetShow(const Invocation& invocation) {
    const std::string& path = invocation.operands[0];
    EffectUnit unit(LocateComponentBundle(invocation.componentPath));
    const std::string name = RestorePresetFile(unit, path);
    std::printf("%s: preset \"%s\"\n\n", path.c_str(), name.c_str());
    PrintParameterValues(unit);
    return 0;
}

// Signals that end an editing session rather than the program, noted for its loop.
volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void NoteInterrupt(int) {
    gInterrupted = 1;
}

// For as long as it lives, SIGINT, SIGTERM and SIGHUP end the session. The handlers do not
// restart calls, so that the run loop's wait for input ends at once.
class InterruptCatcher {
public:
    InterruptCatcher() {
        gInterrupted = 0;
        struct sigaction action {};
        action.sa_handler = NoteInterrupt;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &action, &mPrevious[i]);
    }
    ~InterruptCatcher() {
        for (size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &mPrevious[i], nullptr);
    }
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction mPrevious[std::size(kSignals)];
};

// The whole file as a stereo signal; a mono file on both channels.
StereoSignal ReadStereoSignal(const std::string& path) {
    AudioFileReader reader(path);
    CheckChannels(reader);
    if (reader.Frames() <= 0) throw CommandError(path, "holds no audio to play");
    const int channels = reader.Channels();
    StereoSignal signal;
    signal.sampleRate = reader.SampleRate();
    std::vector<float> interleaved(static_cast<size_t>(kChunkFrames) * size_t(channels));
    while (const int64_t frames = reader.Read(interleaved.data(), kChunkFrames)) {
        for (int64_t i = 0; i < frames; ++i) {
            const auto at = static_cast<size_t>(i * channels);
            signal.left.push_back(interleaved[at]);
            signal.right.push_back(interleaved[at + size_t(channels - 1)]);
        }
    }
    return signal;
}

// Installs a window system on the X display for as long as it lives, and notes when the user
// asks to close a window.
class DisplaySession {
public:
    DisplaySession() {
        std::string error;
        std::unique_ptr<X11WindowSystem> display = X11WindowSystem::Open(nullptr, &error);
        if (!display) throw CommandError("edit", error);
        display->SetCloseRequestHandler([this](NSWindow*) { mCloseRequested = true; });
        mPrevious = SetWindowSystem(std::move(display));
    }
    ~DisplaySession() { SetWindowSystem(std::move(mPrevious)); }
    DisplaySession(const DisplaySession&) = delete;
    DisplaySession& operator=(const DisplaySession&) = delete;

    bool CloseRequested() const { return mCloseRequested; }

private:
    std::unique_ptr<WindowSystem> mPrevious;
    bool mCloseRequested = false;
};

int RunEdit(const Invocation& invocation) {
    // A preset that could not be saved at the end would be work lost: its place is checked
    // before the work starts.
    if (!invocation.savePath.empty()) PendingFile check(invocation.savePath);
    EffectUnit unit(LocateComponentBundle(invocation.componentPath));
    const std::string presetName =
        ApplyEffectSettings(unit, invocation.presetPath, invocation.settings);
    const StereoSignal signal = invocation.inputPath.empty()
                                    ? SynthesizeProgramme(kDemoSampleRate)
                                    : ReadStereoSignal(invocation.inputPath);
    unit.Prepare(signal.sampleRate, invocation.blockSize,
                 invocation.inputPath.empty() ? "the demo programme" : invocation.inputPath);

    {
        DisplaySession display;
        const InterruptCatcher interrupts;
        EditorWindow editor(unit);
        RealTimePlayer player(unit, signal);
        std::printf("Editing in a window; close it (or press Ctrl-C) to end.\n");
        std::fflush(stdout);
        editor.RunUntil([&] { return display.CloseRequested() || gInterrupted; });
        player.Stop();
    }

    std::printf("\nThe parameters as the editor left them:\n\n");
    PrintParameterValues(unit);
    if (!invocation.savePath.empty()) {
        WritePresetFile(invocation.savePath, NamedState(unit, presetName).Get());
        std::printf("\nSaved them to %s\n", invocation.savePath.c_str());
    }
    return 0;
}

} // namespace

std::string ApplyEffectSettings(EffectUnit& unit, const std::string& preset,
                                const std::vector<ParameterSetting>& settings) {
    const std::vector<HostParameter> parameters = DescribeParameters(unit.Parameters());
    std::vector<ParameterValue> values;
    for (const ParameterSetting& setting : settings)
        values.push_back(ResolveSetting(parameters, setting));
    const std::string presetName = preset.empty() ? std::string() : ApplyPreset(unit, preset);
    for (const ParameterValue& value : values)
        unit.SetParameter(value.id, value.value);
    for (const ParameterValue& value : values) {
        if (value.id >= std::size(brindlex::kParameters)) continue;
        const brindlex::ParameterInfo& entry = brindlex::kParameters[value.id];
        if (entry.stageSwitch < 0 ||
            unit.GetParameter(static_cast<AudioUnitParameterID>(entry.stageSwitch)) >= 0.5f)
            continue;
        const brindlex::ParameterInfo& stage = brindlex::kParameters[entry.stageSwitch];
        std::fprintf(stderr, "%sthe %s stage is off, so %s changes nothing; add --%s on\n",
                     kNotePrefix, stage.stage, brindlex::DisplayName(entry), stage.flag);
    }
    return presetName;
}

std::vector<ParameterSetting> RadioSettings() {
    static constexpr struct {
        const char* name;
        const char* value;
    } kSettings[] = {
        {"amp", "on"},
        {"Amp Gain", "12"},
        {"Amp Tone", "3"},
        {"Amp Noise Reduction", "85"},
        {"eq", "on"},
        {"EQ Freq", "1500"},
        {"EQ Level", "3"},
        {"limiter", "on"},
        // A threshold the driven amp only just crosses: the limiter squeezes the peaks. Lower
        // ones hold its envelope near full attenuation and all but mute the programme.
        {"Limiter Attenuation", "100"},
    };
    std::vector<ParameterSetting> settings;
    for (const auto& setting : kSettings)
        settings.push_back(
            {std::string("the demo's ") + setting.name, setting.name, setting.value});
    return settings;
}

StereoSignal RenderSignal(EffectUnit& unit, const StereoSignal& input) {
    StereoSignal output;
    output.sampleRate = input.sampleRate;
    output.left.resize(input.left.size());
    output.right.resize(input.right.size());
    ProgressBar progress("Rendering", input.Frames());
    const int64_t chunk = ChunkFrames(unit.MaxFrames());
    for (int64_t offset = 0; offset < input.Frames(); offset += chunk) {
        const int64_t frames = std::min(chunk, input.Frames() - offset);
        const auto at = static_cast<size_t>(offset);
        RenderPlanar(unit, input.left.data() + at, input.right.data() + at, output.left.data() + at,
                     output.right.data() + at, frames);
        progress.Update(offset + frames);
    }
    progress.Finish();
    return output;
}

int ReportingFailures(const std::function<int()>& work) {
    try {
        return work();
    } catch (const CommandError& error) {
        std::fprintf(stderr, "brindlex: %s\n", error.what());
        return error.ExitStatus();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brindlex: %s\n", error.what());
        return 1;
    }
}

int RunCommand(const Invocation& invocation) {
    if (invocation.wantsVersion) {
        int major, minor, bugFix;
        GetVersionParts(brindlex::kEffectVersion, &major, &minor, &bugFix);
        std::printf("brindlex %d.%d.%d\n", major, minor, bugFix);
        return 0;
    }
    if (invocation.wantsHelp) {
        std::fputs(HelpText(invocation.command).c_str(), stdout);
        return 0;
    }
    switch (invocation.command) {
    case Command::kDemo:
        return RunDemo(invocation);
    case Command::kRender:
        return RunRender(invocation);
    case Command::kParams:
        return RunParams(invocation);
    case Command::kPresetSave:
        return RunPresetSave(invocation);
    case Command::kPresetShow:
        return RunPresetShow(invocation);
    case Command::kPresets:
        return RunPresets();
    case Command::kSnapshot:
        return RunSnapshot(invocation);
    case Command::kEdit:
        return RunEdit(invocation);
    case Command::kPreset:
    case Command::kNone:
        break;
    }
    std::fputs(HelpText(Command::kNone).c_str(), stdout);
    return 0;
}
