// The Turtle files written from a plug-in's declarations.
#include "IFxLV2Turtle.h"
#include "TestPlug.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// The block of the port with the given index, without its brackets.
std::string PortText(const std::string& turtle, int index) {
    const size_t mark = turtle.find("lv2:index " + std::to_string(index) + " ;");
    if (mark == std::string::npos) return "";
    const size_t begin = turtle.rfind('[', mark) + 1;
    return turtle.substr(begin, turtle.find("\n    ]", mark) - begin);
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(IFxLV2Turtle, SymbolsAreLowerCaseIdentifiers) {
    EXPECT_EQ(IFxLV2Symbol("EQ Freq"), "eq_freq");
    EXPECT_EQ(IFxLV2Symbol("Amp Noise Reduction"), "amp_noise_reduction");
    EXPECT_EQ(IFxLV2Symbol("  Drive (x2) -- Wet/Dry!"), "drive_x2_wet_dry");
    EXPECT_EQ(IFxLV2Symbol("Gr\xc3\xbc\xc3\x9f"
                           "e"),
              "gr_e"); // no letters outside ASCII
    EXPECT_EQ(IFxLV2Symbol("%"), "");
}

TEST(IFxLV2Turtle, NumbersReadBackAsTheSameFloat) {
    for (const double value : {0.0, 0.1, -12.0, 15000.0, 6.25, 1e-7, 3.4e38, -0.333333333}) {
        const std::string text = IFxLV2Number(value);
        EXPECT_NE(text.find_first_of(".e"), std::string::npos) << text; // a decimal, no integer
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), static_cast<float>(value)) << text;
    }
}

TEST(IFxLV2Turtle, ManifestPointsAtBinaryAndDescription) {
    IFxLV2Description description;
    description.uri = "urn:brindlex:test";
    description.binary = "Test.so";
    const std::string manifest = IFxLV2ManifestTurtle(description, "Test.ttl");
    EXPECT_TRUE(Has(manifest, "<urn:brindlex:test>\n    a lv2:Plugin ;"));
    EXPECT_TRUE(Has(manifest, "lv2:binary <Test.so> ;"));
    EXPECT_TRUE(Has(manifest, "rdfs:seeAlso <Test.ttl> ."));
}

TEST(IFxLV2Turtle, AUIIsDeclaredWithItsBinaryFeaturesAndTheOutputsItHearsOf) {
    TestPlug plug(1);
    IFxLV2Description description;
    description.uri = "urn:brindlex:test";
    description.binary = "Test.so";
    description.pluginClass = "DelayPlugin";
    description.controlOutputs = {{"Level Meter", 0.0, 1.0, ""}, {"Gain Meter", 0.0, 1.0, ""}};
    EXPECT_FALSE(Has(IFxLV2ManifestTurtle(description, "Test.ttl"), "ui:X11UI"));
    EXPECT_FALSE(Has(IFxLV2PluginTurtle(plug, description), "X11UI"));

    description.uiURI = "urn:brindlex:test#ui";
    description.uiBinary = "ui/TestUI.so";
    const std::string manifest = IFxLV2ManifestTurtle(description, "Test.ttl");
    EXPECT_TRUE(Has(manifest, "<urn:brindlex:test#ui>\n    a ui:X11UI ;\n"
                              "    ui:binary <ui/TestUI.so> ;\n    rdfs:seeAlso <Test.ttl> ."));
    const std::string turtle = IFxLV2PluginTurtle(plug, description);
    EXPECT_TRUE(Has(turtle, "    ui:ui <urn:brindlex:test#ui> ;\n"));
    EXPECT_TRUE(Has(turtle, "lv2:requiredFeature ui:idleInterface ;"));
    EXPECT_TRUE(Has(turtle, "lv2:extensionData ui:idleInterface ;"));
    EXPECT_TRUE(Has(turtle, "[ ui:plugin <urn:brindlex:test> ; lv2:symbol \"level_meter\" ; "
                            "ui:protocol ui:floatProtocol ] , [ ui:plugin <urn:brindlex:test> ; "
                            "lv2:symbol \"gain_meter\""));
}

