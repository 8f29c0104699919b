#pragma once

#include "IFxBase.h"
#include "UTL_String.h"

// What the component's factory knows about the instance it makes.
struct IFxInstanceInfo {
    UTL_String mBundleID;
    UTL_String mCocoaViewFactoryClassName;
};

// The Audio Unit side of a plug-in: serves the Audio Unit API for the effect derived from it.
class IFxAU : public IFxBase {
public:
    IFxAU(const IFxInstanceInfo& instanceInfo, int nParams, const char* channelIOStr, int nPresets,
          const char* effectName, const char* productName, const char* mfrName, int version,
          int uniqueID, int mfrID, int latency, bool doesMIDI, bool doesStateChunks, bool isInst,
          int sideChainChans);

    const char* GetBundleID() const { return mBundleID.Get(); }
    const char* GetCocoaViewFactoryClassName() const { return mCocoaViewFactoryClassName.Get(); }

    // Host notification and transport queries; the host connection is not made yet, so they
    // inform no one and report no transport.
    void BeginInformHostOfParamChange(int paramIdx) override;
    void InformHostOfParamChange(int paramIdx, double normalizedValue) override;
    void EndInformHostOfParamChange(int paramIdx) override;
    void InformHostOfProgramChange() override;
    double GetSamplePos() override;
    double GetTempo() override;
    void GetTimeSig(int* numerator, int* denominator) override;
    void GetTime(ITimeInfo* timeInfo) override;
    void ResizeGraphics(int width, int height) override;
    bool SendMidiMsg(IMidiMsg* msg) override;

private:
    UTL_String mBundleID;
    UTL_String mCocoaViewFactoryClassName;
};
