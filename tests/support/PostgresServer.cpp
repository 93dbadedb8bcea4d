// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PostgresServer.h"

#include <libpq-fe.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/ChildProcess.h"
#include "support/Files.h"

namespace corvalin::test {

namespace {

namespace fs = std::filesystem;

// The newest PostgreSQL server installed the Debian way.
std::string ServerBinaries() {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
        if (fs::exists(entry.path() / "bin" / "initdb")) found.push_back(entry.path() / "bin");
    }
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return found.empty() ? std::string() : found.back();
}

// Who runs the server: under root, the system user postgres.
std::optional<passwd> ServerUser() {
    if (geteuid() != 0) return std::nullopt;
    const passwd* user = getpwnam("postgres");
    if (user == nullptr) return std::nullopt;
    return *user;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

PostgresServer::PostgresServer(bool durable)
    : home_(dir_.File("pg")), bin_(ServerBinaries()), port_(FreeLoopbackPort()), durable_(durable) {
    if (bin_.empty()) {
        problem_ = "No PostgreSQL server under /usr/lib/postgresql (./dev setup installs it)";
        return;
    }
    fs::create_directories(home_);
    if (geteuid() == 0) {
        const std::optional<passwd> user = ServerUser();
        if (!user) {
            problem_ = "Running as root, but there is no user postgres to run the server";
            return;
        }
        // The way in, and the server's folder its own.
        chmod(dir_.path().c_str(), 0711);
        chown(home_.c_str(), user->pw_uid, user->pw_gid);
    }
    if (!Run({bin_ + "/initdb", "-D", home_ + "/data", "-U", "postgres", "--auth-local=trust",
              "--auth-host=scram-sha-256", "-E", "UTF8", "--no-instructions", "--no-sync"})) {
        problem_ = "initdb failed; see " + home_ + "/run.log";
    }
}

PostgresServer::~PostgresServer() { Stop(); }

bool PostgresServer::Run(std::vector<std::string> command) {
    // The server's user may not enter the test's own working folder.
    command.insert(command.begin(), {"/usr/bin/env", "-C", home_});
    if (ServerUser())
        command.insert(command.begin(), {"/usr/sbin/runuser", "-u", "postgres", "--"});
    ChildProcess run(std::move(command), {}, home_ + "/run.log");
    return run.Wait(std::chrono::minutes(2)) == 0;
}

bool PostgresServer::Start() {
    if (!problem_.empty() || running_) return running_;
    std::string settings =
        "-p " + std::to_string(port_) + " -k " + home_ + " -c listen_addresses=127.0.0.1";
    if (!durable_) settings += " -c fsync=off -c synchronous_commit=off";
    running_ = Run({bin_ + "/pg_ctl", "-D", home_ + "/data", "-l", home_ + "/server.log", "-w",
                    "-t", "60", "-o", settings, "start"});
    return running_;
}

void PostgresServer::Stop() {
    if (!running_) return;
    Run({bin_ + "/pg_ctl", "-D", home_ + "/data", "-m", "fast", "-w", "-t", "60", "stop"});
    running_ = false;
}

bool PostgresServer::AddUser(const std::string& user, const std::string& password,
                             const std::string& database) {
    return Query("postgres", "CREATE ROLE \"" + user + "\" LOGIN PASSWORD " + Quoted(password)) &&
           Query("postgres", "CREATE DATABASE \"" + database + "\" OWNER \"" + user + "\"");
}

std::string PostgresServer::Address(const std::string& user, const std::string& database) const {
    return "postgresql://" + user + "@127.0.0.1:" + std::to_string(port_) + "/" + database;
}

std::string PostgresServer::PasswordFile(const std::string& password) const {
    const std::string path =
        dir_.File("password-" + std::to_string(std::hash<std::string>{}(password)));
    WriteAll(path, password + "\n");
    return path;
}

std::optional<std::string> PostgresServer::Query(const std::string& database,
                                                 const std::string& sql) {
    const std::string where =
        "host=" + home_ + " port=" + std::to_string(port_) + " user=postgres dbname=" + database;
    PGconn* connection = PQconnectdb(where.c_str());
    std::optional<std::string> value;
    if (PQstatus(connection) == CONNECTION_OK) {
        PGresult* result = PQexec(connection, sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
            const bool any = PQntuples(result) > 0 && PQnfields(result) > 0;
            value = any ? PQgetvalue(result, 0, 0) : "";
        }
        PQclear(result);
    }
    PQfinish(connection);
    return value;
}

std::string PostgresServer::Log() const { return ReadAll(home_ + "/server.log"); }

}  // namespace corvalin::test
