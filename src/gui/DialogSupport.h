// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QString>
#include <array>
#include <string>

#include "UserPrompts.h"
#include "config/ConfigSave.h"

class QDialog;

namespace corvalin::gui {

// Fills a drop-down list with the entries in their order (the index travels
// to the station).
template <size_t N>
QComboBox* MakeList(QWidget* parent, const char* objectName,
                    const std::array<const char*, N>& entries) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(objectName));
    for (const char* entry : entries) list->addItem(QString::fromUtf8(entry));
    return list;
}

// Shows what a Save came to and closes the dialog unless a check failed.
void FinishSave(QDialog& dialog, UserPrompts& prompts, const SaveOutcome& outcome);

QString Utf8(const std::string& text);
std::string Utf8(const QString& text);

}  // namespace corvalin::gui
