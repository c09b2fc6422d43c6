# The Debian package (cpack -G DEB in the build folder, or make package):
# corvane_<version>_<arch>.deb of what the install rules put under /usr. Its
# Depends come from dpkg-shlibdeps on the programs, so Qt 6, libusb and the C
# and C++ run-times are named as the build linked them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Moravex)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

set(CORVANE_PACKAGE_MAINTAINER "Moravex Corvane maintainers <corvane@moravex.invalid>"
  CACHE STRING "The Debian package's Maintainer field")
set(CPACK_PACKAGE_CONTACT ${CORVANE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CORVANE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "flash programmer for Moravex data projectors over USB")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Corvane reprograms the flash of a Moravex data projector in its flash-download\n"
  "mode over USB: it downloads Intel hex and S-record firmware, verifies it by\n"
  "CRC-16, writes the controller board's part and serial numbers and clears the\n"
  "projector's NVRAM. corvane is the dialog program, corvane-cli the same for the\n"
  "terminal; both carry a virtual projector (--simulate) to try them without one.\n"
  "A udev rule gives the local user access to the projector.")

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# udev applies the rule that opens the projector to the local user; the
# programs run without it (the virtual projector, or root).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS udev)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/deb/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
