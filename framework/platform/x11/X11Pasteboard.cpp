// The pasteboard on the display's clipboard (the CLIPBOARD selection) for plain text.
#include "X11Connection.h"

#include <X11/Xatom.h>

#include <poll.h>

namespace {

constexpr const char* kPlainText = "public.utf8-plain-text";
// How long another client gets to hand over its clipboard.
constexpr double kTransferWait = 0.5;

std::string UTF8FromLatin1(const std::string& latin1) {
    std::string utf8;
    for (const char c : latin1) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | u >> 6);
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return utf8;
}

} // namespace

bool X11WindowSystem::Connection::OwnsClipboard() const {
    return XGetSelectionOwner(display, clipboard) == helper;
}

void X11WindowSystem::Connection::HandleSelectionRequest(const XSelectionRequestEvent& request) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    // Old clients name no property: the target is the property then.
    const Atom property = request.property ? request.property : request.target;
    const auto found = pasteboard.find(kPlainText);
    // Larger texts would need the incremental protocol; they are refused instead.
    const size_t limit = static_cast<size_t>(XMaxRequestSize(display)) * 4 - 256;
    if (request.selection == clipboard && found != pasteboard.end() &&
        found->second.size() <= limit) {
        const std::string& text = found->second;
        if (request.target == targets) {
            const Atom offered[] = {targets, utf8String, XA_STRING, this->text};
            XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(offered), 4);
            reply.xselection.property = property;
        } else if (request.target == utf8String || request.target == this->text ||
                   request.target == XA_STRING) {
            const bool latin1 = request.target == XA_STRING;
            const std::string bytes = latin1 ? X11Latin1(text) : text;
            XChangeProperty(display, request.requestor, property, latin1 ? XA_STRING : utf8String,
                            8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<int>(bytes.size()));
            reply.xselection.property = property;
        }
    }
    XSendEvent(display, request.requestor, False, 0, &reply);
    XFlush(display);
}

void X11WindowSystem::Connection::HandleSelectionClear() {
    // Another client took the clipboard: its content is new to the pasteboard.
    pasteboard.erase(kPlainText);
    ++pasteboardChangeCount;
}

NSInteger X11WindowSystem::ClearPasteboard() {
    Connection& connection = *mConnection;
    connection.pasteboard.clear();
    if (connection.OwnsClipboard())
        XSetSelectionOwner(connection.display, connection.clipboard, None, CurrentTime);
    return ++connection.pasteboardChangeCount;
}

bool X11WindowSystem::SetPasteboardString(const std::string& type, const std::string& text) {
    Connection& connection = *mConnection;
    connection.pasteboard[type] = text;
    if (type != kPlainText) return true;
    XSetSelectionOwner(connection.display, connection.clipboard, connection.helper, CurrentTime);
    return connection.OwnsClipboard();
}

std::optional<std::string> X11WindowSystem::PasteboardString(const std::string& type) {
    Connection& connection = *mConnection;
    Display* display = connection.display;
    if (type != kPlainText || connection.OwnsClipboard()) {
        const auto found = connection.pasteboard.find(type);
        if (found == connection.pasteboard.end()) return std::nullopt;
        return found->second;
    }
    if (XGetSelectionOwner(display, connection.clipboard) == None) return std::nullopt;

    // Ask the owner for UTF-8 text in a property of our helper window, and wait for its answer.
    XDeleteProperty(display, connection.helper, connection.transfer);
    XConvertSelection(display, connection.clipboard, connection.utf8String, connection.transfer,
                      connection.helper, CurrentTime);
    XFlush(display);
    const double deadline = connection.Now() + kTransferWait;
    XEvent event;
    while (!XCheckTypedWindowEvent(display, connection.helper, SelectionNotify, &event)) {
        if (connection.Now() > deadline) return std::nullopt;
        pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
        poll(&descriptor, 1, 10);
    }
    if (event.xselection.property == None) return std::nullopt;

    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, connection.helper, connection.transfer, 0, 1L << 24, True,
                           AnyPropertyType, &actualType, &actualFormat, &count, &remaining,
                           &data) != Success)
        return std::nullopt;
    std::optional<std::string> text;
    if (data && actualFormat == 8 &&
        (actualType == connection.utf8String || actualType == XA_STRING)) {
        const std::string bytes(reinterpret_cast<const char*>(data), count);
        text = actualType == XA_STRING ? UTF8FromLatin1(bytes) : bytes;
    }
    if (data) XFree(data);
    return text;
}
