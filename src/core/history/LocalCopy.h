// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Status.h"

namespace corvalin {

// One card file's local copy in the data folder, held for one transfer or
// delete. Everything is opened relative to the folder and never through a
// link; anything but a regular file is refused. A lock on the copy's name
// keeps every other transfer of it out, from this process or another (the
// window and corvalin-cli alike), until this object goes.
class LocalCopy {
public:
    // Takes the lock of `name` in `dataDir`; refuses at once when another
    // transfer holds it.
    static Result<std::unique_ptr<LocalCopy>> Lock(const std::string& dataDir,
                                                   const std::string& name);
    ~LocalCopy();
    LocalCopy(const LocalCopy&) = delete;
    LocalCopy& operator=(const LocalCopy&) = delete;

    // Opens the copy for appending, creating it when there is none.
    Status OpenForWriting();
    bool Created() const { return created_; }
    uint64_t OriginalLength() const { return originalLength_; }

    // A fresh file beside the copy (in the program's own folder) that takes
    // the copy's place once it is complete; the copy stays until then.
    Status OpenReplacement();
    bool Replacing() const { return replacementFd_ >= 0; }

    // Appends to the file being written (the replacement, if there is one).
    bool Append(std::string_view bytes);
    // The transfer is done: the replacement, if any, takes the copy's place.
    Status Complete();
    // The transfer failed: the copy goes back to how it was (gone, if this
    // transfer made it), the replacement goes.
    void Restore();
    // The transfer stopped: the copy keeps its first `length` bytes.
    void KeepPrefix(uint64_t length);

    // The copy is a regular file, or there is none: what a delete may remove.
    Status CheckRemovable() const;
    // Removes the copy, if there is one.
    void Remove();

private:
    LocalCopy() = default;

    std::string name_;
    int folderFd_ = -1;
    int privateFd_ = -1;  // the program's own folder in the data folder
    int lockFd_ = -1;
    int copyFd_ = -1;
    int replacementFd_ = -1;
    bool created_ = false;
    uint64_t originalLength_ = 0;
};

}  // namespace corvalin
