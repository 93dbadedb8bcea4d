// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/AreaMaskState.h"

#include <algorithm>

namespace corvalin {

namespace {

bool ValidBox(int box) { return box >= 0 && box < MASK_BOX_COUNT; }

}  // namespace

int AreaMaskState::AreaIndex(int selection) { return std::clamp(selection, 0, AREA_COUNT - 1); }

void AreaMaskState::BeginFilling() {
    shownArea_ = 0;
    filling_ = true;
    boxes_ = 0;
}

void AreaMaskState::EndFilling() { filling_ = false; }

void AreaMaskState::Load(const AreaMasks& masks) {
    areaMask_ = masks;
    shownArea_ = NO_AREA;
    boxes_ = 0;
}

void AreaMaskState::ChangeArea(int selection) {
    if (!filling_ && shownArea_ != NO_AREA) areaMask_[AreaIndex(shownArea_)] = boxes_;
    shownArea_ = AreaIndex(selection);
    boxes_ = areaMask_[shownArea_] & MASK_BOX_BITS;
}

bool AreaMaskState::IsChecked(int box) const {
    return ValidBox(box) && shownArea_ != NO_AREA && (boxes_ & (1u << box)) != 0;
}

bool AreaMaskState::MayChange(int area, uint32_t before, uint32_t after) {
    uint32_t changeable = MASK_BOX_BITS;
    if (AreaIndex(area) == 0) {
        changeable = 0;
        for (DisplayRow row : DISPLAY_ROWS) changeable |= 1u << MaskBit(0, row);
    }
    return ((before ^ after) & ~changeable) == 0;
}

bool AreaMaskState::IsEnabled(int box) const {
    if (!ValidBox(box) || shownArea_ == NO_AREA) return false;
    return shownArea_ != 0 || box < 3;  // in "CH Area1" only CH1's bits 0..2
}

bool AreaMaskState::SetChecked(int box, bool checked) {
    if (!IsEnabled(box)) return false;
    if (checked) {
        boxes_ |= 1u << box;
    } else {
        boxes_ &= ~(1u << box);
    }
    return true;
}

uint32_t AreaMaskState::Mask(int area) const { return areaMask_[AreaIndex(area)]; }

AreaMasks AreaMaskState::MasksForSave() const {
    AreaMasks masks = areaMask_;
    if (shownArea_ != NO_AREA) masks[AreaIndex(shownArea_)] = boxes_;
    return masks;
}

}  // namespace corvalin
