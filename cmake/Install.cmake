# The installed layout beyond the programs and their default files: the
# desktop's entries, the icon theme, the udev rule, man pages and completion.
# Every destination is relative, so `cmake --install --prefix P` stays in P.

option(ORNYX_DEBIAN "Install as a Debian package carries it (copyright, changelog, compressed man pages)" OFF)
set(ORNYX_GENERATED ${CMAKE_BINARY_DIR}/generated-data)
configure_file(resources/desktop/app.desktop.in ${ORNYX_GENERATED}/${ORNYX_APP_ID}.desktop @ONLY)
configure_file(resources/desktop/autostart.desktop.in ${ORNYX_GENERATED}/autostart/${ORNYX_APP_ID}.desktop @ONLY)
configure_file(resources/desktop/app.metainfo.xml.in ${ORNYX_GENERATED}/${ORNYX_APP_ID}.metainfo.xml @ONLY)

install(FILES ${ORNYX_GENERATED}/${ORNYX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The autostart entry of an install for /usr goes to /etc, where desktops
# read it (a package's is a conffile there); every other install keeps it
# under its prefix. `cmake --install --prefix` names the prefix only when
# installing, so the choice is made then.
if(ORNYX_DEBIAN)
  install(FILES ${ORNYX_GENERATED}/autostart/${ORNYX_APP_ID}.desktop DESTINATION /etc/xdg/autostart)
else()
  install(CODE "
    string(REGEX REPLACE \"/+$\" \"\" ornyx_prefix \"\${CMAKE_INSTALL_PREFIX}\")
    if(ornyx_prefix STREQUAL \"/usr\")
      set(ornyx_autostart /etc/xdg/autostart)
    else()
      set(ornyx_autostart \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}/xdg/autostart\")
    endif()
    file(INSTALL DESTINATION \"\${ornyx_autostart}\" TYPE FILE
         FILES \"${ORNYX_GENERATED}/autostart/${ORNYX_APP_ID}.desktop\")")
endif()
install(FILES ${ORNYX_GENERATED}/${ORNYX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The session bus interface, and the activation that starts the program in
# the tray when a call comes while it does not run. The bus wants the
# program's full path, known only when the prefix is.
install(FILES resources/dbus/org.ornyx.OrnyxMouse1.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/interfaces)
# The GNOME Shell extension that tells the program the application in front;
# people copy it to their extensions folder (README).
install(DIRECTORY resources/gnome-shell/autoswitch@ornyx.org
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ornyx-mouse/gnome-shell)
install(CODE "
  file(WRITE \"${ORNYX_GENERATED}/dbus/org.ornyx.OrnyxMouse1.service\"
       \"[D-BUS Service]\\nName=org.ornyx.OrnyxMouse1\\nExec=\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/ornyx-mouse --hidden\\n\")
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services\" TYPE FILE
       FILES \"${ORNYX_GENERATED}/dbus/org.ornyx.OrnyxMouse1.service\")")

install(FILES resources/icons/app-icon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${ORNYX_APP_ID}.svg)
foreach(size ${ORNYX_ICON_SIZES})
  install(FILES ${ORNYX_ICON_DIR}/${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${ORNYX_APP_ID}.png)
endforeach()

# udev reads its rules from its own folder; take the system's only when it
# lies under our prefix (a /usr/local install must not write to /usr).
set(ORNYX_UDEV_RULES_DIR lib/udev/rules.d)
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_get_variable(ORNYX_SYSTEM_UDEV_DIR udev udevdir)
  if(ORNYX_SYSTEM_UDEV_DIR)
    cmake_path(IS_PREFIX CMAKE_INSTALL_PREFIX "${ORNYX_SYSTEM_UDEV_DIR}" NORMALIZE ORNYX_UDEV_UNDER_PREFIX)
    if(ORNYX_UDEV_UNDER_PREFIX)
      cmake_path(RELATIVE_PATH ORNYX_SYSTEM_UDEV_DIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE ORNYX_UDEV_RELATIVE)
      set(ORNYX_UDEV_RULES_DIR ${ORNYX_UDEV_RELATIVE}/rules.d)
    endif()
  endif()
endif()
install(FILES resources/70-ornyx-mouse.rules DESTINATION ${ORNYX_UDEV_RULES_DIR})

install(FILES resources/ornyxctl.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME ornyxctl)
set(ORNYX_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/ornyx-mouse)
if(ORNYX_DEBIAN)
  install(FILES packaging/debian/copyright DESTINATION ${ORNYX_DOCDIR})
  add_custom_command(
    OUTPUT ${ORNYX_GENERATED}/changelog.Debian.gz
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/debian/changelog > ${ORNYX_GENERATED}/changelog.Debian.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
    VERBATIM)
  add_custom_target(ornyx_debian_changelog ALL DEPENDS ${ORNYX_GENERATED}/changelog.Debian.gz)
  install(FILES ${ORNYX_GENERATED}/changelog.Debian.gz DESTINATION ${ORNYX_DOCDIR})
else()
  install(FILES LICENSE DESTINATION ${ORNYX_DOCDIR})
endif()

# Man pages from the programs' own --help, so that they never disagree.
find_program(ORNYX_HELP2MAN help2man)
if(ORNYX_HELP2MAN)
  set(ORNYX_MAN_PAGES)
  foreach(program ornyx-mouse ornyxctl ornyx-virtual-mouse)
    set(page ${ORNYX_GENERATED}/man/${program}.1)
    set(version)
    if(program STREQUAL "ornyxctl")
      set(name "configure the Ornyx gaming mouse from the command line")
    elseif(program STREQUAL "ornyx-virtual-mouse")
      set(name "a virtual Ornyx gaming mouse on kernel device nodes, for testing")
      # A test tool without --version: the build's version is its own.
      set(version --version-string=${PROJECT_VERSION})
    else()
      set(name "configure the Ornyx gaming mouse")
    endif()
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${ORNYX_GENERATED}/man
      COMMAND ${ORNYX_HELP2MAN} --no-info --section=1 --name=${name} ${version} --output=${page} $<TARGET_FILE:${program}>
      DEPENDS ${program}
      COMMENT "Writing the man page of ${program}"
      VERBATIM)
    if(ORNYX_DEBIAN)
      add_custom_command(
        OUTPUT ${page}.gz
        COMMAND gzip -9n -c ${page} > ${page}.gz
        DEPENDS ${page}
        VERBATIM)
      set(page ${page}.gz)
    endif()
    list(APPEND ORNYX_MAN_PAGES ${page})
  endforeach()
  add_custom_target(ornyx_man ALL DEPENDS ${ORNYX_MAN_PAGES})
  install(FILES ${ORNYX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(ORNYX_DEBIAN)
  message(FATAL_ERROR "help2man not found: the package needs its man pages (scripts/install-deps installs it)")
else()
  message(WARNING "help2man not found: no man pages (scripts/install-deps installs it)")
endif()
