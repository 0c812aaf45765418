#pragma once

#include <QImage>
#include <QWidget>

namespace tamberlin::widgets {

// A picture area: the picture is centred; one larger than the area is shrunk to fit with its
// proportions kept, a smaller one is shown at its own size. Reports mouse presses while enabled.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const QImage& image);
    void clearPicture() { setPicture(QImage()); }
    const QImage& picture() const { return image_; }
    bool hasPicture() const { return !image_.isNull(); }
    // Where the picture is drawn inside the area (empty when there is none).
    QRect pictureRect() const;

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage image_;
};

} // namespace tamberlin::widgets
