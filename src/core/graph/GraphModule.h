// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "graph/GraphContent.h"

// The graph module: the chart drawn into an image file, a shared module of
// its own (Qt, no display), loaded by corvalin-cli only when it draws. The
// two are built together; the module's version must be the tool's.
namespace corvalin::graph_module {

// The module's file name, and its folder relative to the folder of the
// program that loads it (the same in the build tree and when installed).
inline constexpr const char* FILE_NAME = "corvalin-graph.so";
// The Debian package that brings it.
inline constexpr const char* PACKAGE = "corvalin-graph";

// const char* corvalin_graph_version(void): the Corvalin version it was built of.
inline constexpr const char* VERSION_SYMBOL = "corvalin_graph_version";
using VersionFunction = const char* (*)();

// bool corvalin_graph_write(request): draws `content` (taken over) at
// `width` x `height` pixels into `path` (UTF-8), its ending saying the
// format (.png, .svg, .pdf). False with `message` set when it cannot.
inline constexpr const char* WRITE_SYMBOL = "corvalin_graph_write";
struct WriteRequest {
    GraphContent* content;
    const char* path;
    int width;
    int height;
    std::string* message;
};
using WriteFunction = bool (*)(const WriteRequest* request);

}  // namespace corvalin::graph_module
