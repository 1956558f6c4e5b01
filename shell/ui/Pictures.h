#pragma once

#include <QPixmap>

// The program's pictures, drawn at run time so they scale with nothing to
// ship: tree icons, title, welcome, requirements, splash, please-wait and
// the activity lamps.
namespace pictures {

constexpr int kIconCount = 26;
QPixmap navigationIcon(int index); // 50 x 50
QPixmap title(const QSize& size);
QPixmap welcome(const QSize& size);
QPixmap requirements(const QSize& size);
QPixmap splash(const QSize& size);
QPixmap pleaseWait(const QSize& size);
QPixmap lamp(bool lit);
QPixmap marker();

} // namespace pictures
