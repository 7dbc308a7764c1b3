#include "hexcopy.h"

#include "common/glyphcells.h"
#include "common/raster.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace remote::controls {

namespace {

constexpr QChar kBlank = QLatin1Char(' ');

} // namespace

HexCopy::HexCopy(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_glyphs(std::make_unique<common::GlyphCells>(font())) {
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
}

HexCopy::~HexCopy() = default;

std::vector<qsizetype> HexCopy::wrapRows(QStringView text, int columns) {
    const qsizetype width = std::max(1, columns);
    std::vector<qsizetype> rows{0};
    qsizetype rowStart = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == kBlank) {
            ++i; // blanks stay on the row of the word before them
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && text[end] != kBlank) {
            ++end;
        }
        if (end - rowStart > width) {
            if (i > rowStart) {
                rowStart = i;
                rows.push_back(rowStart);
            }
            while (end - rowStart > width) {
                rowStart += width;
                rows.push_back(rowStart);
            }
        }
        i = end;
    }
    return rows;
}

int HexCopy::heightForRows(int rows) const {
    return std::clamp(rows, 0, 1000) * m_glyphs->cellHeight() + 2 * (kMargin + frameWidth());
}

void HexCopy::setVisibleRows(int rows) {
    m_visibleRows = std::clamp(rows, 0, 1000);
    if (m_visibleRows > 0) {
        setFixedHeight(heightForRows(m_visibleRows));
    }
}

int HexCopy::columns() const {
    return std::max(1, (viewport()->width() - 2 * kMargin) / m_glyphs->cellWidth());
}

int HexCopy::firstRow() const {
    return verticalScrollBar()->value();
}

qsizetype HexCopy::rowOf(qsizetype offset) const {
    const auto after = std::upper_bound(m_rows.begin(), m_rows.end(), offset);
    return std::max<qsizetype>(0, (after - m_rows.begin()) - 1);
}

qsizetype HexCopy::offsetAt(QPoint pos) const {
    const qsizetype rowCount = static_cast<qsizetype>(m_rows.size());
    const qsizetype row = std::clamp<qsizetype>(
        firstRow() + (pos.y() - kMargin) / m_glyphs->cellHeight(), 0, rowCount - 1);
    const qsizetype start = m_rows[static_cast<std::size_t>(row)];
    const qsizetype end = rowEnd(row);
    // Halfway across a cell counts as after it, as in a text box.
    const int column = (pos.x() - kMargin + m_glyphs->cellWidth() / 2) / m_glyphs->cellWidth();
    return std::clamp<qsizetype>(start + std::max(0, column), start, end);
}

// The viewport rectangle of the cells from offset from to to (exclusive) of row.
QRect HexCopy::cellsRect(qsizetype row, qsizetype from, qsizetype to) const {
    const qsizetype start = m_rows[static_cast<std::size_t>(row)];
    const int cw = m_glyphs->cellWidth();
    const int y = kMargin + static_cast<int>(row - firstRow()) * m_glyphs->cellHeight();
    const int left = kMargin + static_cast<int>(std::min<qsizetype>(from - start, m_columns)) * cw;
    const int right = kMargin + static_cast<int>(std::min<qsizetype>(to - start, m_columns)) * cw;
    return QRect(left, y, right - left, m_glyphs->cellHeight());
}

void HexCopy::relayout() {
    m_columns = columns();
    m_rows = wrapRows(m_text, m_columns);
    const int fullRows = std::max(1, (viewport()->height() - 2 * kMargin) / m_glyphs->cellHeight());
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(fullRows);
    bar->setRange(0, std::max(0, static_cast<int>(m_rows.size()) - fullRows));
    redrawAll();
}

void HexCopy::redrawAll() {
    if (m_view.size() != viewport()->size()) {
        m_view = QImage(viewport()->size(), common::kSurfaceFormat);
    }
    common::fillRect(m_view, m_view.rect(), palette().color(QPalette::Base).rgb());
    const auto first = std::min<qsizetype>(firstRow(), static_cast<qsizetype>(m_rows.size()) - 1);
    drawSpan(m_rows[static_cast<std::size_t>(first)], m_text.size());
}

qsizetype HexCopy::rowEnd(qsizetype row) const {
    return row + 1 < static_cast<qsizetype>(m_rows.size())
               ? m_rows[static_cast<std::size_t>(row + 1)]
               : m_text.size();
}

