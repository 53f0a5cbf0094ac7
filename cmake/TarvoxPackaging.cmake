# Installation extras and the Debian package: a pkg-config file for the C
# interface, and CPack settings for a .deb that installs under /usr.
#
#   cmake --install build --prefix /opt/tarvox      (or ./run install PREFIX)
#   cpack --config build/CPackConfig.cmake -G DEB    (or ./run package)

# The pkg-config file names the places of this installation.
set(TARVOX_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
set(TARVOX_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
set(TARVOX_PC_VOICEDIR "\${prefix}/${CMAKE_INSTALL_DATADIR}/tarvox/voices")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tarvox.pc.in ${PROJECT_BINARY_DIR}/tarvox.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarvox.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)

# The three packages: the programs and voices, the shared library, its
# development files. Each carries the licence and the history in its own
# share/doc directory.
set(tarvox_components programs library development)
set(tarvox_package_names tarvox libtarvox0 libtarvox-dev)

# The licence of the installed files and the release history, where
# Debian keeps them (share/doc/tarvox), the history compressed.
foreach(component package IN ZIP_LISTS tarvox_components tarvox_package_names)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
# The package's maintainer: a placeholder until the project has an address
# of its own; whoever builds the package for others sets theirs.
set(TARVOX_MAINTAINER "The tarvox developers <tarvox@localhost>" CACHE STRING
    "maintainer of the Debian package and of its changelog entries (Name <address>)")
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${PROJECT_BINARY_DIR}/doc/changelog @ONLY)
find_program(TARVOX_GZIP gzip)
if(TARVOX_GZIP)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.gz
    COMMAND ${TARVOX_GZIP} -9nc ${PROJECT_BINARY_DIR}/doc/changelog > ${PROJECT_BINARY_DIR}/doc/changelog.gz
    DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog VERBATIM)
  add_custom_target(tarvox_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.gz)
  foreach(component package IN ZIP_LISTS tarvox_components tarvox_package_names)
    install(FILES ${PROJECT_BINARY_DIR}/doc/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  endforeach()
endif()

# Manual pages of the installed programs, from their scdoc sources in
# docs/man (made only where scdoc is installed).
find_program(TARVOX_SCDOC scdoc)
if(TARVOX_SCDOC AND TARVOX_GZIP AND TARVOX_TOOLS)
  set(tarvox_pages "")
  foreach(page tarvox tarvox-data sd_tarvox)
    set(out ${PROJECT_BINARY_DIR}/doc/man/${page}.1.gz)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc/man
      COMMAND sh -c "'${TARVOX_SCDOC}' < '${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd' | '${TARVOX_GZIP}' -9n > '${out}'"
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd VERBATIM)
    list(APPEND tarvox_pages ${out})
  endforeach()
  add_custom_target(tarvox_man_pages ALL DEPENDS ${tarvox_pages})
  install(FILES ${tarvox_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME tarvox)
set(CPACK_PACKAGE_VENDOR "tarvox")
set(CPACK_PACKAGE_CONTACT "${TARVOX_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${tarvox_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies are read from the binaries (dpkg-shlibdeps); the
# module's own library is found where the library package is staged.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${PROJECT_BINARY_DIR}/_CPack_Packages/Linux/DEB/tarvox-${PROJECT_VERSION}-Linux/library/usr/${CMAKE_INSTALL_LIBDIR})

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME tarvox)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS "libtarvox0 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SUGGESTS "speech-dispatcher")
string(CONCAT CPACK_COMPONENT_PROGRAMS_DESCRIPTION
  "Slovenian text-to-speech engine\n"
  "tarvox turns Slovenian text into 16 kHz speech: text normalisation,\n"
  "grapheme-to-phoneme conversion, prosody and a concatenative back end. The\n"
  "package holds the command line tarvox, the voice tool tarvox-data, the\n"
  "speech-dispatcher output module sd_tarvox and the bundled (synthetic)\n"
  "voices.")
# The module's configuration is the administrator's: kept on upgrade.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" AND TARVOX_TOOLS)
  file(WRITE ${PROJECT_BINARY_DIR}/debian/programs/conffiles "/etc/speech-dispatcher/modules/tarvox.conf\n")
  set(CPACK_DEBIAN_PROGRAMS_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/programs/conffiles)
endif()

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libtarvox0)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
string(CONCAT CPACK_COMPONENT_LIBRARY_DESCRIPTION
  "Slovenian text-to-speech engine (shared library)\n"
  "The tarvox engine with its C interface, for programs that speak\n"
  "Slovenian text. The voices come with the package tarvox.")
# The library's shlibs file, and the loader's cache refreshed by dpkg's
# ldconfig trigger; the maintainer scripts CPack writes to call ldconfig
# are taken out after the build.
file(WRITE ${PROJECT_BINARY_DIR}/debian/library/shlibs "libtarvox 0 libtarvox0 (>= ${PROJECT_VERSION})\n")
file(WRITE ${PROJECT_BINARY_DIR}/debian/library/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/debian/library/shlibs ${PROJECT_BINARY_DIR}/debian/library/triggers)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-without-ldconfig-scripts.cmake)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtarvox-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libtarvox0 (= ${PROJECT_VERSION})")
string(CONCAT CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "Slovenian text-to-speech engine (development files)\n"
  "The header tarvox.h and the pkg-config file of the tarvox C interface.")
set(CPACK_STRIP_FILES ON)
include(CPack)
