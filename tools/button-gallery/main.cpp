// A host form for the image button: every ButtonAttrib look in every state, with and
// without pictures, a check group, an option group and a see-through button over the
// form's picture. The form is saved through the property store and built again from what
// was saved before it is shown, so what you see is the reloaded form.
//
// Usage: button-gallery [--screenshot <file.png>] [--form <folder>]
//   --screenshot  draws the form off screen into a PNG file and exits
//   --form        where the form is saved (default: a temporary folder)
#include "common/propertybag.h"
#include "torvelbutton/model/torvelimagebutton.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <array>
#include <memory>

namespace {

using Btn = TorvelImageButton;

constexpr int kCellWidth = 96;    // pixels per column
constexpr int kCellHeight = 40;   // pixels per row
constexpr int kLabelWidth = 104;  // pixels of row captions
constexpr int kHeaderHeight = 24; // pixels
constexpr QSize kButtonSize(88, 30);
constexpr QSize kPictureSize(84, 30);

struct Look {
    Btn::eBtnAttribute attrib;
    const char* name;
};
constexpr std::array<Look, 7> kLooks = {{{Btn::btnNormal, "btnNormal"},
                                         {Btn::btnNormal_In, "btnNormal_In"},
                                         {Btn::btnOutLine, "btnOutLine"},
                                         {Btn::btnOutLine_In, "btnOutLine_In"},
                                         {Btn::btnImage, "btnImage"},
                                         {Btn::btnImage_In, "btnImage_In"},
                                         {Btn::btnImage_Only, "btnImage_Only"}}};

enum class Shown { Normal, Hover, Pressed, Checked, Disabled, NoPicture };
constexpr std::array<std::pair<Shown, const char*>, 6> kColumns = {
    {{Shown::Normal, "normal"},
     {Shown::Hover, "hover"},
     {Shown::Pressed, "pressed"},
     {Shown::Checked, "checked"},
     {Shown::Disabled, "disabled"},
     {Shown::NoPicture, "no picture"}}};

QImage icon(QRgb colour) {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(colour));
    p.setPen(QColor(colour).darker(150));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(4.5, 4, 4, 4));
    return image;
}

// A picture for the picture looks: a rounded face with a light band.
QImage face(QColor top, QColor bottom) {
    QImage image(kPictureSize, QImage::Format_RGB32);
    image.fill(QColor(236, 233, 216));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, kPictureSize.height());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    QPainterPath path;
    path.addRoundedRect(QRectF(0.5, 0.5, kPictureSize.width() - 1, kPictureSize.height() - 1), 7,
                        7);
    p.fillPath(path, g);
    p.setPen(bottom.darker(140));
    p.drawPath(path);
    return image;
}

// The form: a picture on its right side, under the see-through button.
class GalleryForm : public QWidget {
public:
    static constexpr QRect kPictureArea{kLabelWidth + 6 * kCellWidth + 16, kHeaderHeight, 190,
                                        8 * kCellHeight};

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        QLinearGradient sky(kPictureArea.topLeft(), kPictureArea.bottomLeft());
        sky.setColorAt(0, QColor(70, 130, 200));
        sky.setColorAt(0.6, QColor(200, 225, 245));
        sky.setColorAt(0.61, QColor(90, 150, 70));
        sky.setColorAt(1, QColor(40, 100, 40));
        p.fillRect(kPictureArea, sky);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(250, 210, 60));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(kPictureArea.left() + 140, kPictureArea.top() + 50), 22, 22);
    }
};

struct Placed {
    QString name;
    QRect geometry;
};

