# The core layers: standard C++ only, no Qt. Included by src/ and by the fuzz
# harnesses' own project, so both build the same files.
#
# Each layer links exactly the layers it may use (PUBLIC where its headers
# include them), which keeps the graph acyclic; docs/ARCHITECTURE.md draws it.

ornyx_layer(ornyx_common DIR common FILES
  AtomicFile.cpp AtomicFile.h
  CodePage.cpp CodePage.h
  DebugLog.cpp DebugLog.h
  HandOver.cpp HandOver.h
  Hex.cpp Hex.h
  MessageSink.h
  Number.cpp Number.h
  Utf8.cpp Utf8.h)
ornyx_platform_files(ornyx_common DIR common FILES AtomicFile CodePage)
# Generated outside the layer's include root, which is laid out anew at every
# configure: configure_file keeps the file's time when nothing changed, so a
# configure does not rebuild what includes it.
configure_file(${ORNYX_SRC_DIR}/common/BuildInfo.h.in ${CMAKE_BINARY_DIR}/generated/common/BuildInfo.h @ONLY)
target_include_directories(ornyx_common PUBLIC ${CMAKE_BINARY_DIR}/generated)

ornyx_layer(ornyx_profile DIR profile FILES
  PrivateProfile.cpp PrivateProfile.h
  PUBLIC ornyx_common)

ornyx_layer(ornyx_settings DIR settings FILES
  Configuration.cpp Configuration.h
  HomeFiles.h
  HomeLock.cpp HomeLock.h
  ProgramHome.cpp ProgramHome.h
  SettingsImage.cpp SettingsImage.h
  PUBLIC ornyx_common)
ornyx_platform_files(ornyx_settings DIR settings FILES HomeLock ProgramHome)

ornyx_layer(ornyx_i18n DIR i18n FILES
  Language.cpp Language.h
  TextSettings.cpp TextSettings.h
  Texts.cpp Texts.h
  PUBLIC ornyx_common ornyx_settings
  PRIVATE ornyx_profile)

# The wire: frames, transport, discovery, the event reader. Knows nothing of
# the settings image.
ornyx_layer(ornyx_device DIR device FILES
  Backend.h
  Commands.cpp Commands.h
  Connection.h
  DeviceLink.cpp DeviceLink.h
  DeviceMonitor.h
  DeviceState.h
  Discovery.cpp Discovery.h
  EventQueue.cpp EventQueue.h
  EventReader.cpp EventReader.h
  HidAccess.h
  Pacer.cpp Pacer.h
  ReportDescriptor.cpp ReportDescriptor.h
  Trace.cpp Trace.h
  Transport.cpp Transport.h
  WakeSignal.h
  PUBLIC ornyx_common)
ornyx_platform_files(ornyx_device DIR device FILES WakeSignal)

# The firmware's memory and its answers, shared by the simulator and the uhid mouse.
ornyx_layer(ornyx_firmware DIR device/firmware FILES
  FirmwareModel.cpp FirmwareModel.h
  PRIVATE ornyx_common ornyx_device)

ornyx_layer(ornyx_sim DIR device/sim FILES
  SimMouse.cpp SimMouse.h
  PUBLIC ornyx_device ornyx_firmware)

ornyx_layer(ornyx_keys DIR keys FILES
  KeyFunction.cpp KeyFunction.h
  KeyTables.cpp KeyTables.h
  ButtonAssignment.cpp ButtonAssignment.h
  ScanCodes.cpp ScanCodes.h
  PUBLIC ornyx_i18n ornyx_settings)

ornyx_layer(ornyx_performance DIR performance FILES
  Dpi.cpp Dpi.h
  Lighting.cpp Lighting.h
  PointerSettings.cpp PointerSettings.h
  PUBLIC ornyx_common ornyx_i18n ornyx_settings)

ornyx_layer(ornyx_macros DIR macros FILES
  MacroItems.cpp MacroItems.h
  MacroPacking.cpp MacroPacking.h
  MacroRecorder.cpp MacroRecorder.h
  MacroStore.cpp MacroStore.h
  PUBLIC ornyx_common ornyx_i18n ornyx_settings
  PRIVATE ornyx_keys ornyx_profile)

# The application's use cases over the wire and the settings image: the
# connection with its handshake and event texts, apply and read-back, the
# program home's defaults, profiles.
ornyx_layer(ornyx_session DIR session FILES
  Apply.cpp Apply.h
  Defaults.cpp Defaults.h
  MouseConnection.cpp MouseConnection.h
  ProfileJson.cpp ProfileJson.h
  Session.cpp Session.h
  PUBLIC ornyx_common ornyx_device ornyx_sim ornyx_i18n ornyx_settings nlohmann_json::nlohmann_json
  PRIVATE ornyx_keys ornyx_performance ornyx_profile)

# Named profiles: the home's files as one document each, the active one, the
# switch between them. Names are compared in one case and composition: ICU
# here, the system's own normaliser on Windows.
ornyx_layer(ornyx_profiles DIR profiles FILES
  AppRules.cpp AppRules.h
  DesktopProgram.cpp DesktopProgram.h
  HomeProfile.cpp HomeProfile.h
  NameFold.h
  ProfileName.cpp ProfileName.h
  ProfileStore.cpp ProfileStore.h
  ProfileSwitch.cpp ProfileSwitch.h
  PUBLIC ornyx_common ornyx_macros ornyx_session ornyx_settings nlohmann_json::nlohmann_json
  PRIVATE ornyx_i18n ornyx_profile)
if(WIN32)
  ornyx_platform_files(ornyx_profiles DIR profiles FILES NameFold LINK normaliz)
else()
  find_package(ICU REQUIRED COMPONENTS uc)
  ornyx_platform_files(ornyx_profiles DIR profiles FILES NameFold LINK ICU::uc)
endif()

# The application in front: what a desktop's watcher reports, and how a
# window's properties name its application. The watchers themselves are
# platform libraries (focus/xcb).
ornyx_layer(ornyx_focus DIR focus FILES
  FocusWatcher.cpp FocusWatcher.h)

# The windows' layout table: plain data, no code, shared by the windows, the
# skin painter and the tests.
file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/layers/ornyx_layout)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/layers/ornyx_layout/layout)
file(CREATE_LINK ${ORNYX_SRC_DIR}/layout/WindowLayout.h ${CMAKE_BINARY_DIR}/layers/ornyx_layout/layout/WindowLayout.h SYMBOLIC)
add_library(ornyx_layout INTERFACE)
target_include_directories(ornyx_layout INTERFACE ${CMAKE_BINARY_DIR}/layers/ornyx_layout)

# Everything without Qt or a platform library, for the tests and benchmarks.
add_library(ornyx_core INTERFACE)
target_link_libraries(ornyx_core INTERFACE
  ornyx_common ornyx_profile ornyx_settings ornyx_i18n ornyx_device ornyx_firmware ornyx_sim
  ornyx_keys ornyx_performance ornyx_macros ornyx_session ornyx_profiles ornyx_focus)
