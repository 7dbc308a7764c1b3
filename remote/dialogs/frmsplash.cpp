#include "frmsplash.h"

#include "common/propertybag.h"
#include "remote/controls/progressbar/xp_progressbar.h"
#include "remote/dialogs/screenplacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>

namespace remote::dialogs {

using remote::controls::XP_ProgressBar;

namespace {

// The progress bar as the window's design stores it (keys left out are at their defaults:
// segmented style, horizontal): hatch 0, the window's blue, Min 1 and a stored percent of 9.
void applyDesignedBar(XP_ProgressBar& bar) {
    common::FilePropertyBag design;
    design.writeProperty(QStringLiteral("BrushStyle"), 0);
    design.writeProperty(QStringLiteral("Color"), QVariant::fromValue<uint>(0x006A240A));
    design.writeProperty(QStringLiteral("Min"), 1);
    design.writeProperty(QStringLiteral("Value"), 9);
    bar.readProperties(design);
}

QFont labelFont() {
    QFont font;
    font.setFamilies({QStringLiteral("굴림"), QStringLiteral("Gulim"),
                      QStringLiteral("NanumGothic"), QStringLiteral("DejaVu Sans")});
    font.setPointSize(9);
    font.setBold(true);
    return font;
}

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmSplash")); // the name outside tools find it by
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("MyApp 정보"));
    setFixedSize(kPictureSize);

    Picture1 = new QLabel(this);
    Picture1->setGeometry(QRect(QPoint(0, 0), kPictureSize));
    Picture1->setPixmap(QPixmap::fromImage(drawSplashPicture(kPictureSize)));

    PgBar = new XP_ProgressBar(Picture1);
    PgBar->setGeometry(24, 256, 459, 18);
    applyDesignedBar(*PgBar);

    Label1 = new QLabel(QStringLiteral("The program soon."), Picture1);
    Label1->setGeometry(24, 232, 300, 18);
    lblVersion = new QLabel(QStringLiteral("버전"), Picture1);
    lblVersion->setGeometry(340, 232, 143, 18);
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pnlDevelopment = new QLabel(QStringLiteral("Development: Quendral"), Picture1);
    pnlDevelopment->setGeometry(24, 286, 459, 18);
    for (QLabel* label : {Label1, lblVersion, pnlDevelopment}) {
        label->setFont(labelFont());
        label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    }

    timLoad.setInterval(kLoadInterval);
    tim_exit.setInterval(kExitInterval);
    connect(&timLoad, &QTimer::timeout, this, &frmSplash::timLoad_Timer);
    connect(&tim_exit, &QTimer::timeout, this, &frmSplash::tim_exit_Timer);

    Form_Load();
    centreOnScreen(*this);
}

void frmSplash::Form_Load() {
    timLoad.start();
    setWindowTitle(QApplication::applicationName() + QStringLiteral(" 정보"));
    lblVersion->setText(
        versionLabelText(REMOTE_VERSION_MAJOR, REMOTE_VERSION_MINOR, REMOTE_VERSION_REVISION));
}

QString frmSplash::versionLabelText(int major, int minor, int revision) {
    return QStringLiteral("버전 %1.%2.%3").arg(major).arg(minor).arg(revision);
}

void frmSplash::timLoad_Timer() {
    // The timer keeps running: a tick due before the exit timer fires runs the step again.
    emit loadingStepDue();
    // Enabling a running exit timer must not restart its count: when a loading step takes
    // longer than the gap between the two timers, restarting would postpone the main window
    // for ever.
    if (!tim_exit.isActive()) {
        tim_exit.start();
    }
}

void frmSplash::tim_exit_Timer() {
    stopTimers();
    Unload();
    emit showMainWindow();
}

void frmSplash::stopTimers() {
    timLoad.stop();
    tim_exit.stop();
}

void frmSplash::Unload() {
    m_unloading = true;
    close();
}

void frmSplash::closeEvent(QCloseEvent* event) {
    // Closing the splash by hand would leave the program running with no window; it goes
    // away only when loading is done.
    if (!m_unloading) {
        event->ignore();
        return;
    }
    stopTimers();
    event->accept();
}

QImage frmSplash::drawSplashPicture(const QSize& size) {
    QImage image(size, QImage::Format_RGB888);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0.0, QColor(0x0A, 0x24, 0x6A));
    sky.setColorAt(1.0, QColor(0x10, 0x60, 0x80));
    painter.fillRect(image.rect(), sky);

    // Concentric arcs: a sensor listening.
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size.width() * 0.78, size.height() * 0.36);
    for (int ring = 1; ring <= 4; ++ring) {
        painter.setPen(QPen(QColor(255, 255, 255, 200 - ring * 40), 3));
        const double r = ring * 22.0;
        painter.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
    painter.setBrush(Qt::white);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(centre, 7, 7);

    QFont title(QStringLiteral("DejaVu Sans"), 26, QFont::Bold);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(24, 60, size.width() - 48, 50), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("REMOTE PROGRAM"));
    QFont subtitle(QStringLiteral("DejaVu Sans"), 11);
    painter.setFont(subtitle);
    painter.drawText(QRect(26, 110, size.width() - 48, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Remote monitoring station"));
    return image;
}

} // namespace remote::dialogs
