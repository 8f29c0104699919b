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

// The bytes of doubles, as the plug-in base stores its parameters.
std::vector<unsigned char> DoubleBytes(const std::vector<double>& values);
