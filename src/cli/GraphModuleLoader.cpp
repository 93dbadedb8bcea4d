// SPDX-License-Identifier: GPL-3.0-or-later
#include "GraphModuleLoader.h"

#include <dlfcn.h>

#include <filesystem>

#include "common/Version.h"

namespace corvalin::cli {

std::string GraphModulePath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::path(".") : program.parent_path();
    return (folder / CORVALIN_GRAPH_MODULE_FROM_PROGRAM / graph_module::FILE_NAME)
        .lexically_normal()
        .string();
}

Result<graph_module::WriteFunction> LoadGraphModule(const std::string& path) {
    using Loaded = Result<graph_module::WriteFunction>;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return Loaded::Fail(std::string("Drawing a graph needs the graph module ") + path +
                            ", which is not installed: it comes with the package " +
                            graph_module::PACKAGE + " (apt install " + graph_module::PACKAGE +
                            ").");
    }
    // Never closed: Qt is not made to be unloaded.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = dlerror();
        return Loaded::Fail("The graph module " + path +
                            " cannot be loaded: " + (why != nullptr ? why : "unknown error") +
                            " (reinstall " + graph_module::PACKAGE + ").");
    }
    auto version = reinterpret_cast<graph_module::VersionFunction>(
        dlsym(module, graph_module::VERSION_SYMBOL));
    auto write =
        reinterpret_cast<graph_module::WriteFunction>(dlsym(module, graph_module::WRITE_SYMBOL));
    if (version == nullptr || write == nullptr) {
        return Loaded::Fail("The file " + path + " is no Corvalin graph module.");
    }
    // The two share the types they pass: only a module of the same build will do.
    if (std::string(version()) != CORVALIN_VERSION) {
        return Loaded::Fail("The graph module " + path + " is of Corvalin " + version() +
                            ", corvalin-cli of " + CORVALIN_VERSION + ": install " +
                            graph_module::PACKAGE + " " + CORVALIN_VERSION + ".");
    }
    return Loaded::Of(write);
}

}  // namespace corvalin::cli
