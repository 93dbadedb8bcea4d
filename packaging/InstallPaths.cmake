# SPDX-License-Identifier: GPL-3.0-or-later
# The system folders of an install, relative to the prefix, and the
# logger's configuration file (in the prefix's etc folder: /etc for /usr).
include(GNUInstallDirs)
set(CORVALIN_UDEV_RULES_INSTALL_DIR lib/udev/rules.d)
set(CORVALIN_SYSUSERS_INSTALL_DIR lib/sysusers.d)
set(CORVALIN_SYSTEM_UNIT_INSTALL_DIR lib/systemd/system)
set(CORVALIN_USER_UNIT_INSTALL_DIR lib/systemd/user)
set(CORVALIN_CONFIG_FILE ${CMAKE_INSTALL_FULL_SYSCONFDIR}/corvalin/corvalind.conf)
