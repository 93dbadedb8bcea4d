// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/NotifyReceiver.h"

#include <unistd.h>

#include <algorithm>

namespace corvalin::test {

namespace {

constexpr const char* MAIL_START = "---------- MESSAGE FOLLOWS ----------";
constexpr const char* MAIL_END = "------------ END MESSAGE ------------";

bool IsRequest(const std::string& line) { return !line.empty() && line.front() == '{'; }

// A bare HTTP/1.0 POST, so that the control of the receiver does not go
// through the code under test.
void Post(int port, const std::string& path, const std::string& body) {
    const int fd = ConnectLoopback(port);
    if (fd < 0) return;
    const std::string request = "POST " + path +
                                " HTTP/1.0\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\n\r\n" + body;
    (void)!write(fd, request.data(), request.size());
    char answer[256];
    while (read(fd, answer, sizeof answer) > 0) {
    }
    close(fd);
}

}  // namespace

NotifyReceiver::NotifyReceiver(int port)
    : process_(std::make_unique<ChildProcess>(std::vector<std::string>{
          "/usr/bin/python3", std::string(CORVALIN_TEST_SUPPORT_DIR) + "/notify_receiver.py",
          std::to_string(port)})) {
    process_->WaitFor([this](const std::vector<std::string>& lines) {
        if (lines.empty() || lines[0].rfind("PORT ", 0) != 0) return false;
        port_ = std::stoi(lines[0].substr(5));
        return true;
    });
}

std::string NotifyReceiver::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void NotifyReceiver::SetMode(const std::string& mode) { Post(port_, "/_mode", mode); }

std::vector<nlohmann::json> NotifyReceiver::Requests() const {
    std::vector<nlohmann::json> requests;
    for (const std::string& line : process_->Lines()) {
        if (IsRequest(line)) requests.push_back(nlohmann::json::parse(line));
    }
    return requests;
}

bool NotifyReceiver::WaitFor(size_t count, std::chrono::seconds limit) const {
    return process_->WaitFor(
        [count](const std::vector<std::string>& lines) {
            return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), IsRequest)) >=
                   count;
        },
        limit);
}

MailServer::MailServer() : port_(FreeLoopbackPort()) {
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", "-u", "-m", "aiosmtpd", "-n", "-l",
                                 "127.0.0.1:" + std::to_string(port_)});
    started_ = Listens(port_);
}

std::vector<std::string> MailServer::Mails() const {
    std::vector<std::string> mails;
    bool inside = false;
    for (const std::string& line : process_->Lines()) {
        if (line == MAIL_START) {
            inside = true;
            mails.emplace_back();
        } else if (line == MAIL_END) {
            inside = false;
        } else if (inside) {
            mails.back() += line + "\n";
        }
    }
    return mails;
}

bool MailServer::WaitFor(size_t count, std::chrono::seconds limit) const {
    return process_->WaitFor(
        [count](const std::vector<std::string>& lines) {
            return static_cast<size_t>(std::count(lines.begin(), lines.end(), MAIL_END)) >= count;
        },
        limit);
}

}  // namespace corvalin::test
