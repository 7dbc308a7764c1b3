#pragma once

#include "torvelbutton/model/torvelimagebutton_p.h"
#include "torvelbutton/render/pictureclip.h"

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace buttontest {

using Btn = TorvelImageButton;

// The default face colour (system colour 15 of the fixed table).
inline constexpr QRgb kFace = 0xFFECE9D8u;

inline QImage solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A strip of eight 18 x 21 cells whose pixels name where they come from: red = 10 * x,
// green = 10 * y, blue = 30 * cell.
inline QImage coordinateStrip(int cellWidth = 18, int cellHeight = 21) {
    QImage strip(cellWidth * 8, cellHeight, QImage::Format_RGB32);
    for (int k = 0; k < 8; ++k) {
        for (int y = 0; y < cellHeight; ++y) {
            for (int x = 0; x < cellWidth; ++x) {
                strip.setPixel(k * cellWidth + x, y, qRgb(10 * x, 10 * y, 30 * k));
            }
        }
    }
    return strip;
}

// A pixel of the built-in strip's cell.
inline QRgb builtinCellPixel(int cell, int x, int y) {
    return torvelbutton::builtinStrip().pixel(cell * 18 + x, y);
}

struct Source {
    int cell;
    int x;
    int y;
    bool operator==(const Source&) const = default;
};

inline Source sourceOf(QRgb pixel) {
    return {qBlue(pixel) / 30, qRed(pixel) / 10, qGreen(pixel) / 10};
}

inline std::ostream& operator<<(std::ostream& os, const Source& s) {
    return os << "cell " << s.cell << " (" << s.x << ", " << s.y << ")";
}

// A form with a fixed font holding one new button of 100 x 30 named cmdGo.
class HostedButton : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->setFont(QFont("DejaVu Sans", 9));
        button = new TorvelImageButton(host.get());
        button->setObjectName("cmdGo");
        button->resize(100, 30);
        button->initProperties();
    }

    QLabel* lbl() const { return button->findChild<QLabel*>("lbl"); }
    QWidget* imgTemp() const { return button->findChild<QWidget*>("imgTemp"); }
    QRgb at(int x, int y) const { return button->surface().image().pixel(x, y); }
    const torvelbutton::ButtonMembers& m() const { return torvelbutton::buttonMembers(*button); }

    // Change notices given while f runs.
    template <typename F>
    QStringList noticesDuring(F&& f) {
        QStringList keys;
        const auto c = QObject::connect(button, &TorvelImageButton::propertyChanged,
                                        [&keys](const QString& key) { keys << key; });
        f();
        QObject::disconnect(c);
        return keys;
    }

    // Passes of Redraw while f runs, counted through the owner-draw event (owner drawing
    // must be on).
    template <typename F>
    int redrawsDuring(F&& f) {
        int passes = 0;
        const auto c =
            QObject::connect(button, &TorvelImageButton::OwnerDraw,
                             [&passes](QImage*, TorvelImageButton::eBtnState) { ++passes; });
        f();
        QObject::disconnect(c);
        return passes;
    }

    std::unique_ptr<QWidget> host;
    TorvelImageButton* button = nullptr;
};

} // namespace buttontest
