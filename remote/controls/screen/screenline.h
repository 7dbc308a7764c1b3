#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>

namespace common {
class GlyphCells;
}

namespace remote::controls {

// One line of the detector's display, drawn from its text and colours cell by cell in a
// fixed-pitch font: autoFillBackground() marks the highlighted line, the palette's Window is
// the highlight's colour and WindowText the ink. A new text repaints only the cells whose
// character changed and never lays anything out; the line covers its own pixels, so nothing
// behind it is painted again. The text is always plain characters, never markup.
class ScreenLine : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)

public:
    ScreenLine(std::shared_ptr<const common::GlyphCells> glyphs, QWidget* parent);
    ~ScreenLine() override;

    QString text() const { return m_text; }
    void setText(const QString& text);
    Qt::TextFormat textFormat() const { return Qt::PlainText; }

    // The colour behind the text while the line is not highlighted: the screen's own.
    void setScreenColour(const QColor& colour);
    QColor screenColour() const { return m_screenColour; }

    // The cells of the text, one cell high.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

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
    QString m_text;
    QColor m_screenColour{Qt::white};
    // The face last drawn and what it was drawn from: an expose without a change only copies.
    QImage m_face;
    QString m_faceText;
    bool m_faceHighlighted = false;
    Look m_faceLook{};
};

} // namespace remote::controls
