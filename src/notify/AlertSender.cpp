// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/AlertSender.h"

#include "alert/AlertText.h"
#include "notify/CurlTransfer.h"

namespace corvalin {

Status SendAlert(const NotifyTarget& target, const AlertMessage& message,
                 const std::atomic<bool>* cancel) {
    CurlTransfer transfer;
    transfer.url = target.url;
    switch (target.kind) {
        case SinkKind::Ntfy:
            transfer.body = MessageBody(message);
            transfer.headers = {"Title: " + MessageTitle(message),
                                "Priority: " + std::to_string(MessagePriority(message)),
                                "Tags: " + MessageTags(message),
                                "Content-Type: text/plain; charset=utf-8"};
            break;
        case SinkKind::Webhook:
            transfer.body = WebhookJson(message);
            transfer.headers = {"Content-Type: application/json"};
            break;
        case SinkKind::Mail:
            transfer.mail = true;
            transfer.body = MailText(message, target.from, target.to);
            transfer.mailFrom = target.from;
            transfer.mailTo = target.to;
            transfer.user = target.user;
            transfer.password = target.password;
            break;
    }
    return Perform(transfer, cancel);
}

}  // namespace corvalin
