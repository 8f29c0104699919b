#pragma once

#include "IFxBase.h"

#include <string>
#include <vector>

// The Turtle files of an LV2 bundle, written from the plug-in's own declarations so that the
// description cannot drift from the code.

// A control output port (IFxLV2OutputControl): its name, the range of what it shows and what it
// tells.
struct IFxLV2ControlOutput {
    std::string name;
    double minimum = 0.0;
    double maximum = 1.0;
    std::string comment;
};

// What a parameter's port says beyond what the parameter declares.
struct IFxLV2ParamText {
    std::string name;    // for a parameter the plug-in leaves unnamed; LV2 ports need one
    std::string unit;    // an LV2 unit's local name ("hz", "db", "pc", ...); "" for none
    std::string comment; // one line for the host's tooltip
};

// A preset: a value for each parameter, in index order, under a URI of its own.
struct IFxLV2Preset {
    std::string uri;
    std::string file; // its Turtle file, relative to the bundle
    std::string label;
    std::string comment;
    std::vector<double> values;
};

// What the description needs beyond what the plug-in declares itself.
struct IFxLV2Description {
    std::string uri;
    std::string binary;                  // the shared object, relative to the bundle
    std::string pluginClass;             // an lv2core plug-in class, e.g. "SimulatorPlugin"
    std::string comment;                 // what the plug-in does
    std::string license;                 // the licence's URI
    std::vector<IFxLV2ParamText> params; // by parameter index; may be shorter
    std::vector<IFxLV2ControlOutput> controlOutputs; // in port order
    // The plug-in's X11 UI (IFxLV2UI), when it has one: its URI and shared object, relative to
    // the bundle.
    std::string uiURI;
    std::string uiBinary;
    std::vector<IFxLV2Preset> presets;
};

// manifest.ttl: the plug-in, its binary and the file that describes it; the same for its UI;
// each preset with its label and file, so that hosts list the presets and a broken preset file
// costs no more than that preset.
std::string IFxLV2ManifestTurtle(const IFxLV2Description& description,
                                 const std::string& pluginFile);

// The plug-in's description: identity, features, the state interface and the ports in the
// order of IFxLV2Ports, a stereo pair of audio ports as a group. Each parameter's port has its
// range, default, unit and comment; a 0-to-1 switch is a toggle, an int or enum parameter an
// integer; display texts become scale points, and so does the half point of travel of a
// parameter with a curved response, to show the curve. With a UI, the plug-in names it, and
// the UI's features and the control outputs it is to hear of follow.
//
// LV2 reads an odd minor version as a development release, so the plug-in's version
// MAJOR.MINOR.FIX is published as minor version 2 x MINOR and micro version FIX (1.1.2 as 2.2).
// LV2 has no major version: an incompatible plug-in takes a new URI.
std::string IFxLV2PluginTurtle(const IFxBase& plug, const IFxLV2Description& description);

// A preset's file: its label, comment and a value for each parameter's port.
std::string IFxLV2PresetTurtle(const IFxBase& plug, const IFxLV2Description& description,
                               const IFxLV2Preset& preset);

// A port symbol from a name: lower case letters and digits, every other run of characters one
// '_' ("EQ Freq" gives "eq_freq"); "" when nothing is left.
std::string IFxLV2Symbol(const std::string& name);

// A number as a Turtle literal that reads back as the same float.
std::string IFxLV2Number(double value);