// Builds the form's buttons as a designer would: new instances with their properties set.
void populate(QWidget* form, QList<Placed>& placed) {
    auto add = [&](const QString& name, const QRect& geometry) {
        auto* b = new Btn(form);
        b->setObjectName(name);
        b->setGeometry(geometry);
        b->initProperties();
        placed << Placed{name, geometry};
        return b;
    };
    for (int row = 0; row < int(kLooks.size()); ++row) {
        const Look look = kLooks[row];
        const bool pictureLook = look.attrib >= Btn::btnImage;
        for (int col = 0; col < int(kColumns.size()); ++col) {
            const Shown shown = kColumns[col].first;
            if (pictureLook && shown == Shown::NoPicture) {
                continue; // the picture looks are their picture
            }
            const QRect geometry(
                QPoint(kLabelWidth + col * kCellWidth, kHeaderHeight + row * kCellHeight + 4),
                kButtonSize);
            Btn* b = add(QStringLiteral("cmd%1_%2").arg(row).arg(col), geometry);
            b->setButtonAttrib(look.attrib);
            b->setCaption(pictureLook ? QStringLiteral("Go") : QStringLiteral("Button"));
            b->setCaptionChecked(QStringLiteral("Checked"));
            if (pictureLook) {
                b->setPicture(face(QColor(120, 170, 230), QColor(40, 90, 170)));
                b->setPictureOVER(face(QColor(150, 200, 250), QColor(60, 120, 200)));
                b->setPictureDOWN(face(QColor(40, 90, 170), QColor(120, 170, 230)));
                b->setPictureChecked(face(QColor(140, 210, 140), QColor(40, 130, 60)));
                b->setForeColor(0x00FFFFFF);
            } else if (shown != Shown::NoPicture) {
                b->setPicture(icon(qRgb(60, 120, 220)));
                b->setPictureOVER(icon(qRgb(240, 150, 40)));
                b->setPictureDOWN(icon(qRgb(200, 60, 60)));
                b->setPictureChecked(icon(qRgb(60, 170, 80)));
            }
            b->setAlphaNormal(100);
            if (shown == Shown::Checked) {
                b->setCheckOption(Btn::btnChecked);
                b->setValue(true);
            }
            if (shown == Shown::Disabled) {
                b->setButtonEnabled(false);
            }
        }
    }
    // Check and option groups on the last row.
    const int y = kHeaderHeight + int(kLooks.size()) * kCellHeight + 4;
    for (int i = 0; i < 2; ++i) {
        Btn* b = add(QStringLiteral("chkGroup%1").arg(i),
                     QRect(QPoint(kLabelWidth + i * kCellWidth, y), kButtonSize));
        b->setCheckOption(Btn::btnChecked);
        b->setCaption(QStringLiteral("Check %1").arg(i + 1));
        b->setCaptionChecked(QStringLiteral("Checked %1").arg(i + 1));
        b->setValue(i == 0);
    }
    for (int i = 0; i < 3; ++i) {
        Btn* b = add(QStringLiteral("optGroup%1").arg(i),
                     QRect(QPoint(kLabelWidth + (2 + i) * kCellWidth, y), kButtonSize));
        b->setCheckOption(Btn::btnOption);
        b->setButtonAttrib(Btn::btnOutLine);
        b->setCaption(QStringLiteral("Option %1").arg(i + 1));
        b->setValue(i == 1);
    }
    // See-through buttons over the form's picture.
    const QRect area = GalleryForm::kPictureArea;
    for (int i = 0; i < 2; ++i) {
        Btn* b = add(QStringLiteral("cmdSee%1").arg(i),
                     QRect(area.left() + 40, area.top() + 120 + i * 60, 110, 34));
        b->setCaption(i == 0 ? QStringLiteral("See-through") : QStringLiteral("Hot only"));
        b->setForeColor(0x00FFFFFF);
        b->setButtonTransparent(i == 0 ? Btn::Transparent : Btn::Transparent_IN);
    }
}

// The run-time looks a host shows by moving the state: hover and pressed.
void showStates(QWidget* form) {
    for (int row = 0; row < int(kLooks.size()); ++row) {
        for (int col = 0; col < int(kColumns.size()); ++col) {
            auto* b = form->findChild<Btn*>(QStringLiteral("cmd%1_%2").arg(row).arg(col));
            if (!b) {
                continue;
            }
            if (kColumns[col].first == Shown::Hover) {
                b->setButtonState(Btn::bUp);
            } else if (kColumns[col].first == Shown::Pressed) {
                b->setButtonState(Btn::bDown);
            }
            b->Redraw();
        }
    }
    auto* hot = form->findChild<Btn*>(QStringLiteral("cmdSee1"));
    if (hot) {
        hot->setButtonState(Btn::bUp);
        hot->Redraw();
    }
}

