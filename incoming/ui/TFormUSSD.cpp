#include "incoming/ui/TFormUSSD.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "incoming/IncomingTexts.h"
#include "shell/ui/WidgetNames.h"
#include "shell/Bidi.h"

TFormUSSD::TFormUSSD(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("FormUSSD"));
    setWindowTitle(kCaption);
    setLayoutDirection(Qt::RightToLeft);
    setFixedSize(319, 236);

    auto* layout = new QVBoxLayout(this);
    m_Memo1 = named(new QPlainTextEdit(this), "Memo1");
    m_Memo1->setReadOnly(true);
    m_Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    m_Memo1->setFont(font);
    QPalette p = m_Memo1->palette();
    p.setColor(QPalette::Text, Qt::darkGreen);
    m_Memo1->setPalette(p);
    layout->addWidget(m_Memo1, 1);
    m_btnOK = named(new QPushButton(incomingtext::kUssdOk, this), "btnOK");
    layout->addWidget(m_btnOK, 0, Qt::AlignHCenter);
    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormUSSD::setAnswer(const QString& text) {
    m_answer = text;
    m_Memo1->setPlainText(bidi::isolateLtrRuns(text));
}

QString TFormUSSD::answer() const {
    return m_answer;
}

void TFormUSSD::showEvent(QShowEvent* event) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
