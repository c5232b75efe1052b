// Runs the tray icon and help window tests in one offscreen application.
#include <QApplication>

int RunTrayIconTests(int argc, char** argv);
int RunHelpWindowTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = RunTrayIconTests(argc, argv);
    failures += RunHelpWindowTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