void addLabels(QWidget* form) {
    for (int col = 0; col < int(kColumns.size()); ++col) {
        auto* l = new QLabel(QString::fromLatin1(kColumns[col].second), form);
        l->setGeometry(kLabelWidth + col * kCellWidth, 2, kButtonSize.width(), kHeaderHeight - 4);
        l->setAlignment(Qt::AlignCenter);
    }
    for (int row = 0; row < int(kLooks.size()); ++row) {
        auto* l = new QLabel(QString::fromLatin1(kLooks[row].name), form);
        l->setGeometry(6, kHeaderHeight + row * kCellHeight + 4, kLabelWidth - 10, 30);
    }
    auto* groups = new QLabel(QStringLiteral("groups"), form);
    groups->setGeometry(6, kHeaderHeight + int(kLooks.size()) * kCellHeight + 4, kLabelWidth - 10,
                        30);
}

std::unique_ptr<GalleryForm> makeForm() {
    auto form = std::make_unique<GalleryForm>();
    form->setWindowTitle(QStringLiteral("Image button gallery"));
    form->setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    form->setFixedSize(GalleryForm::kPictureArea.right() + 12,
                       kHeaderHeight + (int(kLooks.size()) + 1) * kCellHeight + 16);
    return form;
}

bool save(QWidget* form, const QList<Placed>& placed, const QString& folder, QString* error) {
    QDir().mkpath(folder);
    QStringList order;
    for (const Placed& p : placed) {
        auto* b = form->findChild<Btn*>(p.name);
        common::FilePropertyBag bag;
        b->writeProperties(bag);
        // The host's own keys beside the control's: where the button sits.
        bag.writeProperty(QStringLiteral("HostGeometry"), b->geometry());
        if (!bag.save(QDir(folder).filePath(p.name + QStringLiteral(".bag")), error)) {
            return false;
        }
        order << p.name;
    }
    QFile index(QDir(folder).filePath(QStringLiteral("form.txt")));
    if (!index.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = index.errorString();
        return false;
    }
    index.write(order.join(QLatin1Char('\n')).toUtf8());
    return true;
}

bool load(QWidget* form, const QString& folder, QString* error) {
    QFile index(QDir(folder).filePath(QStringLiteral("form.txt")));
    if (!index.open(QIODevice::ReadOnly)) {
        *error = index.errorString();
        return false;
    }
    const QStringList names = QString::fromUtf8(index.readAll()).split(QLatin1Char('\n'));
    for (const QString& name : names) {
        const auto bag = common::FilePropertyBag::load(
            QDir(folder).filePath(name + QStringLiteral(".bag")), error);
        if (!bag) {
            return false;
        }
        auto* b = new Btn(form);
        b->setObjectName(name);
        b->setGeometry(bag->readProperty(QStringLiteral("HostGeometry"), QRect()).toRect());
        b->readProperties(*bag);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool offscreen = false;
    for (int i = 1; i < argc; ++i) {
        offscreen = offscreen || QByteArray(argv[i]) == "--screenshot";
    }
    if (offscreen && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Write the form to <file.png> and exit."),
                                        QStringLiteral("file.png"));
    const QCommandLineOption formFolder(QStringLiteral("form"),
                                        QStringLiteral("Save the form into <folder>."),
                                        QStringLiteral("folder"));
    parser.addOption(screenshot);
    parser.addOption(formFolder);
    parser.process(app);

    QTemporaryDir temporary;
    const QString folder =
        parser.isSet(formFolder) ? parser.value(formFolder) : temporary.filePath("form");
    QTextStream err(stderr);
    QString error;
    {
        auto designed = makeForm();
        QList<Placed> placed;
        populate(designed.get(), placed);
        if (!save(designed.get(), placed, folder, &error)) {
            err << "button-gallery: cannot save the form: " << error << Qt::endl;
            return 1;
        }
    }
    auto form = makeForm();
    addLabels(form.get());
    if (!load(form.get(), folder, &error)) {
        err << "button-gallery: cannot load the form: " << error << Qt::endl;
        return 1;
    }
    form->show();
    showStates(form.get());

    if (parser.isSet(screenshot)) {
        // Let the see-through watch take its first look before the picture is taken.
        QTimer::singleShot(400, &app, &QCoreApplication::quit);
        app.exec();
        const QImage shot = form->grab().toImage();
        if (!shot.save(parser.value(screenshot))) {
            err << "button-gallery: cannot write " << parser.value(screenshot) << Qt::endl;
            return 1;
        }
        return 0;
    }
    return app.exec();
}
