// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/CurlTransfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace corvalin {

namespace {

constexpr long LONGEST_CONNECT_SECONDS = 10;

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using List = std::unique_ptr<curl_slist, ListDeleter>;

void Append(List& list, const std::string& text) {
    curl_slist* longer = curl_slist_append(list.get(), text.c_str());
    if (longer != nullptr) {
        (void)list.release();
        list.reset(longer);
    }
}

struct Upload {
    const std::string& body;
    size_t at = 0;
};

size_t ReadBody(char* buffer, size_t size, size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    const size_t length = std::min(size * count, upload->body.size() - upload->at);
    std::memcpy(buffer, upload->body.data() + upload->at, length);
    upload->at += length;
    return length;
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const std::atomic<bool>*>(user);
    return cancel != nullptr && cancel->load() ? 1 : 0;
}

void SetMail(CURL* curl, const CurlTransfer& transfer, List& recipients, Upload& upload) {
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, ("<" + transfer.mailFrom + ">").c_str());
    for (const std::string& to : transfer.mailTo) Append(recipients, "<" + to + ">");
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadBody);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(transfer.body.size()));
    // STARTTLS where the server offers it; a password is never sent in the clear.
    curl_easy_setopt(curl, CURLOPT_USE_SSL,
                     static_cast<long>(transfer.user.empty() ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    if (!transfer.user.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, transfer.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, transfer.password.c_str());
    }
}

void SetPost(CURL* curl, const CurlTransfer& transfer, List& headers) {
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    for (const std::string& header : transfer.headers) Append(headers, header);
    Append(headers, "Expect:");  // no wait for "100 Continue"
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, transfer.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(transfer.body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
}

}  // namespace

Status Perform(const CurlTransfer& transfer, const std::atomic<bool>* cancel) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    Easy curl(curl_easy_init());
    if (!curl) return Status::Error("libcurl could not start a transfer.");
    char error[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl.get(), CURLOPT_URL, transfer.url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    const long timeout = static_cast<long>(transfer.timeout.count());
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT,
                     std::min(timeout, LONGEST_CONNECT_SECONDS));
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, timeout);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, CheckCancel);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, cancel);
    List list;
    Upload upload{transfer.body};
    if (transfer.mail) {
        SetMail(curl.get(), transfer, list, upload);
    } else {
        SetPost(curl.get(), transfer, list);
    }
    const CURLcode code = curl_easy_perform(curl.get());
    if (code == CURLE_ABORTED_BY_CALLBACK) return Status::Error("stopped before it was sent");
    if (code != CURLE_OK) return Status::Error(error[0] != '\0' ? error : curl_easy_strerror(code));
    if (transfer.mail) return Status::Ok();
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        return Status::Error("the server answered HTTP " + std::to_string(status));
    }
    return Status::Ok();
}

}  // namespace corvalin
