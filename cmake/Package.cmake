# `make deb`: a Debian package of the installed layout, built with CPack.
set(CPACK_PACKAGE_NAME ornyx-mouse)
set(CPACK_PACKAGE_VENDOR "The Ornyx Mouse developers")
set(CPACK_PACKAGE_CONTACT "Ornyx Mouse developers <ornyx-mouse@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for the Ornyx gaming mouse")
# One text: set() with several strings would make a list, and CPack would
# write its ';' separators into the control file.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Ornyx Mouse sets up the Ornyx USB gaming mouse (04D9:A09F): button\n"
    "assignments in two modes, report rate, four DPI levels with colours,\n"
    "lighting effects and keyboard macros. It stays in the background and\n"
    "shows the mouse's DPI and mode changes. The package also brings\n"
    "ornyxctl, a command-line tool, and a udev rule that lets the logged-in\n"
    "user open the mouse.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORNYX_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its platform plugins at run time, which shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation, fonts-wqy-microhei")
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/conffiles.in ${CMAKE_BINARY_DIR}/debian/conffiles @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${CMAKE_BINARY_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
