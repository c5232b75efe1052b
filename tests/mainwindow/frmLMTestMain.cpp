// Runs the main window's test classes in one binary.
#include <QApplication>
#include <QTest>

#include "frmLMBatchTest.h"
#include "frmLMShellTest.h"
#include "frmLMWiringTest.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    {
        frmLMShellTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        frmLMBatchTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        frmLMWiringTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
