// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#undef NO_DATA  // netdb's, not the readings' NO_DATA
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace corvalin::test {

struct Response {
    int status = 0;  // 0: no answer
    std::string headers;
    std::string body;

    bool HasHeader(const std::string& line) const {
        return headers.find("\r\n" + line + "\r\n") != std::string::npos;
    }
};

// A socket connected to the port over loopback, from `source` when given;
// -1 when the connection is refused. Reads give up after 30 s, only so that
// a broken server cannot hang a test.
inline int Connect(uint16_t port, const std::string& host = "127.0.0.1",
                   const std::string& source = "") {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* address = nullptr;
    EXPECT_EQ(getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &address), 0) << host;
    if (address == nullptr) return -1;
    const int fd = socket(address->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval bound{30, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    if (!source.empty()) {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        inet_pton(AF_INET, source.c_str(), &from.sin_addr);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
    }
    const bool connected = connect(fd, address->ai_addr, address->ai_addrlen) == 0;
    freeaddrinfo(address);
    if (!connected) close(fd);
    return connected ? fd : -1;
}

// Sends the bytes as they are to `host`, from `source` when given, and reads
// the answer to the server's close; status 0 when nothing whole came.
inline Response SendRaw(uint16_t port, const std::string& request,
                        const std::string& host = "127.0.0.1", const std::string& source = "") {
    const int fd = Connect(port, host, source);
    if (fd < 0) return {};
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string raw;
    char buffer[4096];
    for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;) raw.append(buffer, got);
    close(fd);
    const size_t end = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) return {};
    return {std::stoi(raw.substr(9, 3)), raw.substr(0, end + 2), raw.substr(end + 4)};
}

// One HTTP/1.1 request, read to the server's close.
inline Response Fetch(uint16_t port, const std::string& method, const std::string& target,
                      const std::string& host = "127.0.0.1") {
    return SendRaw(port,
                   method + " " + target +
                       " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n"
                       "Connection: close\r\n\r\n",
                   host);
}

}  // namespace corvalin::test
