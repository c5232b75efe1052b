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

// The main window's Favorites menu entries favs(0) to favs(4), as the menu
// shows them after start-up with these stored favourites.
struct FavoritesMenu {
    explicit FavoritesMenu(const QStringList& paths = {}) {
        for (int i = 0; i < 5; ++i) {
            favs[i] = menu.addAction(QString());
            favs[i]->setVisible(i < std::max<int>(1, paths.size()));
            favs[i]->setEnabled(i < paths.size());
            if (i < paths.size()) favs[i]->setText(frmfav::MenuCaption(i, paths[i], false));
        }
        if (paths.isEmpty()) favs[0]->setText(QStringLiteral("(Empty)"));
    }

    // "caption|shown|enabled", "caption|shown|disabled" or "caption|hidden" per entry.
    QStringList state() const {
        QStringList entries;
        for (QAction* entry : favs)
            entries << entry->text() + (!entry->isVisible()  ? "|hidden"
                                        : entry->isEnabled() ? "|shown|enabled"
                                                             : "|shown|disabled");
        return entries;
    }

    QMenu menu;
    FavoritesMenuEntries favs{};
};

struct Editor {
    Editor(const FavoritesMenu& menu, const TempSettings& settings)
        : dialog(menu.favs, QStringLiteral("/home/me/site"), settings.file()) {}

    frmfav dialog;
    QListWidget* List1() const { return dialog.findChild<QListWidget*>(QStringLiteral("List1")); }
    QPushButton* button(int number) const {
        return dialog.findChild<QPushButton*>(QStringLiteral("Command%1").arg(number));
    }
    QStringList entries() const {
        QStringList list;
        for (int i = 0; i < List1()->count(); ++i) list << List1()->item(i)->text();
        return list;
    }
    void add(const QStringList& folders) const {
        ScriptedFolderBrowser browser;
        for (const QString& folder : folders) {
            browser.answer(folder);
            button(2)->click();
        }
    }
    void removeRows(const QList<int>& rows) const {
        for (int row : rows) {
            List1()->setCurrentRow(row);
            button(1)->click();
        }
    }
};

void StoreFavorites(const TempSettings& settings, const QStringList& paths) {
    for (int i = 0; i < paths.size(); ++i)
        settings.put(kSection, QStringLiteral("folder%1").arg(i), paths[i]);
}

}  // namespace

class frmfavTest : public QObject {
    Q_OBJECT
  private slots:
    void opensWithTheLayoutsCaptions();
    void loadReadsTheFilledSlotsUnlessTheMenuSaysEmpty();
    void addAppendsNewFoldersUpToFive();
    void removeSelectsTheEntryThatTookItsPlace();
    void doneStoresTheSlotsAndUpdatesTheMenu();
    void cancelChangesNeitherStoreNorMenu();
};

void frmfavTest::opensWithTheLayoutsCaptions() {
    TempSettings settings;
    FavoritesMenu menu;
    Editor e(menu, settings);
    QCOMPARE(e.dialog.windowTitle(), QStringLiteral("Edit Favorite Folders"));
    QStringList captions;
    for (int i = 1; i <= 4; ++i) captions << e.button(i)->text();
    QCOMPARE(captions, (QStringList{"&Remove", "&Add", "&Cancel", "&Done"}));
    e.dialog.show();
    test::VerifyNothingClipped(e.dialog);
}

void frmfavTest::loadReadsTheFilledSlotsUnlessTheMenuSaysEmpty() {
    TempSettings settings;
    StoreFavorites(settings, {"/a", "", "/c", "", "/e"});
    QCOMPARE(Editor(FavoritesMenu({"/shown"}), settings).entries(),
             (QStringList{"/a", "/c", "/e"}));
    QVERIFY(Editor(FavoritesMenu(), settings).entries().isEmpty());  // "(Empty)": nothing read
}

void frmfavTest::addAppendsNewFoldersUpToFive() {
    TempSettings settings;
    FavoritesMenu menu;
    Editor e(menu, settings);
    ScriptedMessageBoxes boxes;
    {
        // A cancelled browse and an exact duplicate are ignored; letter case
        // and a trailing slash make a different entry.
        ScriptedFolderBrowser browser;
        for (const char* folder : {"/srv/Web", "", "/srv/Web", "/srv/web", "/srv/Web/"}) {
            browser.answer(QString::fromUtf8(folder));
            e.button(2)->click();
        }
        QCOMPARE(e.entries(), (QStringList{"/srv/Web", "/srv/web", "/srv/Web/"}));
        QCOMPARE(browser.count(), 5);
        QCOMPARE(browser.last().title, QStringLiteral("Add folder..."));
        QCOMPARE(browser.last().initialFolder, QStringLiteral("/home/me/site"));
        QCOMPARE(browser.last().owner, &e.dialog);
        QCOMPARE(boxes.count(), 0);
        QVERIFY(settings.all(kSection).isEmpty());  // only Done stores
    }
    e.add({"/4", "/5"});
    ScriptedFolderBrowser browser;  // a sixth is refused before browsing
    browser.answer(QStringLiteral("/6"));
    e.button(2)->click();
    QCOMPARE(browser.count(), 0);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().text,
             QStringLiteral("Favorite folder list cannot contain more than five entries."));
    QCOMPARE(boxes.last().title, QStringLiteral("Oops!"));
    QCOMPARE(boxes.last().icon, QMessageBox::Warning);
    QCOMPARE(boxes.last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes.last().owner, &e.dialog);
    QCOMPARE(e.entries().size(), 5);
}

