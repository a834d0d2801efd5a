#include <windows.h>

#include <stdexcept>

#include "support/Process.h"

namespace ornyx::test {

namespace fs = std::filesystem;

struct Process::Handle {
    HANDLE process = nullptr;
    bool killed = false;
    int code = 0;
};

namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                        static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) throw std::runtime_error("not UTF-8: " + utf8);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                          wide.data(), n);
    return wide;
}

// One word of a command line as the C runtime's parser splits it again:
// backslashes count only before a quote, where they are doubled.
std::wstring Quote(const std::wstring& word) {
    if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) return word;
    std::wstring quoted = L"\"";
    for (auto it = word.begin();; ++it) {
        std::size_t slashes = 0;
        while (it != word.end() && *it == L'\\') {
            ++it;
            ++slashes;
        }
        if (it == word.end()) {
            quoted.append(slashes * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            quoted.append(slashes * 2 + 1, L'\\');
        } else {
            quoted.append(slashes, L'\\');
        }
        quoted.push_back(*it);
    }
    quoted.push_back(L'"');
    return quoted;
}

// A handle the child inherits; the file is shared so that the test can read
// it while the child still runs.
HANDLE Open(const fs::path& file, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE h =
        ::CreateFileW(file.empty() ? L"NUL" : file.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                      write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot open " + PathArgument(file) + " for a child process");
    }
    return h;
}

}  // namespace

fs::path BesideTests(const fs::path& program) {
    if (program.has_parent_path()) return program;
    std::wstring self(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    self.resize(n);
    return fs::path(self).parent_path() / program;
}

Process::Process(const fs::path& program, const std::vector<std::string>& args,
                 const ProcessSetup& setup)
    : handle_(std::make_unique<Handle>()) {
    const fs::path path = BesideTests(program);
    std::wstring line = L"\"" + path.wstring() + L"\"";
    for (const std::string& arg : args) line += L" " + Quote(Wide(arg));

    const HANDLE in = Open({}, false);
    const HANDLE out = Open(setup.out, true);
    const HANDLE err = !setup.err.empty() && setup.err == setup.out ? out : Open(setup.err, true);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info{};
    const std::wstring folder = setup.folder.empty() ? std::wstring() : setup.folder.wstring();
    // Wine's process start has failed with ERROR_INTERNAL_ERROR, once in some
    // hundreds of starts, which says nothing of the program: it is tried again.
    // Any other failure is the test's to report.
    BOOL started = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) ::Sleep(200);
        started = ::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE,
                                   CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, nullptr,
                                   folder.empty() ? nullptr : folder.c_str(), &startup, &info);
        error = ::GetLastError();
        if (started || error != ERROR_INTERNAL_ERROR) break;
    }
    ::CloseHandle(in);
    ::CloseHandle(out);
    if (err != out) ::CloseHandle(err);
    if (!started) {
        throw std::runtime_error("cannot start " + PathArgument(path) + " (error " +
                                 std::to_string(error) + ")");
    }
    ::CloseHandle(info.hThread);
    handle_->process = info.hProcess;
}

Process::~Process() {
    if (handle_->process != nullptr) {
        Kill();
        Wait();
    }
}

void Process::Kill() {
    if (handle_->process != nullptr && ::TerminateProcess(handle_->process, 1)) {
        handle_->killed = true;
    }
}

int Process::Wait() {
    if (handle_->process != nullptr) {
        const auto code = WaitFor(std::chrono::milliseconds(INFINITE));
        if (!code) throw std::runtime_error("cannot wait for a child process");
    }
    return handle_->code;
}

std::optional<int> Process::WaitFor(std::chrono::milliseconds limit) {
    if (handle_->process == nullptr) return handle_->code;
    const DWORD wait = limit.count() >= INFINITE ? INFINITE : static_cast<DWORD>(limit.count());
    if (::WaitForSingleObject(handle_->process, wait) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(handle_->process, &code);
    ::CloseHandle(handle_->process);
    handle_->process = nullptr;
    // Killed: negative, as a signal is on POSIX.
    handle_->code = handle_->killed ? -1 : static_cast<int>(code);
    return handle_->code;
}

bool Process::Running() {
    return handle_->process != nullptr && !WaitFor(std::chrono::milliseconds(0));
}

}  // namespace ornyx::test
