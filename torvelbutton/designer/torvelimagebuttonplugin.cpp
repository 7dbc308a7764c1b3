#include "torvelimagebuttonplugin.h"

#include "torvelbutton/com/toolbox.h"
#include "torvelbutton/model/torvelimagebutton.h"

#include <QIcon>
#include <QPixmap>

TorvelImageButtonPlugin::TorvelImageButtonPlugin(QObject* parent)
    : QObject(parent) {}

QString TorvelImageButtonPlugin::name() const {
    return QStringLiteral("TorvelImageButton");
}

QString TorvelImageButtonPlugin::group() const {
    return QStringLiteral("Buttons");
}

QString TorvelImageButtonPlugin::toolTip() const {
    return QStringLiteral("Image button");
}

QString TorvelImageButtonPlugin::whatsThis() const {
    return QStringLiteral("A button drawn from pictures chosen by its state, framed by a skin.");
}

QString TorvelImageButtonPlugin::includeFile() const {
    return QStringLiteral("torvelbutton/model/torvelimagebutton.h");
}

QIcon TorvelImageButtonPlugin::icon() const {
    return QIcon(QPixmap::fromImage(torvelbutton::typeinfo::toolboxPicture()));
}

bool TorvelImageButtonPlugin::isContainer() const {
    return false;
}

QWidget* TorvelImageButtonPlugin::createWidget(QWidget* parent) {
    auto* button = new TorvelImageButton(parent);
    // A new instance; the form's stored properties are set over these defaults.
    button->initProperties();
    return button;
}

bool TorvelImageButtonPlugin::isInitialized() const {
    return m_initialized;
}

void TorvelImageButtonPlugin::initialize(QDesignerFormEditorInterface*) {
    m_initialized = true;
}

QString TorvelImageButtonPlugin::domXml() const {
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"TorvelImageButton\" name=\"cmdButton\">\n"
                          "  <property name=\"geometry\">\n"
                          "   <rect><x>0</x><y>0</y><width>100</width><height>30</height></rect>\n"
                          "  </property>\n"
                          "  <property name=\"Caption\"><string>cmdButton</string></property>\n"
                          " </widget>\n"
                          "</ui>\n");
}
