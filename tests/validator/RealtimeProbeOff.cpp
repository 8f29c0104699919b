// The probe in sanitizer builds: the sanitizers replace the allocator and the mutex calls
// themselves, so render is not watched there.
#include "RealtimeProbe.h"

bool RealtimeProbeActive() {
    return false;
}

RealtimeCounts RealtimeViolations() {
    return {};
}

RenderScope::RenderScope() = default;
RenderScope::~RenderScope() = default;
