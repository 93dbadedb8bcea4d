// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedarchive/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace corvalin {

namespace {

using Clock = std::chrono::steady_clock;

struct ResultFree {
    void operator()(PGresult* result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, ResultFree>;

std::string FirstLine(std::string text) {
    text = text.substr(0, text.find('\n'));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// libpq's words without its prefixes ("connection to server at ... failed:",
// "FATAL:  "), with what to do where the cause is a common one.
std::string ConnectionFailure(const std::string& said) {
    std::string why = said;
    const size_t failed = why.rfind("failed: ");
    if (failed != std::string::npos) why = why.substr(failed + 8);
    for (const char* prefix : {"FATAL:  ", "ERROR:  "}) {
        if (why.rfind(prefix, 0) == 0) why = why.substr(std::strlen(prefix));
    }
    why = FirstLine(why);
    const char* passwordFrom = "--archive-server-password-file, PGPASSFILE or ~/.pgpass";
    if (why.find("password authentication failed") != std::string::npos) {
        return why + " (the password comes from " + passwordFrom + ")";
    }
    if (why.find("no password supplied") != std::string::npos) {
        return std::string("the server asks for a password and none was given (") + passwordFrom +
               ")";
    }
    if (why.find("does not exist") != std::string::npos && why.find("database") == 0) {
        return why + " on the server (create it there, e.g. with createdb)";
    }
    return why.empty() ? std::string("the connection failed") : why;
}

// The server's own message of a failed statement.
std::string StatementFailure(const PGresult* result, PGconn* connection) {
    const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    if (primary != nullptr) return primary;
    return FirstLine(PQerrorMessage(connection));
}

}  // namespace

Result<std::unique_ptr<PgConnection>> PgConnection::Connect(const ArchiveServer& server,
                                                            Limits limits) {
    using R = Result<std::unique_ptr<PgConnection>>;
    const char* keys[] = {"dbname", "password", "application_name", nullptr};
    const char* values[] = {server.address.c_str(),
                            server.password.empty() ? nullptr : server.password.c_str(), "corvalin",
                            nullptr};
    PGconn* raw = PQconnectStartParams(keys, values, 1);
    if (raw == nullptr) return R::Fail("out of memory");
    std::unique_ptr<PgConnection> connection(new PgConnection(raw, std::move(limits)));
    const auto until = Clock::now() + connection->limits_.connect;
    PostgresPollingStatusType polled = PGRES_POLLING_WRITING;
    while (PQstatus(raw) != CONNECTION_BAD && polled != PGRES_POLLING_OK &&
           polled != PGRES_POLLING_FAILED) {
        const short events = polled == PGRES_POLLING_READING ? POLLIN : POLLOUT;
        if (Status ready = connection->WaitFor(events, until); !ready) {
            return R::Fail(ready.message);
        }
        polled = PQconnectPoll(raw);
    }
    if (PQstatus(raw) != CONNECTION_OK) return R::Fail(ConnectionFailure(PQerrorMessage(raw)));
    PQsetnonblocking(raw, 1);
    return R::Of(std::move(connection));
}

PgConnection::~PgConnection() { PQfinish(connection_); }

int PgConnection::Socket() const { return PQsocket(connection_); }

bool PgConnection::Lost() {
    return PQconsumeInput(connection_) == 0 || PQstatus(connection_) == CONNECTION_BAD;
}

Status PgConnection::WaitFor(short events, Clock::time_point until) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0) return Status::Error("the server did not answer in time");
        pollfd fds[2] = {{PQsocket(connection_), events, 0}, {limits_.stopFd, POLLIN, 0}};
        const nfds_t count = limits_.stopFd >= 0 ? 2 : 1;
        const int ready =
            poll(fds, count, static_cast<int>(std::min<int64_t>(left.count(), 60000)));
        if (ready < 0 && errno == EINTR) {
            if (limits_.interrupted && limits_.interrupted()) return Status::Error(STOPPED);
            continue;
        }
        if (ready < 0) return Status::Error(std::strerror(errno));
        if (count == 2 && fds[1].revents != 0) return Status::Error(STOPPED);
        if (fds[0].revents != 0) return Status::Ok();
    }
}

Status PgConnection::Send(const std::string& sql, const std::vector<Value>& parameters) {
    if (abandoned_) return Status::Error("the connection was left in the middle of an answer");
    std::vector<const char*> values;
    for (const Value& value : parameters) values.push_back(value ? value->c_str() : nullptr);
    if (PQsendQueryParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                          values.data(), nullptr, nullptr, 0) == 0) {
        return Status::Error(FirstLine(PQerrorMessage(connection_)));
    }
    const auto until = Clock::now() + limits_.answer;
    int flushed;
    // A big statement leaves in parts, as the server takes them.
    while ((flushed = PQflush(connection_)) == 1) {
        if (Status ready = WaitFor(POLLIN | POLLOUT, until); !ready) return ready;
        if (PQconsumeInput(connection_) == 0)
            return Status::Error(FirstLine(PQerrorMessage(connection_)));
    }
    if (flushed < 0) return Status::Error(FirstLine(PQerrorMessage(connection_)));
    return Status::Ok();
}

Status PgConnection::Receive(const std::function<bool(const Row&)>& visit) {
    Status outcome;
    bool wanted = true;
    for (;;) {
        while (PQisBusy(connection_) != 0) {
            if (Status ready = WaitFor(POLLIN, Clock::now() + limits_.answer); !ready) return ready;
            if (PQconsumeInput(connection_) == 0) {
                return Status::Error(FirstLine(PQerrorMessage(connection_)));
            }
        }
        PgResult result(PQgetResult(connection_));
        if (!result) return outcome;
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_TUPLES_OK && status != PGRES_SINGLE_TUPLE &&
            status != PGRES_COMMAND_OK) {
            if (outcome) outcome = Status::Error(StatementFailure(result.get(), connection_));
            continue;
        }
        for (int r = 0; r < PQntuples(result.get()) && wanted; ++r) {
            Row row;
            for (int c = 0; c < PQnfields(result.get()); ++c) {
                if (PQgetisnull(result.get(), r, c)) {
                    row.emplace_back();
                } else {
                    row.emplace_back(PQgetvalue(result.get(), r, c));
                }
            }
            wanted = visit(row);
        }
        // The rest of the answer is never read: the connection is done with.
        if (!wanted) {
            abandoned_ = true;
            return Status::Ok();
        }
    }
}

Result<std::vector<PgConnection::Row>> PgConnection::Query(const std::string& sql,
                                                           const std::vector<Value>& parameters) {
    using R = Result<std::vector<Row>>;
    if (Status sent = Send(sql, parameters); !sent) return R::Fail(sent.message);
    std::vector<Row> rows;
    Status received = Receive([&rows](const Row& row) {
        rows.push_back(row);
        return true;
    });
    if (!received) return R::Fail(received.message);
    return R::Of(std::move(rows));
}

Status PgConnection::Stream(const std::string& sql, const std::vector<Value>& parameters,
                            const std::function<bool(const Row&)>& visit) {
    if (Status sent = Send(sql, parameters); !sent) return sent;
    // A row at a time: an export of years needs no more memory than one row.
    PQsetSingleRowMode(connection_);
    return Receive(visit);
}

}  // namespace corvalin
