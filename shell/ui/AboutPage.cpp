#include "shell/ui/AboutPage.h"
#include "shell/Bidi.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "shell/AboutTexts.h"
#include "shell/Clock.h"
#include "shell/ui/Pictures.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/WidgetNames.h"

namespace {
constexpr int kStep = 4;
// From the darkest shade in steps of 4 the last step up lands on the
// brightest one, 210, the first value not below this.
constexpr int kTurnAt = 208;

QPlainTextEdit* textBox(QWidget* page, const char* name) {
    auto* box = named(new QPlainTextEdit(page), name);
    box->setGeometry(24, 150, 606, 250);
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::NoTextInteraction);
    box->setLayoutDirection(Qt::RightToLeft);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont f(QStringLiteral("Times New Roman"));
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(16);
    box->setFont(f);
    return box;
}
} // namespace

AboutPage::AboutPage(ShellContext& shell)
    : QObject(shell.mainWindow()), m_brighten(shell.timer(ShellTimer::AboutBrighten)),
      m_darken(shell.timer(ShellTimer::AboutDarken)), m_type(shell.timer(ShellTimer::AboutType)) {
    using namespace abouttext;
    QWidget* page = shell.page(Page::About);
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));

    auto label = [page](const QString& text, const char* name, int x, int y, int w) {
        auto* l = named(new QLabel(bidi::isolateLtrRuns(text), page), name);
        l->setGeometry(x, y, w, 22);
        return l;
    };
    label(kAboutCaption, "lblAboutCaption", 430, 36, 200);
    label(kAboutLatin, "lblAboutLatin", 330, 36, 100)->setLayoutDirection(Qt::LeftToRight);
    label(kVersionLine, "lblVersionLine", 230, 64, 400);
    label(kReleaseLine, "lblReleaseLine", 230, 90, 400);
    label(kSystemLine, "lblSystemLine", 130, 116, 500);
    label(kCredit1, "lblCredit1", 130, 412, 500);
    label(kCredit2, "lblCredit2", 130, 438, 500);
    auto* picture = named(new QLabel(page), "imgAbout");
    picture->setGeometry(24, 36, 96, 96);
    picture->setPixmap(pictures::splash(picture->size()));

    // The display never takes the focus: it passes it to a read-only box
    // hidden behind it, so no caret ever blinks in the typed text.
    m_focusCatcher = named(new QLineEdit(page), "edtAboutFocus");
    m_focusCatcher->setGeometry(24, 150, 606, 20);
    m_focusCatcher->setReadOnly(true);
    m_source = textBox(page, "RichEdit2");
    m_source->setPlainText(QString::fromRawData(reinterpret_cast<const QChar*>(kAboutText.data()),
                                                qsizetype(kAboutText.size())));
    m_display = textBox(page, "RichEdit1");
    m_display->setFocusProxy(m_focusCatcher);
    QPalette pal = m_display->palette();
    pal.setColor(QPalette::Text, Qt::white);
    m_display->setPalette(pal);
    m_display->raise();
    setRed(kDarkest);

    connect(&m_type, &ClockTimer::timeout, this, &AboutPage::typeTick);
    connect(&m_brighten, &ClockTimer::timeout, this, &AboutPage::brightenTick);
    connect(&m_darken, &ClockTimer::timeout, this, &AboutPage::darkenTick);
}

void AboutPage::start() {
    m_typed = 0;
    m_display->clear();
    setRed(kDarkest);
    m_type.start();
    m_brighten.start();
    m_darken.stop();
}

void AboutPage::stop() {
    m_brighten.stop();
    m_darken.stop();
    m_type.stop();
}

int AboutPage::red() const {
    return m_display->palette().color(QPalette::Base).red();
}

void AboutPage::setRed(int red) {
    QPalette pal = m_display->palette();
    pal.setColor(QPalette::Base, QColor(red, 0, 0));
    m_display->setPalette(pal);
}

void AboutPage::typeTick() {
    const auto& text = abouttext::kAboutText;
    if (m_typed >= kTypingBound || std::size_t(m_typed) >= text.size()) {
        m_type.stop();
        return;
    }
    const QChar c(text[std::size_t(m_typed)]);
    ++m_typed;
    // A line end is CR LF; the display breaks the line once, on the LF.
    if (c == QLatin1Char('\r'))
        return;
    QTextCursor cursor(m_display->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString(c));
}

void AboutPage::brightenTick() {
    const int r = red();
    if (r < kTurnAt) {
        setRed(r + kStep);
    } else {
        m_brighten.stop();
        m_darken.start();
    }
}

void AboutPage::darkenTick() {
    const int r = red();
    if (r > kDarkest) {
        setRed(r - kStep);
    } else {
        m_darken.stop();
        m_brighten.start();
    }
}
