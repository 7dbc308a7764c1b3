// The alpha overlay: the chosen picture painted on the surface and tinted with AlphaColor.
#include "torvelbutton/model/torvelimagebutton.h"

#include "alpha.h"
#include "pictureholder.h"
#include "raster.h"

using namespace torvelbutton;

void TorvelImageButton::BlendPicture() {
    if (m.CurrentPicture.isNull()) {
        return;
    }
    if (!imgTemp->isVisibleTo(this)) {
        imgTemp->move(0, 0); // the picture looks: the picture is the whole face
    }

    int a = 0;
    std::optional<int> percent;
    switch (m.ButtonState) {
    case bNormal:
        percent = m.AlphaNormal;
        break;
    case bDown:
        percent = m.AlphaDown;
        break;
    case bDisable:
        percent = m.AlphaDisable;
        break;
    case bUp:
        percent = m.AlphaUp;
        break;
    default:
        break;
    }
    if (percent) {
        if (*percent == kMaxAlpha) {
            return; // fully opaque: the picture holder keeps showing the picture
        }
        // A percentage loaded out of range gives no alpha: the tint is left at 0.
        a = tintAlpha(*percent).value_or(0);
    }

    const qint32 rgb = OleColorToRgb(m.AlphaColor, 0);
    const QRect area(imgTemp->pos(), imgTemp->size());
    imgTemp->hide();
    m_surface.paintPicture(m.CurrentPicture, area.topLeft());
    if (rgb != -1) {
        // An untranslatable colour would tint with a made-up colour: the picture stays
        // untinted instead.
        const auto plain = static_cast<common::OleColor>(rgb);
        raster::blendConstant(
            m_surface.image(), area,
            qRgb(common::redOf(plain), common::greenOf(plain), common::blueOf(plain)), a);
    }
    DrawFrame(false);
}
