// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "protocol/DisplayMask.h"

namespace corvalin {

// The channel grid of the Setup dialog: the five display masks and the 24
// check boxes that show one of them. Box b is bit b of the shown mask. The
// boxes are stored back into their mask only when another area is chosen or
// the masks are saved, so a mask whose area was never shown since it was
// loaded goes back with all 32 bits, and any other with bits 24 to 31 clear.
// Lives as long as the dialog object: the masks survive from one opening to the next.
class AreaMaskState {
public:
    static constexpr int NO_AREA = -1;

    // The dialog is opening: "CH Area1" will be shown, and the fresh boxes must
    // not be stored over a mask before they show it.
    void BeginFilling();
    void EndFilling();
    bool Filling() const { return filling_; }

    // New masks as the station sent them. No area is shown until ChangeArea,
    // so until then every mask goes out whole.
    void Load(const AreaMasks& masks);

    // The user picked area `selection` (0 = "CH Area1" .. 4 = "CH Area5"):
    // unless filling, the shown boxes are stored into the mask of the area
    // they showed; then they show the chosen area's mask.
    void ChangeArea(int selection);
    int ShownArea() const { return shownArea_; }

    bool IsChecked(int box) const;
    // "CH Area1" lets only the three CH1 boxes change; the other areas all 24.
    bool IsEnabled(int box) const;
    // The same rule for a whole mask: `after` may replace `before` in `area`
    // (0 = "CH Area1") only where the dialog's boxes could change it.
    static bool MayChange(int area, uint32_t before, uint32_t after);
    // False, and nothing changes, for a disabled box.
    bool SetChecked(int box, bool checked);

    // The stored mask of an area, as the boxes last left it.
    uint32_t Mask(int area) const;
    // What Save sends: the shown area from its boxes, the others as stored.
    AreaMasks MasksForSave() const;

private:
    static int AreaIndex(int selection);

    AreaMasks areaMask_{};
    int shownArea_ = 0;
    bool filling_ = false;
    uint32_t boxes_ = 0;  // the 24 boxes, bit b = box b
};

}  // namespace corvalin
