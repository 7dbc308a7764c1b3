#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>

#include <memory>

namespace common {
class GlyphCells;
}

namespace remote::controls {

// One line of the detector's display. It keeps a label's interface (text(), the accessible
// name its owner sets, autoFillBackground() as the highlight, the palette's Window as the
// highlight's colour and WindowText as the ink) but draws itself: from its text and those
// colours, cell by cell in a fixed-pitch font. A new text costs no shaping and no layout, and
// the line covers its own pixels, so nothing behind it is painted again.
class ScreenLine : public QLabel {
    Q_OBJECT

public:
    ScreenLine(std::shared_ptr<const common::GlyphCells> glyphs, QWidget* parent);
    ~ScreenLine() override;

    // The colour behind the text while the line is not highlighted: the screen's own.
    void setScreenColour(const QColor& colour);
    QColor screenColour() const { return m_screenColour; }

    struct Look {
        QRgb screen;    // behind an ordinary line
        QRgb highlight; // behind the highlighted line
        QRgb ink;
    };

    // Draws a line into the whole of image: the background, then text's characters from the
    // left edge, their cells centred in the image's height.
    static void drawLine(QImage& image, const common::GlyphCells& glyphs, QStringView text,
                         bool highlighted, const Look& look);
    // Brings an image that drawLine drew with shown up to text, drawing again only the cells
    // whose character differs: the result is what drawLine would draw with text.
    static void redrawCells(QImage& image, const common::GlyphCells& glyphs, QStringView shown,
                            QStringView text, bool highlighted, const Look& look);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const common::GlyphCells> m_glyphs;
    QColor m_screenColour{Qt::white};
    // The face last drawn and what it was drawn from: an expose without a change only copies.
    QImage m_face;
    QString m_faceText;
    bool m_faceHighlighted = false;
    Look m_faceLook{};
};

} // namespace remote::controls
