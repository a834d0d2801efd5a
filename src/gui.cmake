# The desktop program: Qt 6 Widgets over the core.

# Skin toolkit: PNG loading, the page image, the pop-up frame.
file(GLOB ORNYX_SKIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/skin/*.cpp ${CMAKE_CURRENT_LIST_DIR}/skin/*.h)
if(ORNYX_SKIN_SOURCES)
  add_library(ornyx_skin STATIC ${ORNYX_SKIN_SOURCES})
  target_include_directories(ornyx_skin PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  # libspng decodes the skin files (PNG), Qt's readers any other format.
  if(NOT TARGET PkgConfig::SPNG)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET GLOBAL spng)
  endif()
  target_link_libraries(ornyx_skin PUBLIC ornyx_core Qt6::Widgets PRIVATE PkgConfig::SPNG ornyx_warnings)
endif()

# The application without its main(), so that the GUI tests drive the same code.
file(GLOB ORNYX_GUI_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/app/*.cpp ${CMAKE_CURRENT_LIST_DIR}/app/*.h
  ${CMAKE_CURRENT_LIST_DIR}/performance/ui/*.cpp ${CMAKE_CURRENT_LIST_DIR}/performance/ui/*.h
  ${CMAKE_CURRENT_LIST_DIR}/keys/ui/*.cpp ${CMAKE_CURRENT_LIST_DIR}/keys/ui/*.h
  ${CMAKE_CURRENT_LIST_DIR}/macros/ui/*.cpp ${CMAKE_CURRENT_LIST_DIR}/macros/ui/*.h)
list(FILTER ORNYX_GUI_SOURCES EXCLUDE REGEX ".*/app/main\\.cpp$")
if(ORNYX_GUI_SOURCES)
  add_library(ornyx_gui STATIC ${ORNYX_GUI_SOURCES})
  target_include_directories(ornyx_gui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(ornyx_gui PUBLIC ornyx_skin ornyx_core Qt6::Widgets Qt6::DBus Qt6::Network PRIVATE ornyx_warnings)
  if(TARGET ornyx_hidraw)
    target_link_libraries(ornyx_gui PUBLIC ornyx_hidraw)
  endif()
  if(TARGET ornyx_pointer_gnome)
    target_link_libraries(ornyx_gui PUBLIC ornyx_pointer_gnome)
  endif()
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
if(TARGET ornyx_gui)
  qt_add_resources(ornyx_gui ornyx_icons PREFIX /icons BASE ${ORNYX_ICON_DIR} FILES ${ORNYX_ICON_PNGS})
endif()

if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/app/main.cpp)
  add_executable(ornyx-mouse ${CMAKE_CURRENT_LIST_DIR}/app/main.cpp)
  target_link_libraries(ornyx-mouse PRIVATE ornyx_gui ornyx_warnings)
  install(TARGETS ornyx-mouse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
