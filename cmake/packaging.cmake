# The Debian packages of the Linux build: `cpack -G DEB` in the build folder
# makes, from what `cmake --install` installs under /usr,
#   tarvex_<version>_<arch>.deb           tarvex-viewer, tarvex, ferrolok, the
#                                         Ferrolok shared library (in the
#                                         multiarch folder), the desktop entry
#                                         and icon (component runtime);
#   libferrolok-dev_<version>_<arch>.deb  the library's header and its
#                                         unversioned .so link (component
#                                         development), for building against it.
# Each carries its copyright file and changelog. Dependencies are read from
# the shared libraries the programs use (dpkg-shlibdeps, from dpkg-dev); the
# library comes with its shlibs file and dpkg's ldconfig trigger.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvex")
set(CPACK_PACKAGE_CONTACT "Tarvex maintainers <maintainers@tarvex.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME tarvex)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "viewer for a process controller's logs, with the Ferrolok library\n"
    "Tarvex Data Viewer opens the logs a process controller records (data history,\n"
    "operator events, audit trail, alarm history) as read-only tables, verifies\n"
    "their digital signatures, plots channels as a trend, exports and prints.\n"
    "The tarvex command runs the same readers, checks and exports without\n"
    "windows. Ferrolok (a shared library and the ferrolok command) encrypts,\n"
    "decrypts and hashes byte for byte as the Windows cryptographic providers do.")
# Qt's SQL drivers are plug-ins dpkg-shlibdeps cannot see: the batch register
# needs SQLite's, and PostgreSQL's for a shared register.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "libqt6sql6-psql")
# dpkg runs ldconfig once at the end of the run that installs or removes the
# library (CPack's postinst and postrm call it as well).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/deb/triggers)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libferrolok-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "tarvex (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "Ferrolok library: development files\n"
    "Ferrolok encrypts, decrypts and hashes byte for byte as the Windows\n"
    "cryptographic providers do (RC2 under an MD5-derived key, MD5). This\n"
    "package holds the C++ header and the link for building programs against\n"
    "the library, which comes with the tarvex package.")
foreach(var CPACK_DEBIAN_RUNTIME_DESCRIPTION CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION)
  string(JOIN "" ${var} ${${var}})
endforeach()

# The copyright file and the changelog (compressed without a time stamp, as
# Debian wants it) of each package.
foreach(package_component tarvex:runtime libferrolok-dev:development)
  string(REPLACE ":" ";" pc ${package_component})
  list(GET pc 0 PACKAGE)
  list(GET pc 1 component)
  set(VERSION ${PROJECT_VERSION})
  set(doc ${PROJECT_BINARY_DIR}/deb/${PACKAGE})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/deb/changelog.in ${doc}/changelog @ONLY)
  execute_process(COMMAND gzip -9nf ${doc}/changelog RESULT_VARIABLE gzip_rc)
  if(NOT gzip_rc EQUAL 0)
    message(FATAL_ERROR "gzip ${doc}/changelog failed")
  endif()
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/deb/copyright ${doc}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${PACKAGE} COMPONENT ${component})
endforeach()

# A manual page for each program, made from its --help at build time (in a
# sanitizer build too: a leak report there is no reason to fail the page).
set(man_pages)
foreach(page "tarvex-viewer:tarvex-viewer:view a process controller's logs, verify their signatures, plot and print"
             "tarvex:tarvex:read, verify, plot, compare, export and report a process controller's logs"
             "ferrolok:ferrolok_cli:encrypt, decrypt and hash as the Windows cryptographic providers do")
  string(REGEX MATCH "^([^:]*):([^:]*):(.*)$" _ "${page}")
  set(name ${CMAKE_MATCH_1})
  set(target ${CMAKE_MATCH_2})
  set(summary ${CMAKE_MATCH_3})
  set(others tarvex-viewer tarvex ferrolok)
  list(REMOVE_ITEM others ${name})
  list(JOIN others "," see_also)
  set(out ${PROJECT_BINARY_DIR}/man/${name}.1.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${name}
            "-DSUMMARY=${summary}" -DVERSION=${PROJECT_VERSION} -DSEE_ALSO=${see_also}
            -DOUTPUT=${out} -P ${CMAKE_CURRENT_LIST_DIR}/manpage.cmake
    DEPENDS ${target} ${CMAKE_CURRENT_LIST_DIR}/manpage.cmake
    COMMENT "Manual page of ${name}" VERBATIM)
  list(APPEND man_pages ${out})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)

include(CPack)

# The packages made from this build into a folder of their own: names,
# control fields, file lists, ldconfig trigger and programs checked, lintian
# run over both, and both installed, removed and installed again by dpkg into
# a root of the test's own.
add_test(NAME tarvex_package
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/package_test.sh ${PROJECT_BINARY_DIR} ${PROJECT_VERSION})
set_tests_properties(tarvex_package PROPERTIES TIMEOUT 600)
