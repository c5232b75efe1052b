// The favourites editor on a real settings file and a real menu: what it
// loads, Add and Remove with their rules, Done writing the five slots and the
// menu entries at once, Cancel changing nothing.
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "DialogTestSupport.h"
#include "ScriptedFolderBrowser.h"
#include "ScriptedMessageBoxes.h"
#include "frmfav.h"

using namespace lexmill;
using lexmill::test::TempSettings;

namespace {

const char* const kSection = "Favorite Folders";

// The main window's Favorites menu: favs(0) to favs(4), the separator and
// "&Edit Favorites", in their design state.
struct FavoritesMenu {
    FavoritesMenu() {
        for (int i = 0; i < 5; ++i) {
            favs[i] = menu.addAction(QString());
            favs[i]->setVisible(i == 0);
        }
        favs[0]->setText(QStringLiteral("(Empty)"));
        favs[0]->setEnabled(false);
        menu.addSeparator();
        menu.addAction(QStringLiteral("&Edit Favorites"));
    }

    // As the menu shows them after start-up with these stored favourites.
    void showStored(const QStringList& paths) {
        for (int i = 0; i < 5; ++i) {
            const bool used = i < paths.size();
            favs[i]->setVisible(used);
            favs[i]->setEnabled(used);
            if (used) favs[i]->setText(frmfav::MenuCaption(i, paths[i], false));
        }
    }

    // "caption|shown|enabled" or "caption|hidden" for each entry (a hidden
    // action is disabled as well).
    QStringList state() const {
        QStringList entries;
        for (QAction* entry : favs) {
            if (!entry->isVisible())
                entries << entry->text() + QStringLiteral("|hidden");
            else
                entries << entry->text() + (entry->isEnabled() ? QStringLiteral("|shown|enabled")
                                                               : QStringLiteral("|shown|disabled"));
        }
        return entries;
    }

    QMenu menu;
    FavoritesMenuEntries favs{};
};

struct Editor {
    Editor(const FavoritesMenu& menu, const TempSettings& settings,
           const QString& workFolder = QStringLiteral("/work/folder"))
        : dialog(menu.favs, workFolder, settings.file()) {}

    frmfav dialog;
    QListWidget* List1() const { return dialog.findChild<QListWidget*>(QStringLiteral("List1")); }
    QPushButton* button(const char* name) const {
        return dialog.findChild<QPushButton*>(QLatin1String(name));
    }
    void remove() const { button("Command1")->click(); }
    void add() const { button("Command2")->click(); }
    void cancel() const { button("Command3")->click(); }
    void done() const { button("Command4")->click(); }

    QStringList entries() const {
        QStringList list;
        for (int i = 0; i < List1()->count(); ++i) list << List1()->item(i)->text();
        return list;
    }
    int selectedRow() const {
        const auto selected = List1()->selectedItems();
        return selected.isEmpty() ? -1 : List1()->row(selected.first());
    }
    void addFolders(const QStringList& folders) const {
        ScriptedFolderBrowser browser;
        for (const QString& folder : folders) {
            browser.answer(folder);
            add();
        }
    }
};

void StoreFavorites(const TempSettings& settings, const QStringList& paths) {
    for (int i = 0; i < paths.size(); ++i)
        settings.put(kSection, QStringLiteral("folder%1").arg(i), paths[i]);
}

QStringList Stored(const TempSettings& settings) {
    QStringList values;
    for (const auto& [name, text] : settings.all(kSection)) values << name + "=" + text;
    return values;
}

}  // namespace

class frmfavTest : public QObject {
    Q_OBJECT
  private slots:
    void opensWithTheLayoutsCaptions();
    void loadReadsTheSlotsUnlessTheMenuSaysEmpty_data();
    void loadReadsTheSlotsUnlessTheMenuSaysEmpty();

    void addAppendsTheChosenFolder();
    void addIgnoresCancelAndExactDuplicates();
    void aSixthFavoriteIsRefusedBeforeBrowsing();
    void removeSelectsTheEntryThatTookItsPlace_data();
    void removeSelectsTheEntryThatTookItsPlace();

    void doneStoresTheSlotsAndUpdatesTheMenu();
    void doneWithAnEmptyListLeavesOnlyTheEmptyMarker();
    void doneShowsPathsAsPlainText();
    void theNextOpeningReadsWhatDoneStored();
    void cancelChangesNeitherStoreNorMenu();
};

