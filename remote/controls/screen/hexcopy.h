#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QString>

#include <memory>
#include <vector>

namespace common {
class GlyphCells;
}

namespace remote::controls {

// A read-only text box for the hexadecimal copy of the last screen frame. It wraps at the
// blanks like a word-wrapping text box and lets the operator select and copy, but draws its
// characters cell by cell in its fixed-pitch font: a new frame that differs in a few bytes
// draws and repaints only the cells that changed, instead of laying the whole text out again.
class HexCopy : public QAbstractScrollArea {
    Q_OBJECT
    Q_PROPERTY(QString text READ toPlainText)

public:
    explicit HexCopy(QWidget* parent = nullptr);
    ~HexCopy() override;

    QString toPlainText() const { return m_text; }
    void setPlainText(const QString& text);

    // The selection as offsets into the text, start <= end; empty when nothing is selected.
    qsizetype selectionStart() const { return std::min(m_anchor, m_cursor); }
    qsizetype selectionEnd() const { return std::max(m_anchor, m_cursor); }
    QString selectedText() const;
    // Selects from anchor to cursor (offsets, clamped to the text; equal: nothing selected).
    void select(qsizetype anchor, qsizetype cursor);
    void selectAll();
    // Puts the selection, or the whole text when nothing is selected, on the clipboard.
    void copy() const;

    // The offset at which each row of text starts, wrapped at columns characters: a row ends
    // before the first word (a run of non-blanks) that would pass its last column, the blanks
    // after a word stay on its row, and a word longer than a row is cut at the row's end.
    // Empty text has one empty row.
    static std::vector<qsizetype> wrapRows(QStringView text, int columns);

    // The height that shows rows whole rows in the current font, frame and margins included.
    int heightForRows(int rows) const;
    // Fixes the height at rows whole rows, kept through later changes of the font.
    void setVisibleRows(int rows);

    static constexpr int kMargin = 2; // pixels between the frame and the first cell

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int columns() const;
    int firstRow() const;
    qsizetype rowOf(qsizetype offset) const;
    qsizetype offsetAt(QPoint viewportPos) const;
    QRect cellsRect(qsizetype row, qsizetype from, qsizetype to) const;
    void relayout();
    qsizetype rowEnd(qsizetype row) const;
    void drawSpan(qsizetype from, qsizetype to);
    void redrawAll();

    std::unique_ptr<common::GlyphCells> m_glyphs;
    QString m_text;
    std::vector<qsizetype> m_rows{0};
    int m_columns = 1;
    int m_visibleRows = 0; // 0: the height is left to the owner
    qsizetype m_anchor = 0;
    qsizetype m_cursor = 0;
    QImage m_view; // the viewport as last drawn
};

} // namespace remote::controls
