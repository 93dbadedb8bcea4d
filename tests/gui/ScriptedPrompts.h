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
    void Critical(QWidget*, const QString& text) override {
        shown << text;
        critical << text;
    }
    void Warn(QWidget*, const QString& text) override {
        shown << text;
        warned << text;
    }
    QString ChooseFileToSave(QWidget*, const QString&, const QString&) override {
        return fileToSave;
    }
    QStringList shown;
    QStringList critical;  // also in shown
    QStringList warned;    // also in shown
    bool answerOk = true;
    QString fileToSave;  // empty: the save dialog is cancelled
};

}  // namespace corvalin::gui
