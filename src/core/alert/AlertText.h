// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "alert/AlertEvent.h"

namespace corvalin {

// How an alert message reads in each sink: the same words everywhere.

// "FIRING: CH1 temperature 31.2 °C is above 30 °C (ch1.temperature above 30)"
std::string EventLine(const AlertEvent& event);
// "Corvalin attic: CH1 FIRING, CH3 CLEARED": the station, channels and states.
std::string MessageTitle(const AlertMessage& message);
// One line per event; a summary says how much was held back first.
std::string MessageBody(const AlertMessage& message);

// ntfy's Priority (1 to 5) and Tags headers.
int MessagePriority(const AlertMessage& message);
std::string MessageTags(const AlertMessage& message);

// The webhook's body: one event is an object with the keys rule, station,
// channel, quantity, value, limit, state and time; the events of one reading
// are an array of such objects. A summary and a test are one object whose
// state is SUMMARY or TEST.
std::string WebhookJson(const AlertMessage& message);

// The mail as sent: headers, a blank line and the plain text, CR LF lines.
std::string MailText(const AlertMessage& message, const std::string& from,
                     const std::vector<std::string>& to);

}  // namespace corvalin
