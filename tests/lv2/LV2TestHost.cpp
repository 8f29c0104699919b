#include "LV2TestHost.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>

#include <cstring>
#include <dlfcn.h>

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

LV2TestInstance::LV2TestInstance(const LV2_Descriptor* descriptor, LV2TestHost& host,
                                 double sampleRate, const char* bundlePath)
    : mDescriptor(descriptor),
      mHandle(descriptor->instantiate(descriptor, sampleRate, bundlePath, host.Features())) {}

LV2TestInstance::~LV2TestInstance() {
    if (!mHandle) return;
    if (mActive) mDescriptor->deactivate(mHandle);
    mDescriptor->cleanup(mHandle);
}

void LV2TestInstance::Connect(uint32_t port, void* data) {
    mDescriptor->connect_port(mHandle, port, data);
}

void LV2TestInstance::Activate() {
    mDescriptor->activate(mHandle);
    mActive = true;
}

void LV2TestInstance::Run(uint32_t frames) {
    mDescriptor->run(mHandle, frames);
}

LV2_State_Status LV2TestInstance::Save(LV2StateStore* store) {
    return State()->save(mHandle, LV2StateStore::Store, store, LV2_STATE_IS_POD, nullptr);
}

LV2_State_Status LV2TestInstance::Restore(LV2StateStore* store) {
    return State()->restore(mHandle, LV2StateStore::Retrieve, store, 0, nullptr);
}

const LV2_State_Interface* LV2TestInstance::State() const {
    return static_cast<const LV2_State_Interface*>(
        mDescriptor->extension_data(LV2_STATE__interface));
}

const LV2_Descriptor* LoadPluginDescriptor(const std::string& sharedObject, std::string* error) {
    struct Loaded {
        const LV2_Descriptor* descriptor = nullptr;
        std::string error;
    };
    static std::map<std::string, Loaded> loaded;
    const auto found = loaded.find(sharedObject);
    if (found != loaded.end()) {
        if (error) *error = found->second.error;
        return found->second.descriptor;
    }
    Loaded& result = loaded[sharedObject];
    if (void* module = dlopen(sharedObject.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor"));
        result.descriptor = entry ? entry(0) : nullptr;
        if (!result.descriptor) result.error = sharedObject + ": no plug-in from lv2_descriptor";
    } else {
        const char* reason = dlerror();
        result.error = sharedObject + ": " + (reason ? reason : "cannot load");
    }
    if (error) *error = result.error;
    return result.descriptor;
}

std::vector<unsigned char> DoubleBytes(const std::vector<double>& values) {
    std::vector<unsigned char> bytes(values.size() * sizeof(double));
    if (!values.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}
