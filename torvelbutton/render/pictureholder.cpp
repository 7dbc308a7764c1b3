#include "pictureholder.h"

#include <QPainter>

namespace torvelbutton {

PictureHolder::PictureHolder(QWidget* parent)
    : QWidget(parent) {
    // Presses on the picture are the button's.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PictureHolder::setPicture(const QImage& picture) {
    m_picture = picture;
    if (!picture.isNull()) {
        resize(picture.size());
    }
    update();
}

void PictureHolder::paintEvent(QPaintEvent*) {
    if (m_picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_picture);
}

} // namespace torvelbutton