TEST(IFxLV2Turtle, PortsCarryWhatTheParametersDeclare) {
    TestPlug plug(6);
    plug.SetInputLabel(0, "Main");
    plug.GetParam(0)->InitBool("Bypass", false);
    plug.GetParam(1)->InitEnum("Mode", 1, 3);
    plug.GetParam(1)->SetDisplayText(0, "Clean");
    plug.GetParam(1)->SetDisplayText(1, "Warm \"hot\"");
    plug.GetParam(2)->InitDouble("Drive", 1.0, 0.0, 100.0, 0.01, "", "", 2.0);
    // 3 and 4 stay unnamed switches; 5 repeats a name.
    plug.GetParam(5)->InitDouble("Bypass", -3.5, -12.0, 12.0, 0.01);

    IFxLV2Description description;
    description.uri = "urn:brindlex:test";
    description.pluginClass = "DelayPlugin";
    description.params.resize(4);
    description.params[2] = {"", "coef", "How hard \"it\" drives"};
    description.params[3].name = "Stage On";
    description.controlOutputs.push_back({"Level Meter", 0.0, 2.0, "The level"});
    const std::string turtle = IFxLV2PluginTurtle(plug, description);

    EXPECT_TRUE(Has(turtle, "a lv2:Plugin , lv2:DelayPlugin , doap:Project ;"));
    EXPECT_TRUE(Has(turtle, "doap:name \"Test Effect\" ;"));
    EXPECT_TRUE(Has(turtle, "foaf:name \"Test Maker\""));
    // 0x10102: an even minor version, which LV2 hosts read as a release.
    EXPECT_TRUE(Has(turtle, "lv2:minorVersion 2 ;\n    lv2:microVersion 2 ;"));
    EXPECT_TRUE(Has(turtle, "lv2:extensionData state:interface ;"));

    EXPECT_TRUE(Has(PortText(turtle, 0), "lv2:name \"Main In\""));
    EXPECT_TRUE(Has(PortText(turtle, 1), "lv2:symbol \"right_in\""));
    EXPECT_TRUE(Has(PortText(turtle, 3), "a lv2:AudioPort , lv2:OutputPort"));
    EXPECT_TRUE(Has(PortText(turtle, 3), "pg:group <urn:brindlex:test#out> ;\n"
                                         "        lv2:designation pg:right"));
    EXPECT_TRUE(Has(turtle, "<urn:brindlex:test#out>\n    a pg:OutputGroup , pg:StereoGroup ;"));

    const std::string bypass = PortText(turtle, 4);
    EXPECT_TRUE(Has(bypass, "lv2:symbol \"bypass\""));
    EXPECT_TRUE(Has(bypass, "lv2:portProperty lv2:toggled"));
    EXPECT_TRUE(Has(bypass, "[ rdfs:label \"on\" ; rdf:value 1.0 ]"));

    const std::string mode = PortText(turtle, 5);
    EXPECT_TRUE(Has(mode, "lv2:default 1.0 ;\n        lv2:minimum 0.0 ;\n"
                          "        lv2:maximum 2.0 ;"));
    EXPECT_TRUE(Has(mode, "lv2:portProperty lv2:integer , lv2:enumeration"));
    EXPECT_TRUE(Has(mode, "[ rdfs:label \"Warm \\\"hot\\\"\" ; rdf:value 1.0 ]"));

    // A square-law knob shows its curve through the value at half its travel.
    const std::string drive = PortText(turtle, 6);
    EXPECT_FALSE(Has(drive, "lv2:portProperty"));
    EXPECT_TRUE(Has(drive, "lv2:scalePoint [ rdfs:label \"half travel\" ; rdf:value 25.0 ]"));
    EXPECT_FALSE(Has(drive, "rdf:value 56.25"));
    EXPECT_TRUE(Has(drive, "units:unit units:coef"));
    EXPECT_TRUE(Has(drive, "rdfs:comment \"How hard \\\"it\\\" drives\""));

    EXPECT_TRUE(Has(PortText(turtle, 7), "lv2:name \"Stage On\""));
    EXPECT_TRUE(Has(PortText(turtle, 7), "lv2:portProperty lv2:toggled"));
    EXPECT_TRUE(Has(PortText(turtle, 8), "lv2:symbol \"parameter_4\" ;\n"
                                         "        lv2:name \"Parameter 4\""));
    EXPECT_TRUE(Has(PortText(turtle, 9), "lv2:symbol \"bypass_9\""));
    EXPECT_TRUE(Has(PortText(turtle, 9), "lv2:default -3.5 ;"));

    const std::string meter = PortText(turtle, 10);
    EXPECT_TRUE(Has(meter, "a lv2:ControlPort , lv2:OutputPort"));
    EXPECT_TRUE(Has(meter, "lv2:symbol \"level_meter\""));
    EXPECT_TRUE(Has(meter, "lv2:maximum 2.0"));
    EXPECT_FALSE(Has(meter, "lv2:default"));
    EXPECT_EQ(PortText(turtle, 11), "");
    EXPECT_TRUE(Has(turtle, "\n    ] .\n"));
}

} // namespace
