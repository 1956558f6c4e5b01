#include "sending/ui/SendProgressWindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include "sending/SendForm.h"
#include "sending/SendRunTexts.h"
#include "shell/Bidi.h"
#include "shell/Clock.h"
#include "shell/ui/ShellContext.h"
#include "store/Sql.h"
#include "store/Store.h"

namespace {
constexpr QSize kClient{402, 144};
constexpr int kAnimationMs = 270;

QPixmap backdrop() {
    QPixmap pix(kClient);
    QPainter p(&pix);
    QLinearGradient g(0, 0, 0, kClient.height());
    g.setColorAt(0, QColor(0xF4, 0xF8, 0xFF));
    g.setColorAt(1, QColor(0xC9, 0xDB, 0xF2));
    p.fillRect(pix.rect(), g);
    p.setPen(QColor(0x7F, 0x9D, 0xC6));
    p.drawRect(pix.rect().adjusted(0, 0, -1, -1));
    return pix;
}

// An envelope with a wave beside it that moves one step per frame.
QPixmap frame(int index) {
    QPixmap pix(100, 100);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x2E, 0x5A, 0x9C), 2));
    p.setBrush(QColor(0xFF, 0xF6, 0xD5));
    const QRectF envelope(18, 34, 64, 42);
    p.drawRect(envelope);
    p.drawLine(envelope.topLeft(), QPointF(50, 58));
    p.drawLine(envelope.topRight(), QPointF(50, 58));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i <= index % SendProgressWindow::kFrames; ++i) {
        const qreal r = 8 + i * 7;
        p.setPen(QPen(QColor(0, 0xB7, 0), 3 - i * 0.4));
        p.drawArc(QRectF(50 - r, 24 - r, 2 * r, 2 * r), 30 * 16, 120 * 16);
    }
    return pix;
}

QPixmap closeProgramPicture() {
    QPixmap pix(18, 18);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0xC6, 0x28, 0x28));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(1, 1, 16, 16));
    p.setPen(QPen(Qt::white, 2.2));
    p.drawLine(QPointF(6, 6), QPointF(12, 12));
    p.drawLine(QPointF(12, 6), QPointF(6, 12));
    return pix;
}

// The captions end at the window's right edge; each value stands to the
// left of its caption, as Persian reads. A caption is as wide as its font
// needs, and its value takes the room left of it, past the animation.
constexpr int kCaptionRight = 394;
constexpr int kValueLeft = 114;
constexpr int kGap = 4;

