// Runs the results window's and the progress bar's test classes in one binary.
#include <QApplication>
#include <QTest>

#include "Form3Test.h"
#include "ProgressBarTest.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    {
        ProgressBarTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        Form3Test test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
