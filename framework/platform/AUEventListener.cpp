// Parameter and property event listeners, delivered in-process as events are notified.

#include "ComponentInternal.h"
#include "UTL_Mutex.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

struct AUListenerBase {
    struct Registration {
        void* object;
        AudioUnitEvent event;
    };

    AUEventListenerProc proc;
    void* refCon;
    std::vector<Registration> registrations;
};

namespace {

// Never destroyed, so that listeners may be disposed of during static destruction.
struct Listeners {
    UTL_Mutex mutex;
    std::vector<AUListenerBase*> all;
};

Listeners& GetListeners() {
    static Listeners* listeners = new Listeners;
    return *listeners;
}

bool IsParameterEvent(AudioUnitEventType type) {
    return type == kAudioUnitEvent_ParameterValueChange ||
           type == kAudioUnitEvent_BeginParameterChangeGesture ||
           type == kAudioUnitEvent_EndParameterChangeGesture;
}

bool IsEventType(AudioUnitEventType type) {
    return IsParameterEvent(type) || type == kAudioUnitEvent_PropertyChange;
}

AudioUnit UnitOf(const AudioUnitEvent& event) {
    return IsParameterEvent(event.mEventType) ? event.mArgument.mParameter.mAudioUnit
                                              : event.mArgument.mProperty.mAudioUnit;
}

// Whether a registered event covers a notified one; kAUParameterListener_AnyParameter on either
// side matches every parameter of the unit.
bool Covers(const AudioUnitEvent& registered, const AudioUnitEvent& notified) {
    if (registered.mEventType != notified.mEventType) return false;
    if (IsParameterEvent(notified.mEventType)) {
        const AudioUnitParameter& a = registered.mArgument.mParameter;
        const AudioUnitParameter& b = notified.mArgument.mParameter;
        return a.mAudioUnit == b.mAudioUnit && a.mScope == b.mScope && a.mElement == b.mElement &&
               (a.mParameterID == b.mParameterID ||
                a.mParameterID == kAUParameterListener_AnyParameter ||
                b.mParameterID == kAUParameterListener_AnyParameter);
    }
    const AudioUnitProperty& a = registered.mArgument.mProperty;
    const AudioUnitProperty& b = notified.mArgument.mProperty;
    return a.mAudioUnit == b.mAudioUnit && a.mPropertyID == b.mPropertyID && a.mScope == b.mScope &&
           a.mElement == b.mElement;
}

bool IsRegistered(const Listeners& listeners, const AUListenerBase* listener) {
    return std::find(listeners.all.begin(), listeners.all.end(), listener) != listeners.all.end();
}

} // namespace

void AUDeliverEventToLocalListeners(AUEventListenerRef sendingListener, void* sendingObject,
                                    const AudioUnitEvent* event) {
    struct Delivery {
        AUEventListenerProc proc;
        void* refCon;
        void* object;
    };
    std::vector<Delivery> deliveries;
    try {
        Listeners& listeners = GetListeners();
        UTL_MutexLock lock(&listeners.mutex);
        for (const AUListenerBase* listener : listeners.all)
            for (const AUListenerBase::Registration& registration : listener->registrations)
                if (Covers(registration.event, *event) &&
                    !(listener == sendingListener && registration.object == sendingObject))
                    deliveries.push_back({listener->proc, listener->refCon, registration.object});
    } catch (const std::bad_alloc&) {
        return; // may be called from another module: nothing is thrown back
    }
    // Called without the lock, so that listeners may register and notify in turn.
    AudioUnitParameterValue value = 0;
    const AudioUnitParameter& parameter = event->mArgument.mParameter;
    if (!deliveries.empty() && event->mEventType == kAudioUnitEvent_ParameterValueChange &&
        parameter.mParameterID != kAUParameterListener_AnyParameter &&
        AudioUnitGetParameter(parameter.mAudioUnit, parameter.mParameterID, parameter.mScope,
                              parameter.mElement, &value) != noErr)
        value = 0;
    const UInt64 hostTime = AudioGetCurrentHostTime();
    for (const Delivery& delivery : deliveries)
        delivery.proc(delivery.refCon, delivery.object, event, hostTime, value);
}

OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef,
                               CFStringRef, Float32, Float32, AUEventListenerRef* outListener) {
    if (!outListener) return paramErr;
    *outListener = nullptr;
    if (!inProc) return paramErr;
    try {
        auto listener =
            std::make_unique<AUListenerBase>(AUListenerBase{inProc, inCallbackRefCon, {}});
        Listeners& listeners = GetListeners();
        UTL_MutexLock lock(&listeners.mutex);
        listeners.all.push_back(listener.get());
        *outListener = listener.release();
        return noErr;
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
}

OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject,
                                     const AudioUnitEvent* inEvent) {
    if (!inEvent || !IsEventType(inEvent->mEventType)) return paramErr;
    Listeners& listeners = GetListeners();
    UTL_MutexLock lock(&listeners.mutex);
    if (!IsRegistered(listeners, inListener)) return paramErr;
    try {
        inListener->registrations.push_back({inObject, *inEvent});
        return noErr;
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
}

OSStatus AUListenerDispose(AUParameterListenerRef inListener) {
    Listeners& listeners = GetListeners();
    UTL_MutexLock lock(&listeners.mutex);
    const auto found = std::find(listeners.all.begin(), listeners.all.end(), inListener);
    if (found == listeners.all.end()) return paramErr;
    listeners.all.erase(found);
    delete inListener;
    return noErr;
}

OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                               const AudioUnitEvent* inEvent) {
    if (!inEvent || !IsEventType(inEvent->mEventType)) return paramErr;
    // A unit opened by another copy of this library (the host's) routes to that copy's
    // listeners.
    const AudioUnit unit = UnitOf(*inEvent);
    const AUEventDeliveryProc deliver =
        unit && unit->deliverEvent ? unit->deliverEvent : AUDeliverEventToLocalListeners;
    deliver(inSendingListener, inSendingObject, inEvent);
    return noErr;
}
