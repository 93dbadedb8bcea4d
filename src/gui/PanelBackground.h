// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>

namespace corvalin::gui {

// The live display's background: 3 x 3 light-grey panels, each with a title
// band and three white boxes.
QPixmap PanelBackground();

}  // namespace corvalin::gui
