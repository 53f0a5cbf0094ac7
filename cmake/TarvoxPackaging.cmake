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

set(CPACK_PACKAGE_NAME tarvox)
set(CPACK_PACKAGE_VENDOR "tarvox")
set(CPACK_PACKAGE_CONTACT "tarvox developers <tarvox@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Slovenian text-to-speech engine")
set(CPACK_PACKAGE_DESCRIPTION
  "tarvox turns Slovenian text into 16 kHz speech: text normalisation, grapheme-to-phoneme\n conversion, prosody and a concatenative back end. The package holds the library with\n its C interface, the command line tarvox, the voice tool tarvox-data, the\n speech-dispatcher output module sd_tarvox and the bundled (synthetic) voices.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies are read from the binaries (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "speech-dispatcher")
set(CPACK_STRIP_FILES ON)
include(CPack)
