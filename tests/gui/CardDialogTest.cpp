// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include "CardDialog.h"
#include "GraphDialog.h"
#include "GuiTest.h"
#include "HistoryTableModel.h"
#include "MainWindow.h"
#include "app/DataFolder.h"
#include "chart/GraphChart.h"

namespace {

QString Label(CardDialog& dialog, const char* name) { return Child<QLabel>(dialog, name)->text(); }

// As a click does: the row is highlighted, then the click is told.
void ClickFile(CardDialog& dialog, const QString& name) {
    auto* files = Child<QTableWidget>(dialog, "fileList");
    for (int row = 0; row < files->rowCount(); ++row) {
        if (files->item(row, 0)->text() != name) continue;
        files->setCurrentCell(row, 0);
        emit files->cellClicked(row, 0);
    }
}

// Opens the graph from the card dialog; gives its unit and how many readings
// of the last four days it draws.
std::pair<QString, int> OpenGraph(CardDialog& card) {
    std::pair<QString, int> seen{u"not opened"_s, -1};
    QTimer::singleShot(0, &card, [&card, &seen] {
        auto* graph = card.findChild<GraphDialog*>();
        if (graph == nullptr) return;
        auto* startDate = graph->findChild<QDateTimeEdit*>(u"startDate"_s);
        startDate->setDate(startDate->date().addDays(-4));
        graph->findChild<QPushButton*>(u"selectButton"_s)->click();
        seen = {graph->unitLabel(), graph->chart()->Series(0)->dataCount()};
        graph->reject();
    });
    Click(card, "graphButton");
    return seen;
}

}  // namespace

void WindowTest::cardSelectDownloadsImportsShowsGraphsAndDeletes() {
    test::TempDir data;
    PrepareDataFolder(data.path(), data.path());  // as the window's start does
    test::SimRig rig;
    QVERIFY(rig.session().Open());
    ScriptedPrompts prompts;
    MainWindow window(rig.session(), prompts, data.path());
    CardDialog& dialog = *window.cardDialog();
    QAbstractItemModelTester tester(dialog.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    dialog.Begin();
    auto* files = Child<QTableWidget>(dialog, "fileList");
    QCOMPARE(files->rowCount(), 8);
    Click(dialog, "selectButton");  // nothing picked yet
    QCOMPARE(prompts.shown, QStringList{u"Please select a file"_s});

    ClickFile(dialog, u"CH2.CSV"_s);
    QCOMPARE(Label(dialog, "selectedName"), u"CH2.CSV"_s);
    QSignalSpy finished(&dialog, &CardDialog::TransferFinished);
    Click(dialog, "selectButton");
    QVERIFY(dialog.TransferRunning());
    for (const char* button : {"selectButton", "graphButton", "deleteButton"}) {
        QVERIFY2(!Child<QPushButton>(dialog, button)->isEnabled(), button);
    }
    QVERIFY(!dialog.close());  // refused while the transfer runs
    QVERIFY(finished.wait(20000));
    QVERIFY(dialog.close());
    QCOMPARE(prompts.shown.join(u"|"_s), u"Please select a file"_s);  // no error
    QCOMPARE(Label(dialog, "sizeText"), u"ok..."_s);
    auto* progress = Child<QProgressBar>(dialog, "progressBar");
    QCOMPARE(progress->value(), progress->maximum());
    QCOMPARE(dialog.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             u"Temperature(°C)"_s);
    QVERIFY(dialog.model()->rowCount() > 800);
    // The card's logs end about now: the graph finds them in the database.
    const auto [unit, points] = OpenGraph(dialog);
    QCOMPARE(unit, u"(°C)"_s);
    QVERIFY2(points > 100, qPrintable(QString::number(points)));

    // A file in the middle: the list would highlight the one after it. (What a
    // delete removes, and that a copy is the card's byte for byte, is the card's to test.)
    prompts.answerOk = false;
    Click(dialog, "deleteButton");
    QVERIFY(std::filesystem::exists(data.File("CH2.CSV")));  // fetched, and kept
    prompts.answerOk = true;
    Click(dialog, "deleteButton");
    QCOMPARE(prompts.shown.last(), u"Corvalin: Are you sure to delete the file?"_s);
    QCOMPARE(files->rowCount(), 7);
    QCOMPARE(files->selectionModel()->selectedRows().value(0).data().toString(), u"CH1.CSV"_s);
    // Select fetches the file highlighted and named.
    Click(dialog, "selectButton");
    QVERIFY(finished.wait(20000));
    QVERIFY(std::filesystem::exists(data.File("CH1.CSV")));
    // Picked with the keyboard (the selection moves, no click): named as well.
    files->selectRow(1);
    QCOMPARE(Label(dialog, "selectedName"), u"CH3.CSV"_s);
    dialog.End();

    // Opened again, it starts as it first did; the card's list, read again, lacks CH2.CSV.
    dialog.Begin();
    QCOMPARE(files->rowCount(), 7);
    QVERIFY(!files->selectionModel()->hasSelection());
    QCOMPARE(dialog.model()->rowCount(), 0);
    QCOMPARE(progress->value(), progress->minimum());
    dialog.End();
}
