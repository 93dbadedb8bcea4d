// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace corvalin::gui {

// The message boxes the windows show, behind an interface so that tests can
// answer them.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // A message with only an OK button and the application's name as title.
    virtual void Inform(QWidget* owner, const QString& text) = 0;
    // OK / Cancel with the warning icon, Cancel the default. True for OK.
    virtual bool ConfirmOkCancel(QWidget* owner, const QString& title, const QString& text) = 0;
    // As Inform, with the critical (stop) icon.
    virtual void Critical(QWidget* owner, const QString& text) = 0;
    // As Inform, with the exclamation icon.
    virtual void Warn(QWidget* owner, const QString& text) = 0;
    // The name of a file to write, asked with a save dialog; empty when cancelled.
    virtual QString ChooseFileToSave(QWidget* owner, const QString& title,
                                     const QString& filter) = 0;
    // One of `items`, picked from a list: its index, or -1 when cancelled.
    virtual int ChooseItem(QWidget* owner, const QString& title, const QString& text,
                           const QStringList& items) = 0;
};

}  // namespace corvalin::gui
