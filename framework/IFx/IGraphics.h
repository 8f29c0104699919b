#pragma once

// The editor as the plug-in base sees it: it receives parameter values and prepares to draw.
class IGraphics {
public:
    virtual ~IGraphics() = default;
    virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized) = 0;
    virtual void PrepDraw() = 0;
};
