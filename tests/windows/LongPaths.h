// Listing and removing folders of any length through the system: the C
// runtime's directory reading under std::filesystem lists the working folder
// instead of a folder path past MAX_PATH.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace ornyx::test {

namespace fs = std::filesystem;

// The folder in the \\?\ form, which takes any length.
inline std::wstring LongForm(const fs::path& dir) {
    const std::wstring& text = dir.native();
    return text.rfind(LR"(\\?\)", 0) == 0 ? text : LR"(\\?\)" + fs::absolute(dir).native();
}

inline std::vector<std::string> EntryNames(const fs::path& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE find = ::FindFirstFileW((LongForm(dir) + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(fs::path(name).string());
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

inline void RemoveTree(const fs::path& dir) {
    const std::wstring root = LongForm(dir);
    WIN32_FIND_DATAW found{};
    const HANDLE find = ::FindFirstFileW((root + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(root + L"\\" + name);
            } else {
                ::DeleteFileW((root + L"\\" + name).c_str());
            }
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(root.c_str());
}

}  // namespace ornyx::test
