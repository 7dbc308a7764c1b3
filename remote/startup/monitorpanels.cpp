#include "monitorpanels.h"

#include "common/glyphcells.h"
#include "common/olecolor.h"
#include "common/propertybag.h"
#include "displayscreen.h"
#include "remote/controls/instruments/instrumentlamp.h"
#include "remote/controls/instruments/instrumentswitch.h"
#include "remote/controls/instruments/scanmark.h"
#include "remote/controls/progressbar/xp_progressbar.h"
#include "remote/controls/screen/hexcopy.h"
#include "remote/controls/screen/screenline.h"
#include "remote/link/protocol.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace remote::startup {

using remote::controls::HexCopy;
using remote::controls::InstrumentLamp;
using remote::controls::ScanMark;
using remote::controls::ScreenLine;
using remote::controls::SlideSwitch;
using remote::controls::ToggleSwitch;
using remote::controls::XP_ProgressBar;

namespace {

constexpr int kInputWidth2 = 34; // pixels: an input of two characters
constexpr int kReadBackWidth = 64;
constexpr int kKeySize = 40;
constexpr int kScreenLineChars = 16; // characters the detector's display shows per line

template <typename W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    widget->setAccessibleDescription(name);
    return widget;
}

QString indexed(const char* name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QLabel* text(const QString& caption, QWidget* parent) {
    auto* label = new QLabel(parent);
    // Most of these labels show bytes from the line or a replayed file: markup in them is
    // text the detector sent, never layout, pictures or links.
    label->setTextFormat(Qt::PlainText);
    MonitorPanels::setCaption(label, caption);
    return label;
}

void setTextColour(QWidget* widget, unsigned oleColour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, common::toQColor(oleColour));
    widget->setPalette(palette);
}

// A read-back display: a sunken box with the value in dark blue (or the colour given).
QLabel* display(const QString& name, const QString& initial, QWidget* parent,
                unsigned colour = MonitorPanels::kDisplayTextColour, int width = kReadBackWidth) {
    auto* label = named(text(initial, parent), name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::white);
    label->setPalette(palette);
    setTextColour(label, colour);
    label->setMinimumWidth(width);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLineEdit* input(const QString& name, const QString& initial, int maxLength, QWidget* parent) {
    auto* edit = named(new QLineEdit(initial, parent), name);
    edit->setMaxLength(maxLength);
    const int width = maxLength <= 2 ? kInputWidth2 : 16 + 9 * maxLength;
    edit->setFixedWidth(width);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

QGroupBox* group(const QString& title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    QFont font = box->font();
    font.setBold(true);
    box->setFont(font);
    return box;
}

// Children of a bold group box take the ordinary font back.
void plainFont(QWidget* widget) {
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!qobject_cast<QGroupBox*>(child) && child->font().bold() &&
            !child->property("keepBold").toBool()) {
            QFont font = child->font();
            font.setBold(false);
            child->setFont(font);
        }
    }
}

QIcon powerIcon() {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xB0, 0x10, 0x10), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(3, 4, 14, 14), 60 * 16, -300 * 16);
    painter.drawLine(QPointF(10, 2), QPointF(10, 10));
    return QIcon(pixmap);
}

} // namespace

void MonitorPanels::setCaption(QLabel* label, const QString& caption) {
    // Every frame restates every caption; most are as they were.
    if (label->text() == caption && label->accessibleName() == caption) {
        return;
    }
    label->setText(caption);
    label->setAccessibleName(caption);
}

void MonitorPanels::setCaption(ScreenLine* line, const QString& caption) {
    if (line->text() == caption && line->accessibleName() == caption) {
        return;
    }
    line->setText(caption);
    line->setAccessibleName(caption);
}

QLabel* MonitorPanels::displayLabel(Display display, int index) const {
    const auto slot = static_cast<std::size_t>(display);
    return slot < m_displays.size() ? m_displays[slot].at(index) : nullptr;
}

QLineEdit* MonitorPanels::inputField(Input field, int index) const {
    const auto slot = static_cast<std::size_t>(field);
    return slot < m_inputs.size() ? m_inputs[slot].at(index) : nullptr;
}

