// A minimal LV2 host of an X11 UI, as the tests need one: it shows the UI in a window of its
// own ("LV2 UI host"), passed as ui:parent, drives it through ui:idleInterface, and prints
// what the UI writes to the plug-in's ports ("port INDEX VALUE"), its gestures
// ("touch INDEX 1" or "0") and the sizes it asks for ("resize WIDTH HEIGHT"), one line each;
// once the UI is made, "shown WINDOW" with its X window's id. It knows nothing of the framework: it
// is a foreign program, as a real host is.
//
//   lv2_ui_host BUNDLE UI_BINARY UI_URI WIDTH HEIGHT [PORT=VALUE]...
//
// BUNDLE is the UI's bundle folder, passed to the UI as a host does (with a trailing "/").
// The port values are sent to the UI once it is made. It ends on SIGTERM or when the UI says
// it was closed, with status 0 after a clean-up, 1 when the UI could not be made.
#include <lv2/ui/ui.h>

#include <X11/Xlib.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t gStop = 0;

extern "C" void Stop(int) {
    gStop = 1;
}

void Write(LV2UI_Controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    float value = 0;
    if (format != 0 || size != sizeof value) return;
    std::memcpy(&value, buffer, sizeof value);
    std::printf("port %u %.9g\n", port, value);
    std::fflush(stdout);
}

void Touch(LV2UI_Feature_Handle, uint32_t port, bool grabbed) {
    std::printf("touch %u %d\n", port, grabbed ? 1 : 0);
    std::fflush(stdout);
}

int Resize(LV2UI_Feature_Handle, int width, int height) {
    std::printf("resize %d %d\n", width, height);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr,
                     "usage: lv2_ui_host BUNDLE UI_BINARY UI_URI WIDTH HEIGHT [PORT=VALUE]...\n");
        return 2;
    }
    std::signal(SIGTERM, Stop);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "lv2_ui_host: no X display\n");
        return 1;
    }
    const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0,
                                              static_cast<unsigned>(std::atoi(argv[4])),
                                              static_cast<unsigned>(std::atoi(argv[5])), 0, 0, 0);
    XStoreName(display, parent, "LV2 UI host");
    XMapWindow(display, parent);
    XFlush(display);

    void* module = dlopen(argv[2], RTLD_NOW | RTLD_LOCAL);
    auto entry = module
                     ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(module, "lv2ui_descriptor"))
                     : nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    for (uint32_t i = 0; entry && (descriptor = entry(i)); ++i)
        if (std::strcmp(descriptor->URI, argv[3]) == 0) break;
    if (!descriptor) {
        std::fprintf(stderr, "lv2_ui_host: no UI %s in %s: %s\n", argv[3], argv[2],
                     module ? "not listed" : dlerror());
        return 1;
    }

    LV2UI_Touch touch{nullptr, Touch};
    LV2UI_Resize resize{nullptr, Resize};
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature touchFeature{LV2_UI__touch, &touch};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&parentFeature, &idleFeature, &touchFeature, &resizeFeature,
                                     nullptr};
    LV2UI_Widget widget = nullptr;
    std::string bundle = argv[1];
    if (bundle.empty() || bundle.back() != '/') bundle += '/';
    LV2UI_Handle ui = descriptor->instantiate(descriptor, "urn:test", bundle.c_str(), Write,
                                              nullptr, &widget, features);
    const auto* idle = descriptor->extension_data
                           ? static_cast<const LV2UI_Idle_Interface*>(
                                 descriptor->extension_data(LV2_UI__idleInterface))
                           : nullptr;
    if (!ui || !idle || !widget) {
        std::fprintf(stderr, "lv2_ui_host: the UI could not be made\n");
        if (ui) descriptor->cleanup(ui);
        return 1;
    }
    for (int i = 6; i < argc; ++i) {
        const char* equals = std::strchr(argv[i], '=');
        if (!equals) continue;
        const float value = std::strtof(equals + 1, nullptr);
        descriptor->port_event(ui, static_cast<uint32_t>(std::atoi(argv[i])), sizeof value, 0,
                               &value);
    }
    std::printf("shown 0x%lx\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(widget)));
    std::fflush(stdout);
    while (!gStop && idle->idle(ui) == 0)
        usleep(10000);
    descriptor->cleanup(ui);
    std::printf("closed\n");
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
    return 0;
}
