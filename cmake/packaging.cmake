# The Debian package of the Linux build: `cpack -G DEB` in the build folder
# makes tarvex_<version>_<arch>.deb from what `cmake --install` installs under
# /usr: tarvex-viewer, tarvex, ferrolok, the Ferrolok shared library and its
# header, the viewer's desktop entry and icon. Its dependencies are read from
# the shared libraries the programs use (dpkg-shlibdeps, from dpkg-dev), and
# the library comes with its shlibs file and dpkg's ldconfig trigger.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvex")
set(CPACK_PACKAGE_CONTACT "Tarvex maintainers <maintainers@tarvex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for a process controller's logs, with the Ferrolok library")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvex Data Viewer opens the logs a process controller records (data history,\n"
    "operator events, audit trail, alarm history) as read-only tables, verifies\n"
    "their digital signatures, plots channels as a trend, exports and prints.\n"
    "The tarvex command runs the same readers, checks and exports without\n"
    "windows. Ferrolok (a shared library and the ferrolok command) encrypts,\n"
    "decrypts and hashes byte for byte as the Windows cryptographic providers do.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's SQL drivers are plug-ins dpkg-shlibdeps cannot see: the batch register
# needs SQLite's, and PostgreSQL's for a shared register.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# dpkg runs ldconfig once at the end of the run that installs or removes the
# library (CPack's postinst and postrm call it as well).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/deb/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

# The package made from this build into a folder of its own, its name,
# control fields, file list, ldconfig trigger and programs checked.
add_test(NAME tarvex_package
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/package_test.sh ${PROJECT_BINARY_DIR} ${PROJECT_VERSION})
set_tests_properties(tarvex_package PROPERTIES TIMEOUT 300)
