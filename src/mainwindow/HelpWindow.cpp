#include "HelpWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace lexmill {

namespace {

constexpr int kFileRole = Qt::UserRole;
constexpr int kKeywordRole = Qt::UserRole + 1;
constexpr int kSectionRole = Qt::UserRole + 2;

// Shared by every page, so the pages themselves stay plain.
const char kStyleSheet[] =
    "h1 { font-size: x-large; margin-bottom: 6px; }"
    "h2 { font-size: large; margin-top: 14px; margin-bottom: 4px; }"
    "dt { font-weight: bold; margin-top: 4px; }"
    "td, th { padding: 3px; }"
    "code, pre { font-family: monospace; }";

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPointer<HelpWindow>& TheHelpWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

HelpWindow* OpenHelpWindow(QWidget* parent) {
    QPointer<HelpWindow>& window = TheHelpWindow();
    if (!window) {
        window = new HelpWindow;
        if (parent) {
            const QRect over = parent->window()->frameGeometry();
            window->move(over.center() - window->rect().center());
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(tr("Lexmill Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the help while the main window hides in the tray must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    BuildControls();
    FillLists();
}

void HelpWindow::BuildControls() {
    Tabs = Named(new QTabWidget, "Tabs");

    ContentsList = Named(new QListWidget, "ContentsList");
    Tabs->addTab(ContentsList, tr("Contents"));

    auto* indexPage = new QWidget;
    auto* indexLabel = new QLabel(tr("Type the first letters of a word:"), indexPage);
    IndexText = Named(new QLineEdit(indexPage), "IndexText");
    indexLabel->setBuddy(IndexText);
    IndexList = Named(new QListWidget(indexPage), "IndexList");
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->addWidget(indexLabel);
    indexLayout->addWidget(IndexText);
    indexLayout->addWidget(IndexList);
    Tabs->addTab(indexPage, tr("Index"));

    BackButton = Named(new QToolButton, "BackButton");
    BackButton->setText(tr("&Back"));
    BackButton->setEnabled(false);
    ForwardButton = Named(new QToolButton, "ForwardButton");
    ForwardButton->setText(tr("&Forward"));
    ForwardButton->setEnabled(false);

    Browser = Named(new QTextBrowser, "Browser");
    Browser->document()->setDefaultStyleSheet(QString::fromLatin1(kStyleSheet));
    Browser->setOpenExternalLinks(false);

    auto* pageSide = new QWidget;
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BackButton);
    buttons->addWidget(ForwardButton);
    buttons->addStretch(1);
    auto* pageLayout = new QVBoxLayout(pageSide);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addLayout(buttons);
    pageLayout->addWidget(Browser);

    auto* splitter = Named(new QSplitter(Qt::Horizontal), "Splitter");
    splitter->addWidget(Tabs);
    splitter->addWidget(pageSide);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 540});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    resize(780, 560);

    connect(ContentsList, &QListWidget::itemClicked, this, &HelpWindow::ContentsItem_Open);
    connect(ContentsList, &QListWidget::itemActivated, this, &HelpWindow::ContentsItem_Open);
    connect(IndexText, &QLineEdit::textEdited, this, &HelpWindow::IndexText_Changed);
    connect(IndexText, &QLineEdit::returnPressed, this,
            [this] { IndexItem_Open(IndexList->currentItem()); });
    connect(IndexList, &QListWidget::itemClicked, this, &HelpWindow::IndexItem_Open);
    connect(IndexList, &QListWidget::itemActivated, this, &HelpWindow::IndexItem_Open);
    connect(BackButton, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(ForwardButton, &QToolButton::clicked, Browser, &QTextBrowser::forward);
    connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardButton, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, &HelpWindow::Browser_SourceChanged);
}

void HelpWindow::FillLists() {
    for (const HelpPage& page : catalogue_.Pages()) {
        auto* item = new QListWidgetItem(page.title, ContentsList);
        item->setData(kFileRole, page.file);
    }
    // A keyword found on several pages names the page it leads to.
    const std::vector<HelpIndexEntry>& index = catalogue_.Index();
    for (std::size_t i = 0; i < index.size(); ++i) {
        const auto same = [&](std::size_t j) {
            return j < index.size() &&
                   index[j].keyword.compare(index[i].keyword, Qt::CaseInsensitive) == 0;
        };
        QString text = index[i].keyword;
        if ((i > 0 && same(i - 1)) || same(i + 1))
            if (const HelpPage* page = catalogue_.PageForFile(index[i].file))
                text += QStringLiteral(" (") + page->title + QLatin1Char(')');
        auto* item = new QListWidgetItem(text, IndexList);
        item->setData(kFileRole, index[i].file);
        item->setData(kKeywordRole, index[i].keyword);
        item->setData(kSectionRole, index[i].section);
    }
    // The lists are never narrower than their longest entry; the window grows
    // to keep room for the page. Each entry also shows whole in its tooltip.
    int widest = 0;
    for (QListWidget* list : {ContentsList, IndexList}) {
        for (int row = 0; row < list->count(); ++row) {
            QListWidgetItem* item = list->item(row);
            item->setToolTip(item->text());
            widest = std::max(widest, list->fontMetrics().horizontalAdvance(item->text()));
        }
    }
    // Around the text: the item's margins, the list's frame and scroll bar,
    // the index page's margins and the tabs' frame.
    const QStyle* style = IndexList->style();
    const QMargins page = IndexList->parentWidget()->layout()->contentsMargins();
    const int pane = widest + 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) +
                     2 * IndexList->frameWidth() + style->pixelMetric(QStyle::PM_ScrollBarExtent) +
                     page.left() + page.right() +
                     2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
    Tabs->setMinimumWidth(pane);
    resize(std::max(width(), pane + 540 + 32), height());
    if (auto* splitter = findChild<QSplitter*>(QStringLiteral("Splitter")))
        splitter->setSizes({pane, 540});
}

bool HelpWindow::ShowPage(const QString& file) {
    if (!catalogue_.PageForFile(file)) return false;
    Browser->setSource(HelpCatalogue::Url(file));
    return true;
}

void HelpWindow::ShowContext(int context) {
    const HelpPage* page = catalogue_.PageForContext(context);
    if (!page) page = catalogue_.PageForContext(HelpCatalogue::kOverviewContext);
    if (page) ShowPage(page->file);
}

void HelpWindow::ShowContentsTab() {
    Tabs->setCurrentWidget(ContentsList);
}

void HelpWindow::ShowIndexTab() {
    Tabs->setCurrentWidget(IndexList->parentWidget());
    IndexText->setFocus();
}

QString HelpWindow::CurrentPage() const {
    return HelpCatalogue::FileOfUrl(Browser->source());
}

void HelpWindow::IndexText_Changed(const QString& text) {
    const HelpIndexEntry* entry = catalogue_.FindKeyword(text);
    if (!entry) return;
    const int row = static_cast<int>(entry - catalogue_.Index().data());
    IndexList->setCurrentRow(row);
    IndexList->scrollToItem(IndexList->currentItem(), QAbstractItemView::PositionAtTop);
}

void HelpWindow::IndexItem_Open(QListWidgetItem* item) {
    if (!item || !ShowPage(item->data(kFileRole).toString())) return;
    ShowSection(item->data(kKeywordRole).toString(), item->data(kSectionRole).toString());
}

void HelpWindow::ShowSection(const QString& keyword, const QString& section) {
    // The named section, or that of the keyword's first mention (as a whole
    // word if it is one, else anywhere); its heading goes to the top.
    QTextDocument* page = Browser->document();
    QTextBlock heading;
    if (!section.isEmpty()) {
        for (heading = page->begin(); heading.isValid(); heading = heading.next())
            if (heading.blockFormat().headingLevel() > 0 && heading.text() == section) break;
    } else {
        QTextCursor mention = page->find(keyword, 0, QTextDocument::FindWholeWords);
        if (mention.isNull()) mention = page->find(keyword);
        if (!mention.isNull()) heading = mention.block();
    }
    while (heading.isValid() && heading.blockFormat().headingLevel() == 0)
        heading = heading.previous();
    const QRectF place =
        heading.isValid() ? page->documentLayout()->blockBoundingRect(heading) : QRectF();
    Browser->verticalScrollBar()->setValue(static_cast<int>(place.top()));
}

void HelpWindow::ContentsItem_Open(QListWidgetItem* item) {
    if (item) ShowPage(item->data(kFileRole).toString());
}

void HelpWindow::Browser_SourceChanged() {
    // Keep the contents on the page shown, however it was reached.
    const QString file = CurrentPage();
    for (int row = 0; row < ContentsList->count(); ++row) {
        if (ContentsList->item(row)->data(kFileRole).toString() == file) {
            ContentsList->setCurrentRow(row);
            return;
        }
    }
}

HelpWindow* ShowHelpContents(QWidget* parent) {
    HelpWindow* window = OpenHelpWindow(parent);
    // A window already open keeps its page; a new one starts at the overview.
    if (window->CurrentPage().isEmpty()) window->ShowContext(HelpCatalogue::kOverviewContext);
    window->ShowContentsTab();
    return window;
}

HelpWindow* ShowHelpTopic(QWidget* parent, int context) {
    HelpWindow* window = OpenHelpWindow(parent);
    window->ShowContext(context);
    return window;
}

}  // namespace lexmill
