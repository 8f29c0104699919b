// The bundle's Turtle files, written from the plug-in's parameters and channels.
#include "IFxLV2Turtle.h"

#include "IFxLV2.h"
#include "Version.h"

#include <cctype>
#include <cstdio>
#include <set>
#include <sstream>

namespace {

constexpr char kPrefixes[] = "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
                             "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                             "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                             "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                             "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                             "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
                             "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                             "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                             "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                             "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                             "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                             "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                             "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n";

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        if (c == '\n')
            quoted += "\\n";
        else
            quoted += c;
    }
    return quoted + "\"";
}

struct ScalePoint {
    std::string label;
    double value;
};

// Port symbols must be unique and valid C identifiers.
class SymbolSet {
public:
    std::string Make(const std::string& name, int portIndex) {
        std::string symbol = IFxLV2Symbol(name);
        if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol[0])) ||
            mUsed.count(symbol))
            symbol = (symbol.empty() ? "port" : symbol) + "_" + std::to_string(portIndex);
        mUsed.insert(symbol);
        return symbol;
    }

private:
    std::set<std::string> mUsed;
};

class PortWriter {
public:
    explicit PortWriter(std::ostringstream& out) : mOut(out) {}

    void Begin(const char* kind, int index, const std::string& symbol, const std::string& name) {
        mOut << (index == 0 ? "    lv2:port [\n" : " , [\n");
        mOut << "        a " << kind << " ;\n";
        mOut << "        lv2:index " << index << " ;\n";
        mOut << "        lv2:symbol " << Quoted(symbol) << " ;\n";
        mOut << "        lv2:name " << Quoted(name);
    }
    void Property(const char* predicate, const std::string& object) {
        mOut << " ;\n        " << predicate << " " << object;
    }
    void ScalePoints(const std::vector<ScalePoint>& points) {
        for (size_t i = 0; i < points.size(); ++i) {
            mOut << (i == 0 ? " ;\n        lv2:scalePoint " : " , ");
            mOut << "[ rdfs:label " << Quoted(points[i].label) << " ; rdf:value "
                 << IFxLV2Number(points[i].value) << " ]";
        }
    }
    void End() { mOut << "\n    ]"; }

private:
    std::ostringstream& mOut;
};

// One direction's audio ports: a stereo pair is a port group, "<plug-in URI>#in" or "#out".
struct AudioSide {
    bool input;
    int nChannels;

    bool Stereo() const { return nChannels == 2; }
    const char* Kind() const {
        return input ? "lv2:AudioPort , lv2:InputPort" : "lv2:AudioPort , lv2:OutputPort";
    }
    std::string Group(const std::string& uri) const { return uri + (input ? "#in" : "#out"); }

    std::string PortName(const char* label, int channel) const {
        const std::string direction = input ? "In" : "Out";
        if (*label) return label + (" " + direction);
        if (nChannels == 1) return direction;
        if (Stereo()) return (channel == 0 ? "Left " : "Right ") + direction;
        return direction + " " + std::to_string(channel + 1);
    }
    std::string Comment(int channel) const {
        const std::string what = input ? "audio input" : "audio output";
        if (nChannels == 1) return "The " + what;
        if (Stereo()) return (channel == 0 ? "The left " : "The right ") + what;
        return "Channel " + std::to_string(channel + 1) + " of the " + what;
    }
};

bool IsSwitch(const IParam& param) {
    double lo, hi;
    param.GetBounds(&lo, &hi);
    return param.Type() == kParamKindBool || (lo == 0.0 && hi == 1.0 && param.GetStep() == 1.0);
}

std::vector<ScalePoint> ScalePointsOf(const IParam& param) {
    std::vector<ScalePoint> points;
    for (int i = 0; i < param.GetNDisplayTexts(); ++i) {
        double value = 0.0;
        const char* text = param.GetDisplayTextAtIdx(i, &value);
        points.push_back({text, value});
    }
    // One point only: a generic UI prints labels along a linear slider, where the quarter
    // points of a curved response crowd together.
    if (points.empty() && param.GetShape() != 1.0 && param.Type() == kParamKindDouble)
        points.push_back({"half travel", param.GetNonNormalized(0.5)});
    return points;
}

struct PortName {
    std::string symbol;
    std::string name;
};

