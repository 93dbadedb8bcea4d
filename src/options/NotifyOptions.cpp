// SPDX-License-Identifier: GPL-3.0-or-later
#include "NotifyOptions.h"

namespace corvalin::options {

void AddNotifyOptions(CLI::App& app, NotifyArguments& arguments) {
    const char* group = "Alerts";
    app.add_option("--notify", arguments.notify,
                   "Send alerts to ntfy://HOST/TOPIC, ntfys://..., a webhook http(s)://..., or "
                   "mail through smtp://[USER@]HOST[:PORT] or smtps://... (repeatable)")
        ->group(group);
    app.add_option("--notify-mail-from", arguments.mailFrom, "The sender of alert mails")
        ->group(group);
    app.add_option("--notify-mail-to", arguments.mailTo,
                   "The recipient of alert mails (repeatable)")
        ->group(group);
    app.add_option("--notify-password-file", arguments.passwordFile,
                   "A file whose first line is the mail server's password (for USER@)")
        ->group(group);
}

Result<std::vector<NotifyTarget>> MakeNotifyTargets(const NotifyArguments& arguments) {
    return ParseNotifyTargets(arguments.notify,
                              {arguments.mailFrom, arguments.mailTo, arguments.passwordFile});
}

}  // namespace corvalin::options