void MonitorPanels::bindDisplay(Display display, QLabel* label) {
    m_displays[static_cast<std::size_t>(display)] = {{label}, 0, false};
}

void MonitorPanels::bindDisplay(Display display, std::span<QLabel* const> labels) {
    m_displays[static_cast<std::size_t>(display)] = {{labels.begin(), labels.end()}, 0, true};
}

void MonitorPanels::bindInput(Input field, QLineEdit* edit) {
    m_inputs[static_cast<std::size_t>(field)] = {{edit}, 0, false};
}

void MonitorPanels::bindInput(Input field, std::span<QLineEdit* const> edits, int first) {
    m_inputs[static_cast<std::size_t>(field)] = {{edits.begin(), edits.end()}, first, true};
}

QWidget* MonitorPanels::build(QWidget* parent) {
    auto* centre = new QWidget(parent);
    auto* outer = new QVBoxLayout(centre);
    outer->setContentsMargins(6, 4, 6, 4);
    outer->setSpacing(4);
    outer->addWidget(buildTopStrip(centre));
    buildSaveButtons(centre);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(6);
    auto* left = new QVBoxLayout;
    left->addWidget(buildDisplayGroup(centre));
    left->addWidget(buildKeypadGroup(centre));
    left->addStretch(1);
    auto* middle = new QVBoxLayout;
    middle->addWidget(buildAlarmGroup(centre));
    middle->addWidget(buildSwitchGroup(centre));
    middle->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(buildReadBackGroup(centre));
    right->addWidget(buildEntryGroup(centre));
    right->addStretch(1);
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);
    outer->addLayout(columns, 1);
    fixDisplaySizes();
    return centre;
}

namespace {

// Sets the label's size to what its widest text asks for (at least its minimum width).
void fixSize(QLabel* label, const QString& widest) {
    const QString shown = label->text();
    label->setText(widest);
    const QSize hint = label->sizeHint();
    label->setText(shown);
    label->setFixedSize(std::max(hint.width(), label->minimumWidth()), hint.height());
}

} // namespace

// The link rewrites the read-back displays several times a second. A label whose size can
// change makes each new text lay out the whole window again; a fixed one only repaints. Each
// is fixed at the size of the widest text it can show, in the font it ends up with.
void MonitorPanels::fixDisplaySizes() {
    const QString digits3 = QStringLiteral("888");       // a byte
    const QString hundredths = QStringLiteral("888.88"); // two bytes in hundredths
    fixSize(TTIME[0], QStringLiteral(" 8888"));          // the year, a signed-number text
    for (std::size_t i = 1; i < TTIME.size(); ++i) {
        fixSize(TTIME[i], digits3);
    }
    for (QLabel* label : STIMEV) {
        fixSize(label, digits3);
    }
    for (QLabel* label : {RFXTIME, LASERVV1, LASERVV2, FREQV}) {
        fixSize(label, digits3);
    }
    for (QLabel* label : {LASERQZ1, LASERQZ2, LASERQS1, LASERQS2}) {
        fixSize(label, hundredths);
    }
    for (QLabel* label : {LASERQ1, LASERQ2}) {
        fixSize(label, QStringLiteral("8.88"));
    }
    fixSize(SETID, QStringLiteral("QND-WWWWWW"));
    fixSize(SERIAL, QStringLiteral("WWWWWWWW"));
}

void MonitorPanels::buildSaveButtons(QWidget* parent) {
    // One icon shared by the nine buttons: each made alone holds its own images in three sizes.
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_DialogSaveButton);
    for (int i = 0; i < static_cast<int>(FREQSAVE.size()); ++i) {
        auto* save = named(new QPushButton(parent), indexed("FREQSAVE", i));
        save->setIcon(icon);
        save->setAccessibleName(QStringLiteral("Save"));
        save->setToolTip(QStringLiteral("Write to the detector"));
        save->setEnabled(false); // until the access code is accepted
        save->setFixedSize(30, 24);
        FREQSAVE[static_cast<std::size_t>(i)] = save;
    }
}

