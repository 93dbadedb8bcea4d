// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every window test needs: Qt Test, the widgets, the simulated station
// and message boxes the test answers.
#include <QtTest>
#include <QtWidgets>

#include "UserPrompts.h"
#include "support/Files.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

using namespace corvalin;
using namespace corvalin::gui;
using namespace Qt::StringLiterals;

// Answers the message boxes as the test says and keeps what they showed,
// critical and warning boxes marked as such.
class ScriptedPrompts : public UserPrompts {
public:
    void Inform(QWidget*, const QString& text) override { shown << text; }
    bool ConfirmOkCancel(QWidget*, const QString& title, const QString& text) override {
        shown << title + u": "_s + text;
        return answerOk;
    }
    void Critical(QWidget*, const QString& text) override { shown << u"Critical: "_s + text; }
    void Warn(QWidget*, const QString& text) override { shown << u"Warning: "_s + text; }
    QString ChooseFileToSave(QWidget*, const QString&, const QString&) override {
        return fileToSave;
    }
    int ChooseItem(QWidget*, const QString& title, const QString& text,
                   const QStringList& items) override {
        shown << title + u": "_s + text;
        offered = items;
        return chosenItem;
    }
    QStringList shown;
    bool answerOk = true;
    QStringList offered;  // the items of the last choice
    int chosenItem = -1;  // -1: the choice is cancelled
    QString fileToSave;   // empty: the save dialog is cancelled
};

// The control of that objectName; the tests end at once when there is none.
template <class T>
T* Child(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no control %s", name);
    return child;
}

inline void Click(const QObject& parent, const char* button) {
    Child<QAbstractButton>(parent, button)->click();
}

inline void Type(const QObject& parent, const char* edit, const char* text) {
    Child<QLineEdit>(parent, edit)->setText(QString::fromUtf8(text));
}

// Every window test, in one Qt Test class; each file defines its part.
class WindowTest : public QObject {
    Q_OBJECT

private slots:
    // MainWindowTest.cpp
    void tileTextsAsTheDisplayWritesThem();
    void windowPausesPollingForItsMenusAndFollowsTheStation();
    void secondCopyEndsAtOnceAndRaisesTheFirst();
    void windowNoticesTheStationLeavingByItselfAndEveryDialogRefusesAnIncompleteRead();
    void windowOffersAChoiceBetweenSeveralStations();
    // NotificationTest.cpp
    void desktopNotificationsAsEachAlertBeginsAndTheSwitchIsRemembered();
    // CardDialogTest.cpp
    void cardSelectDownloadsImportsShowsGraphsAndDeletes();
    // ConfigDialogsTest.cpp
    void setupKeepsAreaTicksSavesThroughTheScreenQueryAndSetsTheInterval();
    void alarmShowsARefusalAndSavesOnEnter();
    void calibrationClosesOnEnterAndSavesTheOffsets();
    // GraphDialogTest.cpp
    void graphOpensOnTheLastHourAndDrawsTheQuantityChosen();
    void graphShowsTheStationsClockZoomsPansAndSavesTheImage();
};
