// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/DashboardServer.h"

#include <fstream>
#include <sstream>

#include "service/MetricsServer.h"
#include "service/PageFiles.h"

namespace corvalin {

const char* const DEFAULT_CHART_ASSETS = CORVALIN_CHART_ASSETS;

namespace {

constexpr const char* API_PREFIX = "/api/v1/";
constexpr const char* JSON = "application/json; charset=utf-8";

// The page and its script change with the program: asked again each time.
const std::vector<std::pair<std::string, std::string>> REVALIDATE{{"Cache-Control", "no-cache"}};
const std::vector<std::pair<std::string, std::string>> KEEP_A_DAY{
    {"Cache-Control", "max-age=86400"}};

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return bytes.str();
}

HttpResponse Fixed(std::string_view body, const char* type,
                   const std::vector<std::pair<std::string, std::string>>& headers) {
    return {200, type, std::string(body), headers};
}

}  // namespace

DashboardServer::DashboardServer(const ServiceStateHolder& state, DashboardSettings settings,
                                 std::function<int64_t()> now, HttpLimits limits)
    : state_(state),
      settings_(std::move(settings)),
      api_(state, settings_.archivePath, std::move(now)),
      server_([this](const HttpRequest& request) { return Answer(request); }, limits) {}

Status DashboardServer::Start(const std::string& addressAndPort) {
    const std::string folder = settings_.chartAssets;
    std::optional<std::string> script = ReadFile(folder + "/dygraph.min.js");
    std::optional<std::string> style = ReadFile(folder + "/dygraph.min.css");
    if (script && style) {
        chartScript_ = std::move(*script);
        chartStyle_ = std::move(*style);
    } else {
        warning_ = "The page's charts need dygraph.min.js and dygraph.min.css in " + folder +
                   " (the package libjs-dygraphs, or give --http-assets)";
    }
    return server_.Start(addressAndPort, "the page");
}

HttpResponse DashboardServer::Answer(const HttpRequest& request) {
    const std::string& path = request.path;
    const bool api = path.rfind(API_PREFIX, 0) == 0;
    if (request.method != "GET" && request.method != "HEAD") {
        const std::string message = "Only GET and HEAD are served.";
        if (api) {
            return {405, JSON, ApiError(405, message).body, {{"Allow", "GET, HEAD"}}};
        }
        return {405, "text/plain; charset=utf-8", message + "\n", {{"Allow", "GET, HEAD"}}};
    }
    if (api) {
        const ApiAnswer answer = api_.Answer(
            std::string_view(path).substr(std::string_view(API_PREFIX).size()), request.query);
        return {static_cast<unsigned>(answer.status),
                JSON,
                answer.body,
                {{"Cache-Control", "no-store"}}};
    }
    if (path == "/" || path == "/index.html") {
        return Fixed(PAGE_HTML, "text/html; charset=utf-8", REVALIDATE);
    }
    if (path == "/page.js") return Fixed(PAGE_SCRIPT, "text/javascript; charset=utf-8", REVALIDATE);
    if (path == "/page.css") return Fixed(PAGE_STYLE, "text/css; charset=utf-8", REVALIDATE);
    if (path == "/favicon.svg" || path == "/favicon.ico") {
        return Fixed(PAGE_ICON, "image/svg+xml", KEEP_A_DAY);
    }
    if (path == "/metrics") return MetricsAnswer(state_.Get());
    if (path == "/dygraph.min.js" && !chartScript_.empty()) {
        return Fixed(chartScript_, "text/javascript; charset=utf-8", KEEP_A_DAY);
    }
    if (path == "/dygraph.min.css" && !chartStyle_.empty()) {
        return Fixed(chartStyle_, "text/css; charset=utf-8", KEEP_A_DAY);
    }
    return {404, "text/plain; charset=utf-8", "Not found.\n", {}};
}

}  // namespace corvalin
