#include <QAbstractItemModelTester>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "History.h"
#include "HistoryTableModel.h"
#include "ScriptedPrompts.h"
#include "store/RecordDatabase.h"
#include "support/SimRig.h"
#include "support/Files.h"
#include "support/TempDir.h"

using namespace corvalin;
using namespace corvalin::gui;

namespace {

using test::ReadAll;

void ClickFile(History& dialog, const QString& name) {
    auto* files = dialog.findChild<QTableWidget*>(QStringLiteral("fileList"));
    for (int row = 0; row < files->rowCount(); ++row) {
        if (files->item(row, 0)->text() == name) emit files->cellClicked(row, 0);
    }
}

QString Label(History& dialog, const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

QPushButton* Button(History& dialog, const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

}  // namespace

class HistoryDialogTest : public QObject {
    Q_OBJECT

private slots:
    void selectDownloadsImportsAndShowsTheLines() {
        test::TempDir data;
        test::SimRig rig;
        QVERIFY(rig.link().OpenDevice());
        ScriptedPrompts prompts;
        History dialog(rig.session(), prompts, data.path());
        QAbstractItemModelTester tester(dialog.model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("SDCard File"));
        QCOMPARE(dialog.model()->columnCount(), 5);
        QCOMPARE(dialog.model()->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("HeatIndex"));
        dialog.Begin();
        auto* files = dialog.findChild<QTableWidget*>(QStringLiteral("fileList"));
        QCOMPARE(files->rowCount(), 8);

        Button(dialog, "selectButton")->click();  // nothing picked yet
        QCOMPARE(prompts.shown, QStringList{QStringLiteral("Please select a file")});

        ClickFile(dialog, QStringLiteral("CH2.CSV"));
        QCOMPARE(Label(dialog, "selectedName"), QStringLiteral("CH2.CSV"));
        QVERIFY(Label(dialog, "sizeText").endsWith(QStringLiteral(" KB")));

        QSignalSpy finished(&dialog, &History::TransferFinished);
        Button(dialog, "selectButton")->click();
        QVERIFY(dialog.TransferRunning());
        QVERIFY(!Button(dialog, "selectButton")->isEnabled());
        QVERIFY(!Button(dialog, "deleteButton")->isEnabled());
        QVERIFY(!dialog.close());  // refused while the transfer runs
        QVERIFY(finished.wait(20000));
        QVERIFY(dialog.close());

        QCOMPARE(Label(dialog, "sizeText"), QStringLiteral("ok..."));
        QVERIFY(Button(dialog, "selectButton")->isEnabled());
        QCOMPARE(ReadAll(data.File("CH2.CSV")), ReadAll(rig.station().CardDir() + "/CH2.CSV"));
        QCOMPARE(dialog.UnitText(), QStringLiteral("(°C)"));
        QCOMPARE(dialog.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Temperature(°C)"));
        QVERIFY(dialog.model()->rowCount() > 800);
        QCOMPARE(dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"))->value(),
                 dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"))->maximum());
        QVERIFY(prompts.shown.size() == 1);  // no errors

        RecordDatabase database;
        QCOMPARE(database.Connect(data.File("7500.db")), 0);
        QCOMPARE(database.CountRange("2000-01-01 00:00:00", "2100-01-01 00:00:00", "Temperature"), 0);
        QVERIFY(database.FieldValue("Count").ToInteger() > 800);
        dialog.End();
    }

    void indoorFileGetsThreeColumnsAndDeleteEmptiesTheDatabase() {
        test::TempDir data;
        test::SimRig rig;
        QVERIFY(rig.link().OpenDevice());
        ScriptedPrompts prompts;
        History dialog(rig.session(), prompts, data.path());
        dialog.Begin();
        ClickFile(dialog, QStringLiteral("INDOOR.CSV"));
        QSignalSpy finished(&dialog, &History::TransferFinished);
        Button(dialog, "selectButton")->click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(dialog.model()->columnCount(), 3);
        QCOMPARE(dialog.model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Humidity(%)"));

        prompts.answerOk = false;
        Button(dialog, "deleteButton")->click();
        QVERIFY(std::filesystem::exists(data.File("INDOOR.CSV")));

        prompts.answerOk = true;
        const int rowsBefore = dialog.findChild<QTableWidget*>(QStringLiteral("fileList"))->rowCount();
        Button(dialog, "deleteButton")->click();
        QCOMPARE(prompts.shown.last(), QStringLiteral("Corvalin: Are you sure to delete the file?"));
        QVERIFY(!std::filesystem::exists(data.File("INDOOR.CSV")));
        QVERIFY(!std::filesystem::exists(rig.station().CardDir() + "/INDOOR.CSV"));
        QCOMPARE(dialog.findChild<QTableWidget*>(QStringLiteral("fileList"))->rowCount(),
                 rowsBefore - 1);
        QCOMPARE(Label(dialog, "selectedName"), QStringLiteral("CH1.CSV"));
        // The table still shows the last import; the database is empty.
        QVERIFY(dialog.model()->rowCount() > 0);
        RecordDatabase database;
        QCOMPARE(database.Connect(data.File("7500.db")), 0);
        QCOMPARE(database.CountRange("2000-01-01 00:00:00", "2100-01-01 00:00:00", "Temperature"), 0);
        QCOMPARE(database.FieldValue("Count").ToInteger(), 0);
        dialog.End();
    }

    void unconnectedOpeningListsNothing() {
        test::TempDir data;
        test::SimRig rig;
        rig.station().Unplug();
        QVERIFY(!rig.link().OpenDevice());
        ScriptedPrompts prompts;
        History dialog(rig.session(), prompts, data.path());
        dialog.Begin();
        QCOMPARE(dialog.findChild<QTableWidget*>(QStringLiteral("fileList"))->rowCount(), 0);
        QVERIFY(rig.Written().empty());
        Button(dialog, "selectButton")->click();
        QCOMPARE(prompts.shown.last(), QStringLiteral("Please select a file"));
        dialog.End();
    }
};

int RunHistoryDialogTests(int argc, char** argv) {
    HistoryDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HistoryDialogTest.moc"
