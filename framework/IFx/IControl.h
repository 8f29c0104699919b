#pragma once

// A control of the editor, as the plug-in sees it: something that shows a value the plug-in
// hands it.
class IControl {
public:
    virtual ~IControl() = default;
    virtual void SetValueFromPlug(double value) = 0;
};
