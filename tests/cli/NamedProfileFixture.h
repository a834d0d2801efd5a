// `ornyxctl profile` on the simulated mouse: the fixture of both suites (the
// one every system runs, and the one that needs a POSIX shell).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/TempDir.h"

namespace ornyx::test {

namespace fs = std::filesystem;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class NamedProfileTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path home = dir / "home";

    void SetUp() override {
        fs::create_directories(home);
        ASSERT_EQ(Run("init").exitCode, 0);
        // Every apply sets the first-run flag: set once, every document keeps it.
        ASSERT_EQ(Run("--simulate apply").exitCode, 0);
    }

    // `ornyxctl --home home ARGS` in the test's folder, without a shell: ARGS
    // are split at spaces, and '...' keeps a word whole (an empty one too).
    Result Run(const std::string& args) {
        std::vector<std::string> words = {"--home", "home"};
        std::string word;
        bool inWord = false, quoted = false;
        for (const char c : args) {
            if (c == '\'') {
                quoted = !quoted;
                inWord = true;
            } else if (c == ' ' && !quoted) {
                if (inWord) words.push_back(word);
                word.clear();
                inWord = false;
            } else {
                word += c;
                inWord = true;
            }
        }
        if (inWord) words.push_back(word);
        const auto out = dir / "stdout.txt";
        const auto err = dir / "stderr.txt";
        std::optional<int> code;
        {
            Process child(ORNYXCTL_PATH, words, {dir.path(), out, err});
            code = child.WaitFor(std::chrono::minutes(2));
        }
        Result r;
        r.exitCode = code.value_or(-1);
        r.out = ReadText(out);
        r.err = ReadText(err);
        if (!code) r.err += "\n(killed: still running after two minutes)";
        return r;
    }

    std::string Export() {
        const Result r = Run("export -");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }

    // A different report rate and first label, through the import.
    void Change(int hz, const std::string& label) {
        nlohmann::ordered_json doc = nlohmann::ordered_json::parse(Export());
        doc["report_rate_hz"] = hz;
        doc["buttons"]["A"][0]["label"] = label;
        WriteText(dir / "changed.json", doc.dump(2));
        const Result r = Run("import changed.json");
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    std::vector<std::string> Lines(const fs::path& file) {
        std::vector<std::string> lines;
        std::istringstream in(ReadText(file));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::map<std::string, std::string> HomeFiles() {
        std::map<std::string, std::string> files;
        for (const char* name : {"config.bin", "str.ini", "record.ini", "active-profile"}) {
            files[name] = fs::exists(home / name) ? ReadText(home / name) : "<none>";
        }
        return files;
    }

    nlohmann::json Active() { return nlohmann::json::parse(ReadText(home / "active-profile")); }
};

}  // namespace ornyx::test
