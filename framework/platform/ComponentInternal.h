#pragma once

// The component instance record; used only inside the platform library. A host and the
// component it opened may each hold their own copy of the library, so the record carries what
// the component side needs of the host side.

#include "AudioUnit.h"

// Delivers an event to the listeners registered with one copy of the library.
typedef void (*AUEventDeliveryProc)(AUEventListenerRef sendingListener, void* sendingObject,
                                    const AudioUnitEvent* event);

struct ComponentInstanceRecord {
    ComponentRoutineUPP entry;
    Handle storage;
    AUEventDeliveryProc deliverEvent; // the opener's delivery
};

// Delivers an event to the listeners registered with this copy of the library.
void AUDeliverEventToLocalListeners(AUEventListenerRef sendingListener, void* sendingObject,
                                    const AudioUnitEvent* event);
