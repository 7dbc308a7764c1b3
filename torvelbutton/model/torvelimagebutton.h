#pragma once

#include "common/olecolorvalue.h"
#include "torvelbutton/buttontypes.h"
#include "torvelbutton/render/controlsurface.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>

class QLabel;
class QMimeData;
class QTimer;

namespace common {
class PropertyBag;
}

/// An image button: a face drawn from pictures chosen by its state, framed by a nine-slice
/// skin cut from an eight-cell strip and tinted per state. Hosts place it, configure it
/// through its properties and keep it in a property bag (initProperties, readProperties,
/// writeProperties). Every change of look ends in Redraw, which draws into a kept surface;
/// the caption label and the picture holder are child widgets over that surface.
class TORVELBUTTON_EXPORT TorvelImageButton : public QWidget {
    Q_OBJECT

public:
    // The enumerations of buttontypes.h, with their values. They are declared again here
    // because moc takes an enumeration's names only from the class body: the meta-object
    // then knows them as this class's, as a form designer shows them and as saved forms
    // name them ("TorvelImageButton::btnOutLine").

    /// The button's state: normal, pressed, disabled, or up (the cursor is over it).
    enum eBtnState : int {
        bNormal = torvelbutton::bNormal,
        bDown = torvelbutton::bDown,
        bDisable = torvelbutton::bDisable,
        bUp = torvelbutton::bUp
    };
    Q_ENUM(eBtnState)
    /// Where the picture (PictureAlignment) or the caption (Alignment) is placed.
    enum eBtnAlignment : int {
        btnAuto = torvelbutton::btnAuto,
        btnLeft = torvelbutton::btnLeft,
        btnRight = torvelbutton::btnRight,
        btnTop = torvelbutton::btnTop,
        btnBottom = torvelbutton::btnBottom,
        btnCenter = torvelbutton::btnCenter
    };
    Q_ENUM(eBtnAlignment)
    /// The look: a plain face, a skin outline, or pictures; the "_In" looks draw a flat frame.
    enum eBtnAttribute : int {
        btnNormal = torvelbutton::btnNormal,
        btnNormal_In = torvelbutton::btnNormal_In,
        btnOutLine = torvelbutton::btnOutLine,
        btnOutLine_In = torvelbutton::btnOutLine_In,
        btnImage = torvelbutton::btnImage,
        btnImage_In = torvelbutton::btnImage_In,
        btnImage_Only = torvelbutton::btnImage_Only
    };
    Q_ENUM(eBtnAttribute)
    /// Whether the button shows the window behind it (and, for Transparent_IN, a frame).
    enum eTransparent : int {
        None_Transparent = torvelbutton::None_Transparent,
        Transparent = torvelbutton::Transparent,
        Transparent_IN = torvelbutton::Transparent_IN
    };
    Q_ENUM(eTransparent)
    /// Whether a click checks the button (btnChecked) or selects it in its group (btnOption).
    enum eChecked : int {
        Not_Used = torvelbutton::Not_Used,
        btnChecked = torvelbutton::btnChecked,
        btnOption = torvelbutton::btnOption
    };
    Q_ENUM(eChecked)