// Every port's symbol and name, in port order.
std::vector<PortName> PortNamesOf(const IFxBase& plug, const IFxLV2Description& description) {
    const IFxLV2Ports ports(plug, static_cast<int>(description.controlOutputs.size()));
    std::vector<std::string> names;
    for (const AudioSide side :
         {AudioSide{true, ports.nAudioIn}, AudioSide{false, ports.nAudioOut}})
        for (int c = 0; c < side.nChannels; ++c)
            names.push_back(
                side.PortName(side.input ? plug.GetInputLabel(c) : plug.GetOutputLabel(c), c));
    for (int i = 0; i < ports.nParams; ++i) {
        std::string name = plug.GetParam(i)->GetNameForHost();
        if (name.empty() && i < static_cast<int>(description.params.size()))
            name = description.params[i].name;
        names.push_back(name.empty() ? "Parameter " + std::to_string(i) : name);
    }
    for (const IFxLV2ControlOutput& output : description.controlOutputs)
        names.push_back(output.name);

    SymbolSet symbols;
    std::vector<PortName> named;
    for (const std::string& name : names) {
        const int index = static_cast<int>(named.size());
        named.push_back({symbols.Make(name, index), name});
    }
    return named;
}

} // namespace

std::string IFxLV2Symbol(const std::string& name) {
    std::string symbol;
    bool separate = false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80 && std::isalnum(u)) {
            if (separate && !symbol.empty()) symbol += '_';
            symbol += static_cast<char>(std::tolower(u));
            separate = false;
        } else {
            separate = true;
        }
    }
    return symbol;
}

std::string IFxLV2Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<float>(value));
    std::string number = text;
    // A bare integer would be an xsd:integer; ports take decimals.
    if (number.find_first_of(".e") == std::string::npos) number += ".0";
    return number;
}

std::string IFxLV2ManifestTurtle(const IFxLV2Description& description,
                                 const std::string& pluginFile) {
    std::ostringstream out;
    out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
        << "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n\n"
        << "<" << description.uri << ">\n"
        << "    a lv2:Plugin ;\n"
        << "    lv2:binary <" << description.binary << "> ;\n"
        << "    rdfs:seeAlso <" << pluginFile << "> .\n";
    if (!description.uiURI.empty())
        out << "\n<" << description.uiURI << ">\n"
            << "    a ui:X11UI ;\n"
            << "    ui:binary <" << description.uiBinary << "> ;\n"
            << "    rdfs:seeAlso <" << pluginFile << "> .\n";
    for (const IFxLV2Preset& preset : description.presets)
        out << "\n<" << preset.uri << ">\n"
            << "    a pset:Preset ;\n"
            << "    lv2:appliesTo <" << description.uri << "> ;\n"
            << "    rdfs:label " << Quoted(preset.label) << " ;\n"
            << "    rdfs:seeAlso <" << preset.file << "> .\n";
    return out.str();
}

std::string IFxLV2PresetTurtle(const IFxBase& plug, const IFxLV2Description& description,
                               const IFxLV2Preset& preset) {
    const IFxLV2Ports ports(plug, static_cast<int>(description.controlOutputs.size()));
    const std::vector<PortName> names = PortNamesOf(plug, description);
    std::ostringstream out;
    out << kPrefixes << "\n<" << preset.uri << ">\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo <" << description.uri << "> ;\n"
        << "    rdfs:label " << Quoted(preset.label);
    if (!preset.comment.empty()) out << " ;\n    rdfs:comment " << Quoted(preset.comment);
    for (int i = 0; i < ports.nParams && i < static_cast<int>(preset.values.size()); ++i)
        out << (i == 0 ? " ;\n    lv2:port " : " , ") << "[\n        lv2:symbol "
            << Quoted(names[static_cast<size_t>(ports.FirstParam() + i)].symbol)
            << " ;\n        pset:value " << IFxLV2Number(preset.values[i]) << "\n    ]";
    out << " .\n";
    return out.str();
}

