#include "app/AppOptions.h"

#include <gtest/gtest.h>

namespace ornyx::app {
namespace {

std::optional<AppOptions> Parse(const QStringList& arguments, QString& message, int& exitCode) {
    return ParseAppOptions(QStringList{"ornyx-mouse"} + arguments, message, exitCode);
}

// Qt's own -platform is for QGuiApplication: ours to pass, not to refuse,
// in either spelling Qt takes; the options around it still count.
TEST(AppOptionsTest, QtsPlatformOptionIsLeftToQt) {
    QString message;
    int exitCode = -1;
    for (const QString& spelling : {QString("-platform"), QString("--platform")}) {
        const auto options = Parse(
            {"--simulate", spelling, "offscreen", "--screenshot", "shot.png"}, message, exitCode);
        ASSERT_TRUE(options) << message.toStdString();
        EXPECT_EQ(options->platform, "offscreen");
        EXPECT_EQ(options->screenshot, "shot.png");
        EXPECT_TRUE(options->show);
        EXPECT_TRUE(options->simulate);
    }
    // Without its value it is no option of Qt's either.
    EXPECT_FALSE(Parse({"-platform"}, message, exitCode));
    EXPECT_EQ(exitCode, 2);
    EXPECT_FALSE(Parse({"--show", "stray"}, message, exitCode));
    EXPECT_EQ(exitCode, 2);
    EXPECT_TRUE(message.contains("unexpected argument: stray")) << message.toStdString();
}

}  // namespace
}  // namespace ornyx::app
