#pragma once

#include <QStringList>

#include "UserPrompts.h"

namespace corvalin::gui {

// Answers the message boxes as the test says and keeps what they showed.
class ScriptedPrompts : public UserPrompts {
public:
    void Inform(QWidget*, const QString& text) override { shown << text; }
    bool ConfirmOkCancel(QWidget*, const QString& title, const QString& text) override {
        shown << title + QStringLiteral(": ") + text;
        return answerOk;
    }
    QStringList shown;
    bool answerOk = true;
};

}  // namespace corvalin::gui
