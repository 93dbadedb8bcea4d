// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogSupport.h"

#include <QDialog>

namespace corvalin::gui {

void FinishSave(QDialog& dialog, UserPrompts& prompts, const SaveOutcome& outcome) {
    if (!outcome.message.empty()) prompts.Inform(&dialog, Utf8(outcome.message));
    if (outcome.ClosesDialog()) dialog.accept();
}

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace corvalin::gui
