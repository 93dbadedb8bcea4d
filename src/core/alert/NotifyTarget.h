// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "common/Status.h"

namespace corvalin {

enum class SinkKind { Ntfy, Webhook, Mail };

// Who alert mails go from and to, and where the mail server's password is.
struct MailOptions {
    std::string from;
    std::vector<std::string> to;
    std::string passwordFile;  // its first line is the password
};

// Where alert messages go, checked and ready for libcurl.
struct NotifyTarget {
    SinkKind kind = SinkKind::Webhook;
    std::string address;  // as given, without password or query: for logs and output
    std::string url;      // what libcurl is given
    // Mail only.
    std::string user;
    std::string password;
    std::string from;
    std::vector<std::string> to;
};

// ntfy://HOST[:PORT]/TOPIC, ntfys://…, http(s)://…, smtp://[USER@]HOST[:PORT]
// or smtps://…; mail needs a sender and a recipient, and a login its password.
Result<NotifyTarget> ParseNotifyTarget(const std::string& text, const MailOptions& mail);
Result<std::vector<NotifyTarget>> ParseNotifyTargets(const std::vector<std::string>& texts,
                                                     const MailOptions& mail);

}  // namespace corvalin
