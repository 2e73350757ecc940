// Every registry call of each registration routine, failed in turn: the result,
// what the registry is left holding, and that nothing is left open.
#include <functional>
#include <string>

#include "platform/host/host_registry_controls.h"
#include "registration/class_registration.h"
#include "registration/registry_key.h"
#include "tests/support/addin_registration_fixture.h"
#include "tests/support/class_registration_fixture.h"

namespace {

constexpr LONG kInjected = 1234;
const std::string kRoot = "HKEY_CLASSES_ROOT";
const char kExecutablePath[] = "C:\\Tools\\Host Program.exe";
HINSTANCE const kExecutable = reinterpret_cast<HINSTANCE>(0x400000);

// One registry call of a clean run, and which call of its function it was.
struct Step {
    hostsim::RecordedCall call;
    int nth;
    std::size_t position;
};

struct Outcome {
    HRESULT result;
    RegistrySnapshot registry;
};

bool IsRegistryCall(const hostsim::RecordedCall& call) { return call.function.rfind("Reg", 0) == 0; }

// The key a logged call acted on, below its root, e.g. "CLSID\\{...}": the
// argument without the value name or index that some calls add.
std::string KeyPathOf(const hostsim::RecordedCall& call) {
    std::string path = call.argument;
    if (call.function == "RegSetValueExA") path = path.substr(0, path.rfind(" ["));
    if (call.function == "RegEnumKeyExA") path = path.substr(0, path.rfind(" #"));
    const std::size_t separator = path.find('\\');
    return separator == std::string::npos ? "" : path.substr(separator + 1);
}

bool IsWithin(const std::string& path, const std::string& tree) {
    CaseInsensitiveLess less;
    const auto same = [&](const std::string& a, const std::string& b) { return !less(a, b) && !less(b, a); };
    return same(path, tree) || (path.size() > tree.size() && path[tree.size()] == '\\' &&
                                same(path.substr(0, tree.size()), tree));
}

RegistrySnapshot Without(RegistrySnapshot snapshot, const std::string& tree) {
    std::erase_if(snapshot, [&](const auto& key) { return IsWithin(key.first, tree); });
    return snapshot;
}

// True when `part` holds only keys and values that `whole` holds too.
bool IsPartOf(const RegistrySnapshot& part, const RegistrySnapshot& whole) {
    for (const auto& [path, values] : part) {
        const auto key = whole.find(path);
        if (key == whole.end()) return false;
        for (const auto& [name, value] : values) {
            const auto found = key->second.find(name);
            if (found == key->second.end() || !(found->second == value)) return false;
        }
    }
    return true;
}

class FaultSweepTest : public RegistryTest {
protected:
    using Setup = std::function<void()>;
    using Operation = std::function<HRESULT()>;
    using Check = std::function<void(const Step&, const std::vector<Step>&, const Outcome&)>;

    // Runs `operation` once cleanly to learn its registry calls, then once more
    // for each of them with that call failing.
    void Sweep(HKEY root, const Setup& setup, const Operation& operation, const Check& check) {
        setup();
        hostsim::StartRecording();
        ASSERT_EQ(operation(), S_OK);
        hostsim::StopRecording();
        std::vector<Step> steps;
        std::map<std::string, int> calls;
        const auto recorded = hostsim::RecordedCalls();
        for (std::size_t position = 0; position < recorded.size(); ++position) {
            if (IsRegistryCall(recorded[position])) {
                steps.push_back({recorded[position], ++calls[recorded[position].function], position});
            }
        }
        ASSERT_FALSE(steps.empty());
        for (const Step& step : steps) {
            SCOPED_TRACE(step.call.function + " #" + std::to_string(step.nth) + " on " + step.call.argument);
            setup();
            hostsim::FailCall(step.call.function, step.nth, kInjected);
            const HRESULT result = operation();
            hostsim::ClearFaults();
            EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
            EXPECT_EQ(hostsim::OutstandingTaskMemory(), 0);
            check(step, steps, {result, Snapshot(root)});
        }
    }