    /// The eight-cell skin strip; a null image uses the built-in strip.
    Q_PROPERTY(QImage ImageList READ imageList WRITE setImageList)
    /// The picture of the normal state.
    Q_PROPERTY(QImage Picture READ picture WRITE setPicture)
    /// The picture while the cursor is over the button.
    Q_PROPERTY(QImage PictureOVER READ pictureOVER WRITE setPictureOVER)
    /// The picture while the button is pressed.
    Q_PROPERTY(QImage PictureDOWN READ pictureDOWN WRITE setPictureDOWN)
    /// The picture while the button is checked.
    Q_PROPERTY(QImage PictureChecked READ pictureChecked WRITE setPictureChecked)
    /// The picture while the button is the selected one of its option group.
    Q_PROPERTY(QImage PictureSelected READ pictureSelected WRITE setPictureSelected)
    /// Whether the button is the selected one of its option group (not stored).
    Q_PROPERTY(bool ButtonSelected READ isButtonSelected WRITE setButtonSelected STORED false)
    /// How a click checks the button: not at all, as a check button or as an option.
    Q_PROPERTY(eChecked CheckOption READ checkOption WRITE setCheckOption)
    /// Whether the button is checked.
    Q_PROPERTY(bool Value READ value WRITE setValue)
    /// The caption colour (a colour value or a system colour).
    Q_PROPERTY(uint ForeColor READ foreColor WRITE setForeColor)
    /// The face colour (a colour value or a system colour).
    Q_PROPERTY(uint BackColor READ backColor WRITE setBackColor)
    /// Pixels between the picture and the caption.
    Q_PROPERTY(int Gap READ gap WRITE setGap)
    /// Pixels the caption is moved right.
    Q_PROPERTY(int CaptionOffsetX READ captionOffsetX WRITE setCaptionOffsetX)
    /// Pixels the caption is moved down.
    Q_PROPERTY(int CaptionOffsetY READ captionOffsetY WRITE setCaptionOffsetY)
    /// Pixels the picture is moved right.
    Q_PROPERTY(int PictureOffsetX READ pictureOffsetX WRITE setPictureOffsetX)
    /// Pixels the picture is moved down.
    Q_PROPERTY(int PictureOffsetY READ pictureOffsetY WRITE setPictureOffsetY)
    /// Where the picture is placed.
    Q_PROPERTY(eBtnAlignment PictureAlignment READ pictureAlignment WRITE setPictureAlignment)
    /// Where the caption is placed.
    Q_PROPERTY(eBtnAlignment Alignment READ alignment WRITE setAlignment)
    /// The look of the button.
    Q_PROPERTY(eBtnAttribute ButtonAttrib READ buttonAttrib WRITE setButtonAttrib)
    /// Whether the button shows the window behind it.
    Q_PROPERTY(eTransparent ButtonTransparent READ buttonTransparent WRITE setButtonTransparent)
    /// The button's own enabled state.
    Q_PROPERTY(bool Enabled READ isButtonEnabled WRITE setButtonEnabled)
    /// The caption; an "&" marks the access key.
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    /// The caption while the button is checked; empty: the caption.
    Q_PROPERTY(QString CaptionChecked READ captionChecked WRITE setCaptionChecked)
    /// The caption font.
    Q_PROPERTY(QFont Font READ buttonFont WRITE setButtonFont)
    /// Whether Enter on the form clicks the button.
    Q_PROPERTY(bool Default READ isDefault WRITE setDefault)
    /// Whether Esc on the form clicks the button.
    Q_PROPERTY(bool Cancel READ isCancel WRITE setCancel)
    /// Whether the host draws the face (the OwnerDraw signal) instead of Redraw.
    Q_PROPERTY(bool OwnerDraw READ isOwnerDraw WRITE setOwnerDraw)
    /// Percent of the picture drawn over the face in the normal state.
    Q_PROPERTY(int AlphaNormal READ alphaNormal WRITE setAlphaNormal)
    /// Percent of the picture drawn while the cursor is over the button.
    Q_PROPERTY(int AlphaUp READ alphaUp WRITE setAlphaUp)
    /// Percent of the picture drawn while the button is pressed.
    Q_PROPERTY(int AlphaDown READ alphaDown WRITE setAlphaDown)
    /// Percent of the picture drawn while the button is disabled.
    Q_PROPERTY(int AlphaDisable READ alphaDisable WRITE setAlphaDisable)
    /// The colour the pictures are blended with.
    Q_PROPERTY(uint AlphaColor READ alphaColor WRITE setAlphaColor)
    /// Pixels of the skin border in the normal state.
    Q_PROPERTY(int ImgOutLineSize READ imgOutLineSize WRITE setImgOutLineSize)
    /// Pixels of the skin border while the cursor is over the button.
    Q_PROPERTY(int ImgUpOutLineSize READ imgUpOutLineSize WRITE setImgUpOutLineSize)
    /// Pixels of the skin border while the button is pressed.
    Q_PROPERTY(int ImgDownOutLineSize READ imgDownOutLineSize WRITE setImgDownOutLineSize)
    /// Pixels of the skin border while the button is disabled.
    Q_PROPERTY(int ImgDisableOutLineSize READ imgDisableOutLineSize WRITE setImgDisableOutLineSize)
    /// The width of one cell of the skin strip, in pixels.
    Q_PROPERTY(int ImageListWidth READ imageListWidth WRITE setImageListWidth)
    /// The height of the skin strip, in pixels.
    Q_PROPERTY(int ImageListHeight READ imageListHeight WRITE setImageListHeight)
    /// The mouse-pointer code: 0 default, 1 to 15 standard pointers, 99 custom.
    Q_PROPERTY(int MousePointer READ mousePointer WRITE setMousePointer)

