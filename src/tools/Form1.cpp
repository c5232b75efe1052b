// The FTP window: its controls, and the upload of the selected files.
#include "Form1.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>

#include "CommandButton.h"
#include "FtpConnections.h"
#include "Inet.h"
#include "InetAddress.h"
#include "MessageBox.h"
#include "PictureBox.h"
#include "ProgressProperty.h"
#include "RemoteCommands.h"
#include "RemoteName.h"
#include "StatusPanel.h"
#include "TextConvert.h"
#include "base/PathName.h"
#include "batch/Module1.h"

namespace lexmill {

namespace {

QLineEdit* MakeBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// The port box as a port: digits with blanks around them, 1 to 65535.
bool ToPort(const QString& text, int& port) {
    const std::string digits = ToUtf8(text.trimmed());
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

// The port a protocol uses when none is given.
int DefaultPort(int protocol) {
    return protocol == Inet::icSFTP ? 22 : 21;
}

// "3.2 of 50.0 MB".
QString SizeOf(std::int64_t sent, std::int64_t total) {
    const bool mega = total >= 1000 * 1000;
    const double unit = mega ? 1e6 : 1e3;
    return QStringLiteral("%1 of %2 %3")
        .arg(static_cast<double>(sent) / unit, 0, 'f', 1)
        .arg(static_cast<double>(total) / unit, 0, 'f', 1)
        .arg(mega ? QStringLiteral("MB") : QStringLiteral("KB"));
}

}  // namespace

Form1::Form1(Module1& module, std::filesystem::path settingsFile, QWidget* parent)
    : QDialog(parent),
      module_(module),
      settingsFile_(std::move(settingsFile)),
      inet_(std::make_unique<Inet>()) {
    BuildControls();
    progress_ = std::make_unique<ProgressProperty>(picProgress, sbStatusbar);

    connect(cname, &QComboBox::activated, this, &Form1::cname_Click);
    connect(cboProtocol, &QComboBox::activated, this, &Form1::cboProtocol_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    inet_->StateChanged = [this](std::int16_t state) { Inet1_StateChanged(state); };
    // The component calls this on its worker thread; its events are then
    // delivered here, on the window's thread.
    inet_->setWakeUp([this] {
        QMetaObject::invokeMethod(this, &Form1::DeliverInetEvents, Qt::QueuedConnection);
    });

    Form_Load();
}

Form1::~Form1() {
    // Stops the worker before the window it reports to goes away.
    inet_.reset();
}

void Form1::BuildControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(tr("FTP Upload"));
    setModal(true);

    cname = new QComboBox(this);
    cname->setObjectName(QStringLiteral("cname"));
    cname->setEditable(true);
    cname->setInsertPolicy(QComboBox::NoInsert);
    // A typed name stays as typed: inline completion could turn it into
    // another stored name that Save would then overwrite.
    cname->setCompleter(nullptr);
    Text1 = MakeBox("Text1", this);
    Text2 = MakeBox("Text2", this);
    Text3 = MakeBox("Text3", this);
    Text3->setEchoMode(QLineEdit::Password);
    Text4 = MakeBox("Text4", this);
    Text5 = MakeBox("Text5", this);
    Text5->setText(QStringLiteral("21"));
    cboProtocol = new QComboBox(this);
    cboProtocol->setObjectName(QStringLiteral("cboProtocol"));
    for (const char* name : kProtocolNames) cboProtocol->addItem(QString::fromLatin1(name));

    Command1 = MakeButton("Command1", tr("&Upload"), this);
    Command1->setDefault(true);
    Command6 = MakeButton("Command6", tr("&New Connection"), this);
    Command2 = MakeButton("Command2", tr("&Save Connection"), this);
    Command4 = MakeButton("Command4", tr("&Delete Connection"), this);
    Command5 = MakeButton("Command5", tr("Stop &Transfer"), this);
    Command3 = MakeButton("Command3", tr("&Close"), this);

    sbStatusbar = new QStatusBar(this);
    sbStatusbar->setObjectName(QStringLiteral("sbStatusbar"));
    sbStatusbar->setSizeGripEnabled(false);
    pnlStatus = new StatusPanel(QStringLiteral("pnlStatus"), 0, sbStatusbar);
    sbStatusbar->addWidget(pnlStatus, 1);
    sbStatusbar->addWidget(new StatusPanel(QStringLiteral("pnlProgress"), 140, sbStatusbar));
    picProgress = new PictureBox(this);
    picProgress->setObjectName(QStringLiteral("picProgress"));
    picProgress->hide();

    // The protocol beside the address.
    auto* address = new QWidget(this);
    auto* addressRow = new QHBoxLayout(address);
    addressRow->setContentsMargins(0, 0, 0, 0);
    auto* protocolLabel = new QLabel(tr("&Protocol:"), this);
    protocolLabel->setObjectName(QStringLiteral("Label7"));
    protocolLabel->setBuddy(cboProtocol);
    addressRow->addWidget(Text1, 1);
    addressRow->addWidget(protocolLabel);
    addressRow->addWidget(cboProtocol);

    auto* boxes = new QVBoxLayout;
    const std::pair<QString, QWidget*> rows[] = {
        {tr("Conn&ection Name:"), cname},
        {tr("&Address (no \"ftp://\" or \"sftp://\"):"), address},
        {tr("Use&r Name:"), Text2},
        {tr("Pass&word:"), Text3},
        {tr("Remote D&irectory:"), Text4},
        {tr("P&ort:"), Text5},
    };
    int number = 1;
    for (const auto& [caption, box] : rows) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QStringLiteral("Label%1").arg(number++));
        label->setTextFormat(Qt::PlainText);
        label->setBuddy(box == address ? Text1 : box);
        boxes->addWidget(label);
        boxes->addWidget(box);
    }
    boxes->addStretch();
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {Command1, Command6, Command2, Command4, Command5, Command3})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(boxes, 1);
    columns->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(sbStatusbar);
    resize(460, 360);

    QWidget* order[] = {cname,    Text1,    cboProtocol, Text2,    Text3,    Text4,   Text5,
                        Command1, Command6, Command2,    Command4, Command5, Command3};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

