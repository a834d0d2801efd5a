# The sources of the core and CLI suites, relative to tests/: the Linux build
# (tests/CMakeLists.txt) and the Windows one (tests/windows/CMakeLists.txt)
# both build these, so a test added here runs on both systems.
set(ORNYX_CORE_TEST_SOURCES
  common/AtomicFileTest.cpp common/BoundedReadTest.cpp common/CodePageTest.cpp
  common/NumberTest.cpp
  profile/IniIndexTest.cpp profile/PrivateProfileTest.cpp
  settings/ConfigurationTest.cpp settings/HomeSafetyTest.cpp
  i18n/TextSettingsTest.cpp i18n/TextsTest.cpp
  device/CommandsTest.cpp device/DiscoveryTest.cpp device/ReportDescriptorTest.cpp
  device/TransportTest.cpp
  keys/ButtonAssignmentTest.cpp keys/KeyFunctionTest.cpp keys/KeyTablesTest.cpp keys/ScanCodesTest.cpp
  performance/DpiTest.cpp performance/LightingTest.cpp performance/PointerSettingsTest.cpp
  macros/MacroPackingTest.cpp macros/MacroRecorderTest.cpp macros/MacroStoreTest.cpp
  macros/ReadBackTest.cpp
  session/ApplyTest.cpp session/ConnectionTest.cpp session/ProfileJsonTest.cpp
  session/ReaderStopTest.cpp session/SessionTest.cpp
  profiles/AppRulesTest.cpp profiles/DesktopProgramTest.cpp profiles/ProfileNameTest.cpp
  profiles/ProfileStoreTest.cpp
  focus/NamesOfWindowTest.cpp
  support/DeviceFixture.h support/Process.h support/RunOrnyxctl.h support/TempDir.cpp
  support/TempDir.h)

# What only a POSIX system can set up: links, FIFOs, sockets, modes, the
# umask, another user's files, flock, the file size limit. The Windows build
# leaves these out (tests/windows/CMakeLists.txt says why, file by file).
set(ORNYX_CORE_TEST_SOURCES_POSIX
  common/AtomicFilePosixTest.cpp profile/PrivateProfilePosixTest.cpp
  settings/ConfigurationPosixTest.cpp settings/HomeSafetyPosixTest.cpp
  session/SessionPosixTest.cpp profiles/AppRulesPosixTest.cpp profiles/ProfileStorePosixTest.cpp)

# The command-line suite: the real ornyxctl against the simulated mouse.
set(ORNYX_CLI_TEST_SOURCES
  cli/BoundsTest.cpp cli/CliRun.h cli/CliTest.cpp cli/FailureTest.cpp cli/HomeFilesTest.cpp
  cli/NamedProfileTest.cpp cli/NamedProfileFixture.h cli/ProfileRulesTest.cpp
  support/Process.h support/RunOrnyxctl.h support/TempDir.cpp)

# Its cases that need a POSIX system: links, pipes, /dev/full, the umask, a
# file-size limit, the desktop program; and the kill races.
set(ORNYX_CLI_TEST_SOURCES_POSIX
  cli/CliPosixTest.cpp cli/HomeFilesPosixTest.cpp cli/KillRaceTest.cpp
  cli/NamedProfilePosixTest.cpp)
