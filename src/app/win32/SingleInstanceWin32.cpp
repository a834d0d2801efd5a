#include <windows.h>

#include <QDir>
#include <QThread>
#include <algorithm>
#include <chrono>

#include "app/SingleInstance.h"
#include "common/BuildInfo.h"

namespace ornyx::app {

namespace {

QString LastErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length > 0 ? QString::fromWCharArray(text, static_cast<int>(length)).trimmed()
                                 : QStringLiteral("error %1").arg(code);
    if (text != nullptr) LocalFree(text);
    return message;
}

// Pipes are seen by the whole machine: the name holds the session and the
// user, so that another session's instance is not the one that is asked.
QString PipeName() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    wchar_t user[256] = {};
    DWORD size = static_cast<DWORD>(std::size(user));
    if (!GetUserNameW(user, &size)) user[0] = L'\0';
    QString name = QString::fromUtf8(kAppId) + "-" + QString::number(session) + "-" +
                   QString::fromWCharArray(user);
    // A pipe's name may hold no backslash; a user name should not either.
    name.replace(u'\\', u'_');
    return name;
}

}  // namespace

QString SingleInstance::DefaultFallbackFolder() {
    return QDir::tempPath();
}

SingleInstance::SingleInstance(const QString&) {
    // Not owned: its existence is the mark, and it goes with the last handle.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Z93Mutex");
    const DWORD error = GetLastError();
    if (mutex == nullptr) {
        // As on Linux, a lock we cannot take must not keep the user from the mouse.
        acquired_ = true;
        problem_ = "Z93Mutex: " + LastErrorText(error);
        return;
    }
    acquired_ = error != ERROR_ALREADY_EXISTS;
    lock_ = reinterpret_cast<std::intptr_t>(mutex);
    path_ = QStringLiteral("Z93Mutex");
    socket_ = PipeName();
}

SingleInstance::~SingleInstance() {
    if (lock_ != -1) CloseHandle(reinterpret_cast<HANDLE>(lock_));
}

namespace {

// One attempt: -1 when nobody listens yet (worth another try), 0 on an
// answer, 1 on a broken exchange.
int TryActivate(const std::wstring& pipe, const QByteArray& request, int waitMs, QString& error) {
    HANDLE handle = CreateFileW(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        error = LastErrorText(code);
        if (code == ERROR_PIPE_BUSY) WaitNamedPipeW(pipe.c_str(), static_cast<DWORD>(waitMs));
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PIPE_BUSY ? -1 : 1;
    }
    DWORD written = 0;
    if (!WriteFile(handle, request.constData(), static_cast<DWORD>(request.size()), &written,
                   nullptr) ||
        written != static_cast<DWORD>(request.size())) {
        error = "the running instance closed the connection";
        CloseHandle(handle);
        return 1;
    }
    // A blocking read could wait for ever on an instance that hangs: peek
    // until the deadline instead.
    QByteArray reply;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (!reply.contains('\n') && reply.size() <= kMaxRequest &&
           std::chrono::steady_clock::now() < deadline) {
        DWORD available = 0;
        if (!PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr)) break;
        if (available == 0) {
            Sleep(10);
            continue;
        }
        char buffer[64];
        DWORD n = 0;
        if (!ReadFile(handle, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr) ||
            n == 0)
            break;
        reply.append(buffer, static_cast<qsizetype>(n));
    }
    CloseHandle(handle);
    if (reply.startsWith("ok\n")) return 0;
    error = "the running instance did not answer";
    return 1;
}

}  // namespace

bool ActivateRunningInstance(const QString& socketPath, const QByteArray& token, int timeoutMs,
                             QString& error) {
    // Windows hands the focus on only when the process in front allows it:
    // that is this one, started by the user a moment ago.
    AllowSetForegroundWindow(ASFW_ANY);
    QByteArray request = "activate";
    if (!token.isEmpty() && !token.contains('\n') && token.size() < kMaxRequest / 2) {
        request += ' ' + token;
    }
    request += '\n';
    const std::wstring pipe = (QStringLiteral("\\\\.\\pipe\\") + socketPath).toStdWString();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int outcome =
            TryActivate(pipe, request, std::max<int>(static_cast<int>(left.count()), 200), error);
        if (outcome >= 0) return outcome == 0;
        if (left.count() <= 0) {
            error = "no running instance answers on " + socketPath + " (" + error + ")";
            return false;
        }
        QThread::msleep(50);
    }
}

}  // namespace ornyx::app