    // The state of one instance and its children, defined in the library's internal
    // header (torvelimagebutton_p.h), so that the binary interface does not change with it.
    struct Private;

    /// A button with the fixed defaults; a host then runs initProperties or readProperties.
    explicit TorvelImageButton(QWidget* parent = nullptr);
    ~TorvelImageButton() override;

    /// @name Host procedures
    /// A newly placed instance, one read from the host's store, and the store's copy of
    /// this instance.
    ///@{

    /// Gives a newly placed button the defaults of a new instance (its caption is its name).
    void initProperties();
    /// Reads every property from the host's store; keys never stored take their defaults.
    void readProperties(const common::PropertyBag& bag);
    /// Writes every property to the host's store, leaving out the values equal to defaults.
    void writeProperties(common::PropertyBag& bag) const;
    ///@}

    /// @name Pictures
    /// Shared by reference; a null image is "nothing".
    ///@{

    /// The property of the same name (getter and setter alike).
    QImage imageList() const;
    void setImageList(const QImage& picture);
    QImage picture() const;
    void setPicture(const QImage& picture);
    QImage pictureOVER() const;
    void setPictureOVER(const QImage& picture);
    QImage pictureDOWN() const;
    void setPictureDOWN(const QImage& picture);
    QImage pictureChecked() const;
    void setPictureChecked(const QImage& picture);
    QImage pictureSelected() const;
    void setPictureSelected(const QImage& picture);
    ///@}

    /// @name Check and option behaviour
    ///@{

    /// The property of the same name (getter and setter alike).
    bool isButtonSelected() const;
    void setButtonSelected(bool selected);
    eChecked checkOption() const;
    void setCheckOption(eChecked option);
    bool value() const;
    void setValue(bool value);
    ///@}

    /// @name Colours
    /// Colour values 0x00BBGGRR, or system colours (top bit set).
    ///@{

    /// The property of the same name (getter and setter alike).
    common::OleColor foreColor() const;
    void setForeColor(common::OleColor color);
    common::OleColor backColor() const;
    void setBackColor(common::OleColor color);
    common::OleColor alphaColor() const;
    void setAlphaColor(common::OleColor color);
    ///@}

    /// @name 16-bit properties
    /// A number outside -32768..32767 fails with false and changes nothing (no change
    /// notice). The ranged ones also answer false for a value out of their range; it changes
    /// nothing, but the change notice is still given.
    ///@{

    /// The property of the same name; a setter answers whether the value was taken.
    int gap() const;
    bool setGap(int gap);
    int captionOffsetX() const;
    bool setCaptionOffsetX(int offset);
    int captionOffsetY() const;
    bool setCaptionOffsetY(int offset);
    int pictureOffsetX() const;
    bool setPictureOffsetX(int offset);
    int pictureOffsetY() const;
    bool setPictureOffsetY(int offset);
    int alphaNormal() const;
    bool setAlphaNormal(int alpha);
    int alphaUp() const;
    bool setAlphaUp(int alpha);
    int alphaDown() const;
    bool setAlphaDown(int alpha);
    int alphaDisable() const;
    bool setAlphaDisable(int alpha);
    int imgOutLineSize() const;
    bool setImgOutLineSize(int size);
    int imgUpOutLineSize() const;
    bool setImgUpOutLineSize(int size);
    int imgDownOutLineSize() const;
    bool setImgDownOutLineSize(int size);
    int imgDisableOutLineSize() const;
    bool setImgDisableOutLineSize(int size);
    int imageListWidth() const;
    bool setImageListWidth(int width);
    int imageListHeight() const;
    bool setImageListHeight(int height);
    ///@}

    /// @name Mouse pointer
    ///@{

