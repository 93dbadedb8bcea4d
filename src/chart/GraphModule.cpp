// SPDX-License-Identifier: GPL-3.0-or-later
// The graph module's two entries (see graph/GraphModule.h); nothing else of
// it is visible outside.
#include "graph/GraphModule.h"

#include <exception>

#include "chart/ChartApplication.h"
#include "chart/GraphImage.h"
#include "common/Version.h"

#define CORVALIN_MODULE_ENTRY extern "C" __attribute__((visibility("default")))

CORVALIN_MODULE_ENTRY const char* corvalin_graph_version() { return corvalin::CORVALIN_VERSION; }

CORVALIN_MODULE_ENTRY bool corvalin_graph_write(
    const corvalin::graph_module::WriteRequest* request) {
    using namespace corvalin;
    try {
        chart::ChartApplication application;
        const Status written =
            chart::WriteGraphImage(std::move(*request->content), QString::fromUtf8(request->path),
                                   request->width, request->height);
        if (!written) *request->message = written.message;
        return written.ok;
    } catch (const std::exception& error) {
        // Nothing may cross into the program that loaded the module.
        *request->message = std::string("The graph could not be drawn: ") + error.what();
        return false;
    }
}