QWidget* MonitorPanels::buildTopStrip(QWidget* parent) {
    auto* strip = new QWidget(parent);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    Label1 = named(text(QStringLiteral("REMOTE PROGRAM"), strip), QStringLiteral("Label1"));
    QFont titleFont = Label1->font();
    titleFont.setPointSize(16);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    row->addWidget(Label1);
    row->addStretch(1);
    CWButton1 = named(new InstrumentLamp(strip), QStringLiteral("CWButton1"));
    CWButton1->setAccessibleName(QStringLiteral("TXD"));
    CWButton2 = named(new InstrumentLamp(strip), QStringLiteral("CWButton2"));
    CWButton2->setAccessibleName(QStringLiteral("RXD"));
    row->addWidget(CWButton1);
    row->addWidget(text(QStringLiteral("TXD"), strip));
    row->addSpacing(12);
    row->addWidget(CWButton2);
    row->addWidget(text(QStringLiteral("RXD"), strip));
    return strip;
}

QGroupBox* MonitorPanels::buildDisplayGroup(QWidget* parent) {
    QGroupBox* box = group(QStringLiteral("Display"), parent);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(0);

    // The detector's display: a bold monospace face, large enough to read across the room.
    QFont screenFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    screenFont.setStyleHint(QFont::TypeWriter);
    screenFont.setBold(true);
    screenFont.setPointSizeF(14);
    const QFontMetrics metrics(screenFont);
    const int lineWidth =
        metrics.horizontalAdvance(QString(kScreenLineChars + 1, QLatin1Char('W')));

    auto* screen = new DisplayScreen(lineWidth, metrics.height() + 4, box);
    screen->setFrameShape(QFrame::Panel);
    screen->setFrameShadow(QFrame::Sunken);
    screen->setAutoFillBackground(true);
    QPalette screenPalette = screen->palette();
    screenPalette.setColor(QPalette::Window, QColor(0xE8, 0xEE, 0xE0));
    screen->setPalette(screenPalette);
    // One set of glyphs for the five lines: each character is drawn once, then copied.
    const auto glyphs = std::make_shared<const common::GlyphCells>(screenFont);
    for (int i = 0; i < static_cast<int>(BSCREEN.size()); ++i) {
        auto* line = named(new ScreenLine(glyphs, screen), indexed("BSCREEN", i));
        line->setProperty("keepBold", true);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, common::toQColor(kHighlightBack));
        palette.setColor(QPalette::WindowText, Qt::black);
        line->setPalette(palette);
        line->setScreenColour(screenPalette.color(QPalette::Window));
        line->setAutoFillBackground(false); // the screen's colour until the detector highlights it
        screen->addLine(line);
        BSCREEN[static_cast<std::size_t>(i)] = line;
    }
    grid->addWidget(screen, 0, 0, 2, 1);

    // The mark blinks while the detector scans. Showing a widget lays out every layout
    // above it and hiding one invalidates them, so the mark sits in a holder of its own
    // size that has no layout: the blink stops there.
    auto* markHolder = new QWidget(box);
    markHolder->setFixedSize(ScanMark::kSide, ScanMark::kSide);
    SCANMARK = named(new ScanMark(markHolder), QStringLiteral("SCANMARK"));
    SCANMARK->setAccessibleName(QStringLiteral("Scanning"));
    SCANMARK->setGeometry(markHolder->rect());
    SCANMARK->setVisible(false);
    grid->addWidget(markHolder, 0, 1, Qt::AlignTop | Qt::AlignHCenter);

    XP_ProgressBar1 = named(new XP_ProgressBar(box), QStringLiteral("XP_ProgressBar1"));
    common::FilePropertyBag design; // as the window's design stores it
    design.writeProperty(QStringLiteral("BrushStyle"), 0);
    design.writeProperty(QStringLiteral("Color"), QVariant::fromValue<uint>(0x000000FF));
    design.writeProperty(QStringLiteral("Min"), 1);
    design.writeProperty(QStringLiteral("Orientation"), 1);
    design.writeProperty(QStringLiteral("Value"), 100);
    XP_ProgressBar1->readProperties(design);
    XP_ProgressBar1->setFixedWidth(12);
    grid->addWidget(XP_ProgressBar1, 1, 1, Qt::AlignHCenter);

    Text1 = named(new HexCopy(box), QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Last screen frame in hexadecimal"));
    QFont hexFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    hexFont.setPointSize(7);
    Text1->setFont(hexFont);
    Text1->setVisibleRows(4);
    grid->addWidget(Text1, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    return box;
}

QGroupBox* MonitorPanels::buildKeypadGroup(QWidget* parent) {
    QGroupBox* box = group(QStringLiteral("Keypad"), parent);
    auto* outer = new QHBoxLayout(box);
    auto* keys = new QGridLayout;
    keys->setSpacing(3);

    struct Key {
        int index;
        const char* caption;
        int row;
        int column;
    };
    static constexpr Key kKeys[] = {
        {1, "POL", 0, 0}, {2, "HP", 0, 1}, {3, "GPS", 0, 2}, {4, "MENU", 0, 3},  {5, "L/O", 0, 4},
        {6, "1", 1, 0},   {7, "2", 1, 1},  {8, "3", 1, 2},   {18, "SCAN", 1, 3}, {24, "UP", 1, 4},
        {9, "4", 2, 0},   {10, "5", 2, 1}, {11, "6", 2, 2},  {19, "HOLD", 2, 3}, {25, "DN", 2, 4},
        {12, "7", 3, 0},  {13, "8", 3, 1}, {14, "9", 3, 2},  {17, "E", 3, 3},    {26, "", 3, 4},
        {15, ".", 4, 0},  {16, "0", 4, 1},
    };
    // Shared by the keys and the arrows, as the save buttons share theirs.
    const QIcon upIcon = QApplication::style()->standardIcon(QStyle::SP_ArrowUp);
    const QIcon downIcon = QApplication::style()->standardIcon(QStyle::SP_ArrowDown);
    for (const Key& k : kKeys) {
        auto* key =
            named(new QPushButton(QString::fromLatin1(k.caption), box), indexed("Button", k.index));
        key->setFixedSize(kKeySize + 8, kKeySize - 8);
        key->setFocusPolicy(Qt::NoFocus);
        if (k.index == 24) {
            key->setIcon(upIcon);
        } else if (k.index == 25) {
            key->setIcon(downIcon);
        } else if (k.index == 26) {
            key->setIcon(powerIcon());
            key->setAccessibleName(QStringLiteral("Power"));
        }
        keys->addWidget(key, k.row, k.column);
        Button[k.index] = key;
    }
    outer->addLayout(keys);

    auto* side = new QVBoxLayout;
    auto* arrows = new QGridLayout;
    arrows->setSpacing(3);
    struct Arrow {
        int index;
        bool up;
        int column;
        const char* name;
    };
    static constexpr Arrow kArrows[] = {
        {20, true, 0, "Volume up"},
        {21, false, 0, "Volume down"},
        {22, true, 1, "Squelch up"},
        {23, false, 1, "Squelch down"},
    };
    for (const Arrow& a : kArrows) {
        auto* arrow = named(new QPushButton(box), indexed("Button2", a.index));
        arrow->setIcon(a.up ? upIcon : downIcon);
        arrow->setAccessibleName(QString::fromLatin1(a.name));
        arrow->setFixedSize(kKeySize + 14, kKeySize - 10);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrows->addWidget(arrow, a.up ? 0 : 1, a.column);
        Button2[a.index] = arrow;
    }
    QLabel* volume = named(text(QStringLiteral("Volume"), box), QStringLiteral("Label4_0"));
    QLabel* squelch = named(text(QStringLiteral("Squelch"), box), QStringLiteral("Label4_1"));
    arrows->addWidget(volume, 2, 0, Qt::AlignHCenter);
    arrows->addWidget(squelch, 2, 1, Qt::AlignHCenter);
    side->addLayout(arrows);
    side->addSpacing(10);

    auto* loop = new QHBoxLayout;
    QLabel* loopCaption = text(QStringLiteral("Loop"), box);
    QFont bold = loopCaption->font();
    bold.setBold(true);
    loopCaption->setFont(bold);
    loopCaption->setProperty("keepBold", true);
    LOOPSW = named(new SlideSwitch(box), QStringLiteral("LOOPSW"));
    LOOPSW->setAccessibleName(QStringLiteral("Loop"));
    loop->addWidget(loopCaption);
    loop->addWidget(text(QStringLiteral("Off"), box));
    loop->addWidget(LOOPSW);
    loop->addWidget(text(QStringLiteral("On"), box));
    loop->addStretch(1);
    side->addLayout(loop);
    side->addStretch(1);
    outer->addLayout(side);
    plainFont(box);
    return box;
}

QGroupBox* MonitorPanels::buildAlarmGroup(QWidget* parent) {
    static constexpr const char* kStTimes[] = {"14", "30", "60", "60", "5", "5", "10", "30", "30"};
    QGroupBox* box = group(QStringLiteral("Alarm channels"), parent);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(3);
    grid->addWidget(text(QStringLiteral("X-Mit Time (2)"), box), 0, 1, 1, 2, Qt::AlignHCenter);
    for (int i = 0; i < remote::link::protocol::AlarmChannelCount; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        QLabel* channel =
            named(text(QString::fromLatin1(remote::link::protocol::AlarmChannelLabels[slot]), box),
                  indexed("EVENTL", i));
        QFont font = channel->font();
        font.setBold(true);
        channel->setFont(font);
        channel->setProperty("keepBold", true);
        setTextColour(channel, 0);
        EVENTL[slot] = channel;
        STIMEV[slot] = display(indexed("STIMEV", i), QStringLiteral("0"), box, kDisplayTextColour,
                               kInputWidth2 + 6);
        STTIME[slot] =
            input(QStringLiteral("STTIME%1").arg(i + 1), QString::fromLatin1(kStTimes[i]), 2, box);
        grid->addWidget(channel, i + 1, 0);
        grid->addWidget(STIMEV[slot], i + 1, 1);
        grid->addWidget(STTIME[slot], i + 1, 2);
    }
    bindDisplay(Display::STIMEV, STIMEV);
    bindInput(Input::STTIME, STTIME, 1); // STTIME1 to STTIME9
    grid->addWidget(FREQSAVE[5], 10, 2);
    grid->setColumnStretch(0, 1);
    plainFont(box);
    return box;
}

QGroupBox* MonitorPanels::buildSwitchGroup(QWidget* parent) {
    static constexpr const char* kTitles[] = {"Alert", "Laser\nN.G", "X-Mit", "Laser\nAlert"};
    QGroupBox* box = group(QStringLiteral("ON / OFF SET"), parent);
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(4);
    for (int i = 0; i < 4; ++i) {
        QLabel* title = text(QString::fromLatin1(kTitles[i]), box);
        title->setAlignment(Qt::AlignCenter);
        grid->addWidget(title, 0, i * 2, 1, 2, Qt::AlignHCenter | Qt::AlignBottom);
        ToggleSwitch* sw = named(new ToggleSwitch(box), indexed("KEYSW", i));
        sw->setAccessibleName(title->text().replace(QLatin1Char('\n'), QLatin1Char(' ')));
        sw->setBackColor(common::toQColor(common::systemColor(common::Window)));
        KEYSW[static_cast<std::size_t>(i)] = sw;
        grid->addWidget(sw, 1, i * 2, 2, 1, Qt::AlignRight);
        grid->addWidget(text(QStringLiteral("ON"), box), 1, i * 2 + 1,
                        Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(text(QStringLiteral("OFF"), box), 2, i * 2 + 1,
                        Qt::AlignLeft | Qt::AlignBottom);
    }
    grid->addWidget(FREQSAVE[7], 1, 8, 2, 1, Qt::AlignVCenter);
    grid->setColumnStretch(9, 1);
    plainFont(box);
    return box;
}

QGroupBox* MonitorPanels::buildReadBackGroup(QWidget* parent) {
    QGroupBox* box = group(QStringLiteral("Settings read back"), parent);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(3);
    int row = 0;

    auto* clock = new QHBoxLayout;
    clock->setSpacing(2);
    static constexpr const char* kUnits[] = {"Y", "M", "D", "H", "M", "S"};
    static constexpr const char* kTimes[] = {"2010", "5", "1", "5", "5", "5"};
    for (int i = 0; i < 6; ++i) {
        TTIME[static_cast<std::size_t>(i)] =
            display(indexed("TTIME", i), QString::fromLatin1(kTimes[i]), box, kDisplayTextColour,
                    i == 0 ? 44 : 26);
        clock->addWidget(TTIME[static_cast<std::size_t>(i)]);
        clock->addWidget(text(QString::fromLatin1(kUnits[i]), box));
    }
    bindDisplay(Display::TTIME, TTIME);
    clock->addStretch(1);
    grid->addLayout(clock, row++, 0, 1, 5);

    const auto pair = [&](const char* caption, QLabel* value) {
        grid->addWidget(text(QString::fromUtf8(caption), box), row, 0);
        grid->addWidget(value, row++, 1);
    };
    SETID = display(QStringLiteral("SETID"), QStringLiteral("QND-"), box, kDisplayTextColour, 110);
    SETID->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    bindDisplay(Display::SETID, SETID);
    pair(" ID Number(6) :", SETID);
    SERIAL =
        display(QStringLiteral("SERIAL"), QStringLiteral("00000000"), box, kDisplayTextColour, 110);
    SERIAL->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    bindDisplay(Display::SERIAL, SERIAL);
    pair("Serial Number :", SERIAL);
    RFXTIME = display(QStringLiteral("RFXTIME"), QStringLiteral("0"), box);
    bindDisplay(Display::RFXTIME, RFXTIME);
    pair("RF X-MIT TIME(2) : ", RFXTIME);

    grid->addWidget(text(QStringLiteral("Laser QZ"), box), row, 1, Qt::AlignHCenter);
    grid->addWidget(text(QStringLiteral("Laser Q (2)"), box), row++, 2, 1, 2, Qt::AlignHCenter);
    LASERQZ1 = display(QStringLiteral("LASERQZ1"), QStringLiteral("0.00"), box);
    LASERQS1 = display(QStringLiteral("LASERQS1"), QStringLiteral("0.00"), box, kQsTextColour);
    LASERQ1 = display(QStringLiteral("LASERQ1"), QStringLiteral("0.0"), box);
    LASERQZ2 = display(QStringLiteral("LASERQZ2"), QStringLiteral("0.00"), box);
    LASERQS2 = display(QStringLiteral("LASERQS2"), QStringLiteral("0.00"), box, kQsTextColour);
    LASERQ2 = display(QStringLiteral("LASERQ2"), QStringLiteral("0.0"), box);
    bindDisplay(Display::LASERQZ1, LASERQZ1);
    bindDisplay(Display::LASERQS1, LASERQS1);
    bindDisplay(Display::LASERQ1, LASERQ1);
    bindDisplay(Display::LASERQZ2, LASERQZ2);
    bindDisplay(Display::LASERQS2, LASERQS2);
    bindDisplay(Display::LASERQ2, LASERQ2);
    const std::array<std::array<QLabel*, 3>, 2> laser{
        {{LASERQZ1, LASERQS1, LASERQ1}, {LASERQZ2, LASERQS2, LASERQ2}}};
    for (int ch = 0; ch < 2; ++ch) {
        grid->addWidget(text(ch == 0 ? QStringLiteral("CH1 :") : QStringLiteral("CH2 :"), box), row,
                        0, Qt::AlignRight);
        for (int c = 0; c < 3; ++c) {
            grid->addWidget(laser[static_cast<std::size_t>(ch)][static_cast<std::size_t>(c)], row,
                            c + 1);
        }
        ++row;
    }
    LASERVV1 = display(QStringLiteral("LASERVV1"), QStringLiteral("0"), box);
    bindDisplay(Display::LASERVV1, LASERVV1);
    pair("Laser Volume CH1(2) :", LASERVV1);
    LASERVV2 = display(QStringLiteral("LASERVV2"), QStringLiteral("0"), box);
    bindDisplay(Display::LASERVV2, LASERVV2);
    pair("Laser Volume CH2(2) :", LASERVV2);
    FREQV = display(QStringLiteral("FREQV"), QStringLiteral("0"), box);
    bindDisplay(Display::FREQV, FREQV);
    pair("RPT Time (2) :", FREQV);
    grid->setColumnStretch(4, 1);
    plainFont(box);
    return box;
}

QGroupBox* MonitorPanels::buildEntryGroup(QWidget* parent) {
    QGroupBox* box = group(QStringLiteral("Settings entry"), parent);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(3);
    int row = 0;
    const auto line = [&](const QString& caption, std::initializer_list<QWidget*> fields,
                          int save) {
        grid->addWidget(text(caption, box), row, 0);
        auto* cells = new QHBoxLayout;
        cells->setSpacing(3);
        for (QWidget* field : fields) {
            cells->addWidget(field);
        }
        cells->addStretch(1);
        grid->addLayout(cells, row, 1);
        grid->addWidget(FREQSAVE[static_cast<std::size_t>(save)], row++, 2);
    };

    static constexpr const char* kUnits[] = {"Y", "M", "D", "H", "M"};
    std::vector<QWidget*> clock;
    for (int i = 0; i < 5; ++i) {
        txtSet1[static_cast<std::size_t>(i)] = input(indexed("txtSet1", i), QString(), 2, box);
        clock.push_back(txtSet1[static_cast<std::size_t>(i)]);
        clock.push_back(text(QString::fromLatin1(kUnits[i]), box));
    }
    bindInput(Input::txtSet1, txtSet1);
    grid->addWidget(text(QStringLiteral("Date / time :"), box), row, 0);
    auto* clockCells = new QHBoxLayout;
    clockCells->setSpacing(3);
    for (QWidget* w : clock) {
        clockCells->addWidget(w);
    }
    clockCells->addStretch(1);
    grid->addLayout(clockCells, row, 1);
    grid->addWidget(FREQSAVE[0], row++, 2);

    IDIN = input(QStringLiteral("IDIN"), QString(), 6, box);
    bindInput(Input::IDIN, IDIN);
    line(QStringLiteral("Set ID Number(6) : "), {text(QStringLiteral("QND-"), box), IDIN}, 1);
    SERIALIN = input(QStringLiteral("SERIALIN"), QString(), 8, box);
    bindInput(Input::SERIALIN, SERIALIN);
    line(QStringLiteral("Set Serial(8) :"), {SERIALIN}, 8);
    XTIME = input(QStringLiteral("XTIME"), QString(), 2, box);
    bindInput(Input::XTIME, XTIME);
    line(QStringLiteral("RF X-MIT TIME(2) : "), {XTIME}, 2);
    LASERCH1 = input(QStringLiteral("LASERCH1"), QStringLiteral("0.5"), 4, box);
    LASERCH2 = input(QStringLiteral("LASERCH2"), QStringLiteral("0.5"), 4, box);
    bindInput(Input::LASERCH1, LASERCH1);
    bindInput(Input::LASERCH2, LASERCH2);
    line(QStringLiteral("Laser Q (2)"),
         {text(QStringLiteral("CH1 :"), box), LASERCH1, text(QStringLiteral("CH2 :"), box),
          LASERCH2},
         3);
    LASERV1 = input(QStringLiteral("LASERV1"), QStringLiteral("60"), 2, box);
    bindInput(Input::LASERV1, LASERV1);
    line(QStringLiteral("Laser Volume CH1(2) :"), {LASERV1}, 4);
    LASERV2 = input(QStringLiteral("LASERV2"), QStringLiteral("60"), 2, box);
    bindInput(Input::LASERV2, LASERV2);
    grid->addWidget(text(QStringLiteral("Laser Volume CH2(2) :"), box), row, 0);
    grid->addWidget(LASERV2, row++, 1);
    FREQSET = input(QStringLiteral("FREQSET"), QStringLiteral("24"), 2, box);
    bindInput(Input::FREQSET, FREQSET);
    line(QStringLiteral("RPT Time (2) :"), {FREQSET}, 6);
    grid->setColumnStretch(1, 1);
    plainFont(box);
    return box;
}

} // namespace remote::startup
