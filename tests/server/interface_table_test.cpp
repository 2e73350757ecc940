#include <cstdint>

#include "server/interface_table.h"
#include "tests/support/library_fixture.h"

namespace {

const IID kFirstInterface = {0x11111111, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8}};
const IID kSecondInterface = {0x22222222, 2, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
// Differs from kSecondInterface in its last word only.
const IID kNearlySecond = {0x22222222, 2, 2, {1, 2, 3, 4, 5, 6, 7, 9}};

// One face of an object with two interfaces; AddRef checks that the answer is
// not yet stored when the reference is taken.
struct Face final : IUnknown {
    int* references = nullptr;
    void** watchedOut = nullptr;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override {
        if (watchedOut) {
            EXPECT_EQ(*watchedOut, nullptr) << "stored before AddRef";
        }
        return static_cast<ULONG>(++*references);
    }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--*references); }
};

struct TwoFacedObject {
    int references = 0;
    Face first;
    Face second;
    InterfaceEntry table[3];

    TwoFacedObject() {
        first.references = second.references = &references;
        table[0] = {&kFirstInterface, OffsetOf(first), kInterfaceAtOffset};
        table[1] = {&kSecondInterface, OffsetOf(second), kInterfaceAtOffset};
        table[2] = {nullptr, 0, 0};
    }
    DWORD OffsetOf(const Face& face) const {
        return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(&face) - reinterpret_cast<std::uintptr_t>(this));
    }
    HRESULT Query(REFIID requested, void** out) { return QueryInterfaceFromTable(this, table, requested, out); }
};

struct QueryCase {
    const char* name;
    const IID* requested;
    HRESULT result;
    int face;  // 0: none, 1: first, 2: second
};

void PrintTo(const QueryCase& c, std::ostream* os) { *os << c.name; }

class QueryInterfaceFromTableTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(QueryInterfaceFromTableTest, AnswersFromTheTable) {
    const QueryCase& c = GetParam();
    TwoFacedObject object;
    void* out = &object;  // any value on entry
    object.first.watchedOut = object.second.watchedOut = &out;
    EXPECT_EQ(object.Query(*c.requested, &out), c.result);
    Face* expected = c.face == 1 ? &object.first : c.face == 2 ? &object.second : nullptr;
    EXPECT_EQ(out, static_cast<IUnknown*>(expected));
    EXPECT_EQ(object.references, expected ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QueryInterfaceFromTableTest,
    ::testing::Values(QueryCase{"IUnknownIsTheFirstRow", &IID_IUnknown, S_OK, 1},
                      QueryCase{"FirstRow", &kFirstInterface, S_OK, 1},
                      QueryCase{"LaterRowAtItsOffset", &kSecondInterface, S_OK, 2},
                      QueryCase{"AllFourWordsCompared", &kNearlySecond, E_NOINTERFACE, 0},
                      QueryCase{"Unlisted", &IID_IClassFactory, E_NOINTERFACE, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QueryInterfaceFromTable, NullOutTakesNoReference) {
    TwoFacedObject object;
    EXPECT_EQ(object.Query(kFirstInterface, nullptr), E_POINTER);
    EXPECT_EQ(object.Query(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(object.references, 0);
}

TEST(QueryInterfaceFromTable, IUnknownIsAnsweredWithoutReadingTheRows) {
    TwoFacedObject object;
    object.table[0].interfaceId = nullptr;  // a walk would read through this
    void* out = nullptr;
    EXPECT_EQ(object.Query(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IUnknown*>(&object.first));
}

}  // namespace
