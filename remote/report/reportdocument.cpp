#include "remote/report/reportdocument.h"

#include "remote/history/timeline.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextLayout>

#include <algorithm>
#include <functional>
#include <set>

namespace remote::report {

namespace {

using history::AlarmRecord;
using history::SettingsSnapshot;

// The painter works in points; fonts are sized in the same units.
constexpr qreal kMarginMm = 15;
constexpr int kTitleSize = 16;
constexpr int kHeadingSize = 11;
constexpr int kBodySize = 9;
constexpr int kSmallSize = 7;
constexpr qreal kLine = 12.5;      // a line of body text, a table row
constexpr qreal kSmallLine = 10;   // a line of small text
constexpr qreal kFooter = 20;      // kept free at the bottom of every page
constexpr qreal kTimelineRow = 11; // one channel's row on the timeline
constexpr qreal kGap = 8;          // between blocks
constexpr int kNotesLines = 40;    // the notes' lines shown at most
constexpr int kDetectorsShown = 6; // distinct detector ids named in the header
constexpr qreal kMarkWidth = 0.8;  // a timeline mark, at least

const QColor kHeaderFill(0xE4, 0xE8, 0xEE);
const QColor kRule(0x9A, 0xA3, 0xAE);

enum class FontKind { Body, Bold, Small, Title, Heading };

struct Fonts {
    QFont body, bold, small, title, heading;

    explicit Fonts(const QString& family) {
        const auto make = [&family](int size, bool bold) {
            QFont f(family);
            f.setPixelSize(size);
            f.setBold(bold);
            f.setHintingPreference(QFont::PreferNoHinting);
            return f;
        };
        body = make(kBodySize, false);
        bold = make(kBodySize, true);
        small = make(kSmallSize, false);
        title = make(kTitleSize, true);
        heading = make(kHeadingSize, true);
    }
    const QFont& of(FontKind kind) const {
        switch (kind) {
        case FontKind::Bold:
            return bold;
        case FontKind::Small:
            return small;
        case FontKind::Title:
            return title;
        case FontKind::Heading:
            return heading;
        case FontKind::Body:
            break;
        }
        return body;
    }
};

// One thing drawn on a page.
struct Op {
    enum class Kind { Text, Fill, Timeline };
    Kind kind = Kind::Text;
    QRectF rect;
    QString text;
    FontKind font = FontKind::Body;
    int flags = Qt::AlignLeft | Qt::AlignVCenter;
    QColor colour;
};

using Page = std::vector<Op>;

// Text from the line or a file, shown as it is but without control characters, which a
// PDF viewer would show as anything.
QString plain(QString text) {
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t') {
            c = u' ';
        } else if (u < 0x20 || (u >= 0x7F && u < 0xA0)) {
            c = QChar(0xFFFD);
        }
    }
    return text;
}

