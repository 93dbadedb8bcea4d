# SPDX-License-Identifier: GPL-3.0-or-later
# Where the graph module lives: in the private library folder when installed,
# and at the same place relative to the programs in the build tree, so that
# corvalin-cli finds it from its own folder in both.
include(GNUInstallDirs)
set(CORVALIN_GRAPH_MODULE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/corvalin)
file(RELATIVE_PATH CORVALIN_GRAPH_MODULE_FROM_PROGRAM
     ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/corvalin)
cmake_path(ABSOLUTE_PATH CORVALIN_GRAPH_MODULE_FROM_PROGRAM
           BASE_DIRECTORY ${CMAKE_BINARY_DIR}/bin NORMALIZE
           OUTPUT_VARIABLE CORVALIN_GRAPH_MODULE_BUILD_DIR)
