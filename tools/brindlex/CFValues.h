#pragma once

#include "CoreFoundation.h"

#include <string>

// Values read out of CoreFoundation objects.

// The text of a CF string as UTF-8; for other objects (and null) their description.
std::string TextOf(CFTypeRef object);
// The dictionary's entry under a text key; null when there is none.
CFTypeRef GetEntry(CFDictionaryRef dictionary, const char* key);
// A whole-number entry; false when the entry is missing, not a number or not whole.
bool GetNumberEntry(CFDictionaryRef dictionary, const char* key, SInt64* value);
