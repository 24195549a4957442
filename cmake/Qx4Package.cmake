# A Debian package of what `cmake --install` installs, installed to /usr:
#   cpack --config build/<preset>/CPackConfig.cmake -B <folder>
# Its dependencies are the shared libraries the programs and plug-ins link, found by
# dpkg-shlibdeps (dpkg-dev), so they follow whatever the build machine's distribution ships.
set(QX4_PACKAGE_MAINTAINER "qx4-config developers <qx4-config@users.noreply.github.com>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qx4-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure the KESTRA QX4 wireless mouse from the tray")
# Lines of at most 80 columns with the space the control file puts before each.
set(CPACK_PACKAGE_DESCRIPTION "qx4-config shows the battery, charging and sleep state of the KESTRA
QX4 wireless gaming mouse in the system tray, warns before the battery runs
out, and sets up the mouse's five on-board profiles: buttons, DPI levels and
colours, report rate, lighting and macros. qx4ctl does the same from a
terminal, and qx4-virtual-mouse plays the mouse for trying it out without one.")
set(CPACK_PACKAGE_CONTACT ${QX4_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QX4_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Installed with DESTDIR and the prefix /usr, whatever the build was configured with, so that the
# install rules that depend on the prefix (the autostart entry in /etc) see the package's prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The autostart entry is configuration (dpkg keeps an administrator's changes); after installing,
# the udev rule is applied to a mouse that is already plugged in.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/debian/conffiles ${PROJECT_SOURCE_DIR}/packaging/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
