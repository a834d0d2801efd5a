# The desktop program: Qt 6 Widgets over the core.

# Skin toolkit: PNG loading, the page image, the pop-up frame.
ornyx_layer(ornyx_skin DIR skin FILES
  ControlColours.cpp ControlColours.h
  DrawnAccessible.cpp DrawnAccessible.h
  MessageBoxSink.cpp MessageBoxSink.h
  PopupFrame.cpp PopupFrame.h
  SkinCanvas.cpp SkinCanvas.h
  SkinImage.cpp SkinImage.h
  SkinText.cpp SkinText.h
  SkinsDialog.cpp SkinsDialog.h
  PngDecode.h
  PUBLIC ornyx_common ornyx_i18n ornyx_layout Qt6::Widgets
  PRIVATE ornyx_settings)
# libspng decodes the skin files (PNG) on Linux, Qt's readers any other format
# and, on Windows, PNG too.
if(WIN32)
  ornyx_platform_files(ornyx_skin DIR skin FILES PngDecode)
else()
  ornyx_platform_files(ornyx_skin DIR skin FILES PngDecode LINK PkgConfig::SPNG)
  target_link_libraries(ornyx_skin PRIVATE PkgConfig::SPNG)
endif()
set_target_properties(ornyx_skin PROPERTIES AUTOMOC ON)

# The application without its main(), so that the GUI tests drive the same
# code: the window and the pages of keys/, macros/ and performance/, which
# open each other's dialogs and so are one library.
# What differs per system (app/posix, app/win32): the arguments, the display probe, the
# single-instance lock, notes, the scripting interface (the session bus on
# Linux, with the KWin script and SIGTERM; Windows has none, so DBusService is
# not built there) and the
# desktop's pointer options.
if(WIN32)
  set(ORNYX_GUI_BUS_FILES)
  set(ORNYX_GUI_PLATFORM ornyx_winhid ornyx_pointer_windows)
else()
  set(ORNYX_GUI_BUS_FILES DBusService.cpp DBusService.h KWinScript.cpp KWinScript.h
    Termination.cpp Termination.h)
  set(ORNYX_GUI_PLATFORM ornyx_hidraw ornyx_pointer_gnome ornyx_focus_xcb Qt6::DBus)
endif()
ornyx_layer(ornyx_gui DIR app FILES
  AppContext.cpp AppContext.h
  AppOptions.cpp AppOptions.h
  AutoSwitcher.cpp AutoSwitcher.h
  ${ORNYX_GUI_BUS_FILES}
  DesktopNotifier.cpp DesktopNotifier.h
  MainWindow.cpp MainWindow.h
  Platform.cpp Platform.h
  ProfileNameDialog.cpp ProfileNameDialog.h
  ProfileService.cpp ProfileService.h
  ScriptInterface.h
  SingleInstance.cpp SingleInstance.h
  PUBLIC ornyx_core ornyx_skin ${ORNYX_GUI_PLATFORM} Qt6::Widgets Qt6::Network)
ornyx_platform_files(ornyx_gui DIR app FILES
  Arguments DesktopNotifier DesktopPointer DisplayProbe ScriptInterface SingleInstance WaitHandle)
ornyx_layer_files(ornyx_gui DIR keys/ui FILES
  ButtonMenu.cpp ButtonMenu.h
  KeyCapture.cpp KeyCapture.h
  KeyDialogs.cpp KeyDialogs.h
  NativeKey.h
  PopupList.cpp PopupList.h)
# A key's native code: X11/Wayland's as it is, Windows' scan code translated.
ornyx_platform_files(ornyx_gui DIR keys/ui FILES NativeKey)
ornyx_layer_files(ornyx_gui DIR macros/ui FILES
  DelayTimeDialog.cpp DelayTimeDialog.h
  MacroDialog.cpp MacroDialog.h
  MacroPanel.cpp MacroPanel.h
  Recorder.cpp Recorder.h)
ornyx_layer_files(ornyx_gui DIR performance/ui FILES
  PointerControls.cpp PointerControls.h)
set_target_properties(ornyx_gui PROPERTIES AUTOMOC ON)

# The application icon: one SVG, rendered at the sizes the icon theme and the
# window and tray want; the PNGs are built into the program and installed.
# The Windows build renders them with the host build's tool (Qt for Windows
# has no SVG module).
set(ORNYX_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icons/app-icon.svg)
set(ORNYX_ICON_PNGS)
foreach(size ${ORNYX_ICON_SIZES})
  list(APPEND ORNYX_ICON_PNGS ${ORNYX_ICON_DIR}/${size}.png)
endforeach()
if(WIN32)
  set(ORNYX_ICONRENDER ${ORNYX_HOST_BUILD}/tools/iconrender/iconrender)
  set(ORNYX_ICONRENDER_DEPENDS ${ORNYX_ICONRENDER})
else()
  set(ORNYX_ICONRENDER $<TARGET_FILE:iconrender>)
  set(ORNYX_ICONRENDER_DEPENDS iconrender)
endif()
add_custom_command(
  OUTPUT ${ORNYX_ICON_PNGS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORNYX_ICON_DIR}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          ${ORNYX_ICONRENDER} ${ORNYX_ICON_SVG} ${ORNYX_ICON_DIR} ${ORNYX_ICON_SIZES}
  DEPENDS ${ORNYX_ICONRENDER_DEPENDS} ${ORNYX_ICON_SVG}
  COMMENT "Rendering the application icon"
  VERBATIM)
qt_add_resources(ornyx_gui ornyx_icons PREFIX /icons BASE ${ORNYX_ICON_DIR} FILES ${ORNYX_ICON_PNGS})
# The KWin script that tells the program the application in front.
qt_add_resources(ornyx_gui ornyx_kwin PREFIX /kwin BASE ${PROJECT_SOURCE_DIR}/resources/kwin
                 FILES ${PROJECT_SOURCE_DIR}/resources/kwin/autoswitch.js)

add_executable(ornyx-mouse ${CMAKE_CURRENT_LIST_DIR}/app/main.cpp)
target_link_libraries(ornyx-mouse PRIVATE ornyx_gui ornyx_warnings)
if(WIN32)
  include(${PROJECT_SOURCE_DIR}/cmake/WindowsDesktop.cmake)
endif()
install(TARGETS ornyx-mouse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
