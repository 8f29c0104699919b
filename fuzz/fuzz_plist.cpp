// The XML property-list reader on arbitrary bytes. Whatever it reads must write back as XML and
// read again as an equal property list: no value may be lost or changed on the way.
#include "CoreFoundation.h"
#include "FuzzSupport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return -1;
    const CFOptionFlags options = data[0] % 3; // immutable, mutable containers, and leaves too
    CFDataRef bytes = CFDataCreate(nullptr, data + 1, CFIndex(size - 1));
    CFErrorRef error = nullptr;
    CFPropertyListFormat format = 0;
    CFPropertyListRef plist =
        CFPropertyListCreateWithData(nullptr, bytes, options, &format, &error);
    CFRelease(bytes);
    if (!plist) {
        FUZZ_CHECK(error); // a refusal says why
        CFRelease(error);
        return 0;
    }
    FUZZ_CHECK(!error && format == kCFPropertyListXMLFormat_v1_0);

    CFDataRef written =
        CFPropertyListCreateData(nullptr, plist, kCFPropertyListXMLFormat_v1_0, 0, &error);
    FUZZ_CHECK(written && !error);
    CFPropertyListRef reread = CFPropertyListCreateWithData(nullptr, written, 0, nullptr, nullptr);
    FUZZ_CHECK(reread);
    FUZZ_CHECK(CFEqual(plist, reread));
    CFRelease(reread);
    CFRelease(written);
    CFRelease(plist);
    return 0;
}
