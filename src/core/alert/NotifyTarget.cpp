// SPDX-License-Identifier: GPL-3.0-or-later
#include "alert/NotifyTarget.h"

#include <cctype>
#include <optional>

#include "common/PasswordFile.h"

namespace corvalin {

namespace {

constexpr size_t LONGEST_TOPIC = 64;

struct UrlParts {
    std::string scheme;
    std::string userInfo;
    std::string hostPort;
    std::string path;  // from the first "/", query and fragment left off
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool HasControlOrBlank(const std::string& text) {
    for (unsigned char c : text) {
        if (c <= ' ' || c == 0x7F) return true;
    }
    return false;
}

std::optional<UrlParts> Split(const std::string& text) {
    const size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string::npos) return std::nullopt;
    UrlParts parts;
    for (char c : text.substr(0, schemeEnd)) {
        parts.scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::string rest = text.substr(schemeEnd + 3);
    const size_t authorityEnd = rest.find_first_of("/?#");
    std::string authority = rest.substr(0, authorityEnd);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        parts.userInfo = authority.substr(0, at);
        authority = authority.substr(at + 1);
    }
    parts.hostPort = authority;
    if (authorityEnd != std::string::npos && rest[authorityEnd] == '/') {
        parts.path =
            rest.substr(authorityEnd, rest.find_first_of("?#", authorityEnd) - authorityEnd);
    }
    return parts;
}

std::string PercentDecoded(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// What logs show: the user's name stays, a password never does.
std::string Shown(const UrlParts& parts) {
    std::string user = parts.userInfo.substr(0, parts.userInfo.find(':'));
    return parts.scheme + "://" + (user.empty() ? "" : user + "@") + parts.hostPort + parts.path;
}

bool ValidTopic(const std::string& topic) {
    if (topic.empty() || topic.size() > LONGEST_TOPIC) return false;
    for (unsigned char c : topic) {
        if (!std::isalnum(c) && c != '-' && c != '_') return false;
    }
    return true;
}

// A bare address: something@somewhere, nothing that could end a header or a command.
bool ValidMailAddress(const std::string& address) {
    const size_t at = address.find('@');
    return at != std::string::npos && at > 0 && at + 1 < address.size() &&
           !HasControlOrBlank(address) && address.find_first_of("<>,;\"") == std::string::npos;
}

Result<NotifyTarget> MailTarget(NotifyTarget target, const UrlParts& parts,
                                const MailOptions& mail) {
    using R = Result<NotifyTarget>;
    const std::string& given = target.address;
    if (parts.path.size() > 1)
        return R::Fail("Bad notification address " + Quoted(given) +
                       ": a mail server takes no path.");
    if (parts.userInfo.find(':') != std::string::npos) {
        return R::Fail(
            "Bad notification address " + Quoted(given) +
            ": give the password in a file (--notify-password-file), not in the address.");
    }
    if (mail.from.empty() || mail.to.empty()) {
        return R::Fail(
            "Mail to " + Quoted(given) +
            " needs a sender and a recipient (--notify-mail-from and --notify-mail-to).");
    }
    for (const std::string& address : mail.to) {
        if (!ValidMailAddress(address)) return R::Fail("Bad mail address " + Quoted(address) + ".");
    }
    if (!ValidMailAddress(mail.from)) return R::Fail("Bad mail address " + Quoted(mail.from) + ".");
    target.kind = SinkKind::Mail;
    target.url = parts.scheme + "://" + parts.hostPort;
    target.user = PercentDecoded(parts.userInfo);
    target.from = mail.from;
    target.to = mail.to;
    if (!target.user.empty()) {
        if (mail.passwordFile.empty()) {
            return R::Fail("Mail to " + Quoted(given) + " logs in as " + Quoted(target.user) +
                           ": give its password in a file (--notify-password-file).");
        }
        Result<std::string> password =
            ReadPasswordFile(mail.passwordFile, "the mail password file");
        if (!password) return R::Fail(password.error);
        target.password = *password;
    }
    return R::Of(target);
}

}  // namespace

Result<NotifyTarget> ParseNotifyTarget(const std::string& text, const MailOptions& mail) {
    using R = Result<NotifyTarget>;
    const std::optional<UrlParts> parts = Split(text);
    const std::string bad = "Bad notification address " + Quoted(text) + ": ";
    if (!parts || HasControlOrBlank(text)) {
        return R::Fail(bad +
                       "expected ntfy://HOST/TOPIC, ntfys://…, http://…, https://…, "
                       "smtp://[USER@]HOST[:PORT] or smtps://….");
    }
    if (parts->hostPort.empty() || parts->hostPort.front() == ':') {
        return R::Fail(bad + "the host is missing.");
    }
    NotifyTarget target;
    target.address = Shown(*parts);
    const std::string& scheme = parts->scheme;
    if (scheme == "ntfy" || scheme == "ntfys") {
        const std::string topic = parts->path.empty() ? std::string() : parts->path.substr(1);
        if (!ValidTopic(topic)) {
            return R::Fail(bad + "the topic " + Quoted(topic) +
                           " is not 1 to 64 letters, digits, - and _.");
        }
        target.kind = SinkKind::Ntfy;
        target.url = (scheme == "ntfys" ? "https://" : "http://") +
                     (parts->userInfo.empty() ? "" : parts->userInfo + "@") + parts->hostPort +
                     "/" + topic;
        return R::Of(target);
    }
    if (scheme == "http" || scheme == "https") {
        target.kind = SinkKind::Webhook;
        target.url = text;
        return R::Of(target);
    }
    if (scheme == "smtp" || scheme == "smtps") return MailTarget(target, *parts, mail);
    return R::Fail(bad + Quoted(scheme + "://") +
                   " is not one of ntfy://, ntfys://, http://, https://, smtp:// or smtps://.");
}

Result<std::vector<NotifyTarget>> ParseNotifyTargets(const std::vector<std::string>& texts,
                                                     const MailOptions& mail) {
    std::vector<NotifyTarget> targets;
    for (const std::string& text : texts) {
        Result<NotifyTarget> target = ParseNotifyTarget(text, mail);
        if (!target) return Result<std::vector<NotifyTarget>>::Fail(target.error);
        targets.push_back(*target);
    }
    return Result<std::vector<NotifyTarget>>::Of(std::move(targets));
}

}  // namespace corvalin