QLabel* captionLabel(const char* name, const QString& text, int y, QWidget* parent) {
    // The caption is written with its colon first, for a left-to-right
    // line: shown so, the colon falls at the reading end, next to the value.
    auto* l = new QLabel(bidi::leftToRightLine(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    const int width = l->fontMetrics().horizontalAdvance(text) + 2 * kGap;
    l->setGeometry(kCaptionRight - width, y, width, 20);
    l->setAlignment(Qt::AlignAbsolute | Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QLabel* valueLabel(const char* name, const QLabel* caption, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    const int right = caption->x() - kGap;
    l->setGeometry(kValueLeft, caption->y(), std::max(0, right - kValueLeft), 20);
    l->setAlignment(Qt::AlignAbsolute | Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

} // namespace

SendProgressWindow::SendProgressWindow(QWidget* parent)
    : PlainWindow("Form1", kCaption, kClient, parent) {
    // A tool frame with its caption and no title-bar buttons: the window
    // closes only when the run lets it.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClient);

    m_backdrop = new QLabel(this);
    m_backdrop->setGeometry(QRect(QPoint(0, 0), kClient));
    m_backdrop->setPixmap(backdrop());

    for (int i = 0; i < kFrames; ++i) {
        m_images[i] = new QLabel(this);
        m_images[i]->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        m_images[i]->setGeometry(10, 20, 100, 100);
        m_images[i]->setPixmap(frame(i));
        m_images[i]->setVisible(i == 0);
    }

    m_nam =
        valueLabel("nam", captionLabel("lblTitleCaption", sendtext::kTitleLabel, 8, this), this);
    m_ted = valueLabel("ted", captionLabel("lblSentCaption", sendtext::kSentLabel, 32, this), this);
    m_tek = valueLabel(
        "tek", captionLabel("lblContactsCaption", sendtext::kContactsLabel, 56, this), this);
    m_runCounts = new QLabel(this);
    m_runCounts->setObjectName(QStringLiteral("lblRunCounts"));
    m_runCounts->setGeometry(120, 70, 272, 14);
    m_runCounts->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont small = m_runCounts->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_runCounts->setFont(small);
    // Left of the buttons, on their row, clear of the gauge.
    m_optedOut = new QLabel(this);
    m_optedOut->setObjectName(QStringLiteral("lblOptedOut"));
    m_optedOut->setGeometry(120, 117, 138, 18);
    m_optedOut->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_optedOut->setFont(small);

    // Under the window's own face, shown only by a run over several links:
    // the window grows to hold them.
    m_pauseNote = new QLabel(this);
    m_pauseNote->setObjectName(QStringLiteral("lblPauseNote"));
    m_pauseNote->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pauseNote->setWordWrap(true);
    m_pauseNote->setStyleSheet(QStringLiteral("color:#A00000"));
    m_pauseNote->hide();
    m_links = new QLabel(this);
    m_links->setObjectName(QStringLiteral("lblLinks"));
    m_links->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_links->setFont(small);
    m_links->hide();

    m_Gauge2 = new QProgressBar(this);
    m_Gauge2->setObjectName(QStringLiteral("Gauge2"));
    m_Gauge2->setGeometry(126, 84, 266, 23);
    m_Gauge2->setTextVisible(false);
    m_Gauge2->setStyleSheet(QStringLiteral("QProgressBar{border:1px solid #7F9DC6;background:white}"
                                           "QProgressBar::chunk{background-color:#00B700}"));

    m_cancel = new QPushButton(sendtext::kCancelCaption, this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    m_cancel->setToolTip(sendtext::kCancelHint);
    m_cancel->setGeometry(292, 114, 100, 24);
    connect(m_cancel, &QPushButton::clicked, this, &SendProgressWindow::cancelClicked);

    m_closeProgramButton = new QToolButton(this);
    m_closeProgramButton->setObjectName(QStringLiteral("btnCloseProgram"));
    m_closeProgramButton->setIcon(QIcon(closeProgramPicture()));
    m_closeProgramButton->setToolTip(sendtext::kCloseProgramHint);
    m_closeProgramButton->setGeometry(262, 114, 26, 24);
    connect(m_closeProgramButton, &QToolButton::clicked, this,
            &SendProgressWindow::closeProgramClicked);

    // Out of sight: it takes the focus so that Enter or space cannot press
    // a button by accident.
    m_focusHolder = new QLineEdit(this);
    m_focusHolder->setObjectName(QStringLiteral("focusHolder"));
    m_focusHolder->setGeometry(-300, -300, 40, 20);

    m_animation = new ClockTimer(QStringLiteral("animation"), kAnimationMs, this);
    connect(m_animation, &ClockTimer::timeout, this, &SendProgressWindow::animate);
    resetView();
}

SendProgressWindow::~SendProgressWindow() = default;

void SendProgressWindow::attach(ShellContext* shell, SendForm* form) {
    m_shell = shell;
    m_form = form;
}

void SendProgressWindow::setGaugeMaximum(int maximum) {
    m_Gauge2->setMaximum(maximum);
}

void SendProgressWindow::setGaugeProgress(int progress) {
    m_Gauge2->setValue(progress);
}

void SendProgressWindow::setTitle(const QString& title) {
    m_nam->setText(title);
}

void SendProgressWindow::setSentCount(const QString& count) {
    m_ted->setText(count);
}

QString SendProgressWindow::sentCount() const {
    return m_ted->text();
}

void SendProgressWindow::setContactCount(const QString& count) {
    m_tek->setText(count);
}

QString SendProgressWindow::contactCount() const {
    return m_tek->text();
}

void SendProgressWindow::showProgress() {
    show();
}

void SendProgressWindow::setRunCounts(const QString& text) {
    m_runCounts->setText(text);
}

void SendProgressWindow::setOptedOutCount(const QString& text) {
    m_optedOut->setText(text);
}

void SendProgressWindow::setLinkStates(const QString& text) {
    m_links->setText(text);
    fitExtras();
}

void SendProgressWindow::setPauseNote(const QString& text) {
    m_pauseNote->setText(text);
    fitExtras();
}

void SendProgressWindow::fitExtras() {
    constexpr int kLine = 15;
    const int width = kClient.width() - 16;
    int y = kClient.height();
    const bool paused = !m_pauseNote->text().isEmpty();
    m_pauseNote->setVisible(paused);
    if (paused) {
        m_pauseNote->setGeometry(8, y, width, 2 * kLine);
        y += 2 * kLine;
    }
    const bool links = !m_links->text().isEmpty();
    m_links->setVisible(links);
    if (links) {
        const int lines = int(m_links->text().count(QLatin1Char('\n'))) + 1;
        m_links->setGeometry(8, y, width, lines * kLine);
        y += lines * kLine + 4;
    }
    setFixedSize(kClient.width(), y);
}

void SendProgressWindow::setVisible(bool visible) {
    // Placed before it maps: a window manager may not follow a move made
    // once the window is shown, and the main window may have moved since
    // the last run.
    if (visible && !isVisible() && m_shell) {
        QRect frame = frameGeometry();
        frame.moveCenter(m_shell->mainWindow()->frameGeometry().center());
        move(frame.topLeft());
    }
    PlainWindow::setVisible(visible);
}

void SendProgressWindow::closeProgress() {
    close();
}

QString SendProgressWindow::targetText(const SendForm& form) {
    switch (form.recipientMode()) {
    case RecipientMode::OneNumber:
        return form.numberText();
    case RecipientMode::Range:
        return sendtext::kTargetRange;
    case RecipientMode::OneGroup:
        return sendtext::kTargetGroupPrefix + form.groupText();
    case RecipientMode::AllGroups:
        return sendtext::kAllGroupsName;
    }
    return {};
}

void SendProgressWindow::reject() {
    // Escape is a close request like any other.
    close();
}

void SendProgressWindow::showEvent(QShowEvent* event) {
    PlainWindow::showEvent(event);
    if (m_shell)
        m_shell->mainWindow()->hide();
    m_animation->start();
    m_focusHolder->setFocus();
}

void SendProgressWindow::closeEvent(QCloseEvent* event) {
    if (!m_flags.finished) {
        event->ignore();
        return;
    }
    if (m_flags.logged) {
        event->accept();
        return;
    }
    m_animation->stop();
    resetView();
    event->accept();
    if (!m_shell || !m_form)
        return;
    // Latched first: the error message of a failed write must not let a
    // close request in to log the run again.
    m_flags.logged = true;
    writeLogRow();
    if (m_flags.closeProgram) {
        m_shell->mainWindow()->show();
        // The run is still unwinding under this close; the program closes
        // once it has returned.
        QMetaObject::invokeMethod(
            this, [this] { m_shell->closeMainWindow(); }, Qt::QueuedConnection);
        return;
    }
    if (m_flags.cancel)
        m_shell->messages().showMessage(sendtext::kCancelNotice);
    m_shell->mainWindow()->show();
}

void SendProgressWindow::writeLogRow() {
    const PersianDate today = m_shell->today();
    store::SentLogRow row;
    row.num = targetText(*m_form);
    row.time = m_shell->statusTime();
    row.date = store::sentLogDate(today.yearText(), today.monthText(), today.dayText());
    row.pos = m_flags.cancel ? sql::kPosCancelled : (m_flags.ok ? sql::kPosSent : sql::kPosNotSent);
    row.matn = m_form->composerText();
    const StoreResult result = store::appendSentLog(m_shell->database(), row);
    if (!result) {
        m_shell->mainWindow()->show();
        m_shell->messages().showError(sendtext::kLogNotWritten + QLatin1Char('\n') + result.error);
    }
}

void SendProgressWindow::animate() {
    for (int i = 0; i < kFrames; ++i) {
        if (!m_images[i]->isHidden()) {
            m_images[i]->hide();
            m_images[(i + 1) % kFrames]->show();
            return;
        }
    }
}

void SendProgressWindow::cancelClicked() {
    m_flags.cancel = true;
    close();
}

void SendProgressWindow::closeProgramClicked() {
    if (!m_shell || !m_shell->messages().ask(sendtext::kCloseProgramQuestion))
        return;
    // Ended like a cancel, so the members not reached are kept and the run
    // is logged as cancelled before the program goes.
    m_flags.closeProgram = true;
    m_flags.cancel = true;
    if (m_flags.finished || !isVisible())
        m_shell->closeMainWindow();
}

void SendProgressWindow::resetView() {
    m_Gauge2->setMaximum(100);
    m_Gauge2->setValue(0);
    m_nam->clear();
    m_ted->setText(QStringLiteral("0"));
    m_tek->setText(QStringLiteral("0"));
    m_runCounts->clear();
    m_optedOut->clear();
    m_links->clear();
    m_pauseNote->clear();
    fitExtras();
}
