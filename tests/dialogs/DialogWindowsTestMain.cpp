// The three dialogs' tests in one program: each class runs in turn and the
// program fails when any of them does.
#include <QApplication>

int RunFrmopTests(int argc, char** argv);
int RunFrmfavTests(int argc, char** argv);
int RunFrmAbtTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    for (auto* run : {RunFrmopTests, RunFrmfavTests, RunFrmAbtTests}) failures += run(argc, argv);
    return failures == 0 ? 0 : 1;
}