std::int64_t Form1::Progress() const {
    return progress_->get();
}

void Form1::setProgress(std::int64_t thousandths) {
    progress_->set(thousandths, module_.SelCount * 1000);
}

int Form1::ProtocolId() const {
    const int index = cboProtocol->currentIndex();
    return index == 1 ? Inet::icFTPTLS : index == 2 ? Inet::icSFTP : Inet::icFTP;
}

void Form1::cboProtocol_Click() {
    // A port left at a protocol's default follows the new protocol.
    const QString port = Text5->text().trimmed();
    if (port.isEmpty() || port == QLatin1String("21") || port == QLatin1String("22"))
        Text5->setText(QString::number(DefaultPort(ProtocolId())));
}

QString Form1::StatusText() const {
    return pnlStatus->Text();
}

void Form1::SetStatus(const QString& text) {
    pnlStatus->setText(text);
}

// ---- The upload ----

std::vector<std::string> Form1::ListedNames() const {
    const std::size_t count =
        std::min(static_cast<std::size_t>(std::max<std::int64_t>(module_.SelCount, 0)),
                 module_.SelPaths.size());
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i)
        names.push_back(i < module_.SelNames.size() ? module_.SelNames[i]
                                                    : baseName(module_.SelPaths[i]));
    return names;
}

void Form1::DeliverInetEvents() {
    inet_->DeliverEvents();
    ShowByteProgress();
    WakeWait();
}

void Form1::ShowByteProgress() {
    const std::int64_t total = inet_->BytesTotal(), sent = inet_->BytesSent();
    if (!running_ || StopRequested || CurrentFile.empty() || total <= 0 || sent <= 0) return;
    SetStatus(tr("Uploading ") + FromUtf8(CurrentFile) + " (" + SizeOf(sent, total) + ")");
    setProgress(filesDone_ * 1000 + std::min<std::int64_t>(999, sent * 1000 / total));
}

