#include "frmsecurity.h"

#include "messagesink.h"
#include "screenplacement.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace remote::dialogs {

namespace {

constexpr QRgb kBack = 0xFFD9D9CA; // the dialogs' back colour 0x00CAD9D9

QLabel* panel(const QString& text, QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setObjectName(name);
    label->setAccessibleName(text);
    label->setAccessibleDescription(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Raised);
    label->setLineWidth(2);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumHeight(26);
    return label;
}

} // namespace

frmSecurity::frmSecurity(MessageSink& messages, QList<QPointer<QWidget>> saveButtons,
                         QWidget* parent)
    : QDialog(parent)
    , m_messages(messages)
    , m_saveButtons(std::move(saveButtons)) {
    setObjectName(QStringLiteral("frmSecurity"));
    setWindowTitle(QString::fromUtf8(kCaption));
    QPalette back = palette();
    back.setColor(QPalette::Window, QColor::fromRgb(kBack));
    setPalette(back);
    setAutoFillBackground(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    SSPanel1 = panel(QStringLiteral("사용자 이름"), this, QStringLiteral("SSPanel1"));
    SSPanel2 = panel(QString(), this, QStringLiteral("SSPanel2"));
    SSPanel5 = panel(QStringLiteral("패스워드"), this, QStringLiteral("SSPanel5"));
    NewPass = new QLineEdit(this);
    NewPass->setObjectName(QStringLiteral("NewPass"));
    NewPass->setAccessibleDescription(QStringLiteral("NewPass"));
    NewPass->setAccessibleName(QStringLiteral("패스워드"));
    NewPass->setEchoMode(QLineEdit::Password);
    NewPass->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
    Label1 = new QLabel(this);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleDescription(QStringLiteral("Label1"));
    Label1->setMinimumHeight(20);
    grid->addWidget(SSPanel1, 0, 0);
    grid->addWidget(SSPanel2, 0, 1);
    grid->addWidget(SSPanel5, 1, 0);
    grid->addWidget(NewPass, 1, 1);
    grid->addWidget(Label1, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, 90);
    grid->setColumnMinimumWidth(1, 160);

    cmdOK = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                            QStringLiteral("확인(&O)"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setAccessibleDescription(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                QStringLiteral("취소(&C)"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAccessibleDescription(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(cmdOK, &QPushButton::clicked, this, &frmSecurity::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSecurity::cmdCancel_Click);
    connect(NewPass, &QLineEdit::textChanged, this, &frmSecurity::NewPass_Change);
    Form_Load();
}

bool frmSecurity::accepts(const QString& code) {
    return code == QLatin1String("KT48260") || code == QLatin1String("kt48260");
}

void frmSecurity::Form_Load() {
    adjustSize();
    centreOnScreen(*this);
    guarded(kErrorTitle, [this] {
        SSPanel2->setText(QString::fromLatin1(kCompany));
        SSPanel2->setAccessibleName(SSPanel2->text());
        // The company name stands out: bold on the raised panel.
        QFont font = SSPanel2->font();
        font.setBold(true);
        SSPanel2->setFont(font);
    });
}

void frmSecurity::cmdOK_Click() {
    guarded(kErrorTitle, [this] {
        if (!accepts(NewPass->text())) {
            Label1->setText(QString::fromUtf8(kPrompt));
            Label1->setAccessibleName(Label1->text());
            return;
        }
        // Every button still there is enabled; a missing one is reported and the dialog
        // stays open, so the operator is not told the saves are free when one is not.
        int missing = 0;
        for (const QPointer<QWidget>& button : m_saveButtons) {
            if (button) {
                button->setEnabled(true);
            } else {
                ++missing;
            }
        }
        if (missing > 0) {
            throw HandlerError{kControlGone,
                               QStringLiteral("%1 save button(s) no longer exist.").arg(missing)};
        }
        accept();
    });
}

void frmSecurity::NewPass_Change() {
    guarded(kErrorTitle, [this] {
        Label1->clear();
        Label1->setAccessibleName(QString());
    });
}

void frmSecurity::cmdCancel_Click() {
    guarded(kCancelErrorTitle, [this] { reject(); });
}

void frmSecurity::guarded(const char* title, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const HandlerError& e) {
        m_messages.critical(e.description, QString::fromUtf8(title) + QString::number(e.number));
    }
}

} // namespace remote::dialogs
