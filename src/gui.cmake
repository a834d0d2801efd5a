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
  PUBLIC ornyx_common ornyx_i18n ornyx_layout Qt6::Widgets
  # libspng decodes the skin files (PNG), Qt's readers any other format.
  PRIVATE ornyx_settings PkgConfig::SPNG)
set_target_properties(ornyx_skin PROPERTIES AUTOMOC ON)

# The application without its main(), so that the GUI tests drive the same
# code: the window and the pages of keys/, macros/ and performance/, which
# open each other's dialogs and so are one library.
ornyx_layer(ornyx_gui DIR app FILES
  AppContext.cpp AppContext.h
  AppOptions.cpp AppOptions.h
  AutoSwitcher.cpp AutoSwitcher.h
  DBusService.cpp DBusService.h
  DesktopNotifier.cpp DesktopNotifier.h
  KWinScript.cpp KWinScript.h
  MainWindow.cpp MainWindow.h
  Platform.cpp Platform.h
  ProfileNameDialog.cpp ProfileNameDialog.h
  ProfileService.cpp ProfileService.h
  SingleInstance.cpp SingleInstance.h
  Termination.cpp Termination.h
  PUBLIC ornyx_core ornyx_skin ornyx_hidraw ornyx_pointer_gnome Qt6::Widgets Qt6::DBus Qt6::Network)
ornyx_layer_files(ornyx_gui DIR keys/ui FILES
  ButtonMenu.cpp ButtonMenu.h
  KeyCapture.cpp KeyCapture.h
  KeyDialogs.cpp KeyDialogs.h
  PopupList.cpp PopupList.h)
ornyx_layer_files(ornyx_gui DIR macros/ui FILES
  DelayTimeDialog.cpp DelayTimeDialog.h
  MacroDialog.cpp MacroDialog.h
  MacroPanel.cpp MacroPanel.h
  Recorder.cpp Recorder.h)
ornyx_layer_files(ornyx_gui DIR performance/ui FILES
  PointerControls.cpp PointerControls.h)
set_target_properties(ornyx_gui PROPERTIES AUTOMOC ON)
if(TARGET ornyx_focus_xcb)
  target_link_libraries(ornyx_gui PUBLIC ornyx_focus_xcb)
endif()

# The application icon: one SVG, rendered at the sizes the icon theme and the
# window and tray want; the PNGs are built into the program and installed.
set(ORNYX_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icons/app-icon.svg)
set(ORNYX_ICON_PNGS)
foreach(size ${ORNYX_ICON_SIZES})
  list(APPEND ORNYX_ICON_PNGS ${ORNYX_ICON_DIR}/${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${ORNYX_ICON_PNGS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORNYX_ICON_DIR}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:iconrender> ${ORNYX_ICON_SVG} ${ORNYX_ICON_DIR} ${ORNYX_ICON_SIZES}
  DEPENDS iconrender ${ORNYX_ICON_SVG}
  COMMENT "Rendering the application icon"
  VERBATIM)
qt_add_resources(ornyx_gui ornyx_icons PREFIX /icons BASE ${ORNYX_ICON_DIR} FILES ${ORNYX_ICON_PNGS})
# The KWin script that tells the program the application in front.
qt_add_resources(ornyx_gui ornyx_kwin PREFIX /kwin BASE ${PROJECT_SOURCE_DIR}/resources/kwin
                 FILES ${PROJECT_SOURCE_DIR}/resources/kwin/autoswitch.js)

add_executable(ornyx-mouse ${CMAKE_CURRENT_LIST_DIR}/app/main.cpp)
target_link_libraries(ornyx-mouse PRIVATE ornyx_gui ornyx_warnings)
install(TARGETS ornyx-mouse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
