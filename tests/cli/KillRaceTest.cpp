// ornyxctl killed at random moments, and run side by side: every file of the
// home is always its old or its new content, a half-done import is finished by
// the next command, and nothing a writer did is lost to another.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <thread>

#include "cli/CliRun.h"
#include "settings/HomeLock.h"
#include "support/TempDir.h"

namespace ornyx::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kFiles = {"config.bin", "str.ini", "record.ini"};

// The three files of a home; nullopt for one that is not there.
using Home = std::map<std::string, std::optional<std::vector<std::uint8_t>>>;

Home Take(const fs::path& home) {
    Home h;
    for (const std::string& name : kFiles) {
        if (fs::exists(home / name)) {
            h[name] = ReadBytes(home / name);
        } else {
            h[name] = std::nullopt;
        }
    }
    return h;
}

void Restore(const fs::path& home, const Home& h) {
    fs::remove_all(home);
    fs::create_directories(home);
    for (const auto& [name, bytes] : h) {
        if (bytes) WriteBytes(home / name, *bytes);
    }
}

// Files other than ours and the lock: temporary files, a journal.
std::vector<std::string> Leftovers(const fs::path& home) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(home)) {
        const std::string name = e.path().filename().string();
        if (name != settings::kLockFileName &&
            std::find(kFiles.begin(), kFiles.end(), name) == kFiles.end()) {
            names.push_back(name);
        }
    }
    return names;
}

nlohmann::json Profile(const fs::path& file) {
    return nlohmann::json::parse(ReadText(file));
}

void SetFirstLabel(nlohmann::json& doc, const std::string& label) {
    for (auto& [mode, slots] : doc["buttons"].items()) {
        if (slots.is_array() && !slots.empty()) slots[0]["label"] = label;
    }
}

// An old home with macros and labels, a profile that changes all three files,
// and the homes each command leaves when it runs to the end.
struct Scenario {
    TempDir dir;
    fs::path work = dir / "home";
    fs::path profile = dir / "new.json";
    Home old, afterImport, afterPack, afterImportThenPack, afterInit;

    Scenario() {
        const fs::path base = dir / "base";
        EXPECT_EQ(RunCli(base, {"init"}), 0);
        EXPECT_EQ(RunCli(base, {"export", (dir / "base.json").string()}), 0);
        nlohmann::json doc = Profile(dir / "base.json");
        doc["macros"] = {
            {{"name", "Old"}, {"loop_times", "1"}, {"items", {"A   Dn", "20 ms", "A   Up"}}}};
        SetFirstLabel(doc, "Old label");
        WriteText(dir / "old.json", doc.dump());
        EXPECT_EQ(RunCli(base, {"import", (dir / "old.json").string()}), 0);
        old = Take(base);

        doc["macros"] = {
            {{"name", "Burst"}, {"loop_times", "3"}, {"items", {"B   Dn", "50 ms", "B   Up"}}},
            {{"name", "Fire"}, {"loop_times", "2"}, {"items", {"C   Dn", "C   Up"}}}};
        doc["pointer"]["speed"] = 9;
        SetFirstLabel(doc, "New label");
        WriteText(profile, doc.dump());

        Restore(work, old);
        EXPECT_EQ(RunCli(work, {"import", profile.string()}), 0);
        afterImport = Take(work);
        EXPECT_EQ(RunCli(work, {"macro", "pack"}), 0);
        afterImportThenPack = Take(work);
        Restore(work, old);
        EXPECT_EQ(RunCli(work, {"macro", "pack"}), 0);
        afterPack = Take(work);
        fs::remove_all(work);
        EXPECT_EQ(RunCli(work, {"init"}), 0);
        afterInit = Take(work);
        for (const std::string& name : kFiles) {
            EXPECT_NE(old.at(name), afterImport.at(name))
                << name << " must change for the test to tell";
        }
        EXPECT_NE(old.at("config.bin"), afterPack.at("config.bin"));
        EXPECT_NE(afterImport.at("config.bin"), afterImportThenPack.at("config.bin"));
    }
};

struct Operation {
    std::string name;
    std::vector<std::string> args;
    std::vector<std::string> next;  // the command that runs after the kill
    const Home* before;
    const Home* after;
    Clock::duration typical{};
};

