# SPDX-License-Identifier: GPL-3.0-or-later
# The .deb that `./dev package` makes with CPack from the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvalin)
set(CPACK_PACKAGE_VENDOR "The Corvalin developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program for the KV7500 thermo-hygrometer station")
if(CORVALIN_BUILD_GUI)
  set(CORVALIN_DEB_CONTENTS "The package holds the Qt window corvalin and the command-line tool
corvalin-cli, which both also draw graphs of the imported logs, the
unattended logger corvalind with its systemd units, and udev rules that
let the user at the seat, and the group kv7500, use the station.")
else()
  set(CORVALIN_DEB_CONTENTS "The package holds the command-line tool corvalin-cli, the unattended
logger corvalind with its systemd units, and udev rules that let the
user at the seat, and the group kv7500, use the station.")
endif()
set(CPACK_PACKAGE_DESCRIPTION
"Corvalin talks to the KV7500 base station on USB, which receives eight
remote temperature and humidity sensors. It shows the live readings with
their dew point, reads and changes the station's settings, alarm limits,
calibration and clock, and downloads and imports the log files on the
station's SD card.
.
${CORVALIN_DEB_CONTENTS}")
set(CORVALIN_DEB_MAINTAINER "Corvalin developers <corvalin-devel@corvalin.github.io>"
    CACHE STRING "Maintainer field of the .deb")
set(CPACK_PACKAGE_CONTACT "${CORVALIN_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVALIN_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# The .deb's changelog has to name the version it ships.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^corvalin \\(${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}\\)")
  message(WARNING "packaging/debian/changelog does not start with version "
                  "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}: add an entry for it")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: from the libraries the binaries link, as dpkg-shlibdeps finds them,
# and the chart library corvalind's page loads from its installed path.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libjs-dygraphs")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# The logger's configuration is the admin's; the group and user it runs as
# are made when the package is configured.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/debian/conffiles ${CMAKE_CURRENT_LIST_DIR}/debian/postinst)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
