// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>

#include "alert/AlertEvent.h"
#include "alert/NotifyTarget.h"
#include "common/Status.h"

namespace corvalin {

// Sends one message to one target: ntfy a text with its Title, Priority and
// Tags, a webhook JSON, a mail plain text. `cancel` cuts it short.
Status SendAlert(const NotifyTarget& target, const AlertMessage& message,
                 const std::atomic<bool>* cancel = nullptr);

}  // namespace corvalin
