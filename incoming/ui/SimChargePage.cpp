#include "incoming/ui/SimChargePage.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "device/KylixSMS.h"
#include "incoming/IncomingTexts.h"
#include "incoming/ui/DeviceHold.h"
#include "incoming/ui/TFormUSSD.h"
#include "shell/ui/Modal.h"
#include "shell/ui/Pictures.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/WidgetNames.h"

namespace {
// The keys in their rows; "*" and "#" carry pictures, as on a phone.
const char* const kKeys[12] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "*", "#"};

// The small picture of a sign key: the sign white on a dark disc.
QPixmap keyPicture(const QString& sign) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(70, 70, 110));
    p.setPen(Qt::NoPen);
    p.drawEllipse(pixmap.rect().adjusted(1, 1, -1, -1));
    QFont font = p.font();
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(pixmap.rect(), Qt::AlignCenter, sign);
    return pixmap;
}
} // namespace

SimChargePage::SimChargePage(ShellContext& shell, TFormUSSD& ussd, QObject* parent)
    : QObject(parent), m_shell(shell), m_FormUSSD(ussd) {
    build(m_shell.page(Page::SimCharge));
    connect(m_btnDialCall, &QPushButton::clicked, this, &SimChargePage::btnDialCallClick);
    connect(m_btnEndCall, &QPushButton::clicked, this, &SimChargePage::btnEndCallClick);
    connect(m_cbRejectIncomingCall, &QCheckBox::clicked, this,
            &SimChargePage::cbRejectIncomingCallClick);
}

void SimChargePage::build(QWidget* page) {
    using namespace incomingtext;
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    // The credit calculator's row sits along the page's foot; this page
    // takes the room above it.
    auto* area = named(new QWidget(page), "pnlSimCharge");
    area->setGeometry(0, 28, 654, 456);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(12, 8, 12, 8);

    auto* title = named(new QLabel(kChargeTitle, area), "lblChargeTitle");
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);

    auto* numberRow = new QHBoxLayout;
    m_teCallNumber = named(new QLineEdit(area), "teCallNumber");
    QFont numberFont = m_teCallNumber->font();
    numberFont.setPixelSize(19);
    numberFont.setBold(true);
    m_teCallNumber->setFont(numberFont);
    // Service codes read left to right.
    m_teCallNumber->setLayoutDirection(Qt::LeftToRight);
    QPalette p = m_teCallNumber->palette();
    p.setColor(QPalette::Text, Qt::darkMagenta);
    m_teCallNumber->setPalette(p);
    m_teCallNumber->setFixedWidth(260);
    numberRow->addWidget(m_teCallNumber);
    m_btnKeypad = named(new QToolButton(area), "btnKeypad");
    m_btnKeypad->setIcon(QIcon(pictures::navigationIcon(9)));
    m_btnKeypad->setIconSize(QSize(28, 28));
    numberRow->addWidget(m_btnKeypad);
    numberRow->addStretch(1);
    layout->addLayout(numberRow);

    auto* buttons = new QHBoxLayout;
    m_btnDialCall = named(new QPushButton(kDialCaption, area), "btnDialCall");
    m_btnEndCall = named(new QPushButton(kEndCaption, area), "btnEndCall");
    buttons->addWidget(m_btnDialCall);
    buttons->addWidget(m_btnEndCall);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    m_pnlKeypad = named(new QFrame(area), "pnlKeypad");
    m_pnlKeypad->setFrameShape(QFrame::StyledPanel);
    m_pnlKeypad->setLayoutDirection(Qt::LeftToRight);
    auto* grid = new QGridLayout(m_pnlKeypad);
    for (int i = 0; i < 12; ++i) {
        const QString key = QString::fromLatin1(kKeys[i]);
        auto* b = new QPushButton(m_pnlKeypad);
        if (i < 10)
            b->setText(key);
        else
            b->setIcon(QIcon(keyPicture(key)));
        b->setObjectName(QStringLiteral("btnKey%1").arg(i));
        b->setFixedSize(48, 36);
        b->setFocusPolicy(Qt::NoFocus);
        grid->addWidget(b, i / 3, i % 3);
        connect(b, &QPushButton::clicked, this, [this, key] { keyPressed(key); });
    }
    auto* close = named(new QPushButton(QStringLiteral("X"), m_pnlKeypad), "btnKeypadClose");
    close->setFixedSize(48, 24);
    grid->addWidget(close, 4, 2);
    m_pnlKeypad->hide();
    layout->addWidget(m_pnlKeypad, 0, Qt::AlignLeft);
    connect(m_btnKeypad, &QToolButton::clicked, m_pnlKeypad, &QWidget::show);
    connect(close, &QPushButton::clicked, m_pnlKeypad, &QWidget::hide);
    layout->addStretch(1);

    // Out of the operator's reach: calls are rejected for the whole run.
    m_cbRejectIncomingCall = named(new QCheckBox(kRejectCalls, area), "cbRejectIncomingCall");
    m_cbRejectIncomingCall->setChecked(true);
    m_cbRejectIncomingCall->hide();
}

void SimChargePage::pageEntered() {
    m_teCallNumber->setFocus();
}

void SimChargePage::keyPressed(const QString& key) {
    m_teCallNumber->setFocus();
    m_teCallNumber->setText(m_teCallNumber->text() + key);
}

void SimChargePage::btnDialCallClick() {
    DeviceGate::Hold hold = incomingui::holdConnected(m_shell);
    if (!hold)
        return;
    KylixSMS& sms = m_shell.deviceSms();
    const QString code = m_teCallNumber->text();
    bool done = sms.Dial(code) > 0;
    if (!done)
        done = sms.Dial(code) > 0;
    hold.release();
    if (!done)
        m_shell.messages().showMessage(incomingtext::kDialFailed);
}

void SimChargePage::btnEndCallClick() {
    DeviceGate::Hold hold = incomingui::holdDevice(m_shell);
    if (!hold)
        return;
    KylixSMS& sms = m_shell.deviceSms();
    if (sms.EndCall() > 0) {
        hold.release();
        m_shell.messages().showMessage(incomingtext::kEndDone);
        return;
    }
    sms.EndCall();
}

void SimChargePage::cbRejectIncomingCallClick() {
    m_shell.sms().setRejectIncomingCall(m_cbRejectIncomingCall->isChecked() ? 1 : 0);
}

void SimChargePage::KylixSMSNewUSSD(const QString& Text) {
    m_FormUSSD.setAnswer(Text);
    if (m_answerShown)
        return;
    m_answerShown = true;
    Modal::run(&m_FormUSSD);
    m_answerShown = false;
    m_shell.deviceSms().EndUSSD();
}
