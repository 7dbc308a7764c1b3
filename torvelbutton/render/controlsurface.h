#pragma once

#include "common/olecolorvalue.h"
#include "torvelbutton/buttontypes.h"

#include <QImage>

namespace torvelbutton {

/// The button's own drawing surface: a kept image of the client area, with the back colour,
/// the background picture and the pen colour its drawing operations use. What is drawn here
/// stays until it is cleared, so the face survives window repaints.
class TORVELBUTTON_EXPORT ControlSurface {
public:
    /// An empty surface with the button-face colour as back colour and black as pen colour.
    ControlSurface();

    /// Follows the client area's size; what was drawn stays at the top left, and new area
    /// shows the back colour.
    void resize(const QSize& size);
    /// @name Size
    ///@{

    /// The surface's size in pixels.
    QSize size() const { return m_image.size(); }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    ///@}

    /// @name Image
    ///@{

    /// The drawing itself.
    const QImage& image() const { return m_image; }
    QImage& image() { return m_image; }
    ///@}

    /// @name Colours
    ///@{

    /// The back (clear) and fore (pen) colour. A colour that cannot be translated is
    /// refused with false and the old one stays.
    bool setBackColor(common::OleColor color);
    QRgb backColor() const { return m_backColor; }
    bool setForeColor(common::OleColor color);
    QRgb foreColor() const { return m_foreColor; }
    ///@}

    /// @name Background picture
    ///@{

    /// The background picture, shown at the top left under everything drawn; a null image
    /// removes it.
    void setPicture(const QImage& picture) { m_picture = picture; }
    const QImage& picture() const { return m_picture; }
    ///@}

    /// Clears the drawing to the back colour and the background picture.
    void cls();

    /// A line in the present fore colour, the end point left out.
    void line(QPoint from, QPoint to);

    /// Draws the src part of picture into dst, stretched or shrunk by nearest sample;
    /// pixels with alpha are blended over the drawing.
    void paintPicture(const QImage& picture, const QRect& dst, const QRect& src);
    /// Draws the whole picture with its top left at pos.
    void paintPicture(const QImage& picture, QPoint pos);

private:
    QImage m_image;
    QRgb m_backColor;
    QRgb m_foreColor;
    QImage m_picture;
};

} // namespace torvelbutton
