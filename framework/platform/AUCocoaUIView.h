#pragma once

// The protocol of an Audio Unit's Cocoa view factory (CoreAudioKit's AUCocoaUIBase): the class
// the kAudioUnitProperty_CocoaUI property names. A host finds the class by name (NSClassFromString
// or NSBundle::classNamed, see Foundation.h), makes an instance and asks it for a view.

#include "AppKit.h"
#include "AudioUnit.h"

class AUCocoaUIBase {
public:
    // The version of this protocol the factory implements.
    virtual unsigned interfaceVersion() = 0;
    // uiViewForAudioUnit:withSize: a view for the unit, autoreleased (null when there is none).
    virtual NSView* uiViewForAudioUnit(AudioUnit inAudioUnit, NSSize inPreferredSize) = 0;

protected:
    ~AUCocoaUIBase() = default;
};
