// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/NotifyReceiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace corvalin::test {

namespace {

constexpr const char* MAIL_START = "---------- MESSAGE FOLLOWS ----------";
constexpr const char* MAIL_END = "------------ END MESSAGE ------------";

bool IsRequest(const std::string& line) { return !line.empty() && line.front() == '{'; }

size_t CountOf(const std::vector<std::string>& lines, const std::string& wanted) {
    size_t count = 0;
    for (const std::string& line : lines) count += line == wanted ? 1 : 0;
    return count;
}

// A bare HTTP/1.0 POST, so that the control of the receiver does not go
// through the code under test.
void Post(int port, const std::string& path, const std::string& body) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "POST " + path +
                                    " HTTP/1.0\r\nContent-Length: " + std::to_string(body.size()) +
                                    "\r\n\r\n" + body;
        (void)!write(fd, request.data(), request.size());
        char answer[256];
        while (read(fd, answer, sizeof answer) > 0) {
        }
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
            return CountOf(lines, MAIL_END) >= count;
        },
        limit);
}

}  // namespace corvalin::test
