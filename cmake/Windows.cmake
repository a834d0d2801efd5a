# What the Windows build takes from this Debian system: CLI11 and
# nlohmann-json as headers only, GoogleTest built from Debian's sources. No
# libudev, iconv, gio or Qt: the platform code uses the system's own calls.

# The MinGW runtime (libstdc++, libgcc, winpthread) is linked into each
# program, so that an .exe runs on its own: nothing to ship beside it, and no
# other program's copy of those DLLs can be picked up instead. Not into a
# program on Qt's DLLs (ORNYX_SHARED_RUNTIME): those use the runtime's DLLs,
# and one process must have one C++ runtime.
add_link_options($<$<NOT:$<BOOL:$<TARGET_PROPERTY:ORNYX_SHARED_RUNTIME>>>:-static>)

# Only these two folders of the host's headers, never /usr/include itself
# (the C library's headers there are Linux's).
set(ORNYX_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${ORNYX_HOST_HEADERS})
foreach(dir CLI nlohmann)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: run scripts/install-deps")
  endif()
  file(CREATE_LINK /usr/include/${dir} ${ORNYX_HOST_HEADERS}/${dir} SYMBOLIC)
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${ORNYX_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${ORNYX_HOST_HEADERS})

if(ORNYX_BUILD_TESTS)
  set(ORNYX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian: googletest)")
  if(NOT EXISTS ${ORNYX_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "${ORNYX_GTEST_SOURCE} is missing: run scripts/install-deps")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${ORNYX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own project names its targets GTest::... already.
  foreach(name gtest gtest_main gmock)
    if(NOT TARGET GTest::${name})
      add_library(GTest::${name} ALIAS ${name})
    endif()
  endforeach()
endif()

# The desktop program needs Qt for Windows (scripts/build-qt-windows) and the
# tools of a host build (ORNYX_HOST_BUILD: skingen, iconrender, ornyxctl);
# without ORNYX_QT_PREFIX only the core and ornyxctl are built.
set(ORNYX_QT_PREFIX "" CACHE PATH "Qt for Windows, as installed by scripts/build-qt-windows")
set(ORNYX_HOST_BUILD "" CACHE PATH "A Linux build folder with skingen, iconrender and ornyxctl built")
if(ORNYX_QT_PREFIX)
  if(NOT EXISTS ${ORNYX_QT_PREFIX}/lib/cmake/Qt6/Qt6Config.cmake)
    message(FATAL_ERROR "ORNYX_QT_PREFIX=${ORNYX_QT_PREFIX} holds no Qt 6: run scripts/build-qt-windows")
  endif()
  foreach(tool tools/skingen/skingen tools/iconrender/iconrender bin/ornyxctl)
    if(NOT EXISTS ${ORNYX_HOST_BUILD}/${tool})
      message(FATAL_ERROR "ORNYX_HOST_BUILD=${ORNYX_HOST_BUILD} lacks ${tool}: build it there first")
    endif()
  endforeach()
  # Another Qt than at the last configure (a rebuilt one has a new key): forget
  # where the last one's packages were found, or they would still be used.
  string(FIND "${Qt6_DIR}" "${ORNYX_QT_PREFIX}/" at)
  if(Qt6_DIR AND NOT at EQUAL 0)
    get_cmake_property(cached CACHE_VARIABLES)
    foreach(var ${cached})
      if(var MATCHES "^Qt6[A-Za-z0-9]*_DIR$")
        unset(${var} CACHE)
      endif()
    endforeach()
  endif()
  # As Qt's own qt.toolchain.cmake: the Windows libraries from the prefix,
  # moc, rcc and uic from the host's Qt of the same version.
  list(APPEND CMAKE_FIND_ROOT_PATH ${ORNYX_QT_PREFIX})
  list(PREPEND CMAKE_PREFIX_PATH ${ORNYX_QT_PREFIX})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Gui Network)
  set(ORNYX_WINDOWS_DESKTOP ON)
else()
  set(ORNYX_WINDOWS_DESKTOP OFF)
endif()
