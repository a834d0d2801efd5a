#include <windows.h>

#include <shellapi.h>

#include "app/Platform.h"

namespace ornyx::app {

QStringList CommandLineArguments(int argc, char** argv) {
    QStringList arguments;
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) arguments << QString::fromWCharArray(wide[i]);
        LocalFree(wide);
        return arguments;
    }
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace ornyx::app
