// The progress bar's and the results window's tests in one program.
#include <QApplication>

int RunProgressBarTests(int argc, char** argv);
int RunForm3Tests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    for (auto* run : {RunProgressBarTests, RunForm3Tests}) failures += run(argc, argv);
    return failures == 0 ? 0 : 1;
}