    static void RegistryWithClsid() {
        hostsim::ClearRegistry();
        CreateKey(HKEY_CLASSES_ROOT, "CLSID");
    }

    // The registration routine stops, reporting the call, at these; any other
    // failure costs at most what the failed call would have written.
    static void CheckRegistration(const Step& step, const Outcome& outcome, const RegistrySnapshot& full) {
        const std::string path = KeyPathOf(step.call);
        const RegistrySnapshot progIdOnly = Without(full, "QUOR6LINK Developer Studio Add-in");
        RegistrySnapshot classKeyEmpty = Without(full, kClassKey);
        classKeyEmpty[kClassKey] = {};
        const std::map<std::pair<std::string, std::string>, RegistrySnapshot> stops = {
            {{"RegCreateKeyExA", "Quor.DSAddIn.1"}, {{"CLSID", {}}}},
            {{"RegCreateKeyExA", "QUOR6LINK Developer Studio Add-in"}, Without(progIdOnly, kClassKey)},
            {{"RegOpenKeyExA", "CLSID"}, Without(full, kClassKey)},
            {{"RegCreateKeyExA", kClassKey}, Without(full, kClassKey)},
            {{"RegCloseKey", "CLSID"}, classKeyEmpty},
        };
        const auto stop = stops.find({step.call.function, path});
        if (stop != stops.end()) {
            EXPECT_EQ(outcome.result, HRESULT_FROM_WIN32(kInjected));
            EXPECT_EQ(outcome.registry, stop->second);
            return;
        }
        EXPECT_EQ(outcome.result, S_OK);
        if (step.call.function == "RegCloseKey") {
            EXPECT_EQ(outcome.registry, full);
            return;
        }
        EXPECT_NE(outcome.registry, full) << "the failed call wrote nothing";
        EXPECT_TRUE(IsPartOf(outcome.registry, full)) << Describe(outcome.registry);
        EXPECT_EQ(Without(outcome.registry, path), Without(full, path)) << "lost more than " << path;
    }
};

TEST_F(FaultSweepTest, RegisteringAnInprocServer) {
    const RegistrySnapshot full = AddInClassRegistration();
    Sweep(HKEY_CLASSES_ROOT, RegistryWithClsid, [] { return UpdateClassRegistration(1); },
          [&](const Step& step, const std::vector<Step>&, const Outcome& outcome) {
              CheckRegistration(step, outcome, full);
          });
}

TEST_F(FaultSweepTest, RegisteringALocalServer) {
    hostsim::SetExecutableModule(kExecutable);
    hostsim::SetModulePath(kExecutable, kExecutablePath);
    hostsim::SetString(kExecutable, 1, "Host program");
    const RegistrySnapshot full = ClassRegistration("Host program", "LocalServer32", kExecutablePath, std::nullopt);
    const ServerModule module{};
    Sweep(HKEY_CLASSES_ROOT, RegistryWithClsid,
          [&] {
              return RegisterClassKeys(module, CLSID_AddInObject, "Quor.DSAddIn.1",
                                       "QUOR6LINK Developer Studio Add-in", 1, BothThreaded);
          },
          [&](const Step& step, const std::vector<Step>&, const Outcome& outcome) {
              CheckRegistration(step, outcome, full);
          });
}

TEST_F(FaultSweepTest, Unregistering) {
    const RegistrySnapshot unregistered = {{"CLSID", {}}};
    const std::vector<std::string> trees = {"Quor.DSAddIn.1", "QUOR6LINK Developer Studio Add-in", kClassKey};
    Sweep(HKEY_CLASSES_ROOT,
          [] {
              RegistryWithClsid();
              ASSERT_EQ(UpdateClassRegistration(1), S_OK);
          },
          [] { return UpdateClassRegistration(0); },
          [&](const Step& step, const std::vector<Step>&, const Outcome& outcome) {
              EXPECT_EQ(outcome.result, S_OK);
              const std::string path = KeyPathOf(step.call);
              // Which tree the failure may leave standing, in part.
              std::string standing;
              if (step.call.function == "RegCloseKey") {
                  if (step.call.argument == kRoot) standing = kClassKey;  // "CLSID" took the root's place
              } else if (IsWithin(path, "CLSID") && !IsWithin(path, kClassKey)) {
                  standing = kClassKey;
              } else {
                  for (const auto& tree : trees) {
                      if (IsWithin(path, tree)) standing = tree;
                  }
              }
              EXPECT_TRUE(IsPartOf(outcome.registry, AddInClassRegistration()));
              EXPECT_EQ(standing.empty() ? outcome.registry : Without(outcome.registry, standing), unregistered);
          });
}

TEST_F(FaultSweepTest, DeletingAThreeLevelTree) {
    const auto setup = [] {
        hostsim::ClearRegistry();
        for (const char* path : {"Tree\\A\\A1", "Tree\\A\\A2", "Tree\\B", "Sibling"}) {
            CreateKey(HKEY_CLASSES_ROOT, path);
        }
    };
    setup();
    const RegistrySnapshot original = Snapshot(HKEY_CLASSES_ROOT);
    Sweep(HKEY_CLASSES_ROOT, setup,
          [] {
              RegistryKey root(HKEY_CLASSES_ROOT);
              return HRESULT_FROM_WIN32(root.DeleteKeyTree("Tree"));
          },
          [&](const Step& step, const std::vector<Step>& steps, const Outcome& outcome) {
              // An enumeration that found a subkey is followed by the open of it.
              const auto next = std::find_if(steps.begin(), steps.end(),
                                             [&](const Step& s) { return s.position > step.position; });
              const bool foundSubkey = next != steps.end() && next->call.function == "RegOpenKeyExA";
              const bool stops = step.call.function == "RegOpenKeyExA" || step.call.function == "RegDeleteKeyA" ||
                                 (step.call.function == "RegEnumKeyExA" && foundSubkey);
              HRESULT expected = S_OK;
              if (stops) {
                  expected = HRESULT_FROM_WIN32(step.call.function == "RegEnumKeyExA" ? ERROR_ACCESS_DENIED : kInjected);
              }
              EXPECT_EQ(outcome.result, expected);
              RegistrySnapshot left = original;
              for (const Step& s : steps) {
                  if (s.call.function == "RegDeleteKeyA" && (!stops || s.position < step.position)) {
                      left.erase(KeyPathOf(s.call));
                  }
              }
              EXPECT_EQ(outcome.registry, left);
          });
}

TEST_F(FaultSweepTest, AnnouncingTheAddIn) {
    const auto setup = [] {
        hostsim::ClearRegistry();
        CreateKey(HKEY_CURRENT_USER, kAddInList);
    };
    const RegistrySnapshot full = AddInRegistration();
    RegistrySnapshot listOnly = full;
    listOnly.erase(kAddInKey);
    const char* const valueOrder[] = {"Description", "DisplayName", "Filename"};
    Sweep(HKEY_CURRENT_USER, setup, [] { return DllRegisterServer(); },
          [&](const Step& step, const std::vector<Step>&, const Outcome& outcome) {
              const std::string& function = step.call.function;
              if (function == "RegCloseKey") {
                  EXPECT_EQ(outcome.result, S_OK);
                  EXPECT_EQ(outcome.registry, full);
                  return;
              }
              EXPECT_EQ(outcome.result, HRESULT_FROM_WIN32(kInjected));
              if (function == "RegSetValueExA") {
                  RegistrySnapshot expected = full;
                  expected[kAddInKey].erase(valueOrder[step.nth - 1]);
                  EXPECT_EQ(outcome.registry, expected);
              } else {
                  EXPECT_EQ(outcome.registry, listOnly);
              }
          });
}

}  // namespace
