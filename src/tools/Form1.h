#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QEventLoop;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace lexmill {

class FtpConnections;
class Inet;
class PictureBox;
class ProgressProperty;
class StatusPanel;
struct Module1;

// The FTP upload window: five boxes with the server's details, the stored
// connections, and the upload of the selected files of `Module1` into one
// remote directory.
//
// Make one each time it opens and show it with exec(): a run in progress goes
// on inside the Upload click until it ends, so exec() returns only after the
// run (also when the window was closed during it).
class Form1 : public QDialog {
    Q_OBJECT
  public:
    Form1(Module1& module, std::filesystem::path settingsFile, QWidget* parent = nullptr);
    ~Form1() override;

    // Files uploaded so far in the current run, in thousandths (the file
    // under way counts by its bytes sent), 0 outside a run; drives the
    // progress bar, full at the number of selected files.
    std::int64_t Progress() const;
    void setProgress(std::int64_t thousandths);

    // The handlers.
    void Form_Load();
    void Form_Unload();
    void cname_Click();
    void Command1_Click();  // Upload
    void Command2_Click();  // Save Connection
    void Command3_Click();  // Close
    void Command4_Click();  // Delete Connection
    void Command5_Click();  // Stop Transfer
    void Command6_Click();  // New Connection
    void Inet1_StateChanged(std::int16_t State);
    void cboProtocol_Click();

    // For tests: the component, and the text of the status bar's first panel.
    Inet& Inet1() { return *inet_; }
    QString StatusText() const;

  public slots:
    void done(int result) override;
    void reject() override;

  private:
    void BuildControls();
    void SetStatus(const QString& text);
    QString ValidateConnection() const;
    // The selected list position, or -1 when the text is not a listed entry.
    int ListIndex() const;
    void SetListIndex(int index);
    void FillList();
    // Runs the event loop until the component is idle or, when `watchStop`,
    // until a stop is requested.
    void WaitForInet(bool watchStop);
    void WakeWait();
    void DeliverInetEvents();
    bool RemoteDirIsValid();
    // The names of the files to send as the file list shows them.
    std::vector<std::string> ListedNames() const;
    // The component reported a certificate or host key it could not trust:
    // asks the user; true when the run should start again trusting it.
    bool AskTrust();
    void ShowByteProgress();
    int ProtocolId() const;
    // The address, port and protocol boxes, as one text.
    std::string ServerBoxes() const;
    // The pinned certificate when the boxes still show its server.
    std::string PinnedCertificate() const;

    Module1& module_;
    std::filesystem::path settingsFile_;
    std::unique_ptr<FtpConnections> connections_;
    std::unique_ptr<Inet> inet_;
    std::unique_ptr<ProgressProperty> progress_;
    QEventLoop* waitLoop_ = nullptr;
    bool running_ = false;
    bool unloaded_ = false;
    bool retry_ = false;
    bool createDirs_ = false;  // the user said Yes to making the remote folder
    std::int64_t filesDone_ = 0;
    // The certificate trusted for the server given by `pinnedServer_`
    // (ServerBoxes); another server shown in the boxes has none.
    std::string pinnedCertificate_;
    std::string pinnedServer_;

    bool StopRequested = false;
    std::string CurrentFile;

    QComboBox* cname;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    QComboBox* cboProtocol;
    QPushButton* Command1;
    QPushButton* Command6;
    QPushButton* Command2;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command3;
    QStatusBar* sbStatusbar;
    StatusPanel* pnlStatus;
    PictureBox* picProgress;
};

// The Tools menu's "FTP Upload": opens the window modally when at least one
// file is selected (the caller takes the selection first), otherwise says
// that none is.
void ShowFtpWindow(QWidget* owner, Module1& module, const std::filesystem::path& settingsFile);

}  // namespace lexmill
