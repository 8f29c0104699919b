#include "Help.h"

namespace {

constexpr const char* kOverview = R"(brindlex: the Brindlex effect on the command line

Usage: brindlex COMMAND [ARGUMENTS] [OPTIONS]

Commands:
  demo [DIR]             render a built-in programme through a radio setting into DIR
  render IN OUT          process an audio file ('-': standard input or output)
  render -o DIR IN...    process several files into a folder, side by side
  params                 list the effect's parameters
  presets                list the presets --preset NAME applies
  preset save FILE       save settings as an .aupreset file
  preset show FILE       check an .aupreset file and show its settings
  snapshot OUT.png       picture the effect's editor after some audio
  edit                   play with the effect's editor in a window, audio looping
  help [COMMAND]         this text, or a command's

Options for every command:
  --component PATH       the Brindlex.component bundle to load; otherwise
                         $BRINDLEX_COMPONENT, Brindlex.component next to brindlex,
                         or ../lib/brindlex/Brindlex.component from it
  -h, --help             help (with a command: that command's help)
  --version              the version of brindlex

Exit status: 0 done, 1 failed (a message names the file or argument), 2 bad command
line. A failed command leaves no output file behind.
)";

constexpr const char* kSettings = R"(
Settings (applied in this order):
  --preset NAME|FILE     first, a preset 'brindlex presets' lists, or the
                         settings of an .aupreset file
  --set NAME=VALUE       then each setting in command-line order. NAME as 'brindlex
                         params' lists it (any case; '-' or '_' for blanks) or the
                         index; VALUE in the parameter's own units, on or off for
                         switches. Example: --set "EQ Freq=2000" --set eq-level=6
  --amp on|off           the amp stage (parameter 9)
  --eq on|off            the EQ stage (parameter 5)
  --eq-wide on|off       EQ shelves far from the peak (parameter 4)
  --limiter on|off       the limiter stage (parameter 1)
)";

constexpr const char* kDemo = R"(Usage: brindlex demo [DIR]

Synthesises about eight seconds of programme (speech-like phrases, then plucked
and struck notes), renders it through a radio setting (amp driven with some
noise, EQ and limiter on) and writes demo-in.wav and demo-out.wav into DIR
(default ./brindlex-demo, made if missing), with editor.png: the effect's editor
as it stands at the end.
)";

constexpr const char* kRender = R"(Usage: brindlex render IN OUT [OPTIONS]
       brindlex render -o DIR IN... [OPTIONS]

Processes the audio file IN into OUT through the effect.

IN: any file libsndfile reads (WAV, AIFF, FLAC, Ogg, ...), mono or stereo, at any
sample rate the effect takes; '-' reads standard input. A mono file goes through
the stereo effect with the signal on both inputs, and OUT gets the left output:
mono in, mono out.
OUT: the type follows the extension (.wav, .aiff, .flac, .ogg, .opus, .mp3,
.caf, ...) or --type, with the sample rate of IN and float samples where the type
has them. '-' writes standard output (WAV unless --type says otherwise). A WAV
file that would pass 4 GiB is written as RF64. A symbolic link is written
through to its file; a FIFO or device gets the file streamed into it.

What the sound depends on: the limiter recovers once per block, so --block
changes it (512 is the reference; smaller blocks attenuate less); input far above
its threshold holds it down for a second or more; the filters are designed for
44.1 kHz, so at other rates their band moves with the rate; the amp stage adds a
DC offset; "Amp Noise Reduction" 0 is all noise and no signal.

With -o DIR, every IN is rendered into DIR (made if missing) under its own name,
each exactly as rendering it alone would, several at a time. A file that fails
is reported on a line of its own and the others go on; the exit status is 1 if
any failed.

Options:
  --block N              at most N frames per slice (default 512)
  --gain DB              gain after the effect (to keep integer outputs from
                         clipping: a warning says how many samples clipped)
  -b, --bits B           the output's samples: 8, 16, 24, 32 or float
  --type TYPE            the output's type by extension (wav, flac, ...)
  -o DIR                 render each IN into DIR under its own name
  --jobs N               with -o, N files at a time (default: one per processor)
)";

constexpr const char* kSnapshot = R"(Usage: brindlex snapshot OUT.png [OPTIONS]

Opens the effect's editor as a host does (through the view factory the component
names), runs audio through the effect, lets the editor catch up with it and writes
what it shows to OUT.png: 700 x 700 pixels, the knobs and switches at their
settings, the lamps of the stages that are on, the meters at the end of the audio.

Options:
  --input IN             the audio to run (any file 'brindlex render' reads);
                         without it, the demo's built-in programme
  --block N              at most N frames per slice (default 512)
)";

constexpr const char* kEdit = R"(Usage: brindlex edit [OPTIONS]

Opens the effect's editor in a window on the X display ($DISPLAY), as a host
does (through the view factory the component names), and loops audio through the
effect in real time, with no audio device: the meters move as they would in a
host. Turn the knobs (drag up and down, or the mouse wheel; Shift or Control for
fine steps) and flip the switches. Close the window, or press
Ctrl-C, to end: the parameters are then printed as the editor left them.

Options:
  --input IN             the audio to loop (any file 'brindlex render' reads);
                         without it, the demo's built-in programme
  --save FILE            also save the parameters at the end as an .aupreset
                         file (for --preset, or 'brindlex preset show')
  --block N              at most N frames per slice (default 512)
)";

constexpr const char* kParams = R"(Usage: brindlex params

Lists the effect's parameters: index, name (a description for the unnamed
switches, with their flag), range, default, and how the effect shows the default.
)";

constexpr const char* kPresets = R"(Usage: brindlex presets

Lists the presets of the library by name, each with what it sounds like. Apply
one with --preset NAME (render, snapshot, edit, preset save).
)";

constexpr const char* kPreset = R"(Usage: brindlex preset save FILE [OPTIONS]
       brindlex preset show FILE

Preset files hold the effect's settings as an XML property list (the .aupreset
format). 'brindlex preset save --help' and 'brindlex preset show --help' tell
more; 'brindlex presets' lists the library's presets.
)";

constexpr const char* kPresetSave = R"(Usage: brindlex preset save FILE [OPTIONS]

Saves the effect's state, after the settings below, to FILE as an XML property
list (the .aupreset format). Without settings it holds the defaults.

Options:
  --name NAME            the preset's name (default: the name of the --preset
                         it starts from, if any)
)";

constexpr const char* kPresetShow = R"(Usage: brindlex preset show FILE

Checks that FILE is a preset of this effect, loads it into a fresh instance and
shows the parameter values it holds.
)";

} // namespace

std::string HelpText(Command command) {
    switch (command) {
    case Command::kDemo:
        return kDemo;
    case Command::kRender:
        return std::string(kRender) + kSettings;
    case Command::kParams:
        return kParams;
    case Command::kPresets:
        return kPresets;
    case Command::kPreset:
        return kPreset;
    case Command::kPresetSave:
        return std::string(kPresetSave) + kSettings;
    case Command::kPresetShow:
        return kPresetShow;
    case Command::kSnapshot:
        return std::string(kSnapshot) + kSettings;
    case Command::kEdit:
        return std::string(kEdit) + kSettings;
    case Command::kNone:
        break;
    }
    return kOverview;
}
