#include "TestPlug.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "brindlex_ifx_" + name;
}
