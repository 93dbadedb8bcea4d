// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocol/CommandFrame.h"
#include "protocol/StationChannel.h"

namespace corvalin {

enum class SaveResult {
    Written,          // the frames went out (the station does not acknowledge them)
    CheckFailed,      // a check refused the values: nothing sent, the dialog stays open
    NotOnMainScreen,  // only the screen-state query went out
    NoAnswer,         // a block it sends, or the screen state, was not answered: nothing sent
    NotConnected,     // nothing sent
    Lost,             // the station went away while the frames were being sent
};

// What a configuration dialog's Save came to, and the text to show (empty
// when there is nothing to say).
struct SaveOutcome {
    SaveResult result = SaveResult::Written;
    std::string message;

    // Only a failed check keeps the dialog open with the user's values.
    bool ClosesDialog() const { return result != SaveResult::CheckFailed; }
};

// The guarded write of `frames`, with the result put into words. It builds
// on the channel's current sequence: the read that filled the form.
SaveOutcome WriteFrames(StationChannel& channel, const std::vector<CommandFrame>& frames);

// Save of a dialog form: its checks, then its frames through the guarded write.
template <class Form>
SaveOutcome SaveForm(const Form& form, StationChannel& channel) {
    if (std::optional<std::string> failure = form.Validate()) {
        return {SaveResult::CheckFailed, std::move(*failure)};
    }
    return WriteFrames(channel, form.BuildFrames());
}

}  // namespace corvalin