std::string IFxLV2PluginTurtle(const IFxBase& plug, const IFxLV2Description& description) {
    const IFxLV2Ports ports(plug, static_cast<int>(description.controlOutputs.size()));
    int major, minor, bugFix;
    GetVersionParts(plug.GetEffectVersion(false), &major, &minor, &bugFix);
    const AudioSide sides[] = {{true, ports.nAudioIn}, {false, ports.nAudioOut}};

    std::ostringstream out;
    out << kPrefixes << "\n<" << description.uri << ">\n"
        << "    a lv2:Plugin , lv2:" << description.pluginClass << " , doap:Project ;\n"
        << "    doap:name " << Quoted(plug.GetEffectName()) << " ;\n"
        << "    doap:maintainer [ foaf:name " << Quoted(plug.GetMfrName()) << " ] ;\n";
    if (!description.comment.empty())
        out << "    rdfs:comment " << Quoted(description.comment) << " ;\n";
    if (!description.license.empty()) out << "    doap:license <" << description.license << "> ;\n";
    out << "    lv2:minorVersion " << 2 * minor << " ;\n"
        << "    lv2:microVersion " << bugFix << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map , opts:options ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength ;\n"
        << "    lv2:extensionData state:interface ;\n";
    if (sides[0].Stereo())
        out << "    pg:mainInput <" << sides[0].Group(description.uri) << "> ;\n";
    if (sides[1].Stereo())
        out << "    pg:mainOutput <" << sides[1].Group(description.uri) << "> ;\n";
    if (!description.uiURI.empty()) out << "    ui:ui <" << description.uiURI << "> ;\n";

    PortWriter port(out);
    const std::vector<PortName> names = PortNamesOf(plug, description);
    int index = 0;
    for (const AudioSide& side : sides) {
        for (int c = 0; c < side.nChannels; ++c, ++index) {
            port.Begin(side.Kind(), index, names[index].symbol, names[index].name);
            port.Property("rdfs:comment", Quoted(side.Comment(c)));
            if (side.Stereo()) {
                port.Property("pg:group", "<" + side.Group(description.uri) + ">");
                port.Property("lv2:designation", c == 0 ? "pg:left" : "pg:right");
            }
            port.End();
        }
    }
    for (int i = 0; i < ports.nParams; ++i, ++index) {
        const IParam& param = *plug.GetParam(i);
        const IFxLV2ParamText given = i < static_cast<int>(description.params.size())
                                          ? description.params[i]
                                          : IFxLV2ParamText();
        double lo, hi;
        param.GetBounds(&lo, &hi);
        port.Begin("lv2:ControlPort , lv2:InputPort", index, names[index].symbol,
                   names[index].name);
        if (!given.comment.empty()) port.Property("rdfs:comment", Quoted(given.comment));
        port.Property("lv2:default", IFxLV2Number(param.GetDefault()));
        port.Property("lv2:minimum", IFxLV2Number(lo));
        port.Property("lv2:maximum", IFxLV2Number(hi));
        if (!given.unit.empty()) port.Property("units:unit", "units:" + given.unit);
        if (IsSwitch(param))
            port.Property("lv2:portProperty", "lv2:toggled");
        else if (param.Type() == kParamKindInt || param.Type() == kParamKindEnum)
            port.Property("lv2:portProperty", param.Type() == kParamKindEnum
                                                  ? "lv2:integer , lv2:enumeration"
                                                  : "lv2:integer");
        port.ScalePoints(ScalePointsOf(param));
        port.End();
    }
    std::vector<std::string> outputSymbols;
    for (const IFxLV2ControlOutput& output : description.controlOutputs) {
        outputSymbols.push_back(names[index].symbol);
        port.Begin("lv2:ControlPort , lv2:OutputPort", index, names[index].symbol, output.name);
        if (!output.comment.empty()) port.Property("rdfs:comment", Quoted(output.comment));
        port.Property("lv2:minimum", IFxLV2Number(output.minimum));
        port.Property("lv2:maximum", IFxLV2Number(output.maximum));
        port.End();
        ++index;
    }
    out << " .\n";
    for (const AudioSide& side : sides) {
        if (!side.Stereo()) continue;
        out << "\n<" << side.Group(description.uri) << ">\n"
            << "    a " << (side.input ? "pg:InputGroup" : "pg:OutputGroup")
            << " , pg:StereoGroup ;\n"
            << "    lv2:symbol " << (side.input ? "\"in\"" : "\"out\"") << " ;\n"
            << "    rdfs:label " << (side.input ? "\"Input\"" : "\"Output\"");
        if (!side.input && sides[0].Stereo())
            out << " ;\n    pg:source <" << sides[0].Group(description.uri) << ">";
        out << " .\n";
    }
    if (!description.uiURI.empty()) {
        // The UI is driven by the host's idle calls, shown in the host's window when it gives
        // one, has a fixed size that it tells the host, and hears of the control outputs as
        // they change.
        out << "\n<" << description.uiURI << ">\n"
            << "    a ui:X11UI ;\n"
            << "    lv2:requiredFeature ui:idleInterface ;\n"
            << "    lv2:optionalFeature ui:parent , ui:touch , ui:resize , ui:noUserResize ,\n"
            << "        ui:fixedSize ;\n"
            << "    lv2:extensionData ui:idleInterface";
        for (size_t i = 0; i < outputSymbols.size(); ++i)
            out << (i == 0 ? " ;\n    ui:portNotification " : " , ") << "[ ui:plugin <"
                << description.uri << "> ; lv2:symbol " << Quoted(outputSymbols[i])
                << " ; ui:protocol ui:floatProtocol ]";
        out << " .\n";
    }
    return out.str();
}
