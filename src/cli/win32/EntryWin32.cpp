#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "common/Utf8.h"

// The arguments as the system has them (UTF-16), so that a folder named in
// any script reaches the program whole; the ANSI ones would lose letters.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> words;
    words.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        const std::wstring word(argv[i]);
        words.push_back(ornyx::utf8::FromUtf16(std::u16string(word.begin(), word.end())));
    }
    std::vector<char*> pointers;
    for (std::string& word : words) pointers.push_back(word.data());
    pointers.push_back(nullptr);
    // Our texts are UTF-8, and lines end in "\n" as everywhere else.
    ::SetConsoleOutputCP(CP_UTF8);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    return ornyx::cli::RunOrnyxctl(argc, pointers.data());
}
