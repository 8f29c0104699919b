#pragma once

#include "pix.h"

#include <string>

// Writes the bitmap as an 8-bit RGBA PNG. The file appears complete or not at all: it is
// written beside its final name and renamed into place. On failure *error says what went wrong.
bool WritePng(PIX_IBitmap* bm, const std::string& path, std::string* error);
