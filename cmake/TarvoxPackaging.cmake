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
install(FILES ${PROJECT_BINARY_DIR}/tarvox.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The licence of the installed files and the release history, where
# Debian keeps them (share/doc/tarvox), the history compressed.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
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
  install(FILES ${PROJECT_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
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
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Slovenian text-to-speech engine")
set(CPACK_PACKAGE_DESCRIPTION
  "tarvox turns Slovenian text into 16 kHz speech: text normalisation,\n grapheme-to-phoneme conversion, prosody and a concatenative back end. The\n package holds the library with its C interface, the command line tarvox,\n the voice tool tarvox-data, the speech-dispatcher output module sd_tarvox\n and the bundled (synthetic) voices.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies are read from the binaries (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's shlibs file, and the loader's cache refreshed by dpkg's
# ldconfig trigger (not by maintainer scripts).
file(WRITE ${PROJECT_BINARY_DIR}/debian/shlibs "libtarvox 0 tarvox (>= ${PROJECT_VERSION})\n")
file(WRITE ${PROJECT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/shlibs ${PROJECT_BINARY_DIR}/debian/triggers)
# The module's configuration is the administrator's: kept on upgrade.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" AND TARVOX_TOOLS)
  file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "/etc/speech-dispatcher/modules/tarvox.conf\n")
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "speech-dispatcher")
set(CPACK_STRIP_FILES ON)
include(CPack)
