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
// Returns the preset's name.
std::string RestorePresetFile(EffectUnit& unit, const std::string& path);
// A preset of the library by its name (as 'brindlex presets' lists them), or else a preset file:
// applied to the unit. Returns the preset's name. An unknown name throws CommandError (kUsage)
// listing the known ones.
std::string ApplyPreset(EffectUnit& unit, const std::string& preset);
// The preset's "name" entry, "" when there is none.
std::string PresetName(CFPropertyListRef preset);
// A copy of the preset under another name.
CFRef<CFPropertyListRef> RenamedPreset(CFPropertyListRef preset, const std::string& name);
