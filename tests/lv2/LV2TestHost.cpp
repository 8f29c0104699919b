#include "LV2TestHost.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>

#include <cstring>

LV2TestHost::LV2TestHost()
    : mMap{this, MapCallback}, mMapFeature{LV2_URID__map, &mMap}, mOptionsFeature{
                                                                      LV2_OPTIONS__options,
                                                                      nullptr} {}

LV2_URID LV2TestHost::Map(const std::string& uri) {
    const auto found = mURIDs.find(uri);
    if (found != mURIDs.end()) return found->second;
    const auto urid = static_cast<LV2_URID>(mURIDs.size() + 1);
    mURIDs[uri] = urid;
    return urid;
}

LV2_URID LV2TestHost::MapCallback(LV2_URID_Map_Handle handle, const char* uri) {
    return static_cast<LV2TestHost*>(handle)->Map(uri);
}

void LV2TestHost::SetMaxBlockLength(int32_t frames) {
    mMaxBlockLength = frames;
}

const LV2_Feature* const* LV2TestHost::Features(bool withMap) {
    mOptions.clear();
    if (mMaxBlockLength)
        mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__maxBlockLength),
                            sizeof mMaxBlockLength, Map(LV2_ATOM__Int), &mMaxBlockLength});
    mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
    mOptionsFeature.data = mOptions.data();

    mFeatures = {&mOptionsFeature};
    if (withMap) mFeatures.push_back(&mMapFeature);
    mFeatures.push_back(nullptr);
    return mFeatures.data();
}

LV2_State_Status LV2StateStore::Store(LV2_State_Handle handle, uint32_t key, const void* value,
                                      size_t size, uint32_t type, uint32_t flags) {
    auto* store = static_cast<LV2StateStore*>(handle);
    const auto* bytes = static_cast<const unsigned char*>(value);
    store->properties[key] = {std::vector<unsigned char>(bytes, bytes + size), type, flags};
    return LV2_STATE_SUCCESS;
}

const void* LV2StateStore::Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size,
                                    uint32_t* type, uint32_t* flags) {
    auto* store = static_cast<LV2StateStore*>(handle);
    const auto found = store->properties.find(key);
    if (found == store->properties.end()) return nullptr;
    *size = found->second.value.size();
    *type = found->second.type;
    *flags = found->second.flags;
    return found->second.value.data();
}

std::vector<unsigned char> DoubleBytes(const std::vector<double>& values) {
    std::vector<unsigned char> bytes(values.size() * sizeof(double));
    if (!values.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}
