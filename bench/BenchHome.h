#pragma once

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "session/Defaults.h"

namespace ornyx::bench {

// A program home under /tmp with the default files and the skins beside the
// benchmark program; empty when either cannot be made. `name` names the
// benchmark in the folder and in the message.
inline std::filesystem::path MakeHome(const char* name) {
    std::string pattern = std::string("/tmp/ornyx-") + name + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    const std::filesystem::path home = pattern;
    session::InitProgramHome(settings::ProgramPaths::ForHome(home));
    const auto skins =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "Skins";
    std::error_code ec;
    std::filesystem::copy(skins, home / "Skins", std::filesystem::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "%s: no skins beside the program (%s)\n", name, ec.message().c_str());
        return {};
    }
    return home;
}

}  // namespace ornyx::bench
