// The component's exported entry points. Everything else in the shared object stays hidden (see
// Brindlex.exports), so that a host sees only what the platform's component loader looks for.
#include "IFxAU.h"

#define BRINDLEX_EXPORT extern "C" __attribute__((visibility("default")))

BRINDLEX_EXPORT ComponentResult Brindlex_Entry(ComponentParameters* params, Handle storage) {
    return IFxAU::IFxAUEntry(params, storage);
}

BRINDLEX_EXPORT ComponentResult Brindlex_ViewEntry(ComponentParameters* params, Handle storage) {
    return IFxAU::IFxAUCarbonViewEntry(params, storage);
}
