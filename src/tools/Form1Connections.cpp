// The FTP window's stored connections: the list, loading one into the boxes,
// saving and deleting them.
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

#include "Form1.h"
#include "FtpConnections.h"
#include "InetAddress.h"
#include "MessageBox.h"
#include "TextConvert.h"

namespace lexmill {

int Form1::ListIndex() const {
    const int index = cname->currentIndex();
    if (index < 0 || cname->itemText(index) != cname->currentText()) return -1;
    return index;
}

void Form1::SetListIndex(int index) {
    cname->setCurrentIndex(index);
    cname_Click();
}

void Form1::FillList() {
    cname->clear();
    for (const std::string& name : connections_->Names()) cname->addItem(FromUtf8(name));
}

void Form1::Form_Load() {
    connections_ = std::make_unique<FtpConnections>(settingsFile_);
    FillList();
    if (cname->count() == 0) return;
    // A position outside the list (edited by hand, or left by an older
    // list) falls back to the first entry.
    int last = connections_->Last();
    if (last < 0 || last >= cname->count()) last = 0;
    SetListIndex(last);
}

void Form1::Form_Unload() {
    const int index = ListIndex();
    try {
        if (index >= 0) connections_->SetLast(index);
    } catch (const std::exception& e) {
        SettingsNotSaved(this, e.what());
    }
}

void Form1::cname_Click() {
    const int index = cname->currentIndex();
    if (index < 0) return;
    const FtpConnection c = connections_->Load(connections_->NameAt(index + 1));
    Text1->setText(FromUtf8(c.address));
    Text2->setText(FromUtf8(c.userName));
    Text3->setText(FromUtf8(c.password));
    Text4->setText(FromUtf8(c.remoteDir));
    Text5->setText(FromUtf8(c.port));
    cboProtocol->setCurrentIndex(std::max(0, cboProtocol->findText(FromUtf8(c.protocol))));
    pinnedCertificate_ = c.pinnedCertificate;
    pinnedServer_ = ServerBoxes();
}

std::string Form1::ServerBoxes() const {
    return ToUtf8(Text1->text() + '\n' + Text5->text() + '\n' + cboProtocol->currentText());
}

std::string Form1::PinnedCertificate() const {
    return pinnedServer_ == ServerBoxes() ? pinnedCertificate_ : std::string();
}

void Form1::Command6_Click() {
    cname->setEditText(QString());
    for (QLineEdit* box : {Text1, Text2, Text3, Text4}) box->clear();
    Text5->setText(QStringLiteral("21"));
    cboProtocol->setCurrentIndex(0);
    pinnedCertificate_.clear();
    cname->setFocus();
}

QString Form1::ValidateConnection() const {
    if (cname->currentText().isEmpty()) return QStringLiteral("connection name");
    if (Text1->text().isEmpty()) return QStringLiteral("FTP address");
    return QStringLiteral("ok");
}

bool Form1::RemoteDirIsValid() {
    if (Text4->text().startsWith(QLatin1Char('/'))) return true;
    MsgBox(this, tr("Remote Directory must begin with a forward slash (\"/\")."), tr("Error"),
           QMessageBox::Critical);
    Text4->setFocus();
    Text4->setCursorPosition(0);
    return false;
}

void Form1::Command2_Click() {
    const QString r = ValidateConnection();
    if (r != QStringLiteral("ok")) {
        MsgBox(this, tr("Please specify %1.").arg(r), tr("Error"), QMessageBox::Warning);
        if (r == QStringLiteral("connection name"))
            cname->setFocus();
        else
            Text1->setFocus();
        return;
    }
    if (!RemoteDirIsValid()) return;

    connections_ = std::make_unique<FtpConnections>(settingsFile_);
    const QString name = cname->currentText();
    const std::string stdName = ToUtf8(name);
    int position = 0;  // of the saved connection in the list, from 1
    try {
        position = connections_->Find(stdName);
        if (position > 0) {
            const auto answer = MsgBox(this, tr("Overwrite information for \"%1\"?").arg(name),
                                       tr("Connection Exists"), QMessageBox::Question,
                                       QMessageBox::Yes | QMessageBox::No);
            if (answer != QMessageBox::Yes) return;
        } else {
            connections_->Add(stdName);
            cname->addItem(name);
            position = cname->count();
        }
        connections_->Store(stdName, {ToUtf8(Text1->text()),
                                      ToUtf8(Text2->text()),
                                      ToUtf8(Text3->text()),
                                      ToUtf8(Text4->text()),
                                      ToUtf8(Text5->text()),
                                      ToUtf8(cboProtocol->currentText()),
                                      {}});
        // A certificate trusted before the connection was saved goes with it.
        if (const std::string pin = PinnedCertificate(); !pin.empty())
            connections_->SetPinnedCertificate(stdName, pin);
    } catch (const std::exception& e) {
        return SettingsNotSaved(this, e.what());
    }
    MsgBox(this, tr("Connection Saved"), tr("Information"), QMessageBox::Information);
    // The saved connection stays shown, so that further edits go on changing it.
    SetListIndex(position - 1);
}

void Form1::Command4_Click() {
    const QString name = cname->currentText();
    if (name.isEmpty()) return;
    // A typed name that matches no stored connection: nothing to delete.
    if (connections_->Find(ToUtf8(name)) == 0) return;
    const auto answer =
        MsgBox(this, tr("Are you sure you wish to delete \"%1\"?").arg(name), tr("Confirmation"),
               QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
    try {
        connections_->Remove(ToUtf8(name));
    } catch (const std::exception& e) {
        SettingsNotSaved(this, e.what());
    }
    FillList();
    if (cname->count() > 0)
        SetListIndex(0);
    else
        cname->setEditText(QString());
}

}  // namespace lexmill
