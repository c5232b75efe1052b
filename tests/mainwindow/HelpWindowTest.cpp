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

class HelpWindowTest : public QObject {
    Q_OBJECT
  private:
    HelpCatalogue catalogue;

    static void CloseHelp(HelpWindow* window) {
        if (!window) return;
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void AddPageRows() {
        QTest::addColumn<QString>("file");
        for (const lexmill::HelpPage& page : catalogue.Pages())
            QTest::newRow(qPrintable(page.file)) << page.file;
    }

  private slots:
    void everyContentsPage_loadsWithTitleKeywordsAndText_data() { AddPageRows(); }
    void everyContentsPage_loadsWithTitleKeywordsAndText() {
        QFETCH(QString, file);
        const lexmill::HelpPage* page = catalogue.PageForFile(file);
        QVERIFY(page);
        QVERIFY(!page->title.isEmpty());
        QVERIFY(!page->keywords.isEmpty());
        HelpWindow window;
        QVERIFY(window.ShowPage(file));
        QCOMPARE(window.CurrentPage(), file);
        QCOMPARE(window.Browser->documentTitle(), page->title);
        QVERIFY2(window.Browser->toPlainText().size() > 400, "a page says something useful");
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

    void links_leadToPagesOfTheContents_data() { AddPageRows(); }
    void links_leadToPagesOfTheContents() {
        QFETCH(QString, file);
        static const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)"));
        for (const QRegularExpressionMatch& link : href.globalMatch(HelpCatalogue::Html(file))) {
            QVERIFY2(catalogue.PageForFile(link.captured(1)),
                     qPrintable(file + QStringLiteral(" links to ") + link.captured(1)));
        }
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

    void index_findsPages_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("file");
        const auto Row = [](const char* name, const char* typed, const char* file) {
            QTest::newRow(name) << QString::fromUtf8(typed) << QString::fromUtf8(file);
        };
        Row("LMBACK", "LMBACK", "searchreplace.html");
        Row("prefix, other case", "lmb", "searchreplace.html");
        Row("Esc", "esc", "searchreplace.html");
        Row("Match Case", "Match Case", "searchreplace.html");
        Row("clipboard", "clipboard", "textblock.html");
        Row("meta tags", "meta tags", "metatags.html");
        Row("word count", "word count", "tally.html");
        Row("FTP password", "password", "ftp.html");
        Row("favorites", "favorites", "favorites.html");
        Row("startup folder", "Startup Folder", "options.html");
        Row("tray", "system tray", "tray.html");
        Row("results", "Copy List", "results.html");
        Row("filter", "custom filter", "workfolder.html");
        Row("command line", " lexmill-batch ", "batch.html");
        Row("unknown", "zebra", "");
        Row("blank", "  ", "");
    }
    void index_findsPages() {
        QFETCH(QString, typed);
        QFETCH(QString, file);
        const lexmill::HelpIndexEntry* entry = catalogue.FindKeyword(typed);
        QCOMPARE(entry ? entry->file : QString(), file);
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
    }

    void unknownTopic_showsTheOverview() {
        HelpWindow* window = lexmill::ShowHelpTopic(nullptr, 999);
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
