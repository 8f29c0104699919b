#include "IFxAU.h"

#include "Trace.h"

// The side-chain count shapes the input buses, which arrive with the host connection.
IFxAU::IFxAU(const IFxInstanceInfo& instanceInfo, int nParams, const char* channelIOStr,
             int nPresets, const char* effectName, const char* productName, const char* mfrName,
             int version, int uniqueID, int mfrID, int latency, bool doesMIDI, bool doesStateChunks,
             bool isInst, int /*sideChainChans*/)
    : IFxBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, version, uniqueID,
              mfrID, latency, doesMIDI, doesStateChunks, isInst, kAPIAU) {
    TRACE("%s", GetEffectName());
    mBundleID.Set(instanceInfo.mBundleID.Get());
    mCocoaViewFactoryClassName.Set(instanceInfo.mCocoaViewFactoryClassName.Get());
}

void IFxAU::BeginInformHostOfParamChange(int) {}

void IFxAU::InformHostOfParamChange(int, double) {}

void IFxAU::EndInformHostOfParamChange(int) {}

void IFxAU::InformHostOfProgramChange() {}

double IFxAU::GetSamplePos() {
    return 0.0;
}

double IFxAU::GetTempo() {
    return 0.0;
}

void IFxAU::GetTimeSig(int*, int*) {}

void IFxAU::GetTime(ITimeInfo*) {}

void IFxAU::ResizeGraphics(int, int) {}

bool IFxAU::SendMidiMsg(IMidiMsg*) {
    return false;
}