// Draws the cells of the characters from offset from to to (exclusive), background and ink,
// the selected ones in the selection's colours, as far as they are in view.
void HexCopy::drawSpan(qsizetype from, qsizetype to) {
    const int cw = m_glyphs->cellWidth();
    const int ch = m_glyphs->cellHeight();
    const QRgb colours[2][2] = {
        {palette().color(QPalette::Base).rgb(), palette().color(QPalette::Text).rgb()},
        {palette().color(QPalette::Highlight).rgb(),
         palette().color(QPalette::HighlightedText).rgb()}};
    const qsizetype lastRow = std::min<qsizetype>(rowOf(std::max<qsizetype>(from, to - 1)),
                                                  firstRow() + (m_view.height() - kMargin) / ch);
    for (qsizetype row = std::max<qsizetype>(rowOf(from), firstRow()); row <= lastRow; ++row) {
        const qsizetype start = m_rows[static_cast<std::size_t>(row)];
        // Blanks past the last column are not shown.
        const qsizetype end = std::min(rowEnd(row), start + m_columns + 1);
        const int y = kMargin + static_cast<int>(row - firstRow()) * ch;
        // Before, inside and after the selection.
        const qsizetype lo = std::clamp(from, start, end);
        const qsizetype hi = std::clamp(to, start, end);
        const qsizetype cuts[] = {lo, std::clamp(selectionStart(), lo, hi),
                                  std::clamp(selectionEnd(), lo, hi), hi};
        for (int part = 0; part < 3; ++part) {
            const qsizetype a = cuts[part];
            const qsizetype b = cuts[part + 1];
            if (a >= b) {
                continue;
            }
            const QRgb* colour = colours[part == 1 ? 1 : 0];
            const int x = kMargin + static_cast<int>(a - start) * cw;
            common::fillRect(m_view, QRect(x, y, static_cast<int>(b - a) * cw, ch), colour[0]);
            m_glyphs->drawText(m_view, QPoint(x, y), QStringView(m_text).mid(a, b - a), colour[1]);
        }
    }
}

void HexCopy::setPlainText(const QString& text) {
    if (text == m_text) {
        return;
    }
    const QString shown = std::exchange(m_text, text);
    m_anchor = std::min(m_anchor, m_text.size());
    m_cursor = std::min(m_cursor, m_text.size());
    if (shown.size() != m_text.size() || wrapRows(m_text, m_columns) != m_rows ||
        m_view.size() != viewport()->size()) {
        relayout();
        viewport()->update();
        return;
    }
    // The same rows: frames of a steady display differ in a few bytes, so only the runs of
    // characters that changed are drawn again and repainted.
    for (qsizetype i = 0; i < m_text.size();) {
        if (m_text[i] == shown[i]) {
            ++i;
            continue;
        }
        const qsizetype stop = rowEnd(rowOf(i));
        qsizetype end = i + 1;
        while (end < stop && m_text[end] != shown[end]) {
            ++end;
        }
        drawSpan(i, end);
        const QRect cells = cellsRect(rowOf(i), i, end);
        if (!cells.isEmpty()) {
            viewport()->update(cells);
        }
        i = end;
    }
}

QString HexCopy::selectedText() const {
    return m_text.mid(selectionStart(), selectionEnd() - selectionStart());
}

void HexCopy::selectAll() {
    select(0, m_text.size());
}

void HexCopy::copy() const {
    const QString text = selectionStart() < selectionEnd() ? selectedText() : m_text;
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(text);
    }
}

void HexCopy::select(qsizetype anchor, qsizetype cursor) {
    anchor = std::clamp<qsizetype>(anchor, 0, m_text.size());
    cursor = std::clamp<qsizetype>(cursor, 0, m_text.size());
    if (anchor == m_anchor && cursor == m_cursor) {
        return;
    }
    const qsizetype from = rowOf(std::min({m_anchor, m_cursor, anchor, cursor}));
    const qsizetype to = rowOf(std::max({m_anchor, m_cursor, anchor, cursor}));
    m_anchor = anchor;
    m_cursor = cursor;
    drawSpan(m_rows[static_cast<std::size_t>(from)], rowEnd(to));
    const int ch = m_glyphs->cellHeight();
    viewport()->update(QRect(0, kMargin + static_cast<int>(from - firstRow()) * ch,
                             viewport()->width(), static_cast<int>(to - from + 1) * ch));
}

void HexCopy::paintEvent(QPaintEvent* event) {
    if (m_view.size() != viewport()->size()) {
        relayout();
    }
    QPainter(viewport()).drawImage(event->rect(), m_view, event->rect());
}

void HexCopy::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void HexCopy::scrollContentsBy(int, int) {
    redrawAll();
    viewport()->update();
}

void HexCopy::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_glyphs = std::make_unique<common::GlyphCells>(font());
        if (m_visibleRows > 0) {
            setFixedHeight(heightForRows(m_visibleRows));
        }
        relayout();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        redrawAll();
        viewport()->update();
    }
}

void HexCopy::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const qsizetype at = offsetAt(event->position().toPoint());
        select(at, at);
    }
}

void HexCopy::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        select(m_anchor, offsetAt(event->position().toPoint()));
    }
}

void HexCopy::mouseReleaseEvent(QMouseEvent* event) {
    event->setAccepted(event->button() == Qt::LeftButton);
}

void HexCopy::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void HexCopy::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("&Copy"), QKeySequence::Copy, this, &HexCopy::copy);
    menu.addAction(tr("Select All"), QKeySequence::SelectAll, this, &HexCopy::selectAll);
    menu.exec(event->globalPos());
}

} // namespace remote::controls
