# SPDX-License-Identifier: GPL-3.0-or-later
# The .debs that `./dev package` makes with CPack from the install rules, one
# per install component (see packaging/CMakeLists.txt), all from the source
# package corvalin:
#   corvalin-cli    the tool, the udev rule, the group kv7500 (no Qt)
#   corvalind       the logger and its service (no Qt)
#   corvalin        the Qt window
#   corvalin-graph  the graph module corvalin-cli loads to draw (Qt)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvalin)
set(CPACK_PACKAGE_VENDOR "The Corvalin developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CORVALIN_DEB_MAINTAINER "Corvalin developers <corvalin-devel@corvalin.github.io>"
    CACHE STRING "Maintainer field of the .debs")
set(CPACK_PACKAGE_CONTACT "${CORVALIN_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVALIN_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# The .debs' changelog has to name the version they ship.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^corvalin \\(${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}\\)")
  message(WARNING "packaging/debian/changelog does not start with version "
                  "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}: add an entry for it")
endif()
set(deb_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli daemon)
if(CORVALIN_BUILD_GUI)
  list(APPEND CPACK_COMPONENTS_ALL window graph)
endif()
set(CPACK_DEBIAN_PACKAGE_SOURCE corvalin)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: from the libraries the binaries link, as dpkg-shlibdeps finds them,
# and the packages named below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# What running systemd-sysusers from a maintainer script needs, as
# dh_installsysusers says it.
set(sysusers "systemd | systemd-standalone-sysusers | systemd-sysusers")
set(scripts ${CMAKE_CURRENT_LIST_DIR}/debian)
# Descriptions: the summary, then the text (CPack indents it; an empty line
# parts paragraphs).
set(about_station
"Corvalin talks to the KV7500 base station on USB, which receives eight
remote temperature and humidity sensors: the live readings with their dew
point, the station's settings, alarm limits, calibration and clock, and the
log files on its SD card.")

foreach(component ${CPACK_COMPONENTS_ALL})
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_FILE_NAME DEB-DEFAULT)
endforeach()

set(CPACK_DEBIAN_CLI_PACKAGE_NAME corvalin-cli)
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "${sysusers}")
set(CPACK_DEBIAN_CLI_PACKAGE_SUGGESTS "corvalin-graph (= ${deb_version}), corvalind")
set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${scripts}/corvalin-cli/postinst
    ${scripts}/corvalin-cli/postrm)
set(CPACK_DEBIAN_CLI_DESCRIPTION
"command-line tool for the KV7500 thermo-hygrometer station
${about_station}

This package holds corvalin-cli, which does all of that from a terminal or a
script (with JSON results), and the udev rule that gives the station to the
user at the seat and to the group kv7500. It needs no Qt: its graph command
loads the module of the package corvalin-graph when it draws.")

set(CPACK_DEBIAN_DAEMON_PACKAGE_NAME corvalind)
set(CPACK_DEBIAN_DAEMON_PACKAGE_DEPENDS "corvalin-cli (= ${deb_version}), ${sysusers}")
set(CPACK_DEBIAN_DAEMON_PACKAGE_SUGGESTS "mosquitto")
set(CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_EXTRA ${scripts}/corvalind/conffiles
    ${scripts}/corvalind/postinst ${scripts}/corvalind/prerm ${scripts}/corvalind/postrm)
set(CPACK_DEBIAN_DAEMON_DESCRIPTION
"unattended logger of the KV7500 thermo-hygrometer station
${about_station}

This package holds corvalind, which logs the station's eight channels into
an SQLite archive every interval and fills the gaps from the station's SD
card when it comes back. It can publish each reading to an MQTT broker (with
Home Assistant discovery) and serve Prometheus metrics. Its systemd service
runs as the user corvalin and is started when the package is installed.")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME corvalin)
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "corvalin-cli (= ${deb_version})")
set(CPACK_DEBIAN_WINDOW_DESCRIPTION
"companion window for the KV7500 thermo-hygrometer station
${about_station}

This package holds the Qt window corvalin: the eight channels' readings, the
configuration dialogs, the SD-card dialog with the data table and the graph
of an imported log. A simulated station lets one try it without the device.")

set(CPACK_DEBIAN_GRAPH_PACKAGE_NAME corvalin-graph)
set(CPACK_DEBIAN_GRAPH_PACKAGE_DEPENDS "corvalin-cli (= ${deb_version})")
set(CPACK_DEBIAN_GRAPH_DESCRIPTION
"graph drawing for corvalin-cli (KV7500 station)
${about_station}

This package holds the module that corvalin-cli graph loads to draw the
imported readings into a PNG, SVG or PDF file. It brings Qt, on its
offscreen platform: no display is needed.")

include(CPack)
