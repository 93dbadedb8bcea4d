#include <QApplication>

int RunMainWindowTests(int argc, char** argv);
int RunHistoryDialogTests(int argc, char** argv);
int RunConfigDialogsTests(int argc, char** argv);
int RunGraphDialogTests(int argc, char** argv);

// Every window test class in one executable, each run by QTest.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvalin"));
    int failed = 0;
    failed += RunMainWindowTests(argc, argv);
    failed += RunHistoryDialogTests(argc, argv);
    failed += RunConfigDialogsTests(argc, argv);
    failed += RunGraphDialogTests(argc, argv);
    return failed;
}
