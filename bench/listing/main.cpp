// Times the file list's Subfolders mode on a tree of 50,000 files: how soon
// the first files show, when the last is in, and the longest the window's
// event loop waited meanwhile (the list must stay usable as it fills).
//
//     lexmill-listing-bench [FOLDER] [--files N]
//
// Without FOLDER, a tree is made in a temporary folder on the disk (not
// /dev/shm) and removed afterwards. Prints PASS or MISS for "under one second".
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "FileListBox.h"

namespace {

// 100 folders of N / 100 files in 10 groups: a tree a site might have.
void MakeTree(const std::string& root, int files) {
    const int perFolder = std::max(1, files / 100);
    for (int made = 0, folder = 0; made < files; ++folder) {
        const std::string dir =
            root + "/section" + std::to_string(folder / 10) + "/folder" + std::to_string(folder % 10);
        QDir().mkpath(QString::fromStdString(dir));
        for (int i = 0; i < perFolder && made < files; ++i, ++made)
            std::ofstream(dir + "/page" + std::to_string(i) + ".html") << "<p>page</p>\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int files = 50000;
    if (const qsizetype at = args.indexOf("--files"); at >= 0 && at + 1 < args.size()) {
        files = args.at(at + 1).toInt();
        args.remove(at, 2);
    }
    QTemporaryDir tree(QDir::currentPath() + "/lexmill-listing-XXXXXX");
    std::string root = args.isEmpty() ? tree.path().toStdString() : args.front().toStdString();
    if (args.isEmpty()) {
        std::printf("making %d files in %s\n", files, root.c_str());
        MakeTree(root, files);
    }

    lexmill::FileListBox list;
    list.show();
    list.setLocalPath(root);
    QElapsedTimer clock, gap;
    qint64 first = -1, longestGap = 0;
    QTimer tick;  // measures how long the event loop is kept from running
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, gap.restart()); });
    QObject::connect(list.model(), &QAbstractItemModel::rowsInserted, [&] {
        if (first < 0) first = clock.elapsed();
    });
    QObject::connect(&list, &lexmill::FileListBox::ListingDone, &app, &QApplication::quit);
    tick.start(1);
    clock.start();
    gap.start();
    list.setRecursive(true);
    app.exec();
    const qint64 all = clock.elapsed();
    std::printf(
        "files listed: %d\nfirst files shown after: %lld ms\nall listed after: %lld ms\n"
        "longest wait of the event loop: %lld ms\n%s: %d files list in under one second\n",
        list.count(), static_cast<long long>(first), static_cast<long long>(all),
        static_cast<long long>(longestGap), all < 1000 ? "PASS" : "MISS", list.count());
    return 0;
}
