# One static library per source folder ("layer"), with an include root of its own.
#
#   ornyx_layer(<target> DIR <folder under src/> FILES <file>...
#               [PUBLIC <target>...] [PRIVATE <target>...] [EXECUTABLE])
#   ornyx_layer_files(<target> DIR <folder> FILES <file>...)   # a second folder in the same target
#
# A target's headers are reachable only as "<folder>/<header>" through its own
# include root, which holds links to exactly the headers listed here. A layer
# therefore sees the headers of itself and of the layers it links; an include
# from any other layer is a compile error, not a review comment.

set(ORNYX_SRC_DIR ${CMAKE_CURRENT_LIST_DIR}/../src)
get_filename_component(ORNYX_SRC_DIR ${ORNYX_SRC_DIR} ABSOLUTE)

function(ornyx_layer_files target)
  cmake_parse_arguments(L "" "DIR" "FILES" ${ARGN})
  if(NOT L_DIR OR NOT L_FILES)
    message(FATAL_ERROR "ornyx_layer_files(${target}): DIR and FILES are required")
  endif()
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  foreach(file ${L_FILES})
    set(path ${ORNYX_SRC_DIR}/${L_DIR}/${file})
    if(NOT EXISTS ${path})
      message(FATAL_ERROR "${target}: ${L_DIR}/${file} does not exist")
    endif()
    target_sources(${target} PRIVATE ${path})
    if(file MATCHES "\\.h$")
      get_filename_component(dir ${root}/${L_DIR}/${file} DIRECTORY)
      file(MAKE_DIRECTORY ${dir})
      file(CREATE_LINK ${path} ${root}/${L_DIR}/${file} SYMBOLIC)
    endif()
  endforeach()
endfunction()

function(ornyx_layer target)
  cmake_parse_arguments(L "EXECUTABLE" "DIR" "FILES;PUBLIC;PRIVATE" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  # Links of headers that left the list must not linger from an earlier configure.
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  if(L_EXECUTABLE)
    # A program on top of the layers: its own headers stay its own.
    add_executable(${target})
    target_include_directories(${target} PRIVATE ${root})
    target_link_libraries(${target} PRIVATE ${L_PUBLIC} ${L_PRIVATE} ornyx_warnings)
  else()
    add_library(${target} STATIC)
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE} ornyx_warnings)
  endif()
  ornyx_layer_files(${target} DIR ${L_DIR} FILES ${L_FILES})
endfunction()

# The system a build is for: each layer's code that differs per system lives in
# a folder of its own (common/posix/, common/win32/, ...), with file names
# ending in the same word (AtomicFilePosix.cpp, AtomicFileWin32.cpp).
if(WIN32)
  set(ORNYX_PLATFORM win32)
  set(ORNYX_PLATFORM_SUFFIX Win32)
else()
  set(ORNYX_PLATFORM posix)
  set(ORNYX_PLATFORM_SUFFIX Posix)
endif()

#   ornyx_platform_files(<layer> FILES <stem>... [LINK <target>...])
# Builds <folder of layer>/<platform>/<stem><suffix>.cpp as the target
# <layer>_<platform>, whose objects become part of the layer. It implements the
# layer's own headers, so it sees exactly what the layer sees.
function(ornyx_platform_files layer)
  cmake_parse_arguments(L "" "DIR" "FILES;LINK" ${ARGN})
  set(target ${layer}_${ORNYX_PLATFORM})
  # A layer of several folders calls this once for each.
  if(NOT TARGET ${target})
    add_library(${target} OBJECT)
    get_target_property(links ${layer} LINK_LIBRARIES)
    target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/layers/${layer})
    target_link_libraries(${target} PRIVATE ${links})
    target_link_libraries(${layer} PRIVATE ${target})
  endif()
  target_link_libraries(${target} PRIVATE ${L_LINK})
  foreach(stem ${L_FILES})
    set(path ${ORNYX_SRC_DIR}/${L_DIR}/${ORNYX_PLATFORM}/${stem}${ORNYX_PLATFORM_SUFFIX}.cpp)
    if(NOT EXISTS ${path})
      message(FATAL_ERROR "${target}: ${path} does not exist")
    endif()
    target_sources(${target} PRIVATE ${path})
  endforeach()
endfunction()