QString latin1(const std::string& bytes) {
    return plain(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QString utf8(const std::string& bytes) {
    return plain(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QString localTime(std::int64_t utcMs, int offsetSeconds) {
    return QString::fromStdString(history::isoLocalTime(utcMs, offsetSeconds));
}

// A moment in this machine's local time, with its offset, to the second.
QString machineTime(std::int64_t utcMs) {
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(utcMs);
    return localTime(utcMs, t.offsetFromUtc()).left(19).replace(u'T', u' ') +
           localTime(utcMs, t.offsetFromUtc()).right(6).prepend(u' ');
}

QString switchesText(std::uint8_t bits) {
    QStringList parts;
    for (int k = 0; k < link::protocol::SwitchCount; ++k) {
        parts << QStringLiteral("%1:%2").arg(k + 1).arg((bits >> k) & 1u ? QStringLiteral("on")
                                                                         : QStringLiteral("off"));
    }
    return parts.join(u' ');
}

// Lays out the report page by page: blocks flow down and start a new page where they do
// not fit; a table repeats its header row on every page it reaches.
class Flow {
public:
    Flow(QSizeF content, const Fonts& fonts)
        : m_width(content.width())
        , m_bottom(content.height() - kFooter)
        , m_fonts(fonts) {
        m_pages.emplace_back();
    }

    qreal width() const { return m_width; }
    qreal y() const { return m_y; }
    int pageNumber() const { return static_cast<int>(m_pages.size()); }
    std::vector<Page>& pages() { return m_pages; }
    const Fonts& fonts() const { return m_fonts; }

    // Starts a new page unless height fits below; a block taller than a page starts at the
    // top and runs past it rather than looping.
    void need(qreal height) {
        if (m_y + height > m_bottom && m_y > 0) {
            m_pages.emplace_back();
            m_y = 0;
        }
    }
    void skip(qreal height) { m_y += height; }

    void text(qreal x, qreal width, qreal height, const QString& text, FontKind font,
              int flags = Qt::AlignLeft | Qt::AlignVCenter) {
        const QFontMetricsF metrics(m_fonts.of(font));
        Op op;
        op.rect = QRectF(x, m_y, width, height);
        op.text = metrics.elidedText(text, Qt::ElideRight, std::max<qreal>(width, 0));
        op.font = font;
        op.flags = flags;
        m_pages.back().push_back(std::move(op));
    }
    void fill(const QRectF& rect, const QColor& colour) {
        Op op;
        op.kind = Op::Kind::Fill;
        op.rect = rect.translated(0, m_y);
        op.colour = colour;
        m_pages.back().push_back(std::move(op));
    }
    void timeline(const QRectF& rect) {
        Op op;
        op.kind = Op::Kind::Timeline;
        op.rect = rect.translated(0, m_y);
        m_pages.back().push_back(std::move(op));
    }
    void heading(const QString& text) {
        need(kGap + kLine * 3); // a heading stays with what follows it
        if (m_y > 0) {
            skip(kGap);
        }
        this->text(0, m_width, kLine + 3, text, FontKind::Heading);
        skip(kLine + 3);
    }

private:
    qreal m_width;
    qreal m_bottom;
    const Fonts& m_fonts;
    std::vector<Page> m_pages;
    qreal m_y = 0;
};

struct Column {
    QString title;
    qreal share; // of the width
    int align = Qt::AlignLeft;
};

// A table of rows, each optionally followed by a line of small text across the width;
// calls placed(row, page) for each row as it is laid out.
void table(Flow& flow, const std::vector<Column>& columns, std::size_t rows,
           const std::function<QStringList(std::size_t)>& cells,
           const std::function<QString(std::size_t)>& spanning = {},
           const std::function<void(std::size_t, int)>& placed = {}) {
    std::vector<qreal> x{0};
    for (const Column& c : columns) {
        x.push_back(x.back() + c.share * flow.width());
    }
    const auto header = [&] {
        flow.fill(QRectF(0, 0, flow.width(), kLine), kHeaderFill);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            flow.text(x[i] + 2, x[i + 1] - x[i] - 4, kLine, columns[i].title, FontKind::Bold,
                      columns[i].align | Qt::AlignVCenter);
        }
        flow.skip(kLine);
    };
    const qreal rowHeight = kLine + (spanning ? kSmallLine : 0);
    flow.need(kLine + rowHeight);
    header();
    int page = flow.pageNumber();
    for (std::size_t row = 0; row < rows; ++row) {
        flow.need(rowHeight);
        if (flow.pageNumber() != page) {
            page = flow.pageNumber();
            header();
        }
        const QStringList texts = cells(row);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const auto at = static_cast<qsizetype>(i);
            flow.text(x[i] + 2, x[i + 1] - x[i] - 4, kLine,
                      at < texts.size() ? texts[at] : QString(), FontKind::Body,
                      columns[i].align | Qt::AlignVCenter);
        }
        flow.skip(kLine);
        if (spanning) {
            flow.text(x[0] + 2, flow.width() - 4, kSmallLine, spanning(row), FontKind::Small);
            flow.skip(kSmallLine);
        }
        flow.fill(QRectF(0, -0.3, flow.width(), 0.3), kRule);
        if (placed) {
            placed(row, page);
        }
    }
}

// The lines text takes at width, paragraph by paragraph, at most maxLines.
QStringList wrapped(const QString& text, const QFont& font, qreal width, int maxLines) {
    QStringList lines;
    const QStringList paragraphs = text.split(u'\n');
    for (const QString& paragraph : paragraphs) {
        if (lines.size() >= maxLines) {
            break;
        }
        QTextLayout layout(paragraph, font);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << paragraph.mid(line.textStart(), line.textLength()).trimmed();
            if (lines.size() >= maxLines) {
                break;
            }
        }
        layout.endLayout();
    }
    if (lines.size() >= maxLines && lines.join(u'\n').size() < text.trimmed().size()) {
        lines.back() += QStringLiteral(" …");
    }
    return lines;
}

QString detectorsText(const std::vector<SettingsSnapshot>& snapshots) {
    std::vector<QString> seen;
    std::set<QString> distinct;
    for (const SettingsSnapshot& s : snapshots) {
        const QString text =
            QStringLiteral("%1, serial %2").arg(latin1(s.detectorId), latin1(s.serial));
        if (distinct.insert(text).second) {
            seen.push_back(text);
        }
    }
    if (seen.empty()) {
        return QStringLiteral("not read back in this range");
    }
    QStringList shown;
    for (std::size_t i = 0; i < seen.size() && i < kDetectorsShown; ++i) {
        shown << seen[i];
    }
    QString text = shown.join(QStringLiteral("; "));
    if (seen.size() > kDetectorsShown) {
        text += QStringLiteral("; and %1 more").arg(seen.size() - kDetectorsShown);
    }
    return text;
}

void headerBlock(Flow& flow, const ReportData& data) {
    const Fonts& fonts = flow.fonts();
    flow.text(0, flow.width(), kTitleSize + 6, QString::fromLatin1(kTitle), FontKind::Title);
    flow.skip(kTitleSize + 10);
    const qreal key = 90;
    const qreal value = flow.width() - key;
    const auto line = [&](const QString& name, const QString& text) {
        flow.need(kLine);
        flow.text(0, key, kLine, name, FontKind::Bold);
        flow.text(key, value, kLine, text, FontKind::Body);
        flow.skip(kLine);
    };
    const ReportRequest& r = data.request;
    line(QStringLiteral("Site:"), r.site.isEmpty() ? QStringLiteral("-") : plain(r.site));
    // Line ends of any system split the notes into lines; other control characters are
    // shown as such.
    QStringList paragraphs = QString(r.notes)
                                 .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                 .replace(u'\r', u'\n')
                                 .split(u'\n');
    for (QString& paragraph : paragraphs) {
        paragraph = plain(paragraph);
    }
    const QStringList notes = r.notes.trimmed().isEmpty()
                                  ? QStringList()
                                  : wrapped(paragraphs.join(u'\n'), fonts.body, value, kNotesLines);
    for (qsizetype i = 0; i < std::max<qsizetype>(notes.size(), 1); ++i) {
        flow.need(kLine);
        if (i == 0) {
            flow.text(0, key, kLine, QStringLiteral("Notes:"), FontKind::Bold);
        }
        flow.text(key, value, kLine, notes.isEmpty() ? QStringLiteral("-") : notes[i],
                  FontKind::Body);
        flow.skip(kLine);
    }
    line(QStringLiteral("Time range:"),
         machineTime(r.fromMs) + QStringLiteral(" to ") + machineTime(r.toMs));
    line(QStringLiteral("Station host:"), plain(data.stationHost));
    line(QStringLiteral("Detector:"), detectorsText(data.snapshots));
    line(QStringLiteral("Program:"), QStringLiteral("remote ") + plain(data.programVersion));
    QString alarms = QString::number(data.alarms.size());
    if (data.count.damaged) {
        alarms += data.count.countKnown
                      ? QStringLiteral(" (history damaged: %1 alarms could not be read)")
                            .arg(data.count.unreadable)
                      : QStringLiteral(" (history damaged: some alarms could not be read)");
    }
    line(QStringLiteral("Alarms:"), alarms);
    line(QStringLiteral("Made:"), machineTime(data.madeAtMs));
}

// Returns the plot's rectangle on the page.
QRectF timelineBlock(Flow& flow, const ReportData& data) {
    flow.heading(QStringLiteral("Timeline"));
    const QFontMetricsF metrics(flow.fonts().small);
    qreal gutter = 0;
    for (const char* label : link::protocol::AlarmChannelLabels) {
        gutter = std::max(gutter, metrics.horizontalAdvance(QString::fromLatin1(label)));
    }
    gutter += 6;
    const qreal plotHeight = kTimelineRow * history::timeline::kRows;
    flow.need(plotHeight + kSmallLine);
    const QRectF plot(gutter, 0, flow.width() - gutter, plotHeight);
    const QRectF onPage = plot.translated(0, flow.y());
    flow.timeline(plot);
    for (int row = 0; row < history::timeline::kRows; ++row) {
        flow.skip(row == 0 ? 0 : kTimelineRow);
        flow.text(
            0, gutter - 4, kTimelineRow,
            QString::fromLatin1(link::protocol::AlarmChannelLabels[static_cast<std::size_t>(row)]),
            FontKind::Small, Qt::AlignRight | Qt::AlignVCenter);
    }
    flow.skip(kTimelineRow);
    const qreal third = plot.width() / 3;
    // Halves first: the ends may be any two times.
    const std::int64_t middle = data.request.fromMs / 2 + data.request.toMs / 2;
    flow.text(gutter, third, kSmallLine, machineTime(data.request.fromMs), FontKind::Small,
              Qt::AlignLeft | Qt::AlignTop);
    flow.text(gutter + third, third, kSmallLine, machineTime(middle), FontKind::Small,
              Qt::AlignHCenter | Qt::AlignTop);
    flow.text(gutter + 2 * third, third, kSmallLine, machineTime(data.request.toMs),
              FontKind::Small, Qt::AlignRight | Qt::AlignTop);
    flow.skip(kSmallLine);
    return onPage;
}

void channelBlock(Flow& flow, const ReportData& data) {
    flow.heading(QStringLiteral("Alarms per channel"));
    const std::vector<Column> columns{{QStringLiteral("Ch"), 0.06, Qt::AlignRight},
                                      {QStringLiteral("Label"), 0.22},
                                      {QStringLiteral("Alarms"), 0.10, Qt::AlignRight},
                                      {QStringLiteral("First"), 0.31},
                                      {QStringLiteral("Last"), 0.31}};
    table(flow, columns, data.channels.size(), [&data](std::size_t c) {
        const ChannelSummary& s = data.channels[c];
        const auto when = [](const std::optional<AlarmRecord>& r) {
            return r ? localTime(r->utcMs, r->utcOffsetSeconds) : QStringLiteral("-");
        };
        return QStringList{QString::number(c),
                           QString::fromLatin1(link::protocol::AlarmChannelLabels[c]),
                           QString::number(s.count), when(s.first), when(s.last)};
    });
}

void settingsBlock(Flow& flow, const ReportData& data) {
    flow.heading(QStringLiteral("Settings in force"));
    if (data.snapshots.empty()) {
        flow.need(kLine);
        flow.text(0, flow.width(), kLine,
                  QStringLiteral("The detector's settings were not read back in this range."),
                  FontKind::Body);
        flow.skip(kLine);
        return;
    }
    const std::vector<Column> columns{{QStringLiteral("Since"), 0.38},
                                      {QStringLiteral("Detector"), 0.15},
                                      {QStringLiteral("Serial"), 0.12},
                                      {QStringLiteral("RF time"), 0.08, Qt::AlignRight},
                                      {QStringLiteral("Repeat"), 0.08, Qt::AlignRight},
                                      {QStringLiteral("Switches"), 0.19}};
    const auto& s = data.snapshots;
    table(
        flow, columns, s.size(),
        [&](std::size_t i) {
            QString since = localTime(s[i].utcMs, s[i].utcOffsetSeconds);
            if (s[i].utcMs < data.request.fromMs) {
                since += QStringLiteral(" (before)");
            }
            return QStringList{since,
                               latin1(s[i].detectorId),
                               latin1(s[i].serial),
                               latin1(s[i].rfTime),
                               latin1(s[i].repeatTime),
                               switchesText(s[i].switches)};
        },
        [&](std::size_t i) {
            QStringList times;
            for (const std::string& t : s[i].channelTimes) {
                times << latin1(t);
            }
            QStringList laser;
            for (std::size_t k = 0; k < SettingsSnapshot::kLaserFigures; ++k) {
                laser << QStringLiteral("%1 %2").arg(
                    QString::fromLatin1(SettingsSnapshot::laserNames()[k]), latin1(s[i].laser[k]));
            }
            return QStringLiteral("Channel times: %1    Laser: %2")
                .arg(times.join(u' '), laser.join(QStringLiteral(", ")));
        });
}

void alarmBlock(Flow& flow, const ReportData& data, ReportLayout& layout) {
    flow.heading(QStringLiteral("Alarms"));
    if (data.alarms.empty()) {
        flow.need(kLine);
        flow.text(0, flow.width(), kLine, QString::fromLatin1(kNoAlarms), FontKind::Body);
        flow.skip(kLine);
        return;
    }
    const std::vector<Column> columns{{QStringLiteral("#"), 0.08, Qt::AlignRight},
                                      {QStringLiteral("Time"), 0.33},
                                      {QStringLiteral("Ch"), 0.05, Qt::AlignRight},
                                      {QStringLiteral("Label"), 0.19},
                                      {QStringLiteral("Detector clock"), 0.22},
                                      {QStringLiteral("Dropped bytes"), 0.13, Qt::AlignRight}};
    std::vector<int> rowsOnPage;
    table(
        flow, columns, data.alarms.size(),
        [&data](std::size_t i) {
            const AlarmRecord& r = data.alarms[i];
            return QStringList{QString::number(i + 1),
                               localTime(r.utcMs, r.utcOffsetSeconds),
                               QString::number(r.channel),
                               utf8(r.label),
                               r.detectorClock ? latin1(*r.detectorClock) : QStringLiteral("-"),
                               QString::number(r.droppedBytes)};
        },
        {},
        [&](std::size_t, int page) {
            if (layout.firstAlarmPage == 0) {
                layout.firstAlarmPage = page;
            }
            const auto index = static_cast<std::size_t>(page - layout.firstAlarmPage);
            rowsOnPage.resize(std::max(rowsOnPage.size(), index + 1));
            ++rowsOnPage[index];
        });
    layout.alarmRowsOnFirstPage = rowsOnPage.empty() ? 0 : rowsOnPage.front();
    layout.alarmRowsPerPage = rowsOnPage.size() > 2 ? rowsOnPage[1] : 0;
}

void paintOp(QPainter& painter, const Fonts& fonts, const Op& op,
             const history::timeline::State& timeline) {
    switch (op.kind) {
    case Op::Kind::Fill:
        painter.fillRect(op.rect, op.colour);
        break;
    case Op::Kind::Timeline:
        history::timeline::paint(painter, op.rect, timeline, kMarkWidth);
        painter.setPen(kRule);
        painter.drawRect(op.rect);
        break;
    case Op::Kind::Text:
        painter.setFont(fonts.of(op.font));
        painter.setPen(Qt::black);
        painter.drawText(op.rect, op.flags | Qt::TextSingleLine, op.text);
        break;
    }
}

QPageLayout pageLayoutOf(const PageSetup& setup) {
    return QPageLayout(setup.pageSize.isValid() ? setup.pageSize : QPageSize(QPageSize::A4),
                       setup.orientation, QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                       QPageLayout::Millimeter);
}

ReportLayout paintReport(QPagedPaintDevice& device, const ReportData& data) {
    const QPageLayout page = device.pageLayout();
    const QRectF content = page.paintRect(QPageLayout::Point);
    const Fonts fonts(reportFontFamily());
    Flow flow(content.size(), fonts);
    ReportLayout layout;
    layout.sheet = page.fullRect(QPageLayout::Point).size();
    headerBlock(flow, data);
    const QRectF plot = timelineBlock(flow, data);
    layout.timelinePlot = plot.translated(content.topLeft());
    channelBlock(flow, data);
    settingsBlock(flow, data);
    alarmBlock(flow, data, layout);

    history::timeline::State timeline;
    timeline.fromMs = data.request.fromMs;
    timeline.toMs = data.request.toMs;
    timeline.marks.reserve(data.alarms.size());
    for (const AlarmRecord& r : data.alarms) {
        timeline.marks.push_back({r.utcMs, r.channel});
    }

    QPainter painter;
    if (!painter.begin(&device)) {
        return {};
    }
    const auto& pages = flow.pages();
    const int total = static_cast<int>(pages.size());
    const qreal scale = device.logicalDpiX() / 72.0;
    const QString footer =
        QString::fromLatin1(kTitle) + (data.request.site.isEmpty()
                                           ? QString()
                                           : QStringLiteral(" - ") + plain(data.request.site));
    for (int n = 0; n < total; ++n) {
        if (n > 0 && !device.newPage()) {
            painter.end();
            return {};
        }
        painter.resetTransform();
        painter.scale(scale, scale);
        for (const Op& op : pages[static_cast<std::size_t>(n)]) {
            paintOp(painter, fonts, op, timeline);
        }
        const qreal y = content.height() - kFooter + 6;
        painter.fillRect(QRectF(0, y, content.width(), 0.4), kRule);
        painter.setFont(fonts.small);
        painter.setPen(Qt::black);
        const QFontMetricsF metrics(fonts.small);
        painter.drawText(QRectF(0, y + 2, content.width() / 2 - 30, kSmallLine),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(footer, Qt::ElideRight, content.width() / 2 - 30));
        // "n / N" in three pieces with clear gaps, so text extraction keeps its spaces.
        const qreal middle = content.width() / 2;
        const QRectF line(0, y + 2, content.width(), kSmallLine);
        painter.setFont(fonts.body);
        painter.drawText(QRectF(middle - 86, line.top(), 80, kSmallLine),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::number(n + 1));
        painter.drawText(QRectF(middle - 6, line.top(), 12, kSmallLine),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                         QStringLiteral("/"));
        painter.drawText(QRectF(middle + 6, line.top(), 80, kSmallLine),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::number(total));
    }
    painter.end();
    layout.pages = total;
    return layout;
}

} // namespace

