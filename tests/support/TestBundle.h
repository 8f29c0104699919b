#pragma once

#include <string>
#include <vector>

// A bundle made for a test and loaded for the rest of the process, so that the platform finds it
// by its identifier as it finds a loaded component: under a temporary folder (removed when the
// process ends), Contents/Info.plist naming the identifier, Contents/Resources/ holding copies of
// the files, and a copy of a small shared object as its executable. A second call with the same
// identifier answers the first bundle. Throws std::runtime_error when the bundle cannot be made.
// Returns the bundle's folder.
std::string LoadTestBundle(const std::string& identifier,
                           const std::vector<std::string>& resourceFiles);
