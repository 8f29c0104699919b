// Writes a bundle's Info.plist from its template at build time, with the effect's identity from
// config.h, the same definitions the code compiles:
//   brindlex_info_plist TEMPLATE OUT [NAME=VALUE ...]
// Every @NAME@ in the template becomes its value; the arguments name what the identity does not
// hold (the bundle's executable, say). A name the template uses but nothing gives is an error.
#include "Version.h"
#include "config.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

std::map<std::string, std::string> Identity() {
    int major, minor, bugFix;
    GetVersionParts(brindlex::kEffectVersion, &major, &minor, &bugFix);
    return {{"BRINDLEX_EFFECT_NAME", brindlex::kEffectName},
            {"BRINDLEX_MFR_NAME", brindlex::kMfrName},
            {"BRINDLEX_UNIQUE_ID", brindlex::kUniqueID},
            {"BRINDLEX_MFR_ID", brindlex::kMfrID},
            {"BRINDLEX_COMPONENT_TYPE", brindlex::kComponentType},
            {"BRINDLEX_BUNDLE_ID", brindlex::kBundleID},
            {"BRINDLEX_VERSION_NUMBER", std::to_string(brindlex::kEffectVersion)},
            {"BRINDLEX_VERSION_TEXT", std::to_string(major) + "." + std::to_string(minor) + "." +
                                          std::to_string(bugFix)}};
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "brindlex_info_plist: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: brindlex_info_plist TEMPLATE OUT [NAME=VALUE ...]\n");
        return 2;
    }
    std::map<std::string, std::string> values = Identity();
    for (int i = 3; i < argc; ++i) {
        const std::string argument = argv[i];
        const size_t equals = argument.find('=');
        if (equals == std::string::npos) return Fail("expected NAME=VALUE, not " + argument);
        values[argument.substr(0, equals)] = argument.substr(equals + 1);
    }

    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) return Fail(std::string("cannot read ") + argv[1]);
    const std::string source = text.str();

    std::string plist;
    size_t from = 0;
    for (size_t at; (at = source.find('@', from)) != std::string::npos;) {
        const size_t end = source.find('@', at + 1);
        if (end == std::string::npos) break;
        const auto value = values.find(source.substr(at + 1, end - at - 1));
        if (value == values.end())
            return Fail(std::string(argv[1]) + " names " + source.substr(at, end - at + 1) +
                        ", which nothing gives");
        plist += source.substr(from, at - from) + value->second;
        from = end + 1;
    }
    plist += source.substr(from);

    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << plist;
    out.close();
    return out ? 0 : Fail(std::string("cannot write ") + argv[2]);
}