QString reportFontFamily() {
    // Of the Korean-capable families this one gives its spaces a width text extraction
    // sees, so a PDF's text can be searched and copied word by word.
    const QString family = QStringLiteral("NanumBarunGothic");
    if (QFontDatabase::families().contains(family)) {
        return family;
    }
    const int id = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/truetype/nanum/NanumBarunGothic.ttf"));
    const QStringList loaded = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
    return loaded.isEmpty() ? QFont().family() : loaded.front();
}

ReportLayout renderReport(QPagedPaintDevice& device, const ReportData& data,
                          const PageSetup& setup) {
    device.setPageLayout(pageLayoutOf(setup));
    return paintReport(device, data);
}

bool writeReportPdf(const QString& file, const ReportData& data, const PageSetup& setup,
                    QString& error, ReportLayout* layout) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        error = out.errorString();
        return false;
    }
    ReportLayout made;
    {
        QPdfWriter writer(&out);
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("remote ") + programVersion());
        writer.setTitle(QString::fromLatin1(kTitle) +
                        (data.request.site.isEmpty()
                             ? QString()
                             : QStringLiteral(" - ") + plain(data.request.site)));
        made = renderReport(writer, data, setup);
    }
    if (made.pages == 0) {
        out.cancelWriting();
        error = QStringLiteral("the report could not be drawn");
        return false;
    }
    if (!out.commit()) {
        error = out.errorString();
        return false;
    }
    if (layout) {
        *layout = made;
    }
    return true;
}

bool printReport(QPrinter& printer, const ReportData& data, QString& error) {
    if (!printer.isValid()) {
        error = QStringLiteral("no printer is installed");
        return false;
    }
    // The printer's own sheet and orientation, with the report's margins.
    PageSetup setup;
    setup.pageSize = printer.pageLayout().pageSize();
    setup.orientation = printer.pageLayout().orientation();
    if (renderReport(printer, data, setup).pages == 0) {
        error = QStringLiteral("the printer %1 could not be used").arg(printer.printerName());
        return false;
    }
    return true;
}

} // namespace remote::report