TEST(KillTest, EveryFileIsOldOrNewAndTheNextCommandCleansUp) {
    Scenario s;
    const Home empty = {
        {"config.bin", std::nullopt}, {"str.ini", std::nullopt}, {"record.ini", std::nullopt}};
    std::vector<Operation> ops = {
        {"import", {"import", s.profile.string()}, {"macro", "list"}, &s.old, &s.afterImport},
        {"macro pack", {"macro", "pack"}, {"macro", "list"}, &s.old, &s.afterPack},
        {"init", {"init"}, {"init"}, &empty, &s.afterInit},
    };
    // How long each takes when left alone: the kills fall anywhere in that span.
    for (Operation& op : ops) {
        const auto start = Clock::now();
        for (int i = 0; i < 3; ++i) {
            Restore(s.work, *op.before);
            ASSERT_EQ(RunCli(s.work, op.args), 0) << op.name;
        }
        op.typical = (Clock::now() - start) / 3;
    }

    std::mt19937 random(20261208);
    const auto budget = std::chrono::seconds(60);
    const auto start = Clock::now();
    int kills = 0, finished = 0, journals = 0, mixed = 0;
    for (int round = 0; round < 300 && Clock::now() - start < budget; ++round) {
        const Operation& op = ops[static_cast<std::size_t>(round) % ops.size()];
        Restore(s.work, *op.before);
        const auto micros =
            std::chrono::duration_cast<std::chrono::microseconds>(op.typical).count();
        std::uniform_int_distribution<long> delay(0, micros - micros / 8);
        {
            Child child(s.work, op.args);
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
            child.Kill();
            if (child.Wait() == 0) ++finished;
        }
        ++kills;
        const Home now = Take(s.work);
        bool anyNew = false, anyOld = false;
        for (const std::string& name : kFiles) {
            const bool isOld = now.at(name) == op.before->at(name);
            const bool isNew = now.at(name) == op.after->at(name);
            ASSERT_TRUE(isOld || isNew)
                << op.name << " round " << round << ": " << name << " is neither";
            anyNew = anyNew || (isNew && !isOld);
            anyOld = anyOld || (isOld && !isNew);
        }
        if (fs::exists(s.work / settings::kJournalFileName)) ++journals;
        if (anyNew && anyOld) ++mixed;

        ASSERT_EQ(RunCli(s.work, op.next), 0) << op.name << " round " << round;
        EXPECT_EQ(Leftovers(s.work), std::vector<std::string>{}) << op.name << " round " << round;
        const Home settled = Take(s.work);
        if (op.name == "init") {
            // A second init completes whatever the first one did not.
            EXPECT_EQ(settled, *op.after) << "round " << round;
        } else {
            EXPECT_TRUE(settled == *op.before || settled == *op.after)
                << op.name << " round " << round;
        }
    }
    std::cout << kills << " kills (" << finished << " after the command had finished), " << journals
              << " interrupted imports finished from the journal, " << mixed
              << " mixed states right after a kill\n";
    EXPECT_GE(kills, 30) << "too few kills in the time allowed to mean anything";
}

TEST(RaceTest, ImportAndMacroPackSideBySideLoseNothing) {
    Scenario s;
    int importFirst = 0, packFirst = 0;
    for (int round = 0; round < 100; ++round) {
        Restore(s.work, s.old);
        Child import(s.work, {"import", s.profile.string()});
        Child pack(s.work, {"macro", "pack"});
        ASSERT_EQ(import.Wait(), 0) << "round " << round;
        ASSERT_EQ(pack.Wait(), 0) << "round " << round;
        const Home now = Take(s.work);
        // One after the other, in either order; never one's config.bin lost to the other.
        if (now == s.afterImportThenPack) {
            ++importFirst;
        } else if (now == s.afterImport) {
            ++packFirst;
        } else {
            FAIL() << "round " << round << ": the files match neither order";
        }
        ASSERT_EQ(Leftovers(s.work), std::vector<std::string>{});
    }
    std::cout << importFirst << " times import first, " << packFirst << " times macro pack first\n";
}

}  // namespace
}  // namespace ornyx::test
