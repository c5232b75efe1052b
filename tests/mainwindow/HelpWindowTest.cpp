// The help pages from the resources and the help window over them.
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

#include "HelpCatalogue.h"
#include "HelpWindow.h"

using lexmill::HelpCatalogue;
using lexmill::HelpWindow;

static_assert(HelpCatalogue::kOptionsContext == 64, "the options dialog asks for topic 64");

namespace {

void CloseHelp(HelpWindow* window) {
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT
  private:
    HelpCatalogue catalogue;

  private slots:
    void everyPage_loadsWithTitleAndTextAndLinksOnlyToPages_data() {
        QTest::addColumn<QString>("file");
        for (const lexmill::HelpPage& page : catalogue.Pages())
            QTest::newRow(qPrintable(page.file)) << page.file;
    }
    void everyPage_loadsWithTitleAndTextAndLinksOnlyToPages() {
        QFETCH(QString, file);
        const lexmill::HelpPage* page = catalogue.PageForFile(file);
        QVERIFY(page && !page->title.isEmpty() && !page->keywords.isEmpty());
        HelpWindow window;
        QVERIFY(window.ShowPage(file));
        QCOMPARE(window.CurrentPage(), file);
        QCOMPARE(window.Browser->documentTitle(), page->title);
        QVERIFY2(window.Browser->toPlainText().size() > 400, "a page says something useful");
        static const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)"));
        for (const QRegularExpressionMatch& link : href.globalMatch(HelpCatalogue::Html(file)))
            QVERIFY2(catalogue.PageForFile(link.captured(1)), qPrintable(link.captured(1)));
    }

    void resources_holdExactlyTheContentsPages() {
        QStringList shipped = QDir(QStringLiteral(":/help")).entryList({"*.html"}, QDir::Files);
        QStringList listed;
        for (const lexmill::HelpPage& page : catalogue.Pages()) listed << page.file;
        shipped.sort();
        listed.sort();
        QCOMPARE(listed, shipped);
        QVERIFY(HelpCatalogue::Html(QStringLiteral("missing.html")).isEmpty());
    }

    void contentsList_showsEveryPageInOrder() {
        HelpWindow window;
        QCOMPARE(window.ContentsList->count(), int(catalogue.Pages().size()));
        for (int row = 0; row < window.ContentsList->count(); ++row)
            QCOMPARE(window.ContentsList->item(row)->text(), catalogue.Pages()[row].title);
        window.show();
        QListWidgetItem* options = window.ContentsList->item(10);
        QCOMPARE(options->text(), QStringLiteral("Options"));
        const QRect rect = window.ContentsList->visualItemRect(options);
        QTest::mouseClick(window.ContentsList->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(window.CurrentPage(), QStringLiteral("options.html"));
    }

    void index_findsPages() {
        const std::pair<const char*, const char*> rows[] = {
            {"LMBACK", "searchreplace.html"},
            {"lmb", "searchreplace.html"},
            {"esc", "searchreplace.html"},
            {"Match Case", "searchreplace.html"},
            {"clipboard", "textblock.html"},
            {"meta tags", "metatags.html"},
            {"word count", "tally.html"},
            {"password", "ftp.html"},
            {"favorites", "favorites.html"},
            {"Startup Folder", "options.html"},
            {"system tray", "tray.html"},
            {"Copy List", "results.html"},
            {"custom filter", "workfolder.html"},
            {" lexmill-batch ", "batch.html"},
            {"zebra", ""},
            {"  ", ""},
        };
        for (const auto& [typed, file] : rows) {
            const lexmill::HelpIndexEntry* entry = catalogue.FindKeyword(QString::fromUtf8(typed));
            QVERIFY2((entry ? entry->file : QString()) == QLatin1String(file), typed);
        }
    }

    void indexBox_typingSelectsAKeywordAndEnterOpensIt() {
        HelpWindow window;
        window.show();
        window.ShowIndexTab();
        QTest::keyClicks(window.IndexText, QStringLiteral("lmb"));
        QVERIFY(window.IndexList->currentItem());
        QCOMPARE(window.IndexList->currentItem()->text(), QStringLiteral("LMBACK"));
        QTest::keyClick(window.IndexText, Qt::Key_Return);
        QCOMPARE(window.CurrentPage(), QStringLiteral("searchreplace.html"));
    }

    void topic64_opensTheOptionsPage() {
        HelpWindow* window = lexmill::ShowHelpTopic(nullptr, 64);
        QVERIFY(window->isVisible());
        QCOMPARE(window->CurrentPage(), QStringLiteral("options.html"));
        QVERIFY(window->Browser->toPlainText().contains(QStringLiteral("Startup Folder")));
        // Back from a topic window opened afresh leads nowhere else.
        QVERIFY(!window->BackButton->isEnabled());
        CloseHelp(window);
        window = lexmill::ShowHelpTopic(nullptr, 999);  // unknown: the overview
        QCOMPARE(window->CurrentPage(), QStringLiteral("overview.html"));
        CloseHelp(window);
    }

    void contents_usesOneHelpWindowThatKeepsItsPage() {
        HelpWindow* first = lexmill::ShowHelpContents(nullptr);
        QVERIFY(first->isVisible());
        QCOMPARE(first->CurrentPage(), QStringLiteral("overview.html"));
        QCOMPARE(first->Tabs->currentWidget(), static_cast<QWidget*>(first->ContentsList));
        QVERIFY(!first->testAttribute(Qt::WA_QuitOnClose));

        QCOMPARE(lexmill::ShowHelpTopic(nullptr, 64), first);
        first->ShowIndexTab();
        QCOMPARE(lexmill::ShowHelpContents(nullptr), first);
        QCOMPARE(first->CurrentPage(), QStringLiteral("options.html"));
        QCOMPARE(first->Tabs->currentWidget(), static_cast<QWidget*>(first->ContentsList));
        first->BackButton->click();
        QCOMPARE(first->CurrentPage(), QStringLiteral("overview.html"));

        QPointer<HelpWindow> closed(first);
        CloseHelp(first);
        QVERIFY(closed.isNull());
        HelpWindow* second = lexmill::ShowHelpContents(nullptr);
        QCOMPARE(second->CurrentPage(), QStringLiteral("overview.html"));
        CloseHelp(second);
    }

    // Every command of the menus has its help.
    void menuPage_namesEveryCommand() {
        HelpWindow window;
        QVERIFY(window.ShowPage(QStringLiteral("menus.html")));
        const QString text = window.Browser->toPlainText();
        for (const char* command :
             {"Select Folder", "Refresh File List", "Select All Files", "Minimize to System Tray",
              "Exit", "Options", "Edit Favorites", "View File in Text Block Window",
              "Open File in Default Application", "Open File in Notepad", "FTP Upload",
              "Meta Tag Extractor", "Contents", "About"})
            QVERIFY2(text.contains(QLatin1String(command)), command);
    }
};

int RunHelpWindowTests(int argc, char** argv) {
    HelpWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HelpWindowTest.moc"
