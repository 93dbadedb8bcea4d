// SPDX-License-Identifier: GPL-3.0-or-later
// The window's desktop notifications, seen by a notification service on the
// test's private session bus.
#include "GuiTest.h"
#include "MainWindow.h"
#include "NotificationListener.h"

void WindowTest::desktopNotificationsAsEachAlertBeginsAndTheSwitchIsRemembered() {
    NotificationListener listener;
    QVERIFY(listener.Register());
    // CH2 past the factory's high limit of 40.0 °C.
    SimOptions options;
    options.sensors.push_back({2, true, 45.0, 50});
    test::SimRig rig(options);

    ScriptedPrompts prompts;
    test::TempDir data;
    auto window = std::make_unique<MainWindow>(rig.session(), prompts, data.path());
    QAction* notifications = window->findChild<QAction*>(u"notificationsAction"_s);
    QVERIFY(notifications->isChecked());  // on at the first start
    window->Start();
    QTRY_COMPARE_WITH_TIMEOUT(listener.calls.size(), 1, 30000);
    const NotificationListener::Call alarm = listener.calls[0];
    QCOMPARE(alarm.summary, u"CH2 temperature alarm"_s);
    QCOMPARE(alarm.body, u"45.0  °C, past the station's limit of 40.0  °C."_s);
    QCOMPARE(alarm.hints.value(u"urgency"_s).metaType(), QMetaType::fromType<uchar>());
    QCOMPARE(alarm.hints.value(u"urgency"_s).toInt(), 2);

    const auto replugThenUnplug = [&window] {
        window->findChild<QAction*>(u"plugAction"_s)->trigger();
        QTRY_COMPARE(window->StatusText(), u"Connected"_s);
        window->findChild<QAction*>(u"unplugAction"_s)->trigger();
    };
    window->findChild<QAction*>(u"unplugAction"_s)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(listener.calls.size(), 2, 30000);
    QCOMPARE(listener.calls[1].summary, u"Station lost"_s);
    QCOMPARE(listener.calls[1].replaces, 0u);
    // A second loss replaces the notice of the first rather than stacking.
    replugThenUnplug();
    QTRY_COMPARE_WITH_TIMEOUT(listener.calls.size(), 3, 30000);
    QCOMPARE(listener.calls[2].replaces, listener.calls[1].id);

    // Off: a loss is not told, and the switch is remembered across starts.
    notifications->setChecked(false);
    replugThenUnplug();
    QTRY_COMPARE(window->StatusText(), u"Unconnected"_s);
    window.reset();
    window = std::make_unique<MainWindow>(rig.session(), prompts, data.path());
    QVERIFY(!window->findChild<QAction*>(u"notificationsAction"_s)->isChecked());
    window->findChild<QAction*>(u"notificationsAction"_s)->setChecked(true);
    rig.station().Plug();
    window->Start();
    QTRY_COMPARE(window->StatusText(), u"Connected"_s);
    // Without a notification service the window goes on as before.
    listener.Unregister();
    replugThenUnplug();
    QTRY_COMPARE(window->StatusText(), u"Unconnected"_s);
    QCOMPARE(listener.calls.size(), 3);
}
