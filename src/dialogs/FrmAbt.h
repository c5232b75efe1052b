#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QPushButton;

namespace lexmill {

class LinkLabel;

// "About...": the logo, the version, the notices and two links to the maker
// (web site and support mail), handed to the desktop through ShellOpen. A
// link click leaves the box open. Make a new one for every opening:
//
//     FrmAbt about;
//     about.exec();
class FrmAbt : public QDialog {
    Q_OBJECT
  public:
    static QString Version() { return QStringLiteral("2.1"); }
    static QString WebSite() { return QStringLiteral("https://www.bramblegate.example/"); }
    static QString SupportMail() { return QStringLiteral("support@bramblegate.example"); }

    explicit FrmAbt(QWidget* parent = nullptr);

    // Handlers.
    void Label6_Click();    // web site
    void Label5_Click();    // mail
    void Command3_Click();  // OK

  private:
    void Form_Load();

    QGroupBox* Frame1;
    QLabel* Picture1;
    QLabel* Label3;
    LinkLabel* Label6;
    QLabel* Label1;
    LinkLabel* Label5;
    QLabel* Label7;
    QLabel* Label2;
    QPushButton* Command3;
};

}  // namespace lexmill
