// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace corvalin::gui {

// The about box: the program's icon, its name and version, OK.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace corvalin::gui
