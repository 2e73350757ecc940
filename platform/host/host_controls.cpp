#include "host_controls.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>

namespace hostsim {
namespace {

struct ArmedFailure {
    int callsLeft;
    long code;
};

struct Controls {
    std::mutex mutex;
    // Read before taking the mutex, so that an idle log adds no synchronization
    // that could hide a race from the thread sanitizer.
    std::atomic<bool> recording{false};
    std::vector<RecordedCall> calls;
    std::multimap<std::string, ArmedFailure> failures;
    // Same reason: with nothing armed, a call takes no lock.
    std::atomic<bool> anyArmed{false};
};

Controls& controls() {
    static Controls instance;
    return instance;
}

}  // namespace

void StartRecording() {
    std::lock_guard<std::mutex> hold(controls().mutex);
    controls().calls.clear();
    controls().recording = true;
}

void StopRecording() {
    std::lock_guard<std::mutex> hold(controls().mutex);
    controls().recording = false;
}

std::vector<RecordedCall> RecordedCalls() {
    std::lock_guard<std::mutex> hold(controls().mutex);
    return controls().calls;
}

void Record(const char* function, std::string argument) {
    if (!controls().recording.load(std::memory_order_relaxed)) return;
    std::lock_guard<std::mutex> hold(controls().mutex);
    controls().calls.push_back({function, std::move(argument)});
}

std::string AddressText(const void* address) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", address);
    return text;
}

void FailCall(const std::string& function, int nth, long code) {
    std::lock_guard<std::mutex> hold(controls().mutex);
    controls().failures.insert({function, {nth, code}});
    controls().anyArmed = true;
}

void ClearFaults() {
    std::lock_guard<std::mutex> hold(controls().mutex);
    controls().failures.clear();
    controls().anyArmed = false;
}

long InjectedFailure(const char* function) {
    if (!controls().anyArmed.load(std::memory_order_relaxed)) return 0;
    std::lock_guard<std::mutex> hold(controls().mutex);
    long code = 0;
    auto [first, last] = controls().failures.equal_range(function);
    for (auto it = first; it != last;) {
        if (--it->second.callsLeft == 0) {
            code = it->second.code;
            it = controls().failures.erase(it);
            controls().anyArmed = !controls().failures.empty();
        } else {
            ++it;
        }
    }
    return code;
}

}  // namespace hostsim
