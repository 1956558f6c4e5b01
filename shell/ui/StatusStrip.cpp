#include "shell/ui/StatusStrip.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

#include <algorithm>

#include "shell/ui/Pictures.h"
#include "shell/ShellTexts.h"
#include "shell/ui/WidgetNames.h"

StatusStrip::StatusStrip(QWidget* parent) : QFrame(parent) {
    using namespace shelltext;
    setObjectName(QStringLiteral("pnlStatusStrip"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // Lamp coordinates are absolute, left to right.
    setLayoutDirection(Qt::LeftToRight);

    gaugeBattery = addGauge(QStringLiteral("gaugeBattery"), kPowerSupply, 300);
    gaugeReception = addGauge(QStringLiteral("gaugeReception"), kAntenna, 430);
    gh1 = addLamp(QStringLiteral("gh1"), kLampX[0], false);
    gh2 = addLamp(QStringLiteral("gh2"), kLampX[1], false);
    gh3 = addLamp(QStringLiteral("gh3"), kLampX[2], false);
    sa1 = addLamp(QStringLiteral("sa1"), kLampX[0], true);
    sa2 = addLamp(QStringLiteral("sa2"), kLampX[1], true);
    sa3 = addLamp(QStringLiteral("sa3"), kLampX[2], true);
    imo = named(new QLabel(this), "imo");
    imo->setPixmap(pictures::marker());
    imo->setGeometry(kLampX[0], 20, 16, 16);
    imo->hide();
    addButtons();
    connect(&Timer1, &ClockTimer::timeout, this, &StatusStrip::advanceMarker);
}

QProgressBar* StatusStrip::addGauge(const QString& name, const QString& caption, int x) {
    auto* label = new QLabel(caption, this);
    label->setGeometry(x, 4, 120, 18);
    auto* bar = new QProgressBar(this);
    bar->setObjectName(name);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setGeometry(x, 24, 120, 18);
    return bar;
}

QLabel* StatusStrip::addLamp(const QString& name, int x, bool lit) {
    auto* l = new QLabel(this);
    l->setObjectName(name);
    l->setPixmap(pictures::lamp(lit));
    l->setGeometry(x, 20, 16, 16);
    // The unlit lamps always show; the lit ones cover them while connected.
    l->setVisible(!lit);
    return l;
}

void StatusStrip::addButtons() {
    using namespace shelltext;
    btnHide = named(new QToolButton(this), "btnHide");
    btnHide->setToolTip(kHideHint);
    btnHide->setText(QStringLiteral("_"));
    btnHide->setGeometry(8, 14, 28, 28);
    connect(btnHide, &QToolButton::clicked, this, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible())
                w->showMinimized();
        }
    });
    btnNewMessage = named(new QToolButton(this), "btnNewMessage");
    btnNewMessage->setToolTip(kNewMessageHint);
    btnNewMessage->setIcon(QIcon(pictures::navigationIcon(12)));
    btnNewMessage->setGeometry(44, 10, 36, 36);
    btnNewMessage->hide();
    connect(btnNewMessage, &QToolButton::clicked, this, &StatusStrip::newMessageClicked);
}

void StatusStrip::setBattery(int level) {
    gaugeBattery->setValue(std::clamp(level, 0, 100));
}

void StatusStrip::setReception(int level) {
    gaugeReception->setValue(std::clamp(level, 0, 100));
}

void StatusStrip::setActive(bool active) {
    for (QLabel* l : {sa1, sa2, sa3, imo})
        l->setVisible(active);
    if (active)
        Timer1.start();
    else
        Timer1.stop();
}

bool StatusStrip::isActive() const {
    return Timer1.isActive();
}

void StatusStrip::advanceMarker() {
    for (int i = 0; i < 3; ++i) {
        if (imo->x() == kLampX[i]) {
            imo->move(kLampX[(i + 1) % 3], imo->y());
            return;
        }
    }
}

void StatusStrip::stopActivityTimer() {
    Timer1.stop();
}

void StatusStrip::setNewMessageNotice(bool visible) {
    btnNewMessage->setVisible(visible);
}
