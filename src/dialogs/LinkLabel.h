#pragma once

#include <QLabel>

namespace lexmill {

// A label that acts as a link: plain text in blue under a pointing hand,
// reporting a left click (press and release on the label) through clicked().
class LinkLabel : public QLabel {
    Q_OBJECT
  public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool pressed_ = false;
};

}  // namespace lexmill
