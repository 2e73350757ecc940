#pragma once
// What host tests use to watch and steer the simulated platform: a log of the
// simulated calls, injected failures, and counts of what is still alive.
#include <string>
#include <vector>

namespace hostsim {

struct RecordedCall {
    std::string function;
    std::string argument;
    bool operator==(const RecordedCall& other) const = default;
};

// Recording is off until a test starts it; starting clears the log.
void StartRecording();
void StopRecording();
std::vector<RecordedCall> RecordedCalls();
void Record(const char* function, std::string argument = {});
std::string AddressText(const void* address);

// Makes the nth call of `function`, counted from now (1 is the next), fail with `code`.
// Several failures may be armed at once, for different functions or indices.
void FailCall(const std::string& function, int nth, long code);
void ClearFaults();
// Counts a call of `function`; returns the failure armed for it, or 0.
long InjectedFailure(const char* function);

int LiveCriticalSections();
int LiveHeapBlocks();

}  // namespace hostsim
