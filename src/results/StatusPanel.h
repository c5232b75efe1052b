#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace lexmill {

// One panel of a status bar: its key is its objectName; it shows its picture
// when it has one, else its text.
class StatusPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE setText)
  public:
    // width <= 0: the panel takes what the status bar gives it.
    StatusPanel(const QString& key, int width, QWidget* parent = nullptr);

    QString Text() const { return text_; }
    void setText(const QString& text);

    const QPixmap& Picture() const { return picture_; }
    bool hasPicture() const { return !picture_.isNull(); }
    void setPicture(const QPixmap& picture);
    void clearPicture();

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
    QPixmap picture_;
};

}  // namespace lexmill
