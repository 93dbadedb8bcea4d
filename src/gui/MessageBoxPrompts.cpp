// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBoxPrompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace corvalin::gui {

namespace {

void ShowMessage(QWidget* owner, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QStringLiteral("Corvalin"), text, QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace

void MessageBoxPrompts::Inform(QWidget* owner, const QString& text) {
    ShowMessage(owner, QMessageBox::NoIcon, text);
}

void MessageBoxPrompts::Critical(QWidget* owner, const QString& text) {
    ShowMessage(owner, QMessageBox::Critical, text);
}

void MessageBoxPrompts::Warn(QWidget* owner, const QString& text) {
    ShowMessage(owner, QMessageBox::Warning, text);
}

QString MessageBoxPrompts::ChooseFileToSave(QWidget* owner, const QString& title,
                                            const QString& filter) {
    return QFileDialog::getSaveFileName(owner, title, QString(), filter);
}

int MessageBoxPrompts::ChooseItem(QWidget* owner, const QString& title, const QString& text,
                                  const QStringList& items) {
    bool ok = false;
    const QString picked = QInputDialog::getItem(owner, title, text, items, 0, false, &ok);
    return ok ? static_cast<int>(items.indexOf(picked)) : -1;
}

bool MessageBoxPrompts::ConfirmOkCancel(QWidget* owner, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    owner);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

}  // namespace corvalin::gui