bool Form1::AskTrust() {
    const UntrustedPeer peer = inet_->Untrusted();
    const bool certificate = peer.kind == UntrustedPeer::Kind::Certificate;
    const QString question =
        certificate ? tr("Trust this certificate for %1?").arg(cname->currentText())
                    : tr("Trust this host key of %1, and add it to ~/.ssh/known_hosts?")
                          .arg(FromUtf8(ServerName(peer.host, peer.port)));
    const auto answer =
        MsgBox(this, FromUtf8(DescribePeer(peer)) + "\n\n" + question, tr("Security Warning"),
               QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) return false;
    if (!certificate) {
        inet_->setAcceptedHostKey(peer.fingerprint);
        return true;
    }
    pinnedCertificate_ = peer.fingerprint;
    pinnedServer_ = ServerBoxes();
    const std::string name = ToUtf8(cname->currentText());
    try {
        if (!name.empty() && connections_->Find(name) > 0)
            connections_->SetPinnedCertificate(name, pinnedCertificate_);
    } catch (const std::exception& e) {
        SettingsNotSaved(this, e.what());
    }
    return true;
}

void Form1::WakeWait() {
    if (waitLoop_) waitLoop_->quit();
}

void Form1::WaitForInet(bool watchStop) {
    while (inet_->StillExecuting() && !(watchStop && StopRequested)) {
        QEventLoop loop;
        QEventLoop* outer = waitLoop_;
        waitLoop_ = &loop;
        // The component wakes the loop; the timer is only a safety net.
        QTimer::singleShot(250, &loop, &QEventLoop::quit);
        loop.exec();
        waitLoop_ = outer;
    }
}

void Form1::Command1_Click() {
    // One run at a time: a second click during a run does nothing.
    if (running_) return;
    running_ = true;
    module_.Busy = true;
    CurrentFile.clear();

    if (Text1->text().isEmpty()) {
        MsgBox(this, tr("Please specify an FTP address."), tr("Error"), QMessageBox::Warning);
        Text1->setFocus();
        module_.Busy = false;
        running_ = false;
        return;
    }
    if (!RemoteDirIsValid()) {
        module_.Busy = false;
        running_ = false;
        return;
    }
    // Two files bound for one remote name would leave only the second.
    const std::vector<std::string> listed = ListedNames();
    if (const auto clash = FirstClash(listed)) {
        MsgBox(this,
               tr("%1 and %2 would both be uploaded as %3.")
                   .arg(FromUtf8(listed[clash->first]), FromUtf8(listed[clash->second]),
                        FromUtf8(RemoteName(listed[clash->first]))),
               tr("Error"), QMessageBox::Warning);
        module_.Busy = false;
        running_ = false;
        return;
    }

    std::string why;
    const auto url = AddressUrl(ToUtf8(Text1->text()), ToUtf8(cboProtocol->currentText()), &why);
    if (!url) {
        MsgBox(this, FromUtf8(why), tr("Error"), QMessageBox::Warning);
        Text1->setFocus();
        module_.Busy = false;
        running_ = false;
        return;
    }

    StopRequested = false;
    inet_->setProtocol(ProtocolId());
    inet_->setURL(*url);
    inet_->setUserName(ToUtf8(Text2->text()));
    inet_->setPassword(ToUtf8(Text3->text()));
    int port = DefaultPort(ProtocolId());
    ToPort(Text5->text(), port);
    inet_->setRemotePort(port);
    inet_->setAcceptedHostKey({});

    // Any operation the component refuses ends the run as a failure.
    auto started = [this](bool ok) {
        if (!ok) StopRequested = true;
        return ok;
    };
    // A certificate or host key the user trusts on being asked, or a missing
    // folder the user has made, starts the run again.
    createDirs_ = false;
    for (retry_ = true; retry_;) {
        retry_ = false;
        filesDone_ = 0;
        CurrentFile.clear();
        inet_->setPinnedCertificate(PinnedCertificate());
        inet_->setCreateDirs(createDirs_);
        [&] {
            WaitForInet(true);
            if (StopRequested) return;
            QCoreApplication::processEvents();
            if (!StopRequested) started(inet_->ExecuteCd(ToUtf8(Text4->text())));
            WaitForInet(true);
            if (StopRequested) return;

            std::int64_t done = 0;
            for (std::size_t i = 0; i < listed.size(); ++i) {
                CurrentFile = RemoteName(listed[i]);
                if (StopRequested || !started(inet_->ExecutePut(module_.SelPaths[i], CurrentFile)))
                    return;
                WaitForInet(true);
                if (StopRequested) return;
                filesDone_ = ++done;
                setProgress(done * 1000);
            }
            if (!started(inet_->ExecuteClose())) return;
            SetStatus(tr("Disconnecting"));
            WaitForInet(true);
        }();
        if (retry_) {
            inet_->Cancel();
            WaitForInet(false);
            StopRequested = false;
        }
    }

    if (StopRequested) {
        inet_->Cancel();
        WaitForInet(false);
        MsgBox(this, tr("Upload Cancelled"), tr("Done"), QMessageBox::Information);
        SetStatus(QString());
    } else {
        SetStatus(QString());
        MsgBox(this, tr("Upload Complete"), tr("Done"), QMessageBox::Information);
    }
    setProgress(0);
    module_.Busy = false;
    running_ = false;
}

