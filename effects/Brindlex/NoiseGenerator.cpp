#include "NoiseGenerator.h"

#include <mutex>
#include <vector>

namespace {
// Which stream numbers live instances hold. Instances are made and destroyed on any thread,
// never on the audio path. Never destroyed, so an instance outliving the statics still finds it.
struct HeldStreams {
    std::mutex mutex;
    std::vector<bool> held;
};

HeldStreams& Streams() {
    static HeldStreams* streams = new HeldStreams;
    return *streams;
}
} // namespace

NoiseStream::NoiseStream() {
    HeldStreams& streams = Streams();
    std::lock_guard<std::mutex> lock(streams.mutex);
    mNumber = 0;
    while (mNumber < streams.held.size() && streams.held[mNumber])
        ++mNumber;
    if (mNumber == streams.held.size()) streams.held.push_back(false);
    streams.held[mNumber] = true;
}

NoiseStream::~NoiseStream() {
    HeldStreams& streams = Streams();
    std::lock_guard<std::mutex> lock(streams.mutex);
    streams.held[mNumber] = false;
}
