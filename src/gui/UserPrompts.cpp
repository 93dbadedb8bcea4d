#include "UserPrompts.h"

#include <QMessageBox>

namespace corvalin::gui {

void MessageBoxPrompts::Inform(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Corvalin"), text, QMessageBox::Ok, owner);
    box.exec();
}

bool MessageBoxPrompts::ConfirmOkCancel(QWidget* owner, const QString& title,
                                        const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    owner);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

}  // namespace corvalin::gui
