#pragma once

#include "Arguments.h"

#include <string>

// The text of --help: the overview for kNone, else the command's own.
std::string HelpText(Command command);
