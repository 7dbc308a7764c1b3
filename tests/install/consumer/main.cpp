#include <torvelbutton/model/torvelimagebutton.h>

#include <QApplication>
#include <QWidget>

#include <cstdio>

// Places one button on a form as a host does and checks that it took its caption.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget form;
    auto* ok = new TorvelImageButton(&form);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->initProperties();
    ok->setCaption(QStringLiteral("OK"));
    if (ok->caption() != QStringLiteral("OK")) {
        std::puts("caption lost");
        return 1;
    }
    std::puts("consumer ok");
    return 0;
}
