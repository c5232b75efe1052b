#include "Form3.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "CommandButton.h"
#include "SelectableFileList.h"
#include "TextConvert.h"
#include "TextEditor.h"

namespace lexmill {

namespace {
// The list's only item after a "Search Only" run that found nothing.
const QString kNone = QStringLiteral("None");

// The item role that keeps a name's bytes.
constexpr int kLocalName = Qt::UserRole;

// The bytes of an item's name: those it was given, else its text's.
std::string LocalName(const QListWidgetItem* item) {
    const QVariant bytes = item->data(kLocalName);
    return bytes.isValid() ? bytes.toByteArray().toStdString() : ToLocalPath(item->text());
}

class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

Form3::Form3(SelectableFileList* fileList, const QString& editor, QWidget* parent)
    : QDialog(parent), fileList_(fileList), editor_(editor) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(tr("Finished"));
    setModal(true);

    Label1 = new QLabel(tr("Files that were changed:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setUniformItemSizes(true);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Command1 = MakeButton(QStringLiteral("Command1"), tr("&Done"), this);
    Command2 = MakeButton(QStringLiteral("Command2"), tr("&Copy List to Clipboard"), this);
    Command3 = MakeButton(QStringLiteral("Command3"), tr("&View Selected in Notepad"), this);
    Command4 = MakeButton(QStringLiteral("Command4"),
                          tr("&Select All of These Files in File Selection Window"), this);
    cmdUndo = MakeButton(QStringLiteral("cmdUndo"), tr("&Undo"), this);
    cmdUndo->hide();

    auto* rowTop = new QHBoxLayout;
    rowTop->addWidget(Command1);
    rowTop->addWidget(Command2);
    rowTop->addWidget(Command3);
    rowTop->addWidget(cmdUndo);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(List1, 1);
    layout->addWidget(Label2);
    layout->addLayout(rowTop);
    layout->addWidget(Command4);
    resize(480, 360);

    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form3::Command4_Click);
    connect(cmdUndo, &QPushButton::clicked, this, &Form3::cmdUndo_Click);
    // The buttons follow the list instead of polling it.
    connect(List1, &QListWidget::itemSelectionChanged, this, &Form3::UpdateButtons);
    connect(List1->model(), &QAbstractItemModel::rowsInserted, this, &Form3::UpdateButtons);
    connect(List1->model(), &QAbstractItemModel::rowsRemoved, this, &Form3::UpdateButtons);
    connect(List1->model(), &QAbstractItemModel::modelReset, this, &Form3::UpdateButtons);
    connect(List1->model(), &QAbstractItemModel::dataChanged, this, &Form3::UpdateButtons);
    UpdateButtons();
}

Form3::~Form3() {
    // The list still signals while QWidget deletes it, after this part of us is gone.
    List1->model()->disconnect(this);
    List1->disconnect(this);
}

void Form3::addResult(const QString& name) {
    List1->addItem(name);
}

void Form3::addLocalResult(std::string_view name) {
    auto* item = new QListWidgetItem(FromLocalPath(name));
    item->setData(kLocalName, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    List1->addItem(item);
}

void Form3::setHeading(const QString& text) {
    Label1->setText(text);
}

void Form3::setSummary(const QString& text) {
    Label2->setText(text);
}

void Form3::OfferUndo() {
    cmdUndo->show();
}

bool Form3::ListIsNone() const {
    return List1->count() > 0 && List1->item(0)->text() == kNone;
}

void Form3::UpdateButtons() {
    Command2->setEnabled(!ListIsNone());
    Command3->setEnabled(!ListIsNone() && !List1->selectedItems().isEmpty());
}

void Form3::Command1_Click() {
    List1->clear();
    accept();
}

void Form3::Command2_Click() {
    QString text;
    for (int i = 0; i < List1->count(); ++i)
        text += List1->item(i)->text() + QStringLiteral("\r\n");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void Form3::Command3_Click() {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    if (!fileList_ || selected.isEmpty() || ListIsNone()) return;
    std::string folder = fileList_->LocalPath();
    if (folder.empty() || folder.back() != '/') folder += '/';
    OpenLocalPathInTextEditor(this, editor_, folder + LocalName(selected.first()));
}

void Form3::Command4_Click() {
    if (!fileList_) return;
    WaitCursor wait;
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(List1->count()));
    for (int i = 0; i < List1->count(); ++i) names.push_back(LocalName(List1->item(i)));
    fileList_->SelectOnlyLocal(names);
}

void Form3::cmdUndo_Click() {
    undoChosen_ = true;
    accept();
}

}  // namespace lexmill