    /// The control window's mouse-pointer code: 0 the default pointer, 1..15 the standard
    /// pointers, 99 custom. Another code, or one outside 16 bits, is refused with false.
    int mousePointer() const;
    bool setMousePointer(int code);
    ///@}

    /// @name Layout and look
    ///@{

    /// The property of the same name (getter and setter alike).
    eBtnAlignment pictureAlignment() const;
    void setPictureAlignment(eBtnAlignment alignment);
    eBtnAlignment alignment() const;
    void setAlignment(eBtnAlignment alignment);
    eBtnAttribute buttonAttrib() const;
    void setButtonAttrib(eBtnAttribute attrib);
    eTransparent buttonTransparent() const;
    void setButtonTransparent(eTransparent transparent);
    ///@}

    /// @name Enabled state
    ///@{

    /// The control window's own enabled state (a disabled parent does not change it).
    bool isButtonEnabled() const;
    void setButtonEnabled(bool enabled);
    ///@}

    /// @name Captions and font
    ///@{

    /// The property of the same name (getter and setter alike).
    QString caption() const;
    void setCaption(const QString& caption);
    QString captionChecked() const;
    void setCaptionChecked(const QString& caption);
    QFont buttonFont() const;
    void setButtonFont(const QFont& font);
    ///@}

    /// @name Form behaviour
    ///@{

    /// The property of the same name (getter and setter alike).
    bool isDefault() const;
    void setDefault(bool isDefault);
    bool isCancel() const;
    void setCancel(bool isCancel);
    bool isOwnerDraw() const;
    void setOwnerDraw(bool ownerDraw);
    ///@}

    /// Looks at the window behind a see-through button again, then redraws.
    Q_INVOKABLE void Refresh();
    /// Unchecks the button: Value becomes false.
    Q_INVOKABLE void CheckedDisable();

    /// The control window's handle: an identifier of the window, fixed for its life.
    qint64 hWnd() const;
    /// The option group this button belongs to: the handle of its container when the
    /// container is a control of the form, or -1 when it is the form itself. Pending events
    /// are processed before -1 is returned, so handlers can run inside.
    Q_INVOKABLE qint64 ReturnContanerHwnd();

    /// The container's access keys: 13 (Enter) raises Click on a Default button, 27 (Esc) on
    /// a Cancel button; nothing else changes. The button also takes Enter and Esc that no
    /// other control of its window has used.
    Q_INVOKABLE void AccessKeyPress(int KeyCode);
    /// The container tells that one of its ambient properties changed: "DisplayAsDefault"
    /// (read from the button's dynamic property of that name) or the display name (the
    /// object name). Setting the dynamic property or the object name runs it by itself.
    Q_INVOKABLE void AmbientChanged(const QString& PropertyName);

    /// Sets the state; the interaction rules move it. Setting it draws nothing by itself.
    void setButtonState(eBtnState state);

    /// Repaints the whole face from the present state. It reports no failures: a step
    /// that cannot be done is skipped.
    void Redraw();

    /// The kept drawing surface the face is drawn on.
    const torvelbutton::ControlSurface& surface() const;

    /// The size hosts see, in twips (15 to a pixel).
    QSize outerSizeTwips() const;

signals:
    /// The change notice: the host marks its stored copy of `key` out of date.
    void propertyChanged(const QString& key);

    /// Raised by Redraw instead of painting while OwnerDraw is true: the handler draws the
    /// face onto hdc (the cleared surface) for the given state.
    void OwnerDraw(QImage* hdc, TorvelImageButton::eBtnState ButtonState);

    /// @name The host's events
    /// Parameters passed by reference may be changed by a handler. Button: 1 left,
    /// 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4 Alt; X and Y in client pixels.
    ///@{

    /// The button was clicked (with the mouse, or by an access key).
    void Click();
    /// A double click on the button.
    void DblClick();
    /// The cursor left the button.
    void MouseExit();
    /// The mouse moved over the button.
    void MouseMove(short& Button, short& Shift, float& X, float& Y);
    /// A mouse button was released.
    void MouseUp(short& Button, short& Shift, float& X, float& Y);
    /// A mouse button was pressed.
    void MouseDown(short& Button, short& Shift, float& X, float& Y);
    /// A key went down while the button had the focus.
    void KeyDown(short& KeyCode, short& Shift);
    /// A character was typed while the button had the focus.
    void KeyPress(short& KeyAscii);
    /// A key went up while the button had the focus.
    void KeyUp(short& KeyCode, short& Shift);
    ///@}

