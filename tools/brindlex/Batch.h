#pragma once

#include "Arguments.h"

// render -o DIR IN...: every input rendered into the folder under its own name, each in a
// process of its own that starts as a render of that file alone would (so that each output is
// exactly what rendering that file alone gives), --jobs of them at a time. A failing file is
// reported and the others go on. Returns the exit status: 1 when any file failed. Throws
// CommandError (kUsage) before anything is written when the folder, the names or the settings are
// wrong.
int RenderBatch(const Invocation& invocation);
