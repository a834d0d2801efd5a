// The Windows side of the INI comparison: runs every operation of the case
// list through the system's own private-profile functions and prints one
// result line per operation, in the same form as the Linux driver.
// Built with MinGW-w64 and run under Wine; see CMakeLists.txt.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "CaseFile.h"

namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

std::string Narrow(const wchar_t* w, std::size_t n) {
    if (n == 0) return {};
    const int len =
        WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(n), s.data(), len, nullptr, nullptr);
    return s;
}

// A null pointer where the case says "~".
struct Arg {
    std::wstring text;
    bool null = false;
    const wchar_t* get() const { return null ? nullptr : text.c_str(); }
};

Arg ToArg(const std::optional<std::string>& a) {
    return a ? Arg{Wide(*a), false} : Arg{L"", true};
}

std::string ReadAll(const std::wstring& path, bool& exists) {
    std::ifstream in(path.c_str(), std::ios::binary);
    exists = static_cast<bool>(in);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ini-oracle CASES LANGUAGE\n");
        return 2;
    }
    bool exists = false;
    const std::string list = ReadAll(argv[1], exists);
    if (!exists) {
        std::fprintf(stderr, "ini-oracle: cannot read the case list\n");
        return 2;
    }
    std::vector<oracle::Case> cases;
    try {
        cases = oracle::ParseCases(list);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ini-oracle: %s\n", e.what());
        return 2;
    }
    const std::string language = Narrow(argv[2], wcslen(argv[2]));
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    std::string out;
    for (std::size_t ci = 0; ci < cases.size(); ++ci) {
        const oracle::Case& c = cases[ci];
        if (c.lan != language) continue;
        // A new folder per case: the system caches a profile by name and time stamp.
        const std::wstring folder = std::wstring(cwd) + L"\\case-" + std::to_wstring(ci);
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring file = folder + L"\\profile.ini";
        DeleteFileW(file.c_str());
        if (!c.noFile) {
            std::ofstream f(file.c_str(), std::ios::binary);
            const std::string bytes = oracle::FileBytes(c);
            f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        for (std::size_t k = 0; k < c.ops.size(); ++k) {
            const oracle::Operation& op = c.ops[k];
            std::string result;
            if (op.verb == "get") {
                const Arg section = ToArg(op.args[0]), key = ToArg(op.args[1]),
                          def = ToArg(op.args[2]);
                const DWORD size = static_cast<DWORD>(std::stoul(*op.args[3]));
                std::wstring buf(size + 1, L'#');
                const DWORD n = GetPrivateProfileStringW(section.get(), key.get(), def.get(),
                                                         buf.data(), size, file.c_str());
                result = "\"" + oracle::Escape(Narrow(buf.c_str(), n)) + "\"";
            } else if (op.verb == "names") {
                const DWORD size = static_cast<DWORD>(std::stoul(*op.args[0]));
                std::wstring buf(size, L'#');
                GetPrivateProfileSectionNamesW(buf.data(), size, file.c_str());
                // The buffer as filled: everything up to the untouched filler.
                std::size_t used = buf.size();
                while (used > 0 && buf[used - 1] == L'#') --used;
                result = "\"" + oracle::Escape(Narrow(buf.c_str(), used)) + "\"";
            } else if (op.verb == "set") {
                const Arg section = ToArg(op.args[0]), key = ToArg(op.args[1]),
                          value = ToArg(op.args[2]);
                const BOOL ok =
                    WritePrivateProfileStringW(section.get(), key.get(), value.get(), file.c_str());
                result = ok ? "ok" : "failed";
            } else {
                WritePrivateProfileStringW(nullptr, nullptr, nullptr,
                                           file.c_str());  // flush the cache
                bool there = false;
                const std::string bytes = ReadAll(file, there);
                result = oracle::DescribeFile(bytes, there);
            }
            out += oracle::ResultLine(c, k, op, result) + "\n";
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
