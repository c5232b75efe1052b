#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>

class QWidget;

namespace lexmill::test {

// A real settings file in a temporary folder, read and written the way the
// program does (Company "Bramblegate", AppName "Lexmill").
class TempSettings {
  public:
    std::filesystem::path file() const;
    QString folder() const { return dir_.path(); }
    void put(const char* section, const QString& key, const QString& value) const;
    // The section's values as "name=text", in the order first written.
    QStringList all(const char* section) const;

  private:
    QTemporaryDir dir_;
};

// Runs `act` on the first modal window that opens, once the event loop runs.
void OnModal(std::function<void(QWidget*)> act);

// Follows whether a window is blocked by a modal one.
class BlockWatch : public QObject {
  public:
    explicit BlockWatch(QWidget* window);
    bool blocked = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Every visible caption (labels, buttons, check boxes) fits its control.
void VerifyNothingClipped(const QWidget& window);

}  // namespace lexmill::test
