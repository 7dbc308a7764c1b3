#pragma once

#include <QImage>
#include <QWidget>

namespace torvelbutton {

// Shows one picture at its natural size and takes that size; with no picture it keeps the
// size it had.
class PictureHolder : public QWidget {
public:
    explicit PictureHolder(QWidget* parent);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

} // namespace torvelbutton
