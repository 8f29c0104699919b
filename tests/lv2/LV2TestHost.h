#pragma once

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What a host gives an LV2 instance: urid:map and, optionally, a maximum block length.
class LV2TestHost {
public:
    LV2TestHost();
    LV2TestHost(const LV2TestHost&) = delete;
    LV2TestHost& operator=(const LV2TestHost&) = delete;

    LV2_URID Map(const std::string& uri);
    void SetMaxBlockLength(int32_t frames);
    // Null-terminated; without urid:map when withMap is false.
    const LV2_Feature* const* Features(bool withMap = true);

private:
    static LV2_URID MapCallback(LV2_URID_Map_Handle handle, const char* uri);

    std::map<std::string, LV2_URID> mURIDs;
    LV2_URID_Map mMap;
    int32_t mMaxBlockLength = 0;
    std::vector<LV2_Options_Option> mOptions;
    LV2_Feature mMapFeature;
    LV2_Feature mOptionsFeature;
    std::vector<const LV2_Feature*> mFeatures;
};

// A host's store for one saved state: the properties the plug-in stored, retrieved by key.
struct LV2StateStore {
    struct Property {
        std::vector<unsigned char> value;
        uint32_t type = 0;
        uint32_t flags = 0;
    };
    std::map<uint32_t, Property> properties;

    static LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value,
                                  size_t size, uint32_t type, uint32_t flags);
    static const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                                uint32_t* flags);
};

// One instance of a plug-in as a host holds it: instantiated with the object, activated once
// its ports are connected, deactivated and cleaned up with the object.
class LV2TestInstance {
public:
    LV2TestInstance(const LV2_Descriptor* descriptor, LV2TestHost& host, double sampleRate,
                    const char* bundlePath);
    ~LV2TestInstance();
    LV2TestInstance(const LV2TestInstance&) = delete;
    LV2TestInstance& operator=(const LV2TestInstance&) = delete;

    // False when the plug-in refused to instantiate; nothing else may be called then.
    bool Valid() const { return mHandle != nullptr; }
    void Connect(uint32_t port, void* data);
    void Activate();
    void Run(uint32_t frames);
    LV2_State_Status Save(LV2StateStore* store);
    LV2_State_Status Restore(LV2StateStore* store);

private:
    const LV2_State_Interface* State() const;

    const LV2_Descriptor* mDescriptor;
    LV2_Handle mHandle = nullptr;
    bool mActive = false;
};

// The first plug-in of a shared object, loaded once and kept for the life of the process, as a
// host keeps a plug-in it uses; null with the reason in *error (when error is not null).
const LV2_Descriptor* LoadPluginDescriptor(const std::string& sharedObject, std::string* error);

// The bytes of doubles, as the plug-in base stores its parameters.
std::vector<unsigned char> DoubleBytes(const std::vector<double>& values);
