#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceLink.h"
#include "protocol/CommandFrame.h"

namespace corvalin {

enum class SaveResult {
    Written,          // the frames went out (the station does not acknowledge them)
    CheckFailed,      // a check refused the values: nothing sent, the dialog stays open
    NotOnMainScreen,  // only the screen-state query went out
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

// The guarded write of `frames`, with the result put into words.
SaveOutcome WriteFrames(DeviceLink& link, const std::vector<CommandFrame>& frames,
                        const std::atomic<int32_t>& notOnMainScreen);

// Save of a dialog form: its checks, then its frames through the guarded write.
template <class Form>
SaveOutcome SaveForm(const Form& form, DeviceLink& link,
                     const std::atomic<int32_t>& notOnMainScreen) {
    if (std::optional<std::string> failure = form.Validate()) {
        return {SaveResult::CheckFailed, std::move(*failure)};
    }
    return WriteFrames(link, form.BuildFrames(), notOnMainScreen);
}

}  // namespace corvalin
