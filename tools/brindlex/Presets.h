#pragma once

#include "CFRef.h"
#include "Component.h"

#include <string>

// Preset files: the effect's class-info state as an XML property list, the platform's
// .aupreset format. Errors throw CommandError naming the file.

// The property list in the file; throws when the file is missing, unreadable or not a property
// list.
CFRef<CFPropertyListRef> ReadPresetFile(const std::string& path);
// Throws unless the list is a complete class-info state made for the component identified.
void CheckPreset(CFPropertyListRef preset, const ComponentIdentity& identity,
                 const std::string& path);
void WritePresetFile(const std::string& path, CFPropertyListRef preset);

// Reads, checks and restores the file into the unit; the unit is unchanged when it fails.
void RestorePresetFile(EffectUnit& unit, const std::string& path);
// The preset's "name" entry, "" when there is none.
std::string PresetName(CFPropertyListRef preset);
