# The desktop program for Windows (included by src/gui.cmake): a GUI-subsystem
# .exe with its icon and version information, and beside it in bin/ what it
# runs with: the Qt DLLs and plugins it uses, the skins and the default files.
# What a Linux build makes with its own tools (the skins, the icon's PNGs, the
# default files) comes from the host build's tools in ORNYX_HOST_BUILD, which
# write the same bytes as on Linux.

set_target_properties(ornyx-mouse PROPERTIES WIN32_EXECUTABLE ON ORNYX_SHARED_RUNTIME ON)

# The .ico from the rendered PNGs (icoutils), put into the .exe with the
# version information.
find_program(ORNYX_ICOTOOL icotool REQUIRED)
set(ORNYX_ICO ${CMAKE_BINARY_DIR}/ornyx-mouse.ico)
# The 256-pixel image goes in as PNG, as Windows reads it, not as a bitmap
# four times its size.
set(ORNYX_ICO_IMAGES)
foreach(png ${ORNYX_ICON_PNGS})
  if(png MATCHES "/256\\.png$")
    list(APPEND ORNYX_ICO_IMAGES --raw=${png})
  else()
    list(APPEND ORNYX_ICO_IMAGES ${png})
  endif()
endforeach()
add_custom_command(
  OUTPUT ${ORNYX_ICO}
  COMMAND ${ORNYX_ICOTOOL} --create --output=${ORNYX_ICO} ${ORNYX_ICO_IMAGES}
  DEPENDS ${ORNYX_ICON_PNGS}
  COMMENT "Making the program's .ico"
  VERBATIM)
configure_file(${PROJECT_SOURCE_DIR}/resources/windows/ornyx-mouse.rc.in
               ${CMAKE_BINARY_DIR}/ornyx-mouse.rc @ONLY)
target_sources(ornyx-mouse PRIVATE ${CMAKE_BINARY_DIR}/ornyx-mouse.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/ornyx-mouse.rc PROPERTIES OBJECT_DEPENDS ${ORNYX_ICO})

# Qt's DLLs and only the plugins the program loads: the windows and offscreen
# platforms and the native style. PNG is read by QtGui itself. Beside them the
# compiler's runtime DLLs, which Qt and the program share.
set(ORNYX_QT_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "the compiler's ${dll} is not found (${path})")
  endif()
  get_filename_component(path ${path} REALPATH)
  list(APPEND ORNYX_QT_RUNTIME ${path})
endforeach()
foreach(module Core Gui Widgets Network)
  list(APPEND ORNYX_QT_RUNTIME $<TARGET_FILE:Qt6::${module}>)
endforeach()
set(ORNYX_QT_PLUGINS platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll)
set(ORNYX_QT_PLUGINS_DIR ${ORNYX_QT_PREFIX}/plugins)
set(copies)
foreach(plugin ${ORNYX_QT_PLUGINS})
  get_filename_component(dir ${plugin} DIRECTORY)
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dir}
       COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ORNYX_QT_PLUGINS_DIR}/${plugin}
               ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dir}/)
endforeach()
add_custom_command(TARGET ornyx-mouse POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ORNYX_QT_RUNTIME} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/
  ${copies}
  VERBATIM)
# Qt looks for plugins beside the program; no qt.conf, so nothing on disk
# can send it elsewhere.

# The skins, painted by the host's skingen, beside the program and into the
# defaults the installer carries.
set(ORNYX_DEFAULTS_DIR ${CMAKE_BINARY_DIR}/defaults)
set(ORNYX_SKINGEN ${ORNYX_HOST_BUILD}/tools/skingen/skingen)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/skins.stamp
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          ${ORNYX_SKINGEN} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Skins ${ORNYX_DEFAULTS_DIR}/Skins
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/skins.stamp
  DEPENDS ${ORNYX_SKINGEN}
  COMMENT "Painting the skins"
  VERBATIM)
add_custom_target(ornyx_skins ALL DEPENDS ${CMAKE_BINARY_DIR}/skins.stamp)

# Default files: the host's ornyxctl writes the same config.bin and str.ini
# as ornyxctl.exe (make windows-trace compares them byte for byte).
set(ORNYX_HOST_ORNYXCTL ${ORNYX_HOST_BUILD}/bin/ornyxctl)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/defaults.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -f ${ORNYX_DEFAULTS_DIR}/config.bin ${ORNYX_DEFAULTS_DIR}/str.ini
  COMMAND ${ORNYX_HOST_ORNYXCTL} --home ${ORNYX_DEFAULTS_DIR} init
  COMMAND ${ORNYX_HOST_ORNYXCTL} --home ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} init
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/defaults.stamp
  DEPENDS ${ORNYX_HOST_ORNYXCTL}
  COMMENT "Laying out the default config.bin and str.ini"
  VERBATIM)
add_custom_target(ornyx_defaults ALL DEPENDS ${CMAKE_BINARY_DIR}/defaults.stamp)