void Form1::Inet1_StateChanged(std::int16_t State) {
    if (StopRequested) return;
    switch (State) {
        case Inet::icResolvingHost:
            SetStatus(tr("Resolving Address"));
            break;
        case Inet::icConnecting:
            SetStatus(tr("Connecting"));
            break;
        case Inet::icRequestSent:
            if (!CurrentFile.empty()) SetStatus(tr("Uploading ") + FromUtf8(CurrentFile));
            break;
        case Inet::icError:
            // A certificate or host key the user may trust asks instead.
            if (const UntrustedPeer peer = inet_->Untrusted();
                peer.kind != UntrustedPeer::Kind::None && !peer.changed) {
                SetStatus(tr("Waiting for your answer"));
                retry_ = AskTrust();
                SetStatus(retry_ ? tr("Connecting") : tr("Aborting..."));
            } else if (inet_->MissingFolder() && !createDirs_) {
                // Offered, never done unasked: a mistyped folder would be made.
                SetStatus(tr("Waiting for your answer"));
                const auto answer =
                    MsgBox(this, FromUtf8(inet_->ResponseText()) + "\n\n" + tr("Create it?"),
                           tr("Remote Folder Missing"), QMessageBox::Question,
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
                createDirs_ = retry_ = answer == QMessageBox::Yes;
                SetStatus(retry_ ? tr("Connecting") : tr("Aborting..."));
            } else {
                SetStatus(tr("Aborting..."));
                // Where the run stopped, and what arrived before.
                const std::size_t count = ListedNames().size();
                const std::string where =
                    CurrentFile.empty() || static_cast<std::size_t>(filesDone_) >= count
                        ? std::to_string(filesDone_) + " of " + Files(count) + " arrived."
                        : StoppedAt(CurrentFile, inet_->BytesSent(), inet_->BytesTotal(),
                                    static_cast<std::size_t>(filesDone_), count);
                MsgBox(this, FromUtf8(inet_->ResponseText() + "\n" + where), tr("Error"),
                       QMessageBox::Critical);
            }
            StopRequested = true;
            WakeWait();
            break;
        default:
            break;
    }
}

void Form1::Command5_Click() {
    if (!inet_->StillExecuting()) return;
    SetStatus(tr("Aborting..."));
    StopRequested = true;
    WakeWait();
}

void Form1::Command3_Click() {
    if (inet_->StillExecuting()) {
        const auto answer = MsgBox(
            this, tr("There is an FTP operation in progress. This will cancel it. Are you sure?"),
            tr("Warning"), QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) return;
    }
    SetStatus(tr("Aborting..."));
    StopRequested = true;
    WakeWait();
    done(QDialog::Rejected);
}

void Form1::reject() {
    // Esc and the close box ask like the Close button.
    Command3_Click();
}

void Form1::done(int result) {
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
    QDialog::done(result);
}

void ShowFtpWindow(QWidget* owner, Module1& module, const std::filesystem::path& settingsFile) {
    if (module.SelCount >= 1) {
        Form1 window(module, settingsFile, owner);
        window.exec();
        return;
    }
    MsgBox(
        owner,
        QCoreApplication::translate("Form1", "Please select one or more files for this operation."),
        QCoreApplication::translate("Form1", "No Files Selected"), QMessageBox::Information);
}

}  // namespace lexmill
