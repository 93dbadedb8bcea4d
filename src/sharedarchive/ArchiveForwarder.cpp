// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedarchive/ArchiveForwarder.h"

#include <poll.h>

#include <algorithm>
#include <filesystem>

#include "sharedarchive/SharedArchiveRows.h"
#include "sharedarchive/SharedArchiveSchema.h"

namespace corvalin {

namespace {

// Connections are tried again later and later up to this, and from the
// first delay again after one that worked.
constexpr std::chrono::milliseconds LONGEST_RETRY{300000};
constexpr int ARCHIVE_CACHE_KIB = 1024;

}  // namespace

ArchiveForwarder::ArchiveForwarder(ForwarderSettings settings, ServiceStateHolder& state,
                                   LogSink log)
    : settings_(std::move(settings)),
      state_(state),
      log_(std::move(log)),
      retry_(settings_.firstRetry, LONGEST_RETRY) {}

ArchiveForwarder::~ArchiveForwarder() { Stop(); }

void ArchiveForwarder::Start() {
    state_.Update([this](ServiceState& s) {
        s.archiveServer = settings_.server.Name();
        s.archiveServerConnected = false;
        s.archiveServerProblem.clear();
    });
    thread_ = std::thread([this] { Run(); });
}

void ArchiveForwarder::Stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    stop_.Notify();
    thread_.join();
    state_.Update([](ServiceState& s) { s.archiveServerConnected = false; });
}

void ArchiveForwarder::RowsAdded() { wakeup_.Notify(); }

void ArchiveForwarder::Say(LogLevel level, const std::string& text) {
    if (log_) log_(level, text);
}

void ArchiveForwarder::SayFailure(const std::string& text) {
    if (text != lastFailure_) Say(LogLevel::Warning, text);
    lastFailure_ = text;
}

void ArchiveForwarder::Run() {
    while (!stopping_) {
        if (archive_ || OpenArchive()) {
            if (!server_ && Steady::now() >= nextConnect_) Connect();
            // A backlog drains batch after batch, looking at the wakeup between.
            while (server_ && !stopping_ && ForwardBatch()) {
                wakeup_.Drain();
            }
        }
        if (!stopping_) WaitForWork();
    }
    server_.reset();
}

bool ArchiveForwarder::OpenArchive() {
    // The logger makes the archive; until then there is nothing to forward.
    std::error_code missing;
    if (!std::filesystem::exists(settings_.archivePath, missing)) return false;
    Result<std::unique_ptr<ArchiveDatabase>> opened = ArchiveDatabase::Open(settings_.archivePath);
    if (!opened) {
        SayFailure(opened.error);
        return false;
    }
    archive_ = std::move(*opened.value);
    // Each page is read once: a big cache would only hold memory.
    archive_->LimitCache(ARCHIVE_CACHE_KIB);
    cursor_ = std::make_unique<ForwardCursor>(*archive_, settings_.server.Name());
    return true;
}

void ArchiveForwarder::Connect() {
    PgConnection::Limits limits;
    limits.stopFd = stop_.fd();
    auto connected = PgConnection::Connect(settings_.server, limits);
    Status ready =
        connected ? PrepareSharedArchive(**connected.value) : Status::Error(connected.error);
    if (stopping_) return;
    if (!ready) {
        Drop(ready.message);
        return;
    }
    server_ = std::move(*connected.value);
    retry_.Succeeded();
    lastFailure_.clear();
    state_.Update([](ServiceState& s) {
        s.archiveServerConnected = true;
        s.archiveServerProblem.clear();
    });
    Say(LogLevel::Info, "Forwarding the archive to " + settings_.server.Name());
}

bool ArchiveForwarder::ForwardBatch() {
    const Result<ForwardPosition> from = cursor_->Take();
    if (!from) {
        SayFailure(from.error);
        return false;
    }
    Result<std::vector<ForwardedRow>> batch = cursor_->RowsAfter(*from, settings_.batchRows);
    if (!batch) {
        SayFailure(batch.error);
        return false;
    }
    if (batch->empty()) return false;
    std::vector<ArchivedRow> rows;
    rows.reserve(batch->size());
    for (ForwardedRow& row : *batch.value) rows.push_back(std::move(row.stored));
    const Result<int64_t> sent = SendRows(*server_, rows);
    if (!sent) {
        if (!stopping_) Drop(sent.error);
        return false;
    }
    // Only now that the server has them does the position move on.
    if (Status moved = cursor_->MoveTo(batch->back().position); !moved) {
        SayFailure(moved.message + "; the rows will be sent again");
        return false;
    }
    rowsForwarded_ += rows.size();
    return rows.size() == settings_.batchRows;
}

void ArchiveForwarder::Drop(const std::string& why) {
    const std::string name = settings_.server.Name();
    if (server_) {
        Say(LogLevel::Warning, "The archive server " + name + " was lost: " + why +
                                   "; rows wait in the local archive");
        lastFailure_.clear();
    } else {
        SayFailure("The archive server " + name + " cannot be used: " + why +
                   "; rows wait in the local archive");
    }
    server_.reset();
    state_.Update([&why](ServiceState& s) {
        s.archiveServerConnected = false;
        s.archiveServerProblem = why;
    });
    nextConnect_ = Steady::now() + retry_.Failed();
}

void ArchiveForwarder::WaitForWork() {
    pollfd fds[3] = {{wakeup_.fd(), POLLIN, 0}, {stop_.fd(), POLLIN, 0}, {-1, POLLIN, 0}};
    nfds_t count = 2;
    int timeout = -1;  // only rows, the server or Stop wake an idle forwarder
    if (server_) {
        fds[count++].fd = server_->Socket();
    } else if (archive_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(nextConnect_ - Steady::now());
        timeout = static_cast<int>(std::clamp<int64_t>(left.count(), 0, 3600 * 1000));
    }
    poll(fds, count, timeout);
    if (fds[0].revents & POLLIN) wakeup_.Drain();
    // While idle, the server speaks only to say it goes.
    if (count == 3 && fds[2].revents != 0 && server_->Lost()) {
        Drop("the server closed the connection");
    }
}

}  // namespace corvalin
