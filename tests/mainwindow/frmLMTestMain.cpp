// Runs the main window's test classes in one binary.
#include <QApplication>

int RunShellTests(int argc, char** argv);
int RunBatchTests(int argc, char** argv);
int RunWiringTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = RunShellTests(argc, argv);
    failures += RunBatchTests(argc, argv);
    failures += RunWiringTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
