// The About box: its texts, and the two links handed to the desktop while the
// box stays open and modal.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "DialogTestSupport.h"
#include "FrmAbt.h"
#include "RecordedShellOpens.h"
#include "ScriptedMessageBoxes.h"

using namespace lexmill;

namespace {
QLabel* Label(const FrmAbt& box, const char* name) {
    return box.findChild<QLabel*>(QLatin1String(name));
}
}  // namespace

class FrmAbtTest : public QObject {
    Q_OBJECT
  private slots:
    void showsTheTextsOfTheBox();
    void linksOpenTheSiteAndTheMailWhileTheBoxStaysModal();
};

void FrmAbtTest::showsTheTextsOfTheBox() {
    FrmAbt box;
    box.show();
    QCOMPARE(box.windowTitle(), QStringLiteral("About..."));
    QStringList texts;
    for (const char* name : {"Label3", "Label6", "Label5", "Label7"})
        texts << Label(box, name)->text();
    texts << box.findChild<QPushButton*>(QStringLiteral("Command3"))->text();
    QCOMPARE(texts, (QStringList{"Find more great free software from Bramblegate at:",
                                 "https://www.bramblegate.example/", "support@bramblegate.example",
                                 "Version 2.1", "OK"}));
    QVERIFY(Label(box, "Label2")->text().contains(QStringLiteral("Bramblegate")));
    QVERIFY(!Label(box, "Picture1")->pixmap().isNull());
    test::VerifyNothingClipped(box);
}

void FrmAbtTest::linksOpenTheSiteAndTheMailWhileTheBoxStaysModal() {
    RecordedShellOpens shell;
    shell.setAccepted(false);  // a link the desktop refuses is ignored as well
    ScriptedMessageBoxes boxes;
    QWidget mainWindow;
    test::BlockWatch watch(&mainWindow);
    mainWindow.show();
    FrmAbt box;  // opened without an owner
    box.show();
    // A press dragged off the link, and a right click, are no clicks.
    QTest::mousePress(Label(box, "Label5"), Qt::LeftButton);
    QTest::mouseRelease(Label(box, "Label5"), Qt::LeftButton, {}, QPoint(-5, -5));
    QTest::mouseClick(Label(box, "Label5"), Qt::RightButton);
    QCOMPARE(shell.count(), 0);
    box.hide();
    bool stillModal = false;
    bool mainBlocked = false;
    test::OnModal([&](QWidget*) {
        QTest::mouseClick(Label(box, "Label6"), Qt::LeftButton);
        QTest::mouseClick(Label(box, "Label5"), Qt::LeftButton);
        stillModal = box.isVisible() && QApplication::activeModalWidget() == &box;
        mainBlocked = watch.blocked;
        box.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    });
    QCOMPARE(box.exec(), int(QDialog::Accepted));
    QVERIFY(stillModal);
    QVERIFY(mainBlocked);
    QCOMPARE(shell.count(), 2);
    QCOMPARE(shell.calls()[0].target, QStringLiteral("https://www.bramblegate.example/"));
    QCOMPARE(shell.calls()[1].target, QStringLiteral("mailto:support@bramblegate.example"));
    QCOMPARE(shell.calls()[0].owner, &box);
    QCOMPARE(boxes.count(), 0);
}

int RunFrmAbtTests(int argc, char** argv) {
    FrmAbtTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FrmAbtTest.moc"