void frmfavTest::removeSelectsTheEntryThatTookItsPlace() {
    struct Row {
        QStringList entries;
        int selected;  // -1: nothing selected
        QStringList left;
        int selectedAfter;
    };
    const QStringList three{"/a", "/b", "/c"};
    const Row rows[] = {
        {three, 2, {"/a", "/b"}, 1}, {three, 1, {"/a", "/c"}, 1}, {three, 0, {"/b", "/c"}, 0},
        {{"/a"}, 0, {}, -1},         {three, -1, three, -1},
    };
    for (const Row& row : rows) {
        TempSettings settings;
        FavoritesMenu menu;
        Editor e(menu, settings);
        e.add(row.entries);
        e.List1()->clearSelection();
        if (row.selected >= 0) e.List1()->setCurrentRow(row.selected);
        e.button(1)->click();
        QCOMPARE(e.entries(), row.left);
        const auto selected = e.List1()->selectedItems();
        QCOMPARE(selected.isEmpty() ? -1 : e.List1()->row(selected.first()), row.selectedAfter);
    }
}

void frmfavTest::doneStoresTheSlotsAndUpdatesTheMenu() {
    struct Row {
        QStringList stored;
        QList<int> removed;
        QStringList added;
        QString after, menu;
    };
    // "&&" is a literal "&" in a menu caption; the access key stays the number.
    const Row rows[] = {{{"/old0", "/old1", "/old2", "/old3", "/old4"},
                         {0, 1, 2},
                         {},
                         "folder0=/old1, folder1=/old3",
                         "&1.  /old1|shown|enabled, &2.  /old3|shown|enabled, 3.  /old2|hidden, "
                         "4.  /old3|hidden, 5.  /old4|hidden"},
                        {{"/a", "/b", "/c"},
                         {0, 0, 0},
                         {},
                         "",
                         "(Empty)|shown|disabled, |hidden, |hidden, |hidden, |hidden"},
                        {{},
                         {},
                         {"/srv/R&D", "/srv/<b>Déjà vu</b>", "/3"},
                         "folder0=/srv/R&D, folder1=/srv/<b>Déjà vu</b>, folder2=/3",
                         "&1.  /srv/R&&D|shown|enabled, &2.  /srv/<b>Déjà vu</b>|shown|enabled, "
                         "&3.  /3|shown|enabled, |hidden, |hidden"}};
    for (const Row& row : rows) {
        TempSettings settings;
        StoreFavorites(settings, row.stored);
        FavoritesMenu menu(row.stored);
        {
            Editor e(menu, settings);
            e.removeRows(row.removed);
            e.add(row.added);
            e.button(4)->click();
            QCOMPARE(e.dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(settings.all(kSection).join(", "), row.after);
        QCOMPARE(menu.state().join(", "), row.menu);
        // The next opening reads what was stored; after "(Empty)" it reads
        // nothing, even a value written behind the program's back.
        QStringList paths;
        for (const QString& value : settings.all(kSection)) paths << value.section('=', 1);
        if (paths.isEmpty()) settings.put(kSection, "folder0", "/behind");
        QCOMPARE(Editor(menu, settings).entries(), paths);
    }
    QCOMPARE(frmfav::MenuCaption(4, QStringLiteral("/a&b"), false), QStringLiteral("5.  /a&&b"));
}

void frmfavTest::cancelChangesNeitherStoreNorMenu() {
    TempSettings settings;
    StoreFavorites(settings, {"/a", "/b"});
    FavoritesMenu menu({"/a", "/b"});
    const QStringList storedBefore = settings.all(kSection);
    const QStringList menuBefore = menu.state();
    for (const bool closeBox : {false, true}) {
        Editor e(menu, settings);
        e.dialog.show();
        e.add({"/c", "/d"});
        e.removeRows({0});
        closeBox ? void(e.dialog.close()) : e.button(3)->click();
        QVERIFY(!e.dialog.isVisible());
        QCOMPARE(e.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(settings.all(kSection), storedBefore);
        QCOMPARE(menu.state(), menuBefore);
    }
}

int RunFrmfavTests(int argc, char** argv) {
    frmfavTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frmfavTest.moc"