void frmfavTest::opensWithTheLayoutsCaptions() {
    TempSettings settings;
    FavoritesMenu menu;
    Editor e(menu, settings);
    QCOMPARE(e.dialog.windowTitle(), QStringLiteral("Edit Favorite Folders"));
    QCOMPARE(e.button("Command3")->text(), QStringLiteral("&Cancel"));
    QCOMPARE(e.button("Command2")->text(), QStringLiteral("&Add"));
    QCOMPARE(e.button("Command1")->text(), QStringLiteral("&Remove"));
    QCOMPARE(e.button("Command4")->text(), QStringLiteral("&Done"));
    e.dialog.show();
    test::VerifyNothingClipped(e.dialog);
}

void frmfavTest::loadReadsTheSlotsUnlessTheMenuSaysEmpty_data() {
    QTest::addColumn<QStringList>("stored");  // slots 0 to n-1; "" leaves a slot empty
    QTest::addColumn<bool>("menuEmpty");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("three stored") << QStringList{"/a", "/b", "/c"} << false
                                  << QStringList{"/a", "/b", "/c"};
    QTest::newRow("five stored") << QStringList{"/1", "/2", "/3", "/4", "/5"} << false
                                 << QStringList{"/1", "/2", "/3", "/4", "/5"};
    QTest::newRow("empty slots skipped")
        << QStringList{"/a", "", "/c", "", "/e"} << false << QStringList{"/a", "/c", "/e"};
    QTest::newRow("menu says (Empty): nothing read")
        << QStringList{"/a", "/b"} << true << QStringList{};
    QTest::newRow("nothing stored") << QStringList{} << false << QStringList{};
}

void frmfavTest::loadReadsTheSlotsUnlessTheMenuSaysEmpty() {
    QFETCH(QStringList, stored);
    QFETCH(bool, menuEmpty);
    TempSettings settings;
    StoreFavorites(settings, stored);
    FavoritesMenu menu;
    if (!menuEmpty) menu.showStored({QStringLiteral("/shown")});
    Editor e(menu, settings);
    QTEST(e.entries(), "listed");
}

void frmfavTest::addAppendsTheChosenFolder() {
    TempSettings settings;
    FavoritesMenu menu;
    Editor e(menu, settings, QStringLiteral("/home/me/site"));
    ScriptedFolderBrowser browser;
    browser.answer(QStringLiteral("/srv/one"));
    browser.answer(QStringLiteral("/srv/two"));
    e.add();
    e.add();
    QCOMPARE(e.entries(), (QStringList{"/srv/one", "/srv/two"}));
    QCOMPARE(browser.count(), 2);
    QCOMPARE(browser.last().title, QStringLiteral("Add folder..."));
    QCOMPARE(browser.last().initialFolder, QStringLiteral("/home/me/site"));
    QCOMPARE(browser.last().owner, &e.dialog);
    QVERIFY(Stored(settings).isEmpty());  // only Done stores
}

void frmfavTest::addIgnoresCancelAndExactDuplicates() {
    TempSettings settings;
    FavoritesMenu menu;
    Editor e(menu, settings);
    ScriptedMessageBoxes boxes;
    e.addFolders({QStringLiteral("/srv/Web"), QString(), QStringLiteral("/srv/Web"),
                  QStringLiteral("/srv/web"), QStringLiteral("/srv/Web/")});
    QCOMPARE(e.entries(), (QStringList{"/srv/Web", "/srv/web", "/srv/Web/"}));
    QCOMPARE(boxes.count(), 0);
}

void frmfavTest::aSixthFavoriteIsRefusedBeforeBrowsing() {
    TempSettings settings;
    FavoritesMenu menu;
    Editor e(menu, settings);
    e.addFolders({"/1", "/2", "/3", "/4", "/5"});
    ScriptedMessageBoxes boxes;
    ScriptedFolderBrowser browser;
    browser.answer(QStringLiteral("/6"));
    e.add();
    QCOMPARE(browser.count(), 0);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().text,
             QStringLiteral("Favorite folder list cannot contain more than five entries."));
    QCOMPARE(boxes.last().title, QStringLiteral("Oops!"));
    QCOMPARE(boxes.last().icon, QMessageBox::Warning);
    QCOMPARE(boxes.last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes.last().owner, &e.dialog);
    QCOMPARE(e.entries(), (QStringList{"/1", "/2", "/3", "/4", "/5"}));
}

void frmfavTest::removeSelectsTheEntryThatTookItsPlace_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("selected");  // -1: nothing selected
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("selectedAfter");
    const QStringList three{"/a", "/b", "/c"};
    QTest::newRow("last of three") << three << 2 << QStringList{"/a", "/b"} << 1;
    QTest::newRow("middle of three") << three << 1 << QStringList{"/a", "/c"} << 1;
    QTest::newRow("first of three") << three << 0 << QStringList{"/b", "/c"} << 0;
    QTest::newRow("the only one") << QStringList{"/a"} << 0 << QStringList{} << -1;
    QTest::newRow("nothing selected") << three << -1 << three << -1;
}

