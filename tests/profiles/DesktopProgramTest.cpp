// How ornyxctl reads the desktop program's answers, and how both programs
// compare the home it serves with their own.
#include <gtest/gtest.h>

#include <filesystem>

#include "profiles/DesktopProgram.h"
#include "support/TempDir.h"

namespace ornyx::profiles {
namespace {

namespace fs = std::filesystem;

TEST(DesktopProgram, ErrorRepliesMapToTheAnswersTheCommandsWordLikeTheDirectPath) {
    const std::string ours = "org.ornyx.OrnyxMouse1.Error.";
    EXPECT_EQ(AnswerForError(ours + "NoMouse"), ProgramAnswer::NoMouse);
    EXPECT_EQ(AnswerForError(ours + "NoSuchProfile"), ProgramAnswer::NoSuchProfile);
    EXPECT_EQ(AnswerForError(ours + "InvalidName"), ProgramAnswer::InvalidName);
    EXPECT_EQ(AnswerForError(ours + "Exists"), ProgramAnswer::Exists);
    EXPECT_EQ(AnswerForError(ours + "Busy"), ProgramAnswer::Busy);
    EXPECT_EQ(AnswerForError(ours + "Failed"), ProgramAnswer::Failed);
    // Only whole names count: a near miss is a failure, never a milder answer.
    EXPECT_EQ(AnswerForError(ours + "NoMouseAtAll"), ProgramAnswer::Failed);
    EXPECT_EQ(AnswerForError(ours + "busy"), ProgramAnswer::Failed);
    EXPECT_EQ(AnswerForError("org.ornyx.OrnyxMouse1.ErrorBusy"), ProgramAnswer::Failed);
    EXPECT_EQ(AnswerForError("com.example.Error.NoMouse"), ProgramAnswer::Failed);
    EXPECT_EQ(AnswerForError(""), ProgramAnswer::Failed);
}

TEST(DesktopProgram, OnlyACallThatReachedNobodyLetsOrnyxctlWorkDirectly) {
    // The program ended between the look and the call: nothing happened.
    EXPECT_EQ(AnswerForError("org.freedesktop.DBus.Error.ServiceUnknown"),
              ProgramAnswer::NotRunning);
    EXPECT_EQ(AnswerForError("org.freedesktop.DBus.Error.NameHasNoOwner"),
              ProgramAnswer::NotRunning);
    // A call that went out may still be carried out: working directly then
    // would make two processes drive the mouse.
    EXPECT_EQ(AnswerForError("org.freedesktop.DBus.Error.NoReply"), ProgramAnswer::NoAnswer);
    EXPECT_EQ(AnswerForError("org.freedesktop.DBus.Error.Timeout"), ProgramAnswer::NoAnswer);
    EXPECT_EQ(AnswerForError("org.freedesktop.DBus.Error.TimedOut"), ProgramAnswer::NoAnswer);
    EXPECT_EQ(AnswerForError("org.freedesktop.DBus.Error.UnknownMethod"), ProgramAnswer::Failed);
    EXPECT_EQ(AnswerForError("org.freedesktop.DBus.Error.AccessDenied"), ProgramAnswer::Failed);
}

TEST(DesktopProgram, SpellingsOfOneHomeCompareEqualAndOtherHomesDoNot) {
    const test::TempDir dir;
    fs::create_directories(dir / "home" / "sub");
    fs::create_directories(dir / "other");
    const std::string home = CanonicalHome(dir / "home");
    EXPECT_TRUE(fs::path(home).is_absolute()) << home;
    EXPECT_EQ(CanonicalHome(dir.path() / "home" / ""), home);
    EXPECT_EQ(CanonicalHome(dir.path() / "home" / "."), home);
    EXPECT_EQ(CanonicalHome(dir.path() / "home" / "sub" / ".."), home);
    EXPECT_EQ(CanonicalHome(dir.path() / "other" / ".." / "home"), home);
    EXPECT_NE(CanonicalHome(dir / "other"), home);
    EXPECT_NE(CanonicalHome(dir / "home" / "sub"), home);
    // A relative home is the working folder's.
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const std::string relative = CanonicalHome("home");
    fs::current_path(before);
    EXPECT_EQ(relative, home);
    // A home not made yet (the first run creates it) still compares.
    EXPECT_EQ(CanonicalHome(dir.path() / "new" / ".." / "new"), CanonicalHome(dir / "new"));
}

}  // namespace
}  // namespace ornyx::profiles
