#pragma once

#include "AUCocoaUIView.h"

// The Cocoa view factory of an Audio Unit plug-in: the class whose name the CocoaUI property
// gives, which a host finds by name and asks for the editor's view. A product derives its own
// class of that name, with its own description, and registers it (NS_REGISTER_CLASS).
class IFxAUViewFactory : public NSObject, public AUCocoaUIBase {
public:
    unsigned interfaceVersion() override { return 0; }
    // The unit's editor in a new view, autoreleased (see IFxAU::OpenCocoaEditorView); the size
    // is not used.
    NSView* uiViewForAudioUnit(AudioUnit unit, NSSize preferredSize) override;
};
