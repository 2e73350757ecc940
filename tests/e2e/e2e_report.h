#pragma once
// Shared by the e2e programs, which are started alike and print alike: a
// PASS/FAIL line per check, a count at the end, the same texts in details.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/hresult_names.h"

// Called first in main(). Returns the DLL's path, the only argument, or null
// after a usage line.
inline const char* StartProgram(int argc, char** argv) {
    // Unbuffered, so a crash inside the DLL still leaves the steps before it visible.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <Windows path of QUOR6LINK.dll>\n", argv[0]);
        return nullptr;
    }
    return argv[1];
}

inline std::string Hex(unsigned long long value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, value);
    return text;
}

// Space-separated pairs of hex digits.
inline std::string BytesText(const unsigned char* bytes, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        char b[4];
        std::snprintf(b, sizeof b, "%s%02X", i ? " " : "", bytes[i]);
        text += b;
    }
    return text;
}

inline std::string HrText(HRESULT hr) {
    const char* name = HrName(hr);
    return name ? name : HrCode(hr);
}

inline std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

inline std::string ErrorText(LONG code) { return code == ERROR_SUCCESS ? "done" : "error " + std::to_string(code); }

class Report {
public:
    void Section(const std::string& title) { std::printf("\n[%s]\n", title.c_str()); }

    bool Check(bool ok, const std::string& what, const std::string& detail = {}) {
        std::printf("  %s  %s%s%s\n", ok ? "PASS" : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
        (ok ? passed_ : failed_)++;
        return ok;
    }

    bool CheckHr(HRESULT got, HRESULT want, const std::string& what) {
        return Check(got == want, what, got == want ? HrText(got) : HrText(got) + ", expected " + HrText(want));
    }

    void Note(const std::string& text) { std::printf("        %s\n", text.c_str()); }

    int Summary() const {
        std::printf("\n%d passed, %d failed\n", passed_, failed_);
        return failed_ == 0 ? 0 : 1;
    }

private:
    int passed_ = 0;
    int failed_ = 0;
};