void frmfavTest::removeSelectsTheEntryThatTookItsPlace() {
    QFETCH(QStringList, entries);
    QFETCH(int, selected);
    TempSettings settings;
    FavoritesMenu menu;
    Editor e(menu, settings);
    e.addFolders(entries);
    e.List1()->clearSelection();
    if (selected >= 0) e.List1()->setCurrentRow(selected);
    e.remove();
    QTEST(e.entries(), "left");
    QTEST(e.selectedRow(), "selectedAfter");
}

void frmfavTest::doneStoresTheSlotsAndUpdatesTheMenu() {
    TempSettings settings;
    StoreFavorites(settings, {"/old0", "/old1", "/old2", "/old3", "/old4"});
    FavoritesMenu menu;
    menu.showStored({"/old0", "/old1", "/old2", "/old3", "/old4"});
    Editor e(menu, settings);
    e.List1()->setCurrentRow(0);
    e.remove();
    e.List1()->setCurrentRow(1);
    e.remove();
    e.List1()->setCurrentRow(2);
    e.remove();
    QCOMPARE(e.entries(), (QStringList{"/old1", "/old3"}));
    e.done();

    QCOMPARE(e.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Stored(settings), (QStringList{"folder0=/old1", "folder1=/old3"}));
    QCOMPARE(menu.state(),
             (QStringList{"&1.  /old1|shown|enabled", "&2.  /old3|shown|enabled",
                          "3.  /old2|hidden", "4.  /old3|hidden", "5.  /old4|hidden"}));
}

void frmfavTest::doneWithAnEmptyListLeavesOnlyTheEmptyMarker() {
    TempSettings settings;
    StoreFavorites(settings, {"/a", "/b", "/c"});
    FavoritesMenu menu;
    menu.showStored({"/a", "/b", "/c"});
    {
        Editor e(menu, settings);
        for (int i = 0; i < 3; ++i) {
            e.List1()->setCurrentRow(0);
            e.remove();
        }
        e.done();
    }
    QVERIFY(Stored(settings).isEmpty());
    QCOMPARE(menu.state(),
             (QStringList{"(Empty)|shown|disabled", "|hidden", "|hidden", "|hidden", "|hidden"}));

    // The menu now says "(Empty)", so the next opening reads nothing, even a
    // value written behind the program's back.
    settings.put(kSection, QStringLiteral("folder0"), QStringLiteral("/behind"));
    Editor again(menu, settings);
    QVERIFY(again.entries().isEmpty());
}

void frmfavTest::doneShowsPathsAsPlainText() {
    TempSettings settings;
    FavoritesMenu menu;
    Editor e(menu, settings);
    e.addFolders({QStringLiteral("/srv/R&D"), QStringLiteral("/srv/<b>Déjà vu</b>")});
    e.done();
    // "&&" is a literal "&" in a menu caption; the access key stays the number.
    QCOMPARE(menu.favs[0]->text(), QStringLiteral("&1.  /srv/R&&D"));
    QCOMPARE(menu.favs[1]->text(), QStringLiteral("&2.  /srv/<b>Déjà vu</b>"));
    QCOMPARE(Stored(settings), (QStringList{"folder0=/srv/R&D", "folder1=/srv/<b>Déjà vu</b>"}));
    QCOMPARE(frmfav::MenuCaption(4, QStringLiteral("/a&b"), false), QStringLiteral("5.  /a&&b"));
}

void frmfavTest::theNextOpeningReadsWhatDoneStored() {
    TempSettings settings;
    FavoritesMenu menu;
    {
        Editor e(menu, settings);
        e.addFolders({"/one", "/two", "/three"});
        e.done();
    }
    Editor again(menu, settings);
    QCOMPARE(again.entries(), (QStringList{"/one", "/two", "/three"}));
}

void frmfavTest::cancelChangesNeitherStoreNorMenu() {
    TempSettings settings;
    StoreFavorites(settings, {"/a", "/b"});
    FavoritesMenu menu;
    menu.showStored({"/a", "/b"});
    const QStringList storedBefore = Stored(settings);
    const QStringList menuBefore = menu.state();
    for (const bool closeBox : {false, true}) {
        Editor e(menu, settings);
        e.dialog.show();
        e.addFolders({"/c", "/d"});
        e.List1()->setCurrentRow(0);
        e.remove();
        if (closeBox)
            e.dialog.close();
        else
            e.cancel();
        QVERIFY(!e.dialog.isVisible());
        QCOMPARE(e.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(Stored(settings), storedBefore);
        QCOMPARE(menu.state(), menuBefore);
    }
}

int RunFrmfavTests(int argc, char** argv) {
    frmfavTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frmfavTest.moc"
