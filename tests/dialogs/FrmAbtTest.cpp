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
    void aLinkTheDesktopRefusesIsIgnored();
    void aPressDraggedOffTheLinkIsNoClick();
};

void FrmAbtTest::showsTheTextsOfTheBox() {
    FrmAbt box;
    box.show();
    QCOMPARE(box.windowTitle(), QStringLiteral("About..."));
    QCOMPARE(Label(box, "Label3")->text(),
             QStringLiteral("Find more great free software from Bramblegate at:"));
    QCOMPARE(Label(box, "Label6")->text(), QStringLiteral("https://www.bramblegate.example/"));
    QCOMPARE(Label(box, "Label5")->text(), QStringLiteral("support@bramblegate.example"));
    QCOMPARE(Label(box, "Label7")->text(), QStringLiteral("Version 2.1"));
    QVERIFY(Label(box, "Label2")->text().contains(QStringLiteral("Bramblegate")));
    QCOMPARE(Label(box, "Label1")->text().count(QLatin1Char('.')), 2);  // two sentences
    QVERIFY(!Label(box, "Picture1")->pixmap().isNull());
    QCOMPARE(box.findChild<QPushButton*>(QStringLiteral("Command3"))->text(), QStringLiteral("OK"));
    // Everything sits in the frame, and the box is at least its design width.
    QWidget* frame = box.findChild<QWidget*>(QStringLiteral("Frame1"));
    for (const char* name :
         {"Picture1", "Label1", "Label2", "Label3", "Label5", "Label6", "Label7", "Command3"})
        QCOMPARE(box.findChild<QWidget*>(QLatin1String(name))->parentWidget(), frame);
    QVERIFY(box.width() >= 4770 / 15);
    test::VerifyNothingClipped(box);
}

void FrmAbtTest::linksOpenTheSiteAndTheMailWhileTheBoxStaysModal() {
    RecordedShellOpens shell;
    ScriptedMessageBoxes boxes;
    QWidget mainWindow;
    test::BlockWatch watch(&mainWindow);
    mainWindow.show();
    FrmAbt box;  // opened without an owner
    bool stillModal = false;
    bool mainBlocked = false;
    test::OnModal([&](QWidget* modal) {
        QCOMPARE(modal, &box);
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

void FrmAbtTest::aLinkTheDesktopRefusesIsIgnored() {
    RecordedShellOpens shell;
    shell.setAccepted(false);
    ScriptedMessageBoxes boxes;
    FrmAbt box;
    box.show();
    QTest::mouseClick(Label(box, "Label6"), Qt::LeftButton);
    QCOMPARE(shell.count(), 1);
    QCOMPARE(boxes.count(), 0);
    QVERIFY(box.isVisible());
}

void FrmAbtTest::aPressDraggedOffTheLinkIsNoClick() {
    RecordedShellOpens shell;
    FrmAbt box;
    box.show();
    QLabel* link = Label(box, "Label5");
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 5, link->height() + 5));
    QTest::mouseClick(link, Qt::RightButton);
    QCOMPARE(shell.count(), 0);
}

int RunFrmAbtTests(int argc, char** argv) {
    FrmAbtTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FrmAbtTest.moc"
