#include "host_controls.h"

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
    bool recording = false;
    std::vector<RecordedCall> calls;
    std::multimap<std::string, ArmedFailure> failures;
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
    std::lock_guard<std::mutex> hold(controls().mutex);
    if (controls().recording) controls().calls.push_back({function, std::move(argument)});
}

std::string AddressText(const void* address) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", address);
    return text;
}

void FailCall(const std::string& function, int nth, long code) {
    std::lock_guard<std::mutex> hold(controls().mutex);
    controls().failures.insert({function, {nth, code}});
}

void ClearFaults() {
    std::lock_guard<std::mutex> hold(controls().mutex);
    controls().failures.clear();
}

long InjectedFailure(const char* function) {
    std::lock_guard<std::mutex> hold(controls().mutex);
    long code = 0;
    auto [first, last] = controls().failures.equal_range(function);
    for (auto it = first; it != last;) {
        if (--it->second.callsLeft == 0) {
            code = it->second.code;
            it = controls().failures.erase(it);
        } else {
            ++it;
        }
    }
    return code;
}

}  // namespace hostsim