    /// @name Drag and drop
    /// Passed through. State of OLEDragOver: 0 enter, 1 leave, 2 over. Effect: 0 none,
    /// 1 copy, 2 move; a handler sets it to accept a drop.
    ///@{

    /// The drag event of the same name.
    void OLECompleteDrag(qint32& Effect);
    void OLEDragOver(const QMimeData*& Data, qint32& Effect, short& Button, short& Shift, float& X,
                     float& Y, short& State);
    void OLEDragDrop(const QMimeData*& Data, qint32& Effect, short& Button, short& Shift, float& X,
                     float& Y);
    void OLEGiveFeedback(qint32& Effect, bool& DefaultCursors);
    void OLESetData(const QMimeData*& Data, short& DataFormat);
    void OLEStartDrag(const QMimeData*& Data, qint32& AllowedEffects);
    ///@}

protected:
    /// @name Qt event handlers
    ///@{

    /// Qt's handler of the same name, overridden for the button's behaviour.
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    ///@}

private:
    // Helpers of the library's own sources: not part of the binary interface.
    TORVELBUTTON_NO_EXPORT void notify(QLatin1StringView key);
    TORVELBUTTON_NO_EXPORT void redrawIfPainted();
    TORVELBUTTON_NO_EXPORT bool setRangedInt16(qint16& member, int value, int low, int high,
                                               QLatin1StringView key);
    TORVELBUTTON_NO_EXPORT bool setPlainInt16(qint16& member, int value, QLatin1StringView key);
    TORVELBUTTON_NO_EXPORT void applyMousePointer(qint16 code);
    TORVELBUTTON_NO_EXPORT void applyButtonFont(const QFont& font);
    TORVELBUTTON_NO_EXPORT void setLabelForeColor();

    TORVELBUTTON_NO_EXPORT QString ambientDisplayName() const;
    TORVELBUTTON_NO_EXPORT QFont ambientFont() const;
    TORVELBUTTON_NO_EXPORT void setLabelText(const QString& text);
    TORVELBUTTON_NO_EXPORT void settleLook();
    TORVELBUTTON_NO_EXPORT void DrawFrame(bool clearFirst);
    TORVELBUTTON_NO_EXPORT void BlendPicture();
    TORVELBUTTON_NO_EXPORT void redrawWithoutPicture();
    TORVELBUTTON_NO_EXPORT void syncSurfaceSize();
    TORVELBUTTON_NO_EXPORT void setOuterSize(const QSize& pixels);
    TORVELBUTTON_NO_EXPORT void CaptureBackground(bool recheck);
    TORVELBUTTON_NO_EXPORT bool IsTopLevelClass(const QWidget* w) const;
    TORVELBUTTON_NO_EXPORT void RecordPlacement(const QWidget* w);
    TORVELBUTTON_NO_EXPORT QImage CaptureWindow(QWidget* w, const QRect& area) const;
    TORVELBUTTON_NO_EXPORT void drawSkinCell(qint16 cell);
    TORVELBUTTON_NO_EXPORT void Timer2_Timer();
    TORVELBUTTON_NO_EXPORT void Timer1_Timer();

    TORVELBUTTON_NO_EXPORT QPoint cursorPoint() const;
    TORVELBUTTON_NO_EXPORT bool isInside(QPoint p) const;
    TORVELBUTTON_NO_EXPORT void pressRule(short button, short shift);
    TORVELBUTTON_NO_EXPORT void moveRule(short button, short shift);
    TORVELBUTTON_NO_EXPORT void releaseRule(short button, short shift);
    TORVELBUTTON_NO_EXPORT void SelectOption();
    TORVELBUTTON_NO_EXPORT void captionFollowRule();
    TORVELBUTTON_NO_EXPORT void endRule();
    TORVELBUTTON_NO_EXPORT void watchForm();

    std::unique_ptr<Private> d;
};
