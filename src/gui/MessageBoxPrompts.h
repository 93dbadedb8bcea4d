// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UserPrompts.h"

namespace corvalin::gui {

// The real message boxes.
class MessageBoxPrompts : public UserPrompts {
public:
    void Inform(QWidget* owner, const QString& text) override;
    bool ConfirmOkCancel(QWidget* owner, const QString& title, const QString& text) override;
    void Critical(QWidget* owner, const QString& text) override;
    void Warn(QWidget* owner, const QString& text) override;
    QString ChooseFileToSave(QWidget* owner, const QString& title, const QString& filter) override;
    int ChooseItem(QWidget* owner, const QString& title, const QString& text,
                   const QStringList& items) override;
};

}  // namespace corvalin::gui
