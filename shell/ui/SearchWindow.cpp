#include "shell/ui/SearchWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "shell/ShellTexts.h"

namespace {
constexpr int kSteps[3] = {10, 7, 4};
}

SearchWindow::SearchWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QString());
    setFixedSize(377, 119);
    auto* line1 = new QLabel(shelltext::kSearching1, this);
    line1->setGeometry(90, 14, 270, 22);
    auto* line2 = new QLabel(shelltext::kSearching2, this);
    line2->setGeometry(90, 40, 270, 22);
    for (int i = 0; i < 3; ++i) {
        m_bars[i] = new QProgressBar(this);
        m_bars[i]->setObjectName(QStringLiteral("ProgressBar%1").arg(i + 1));
        m_bars[i]->setOrientation(Qt::Vertical);
        m_bars[i]->setRange(0, 100);
        m_bars[i]->setTextVisible(false);
        m_bars[i]->setGeometry(14 + i * 20, 10, 14, 98);
    }
    auto* cancel = new QPushButton(shelltext::kCancel, this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setGeometry(150, 78, 90, 28);
    connect(cancel, &QPushButton::clicked, this, [this] {
        Q_EMIT cancelled();
        close();
    });
    connect(&m_timer, &ClockTimer::timeout, this, &SearchWindow::tick);
}

void SearchWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_timer.start();
}

void SearchWindow::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QDialog::hideEvent(event);
}

void SearchWindow::tick() {
    for (int i = 0; i < 3; ++i) {
        const int v = m_bars[i]->value() < 0 ? 0 : m_bars[i]->value() + kSteps[i];
        m_bars[i]->setValue(v > 100 ? 0 : v);
    }
}
