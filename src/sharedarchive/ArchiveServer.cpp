// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedarchive/ArchiveServer.h"

#include <libpq-fe.h>

#include <memory>

namespace corvalin {

namespace {

struct OptionsFree {
    void operator()(PQconninfoOption* options) const { PQconninfoFree(options); }
};

std::string Usage(const std::string& text, const std::string& why) {
    return "\"" + text + "\" is not an archive server address (" + why +
           "): give postgresql://USER@HOST[:PORT]/DATABASE";
}

}  // namespace

std::string ArchiveServer::Name() const {
    const bool ipv6 = host.find(':') != std::string::npos && host.find(',') == std::string::npos;
    return "postgresql://" + (user.empty() ? std::string() : user + "@") +
           (ipv6 ? "[" + host + "]" : host) + ":" + port + "/" + database;
}

Result<ArchiveServer> ParseArchiveServer(const std::string& text) {
    using R = Result<ArchiveServer>;
    if (text.rfind("postgresql://", 0) != 0 && text.rfind("postgres://", 0) != 0) {
        return R::Fail(Usage(text, "it does not begin with postgresql://"));
    }
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, OptionsFree> options(PQconninfoParse(text.c_str(), &error));
    if (!options) {
        std::string why = error != nullptr ? error : "libpq cannot read it";
        PQfreemem(error);
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
        return R::Fail(Usage(text, why));
    }
    ArchiveServer server;
    server.address = text;
    for (const PQconninfoOption* option = options.get(); option->keyword != nullptr; ++option) {
        if (option->val == nullptr) continue;
        const std::string key = option->keyword;
        if (key == "password") {
            return R::Fail(
                "Give the archive server's password in a password file "
                "(--archive-server-password-file, PGPASSFILE or ~/.pgpass), not in "
                "the address, where every user of the computer can read it");
        }
        if (key == "user") server.user = option->val;
        if (key == "host") server.host = option->val;
        if (key == "port" && *option->val != 0) server.port = option->val;
        if (key == "dbname") server.database = option->val;
    }
    if (server.host.empty()) return R::Fail(Usage(text, "it names no host"));
    if (server.database.empty()) return R::Fail(Usage(text, "it names no database"));
    return R::Of(server);
}

}  // namespace corvalin
