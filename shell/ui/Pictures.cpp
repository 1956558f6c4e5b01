#include "shell/ui/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pictures {
namespace {

QColor iconColour(int index) {
    return QColor::fromHsv((index * 37) % 360, 150, 200);
}

// A glyph per icon: short, recognisable signs for the tree entries, all of
// them in DejaVu Sans, the fallback every install has.
QString glyph(int index) {
    static const char16_t* glyphs[kIconCount] = {
        u"\u270E", u"\u2709", u"\u2611", u"\u2610", u"\u263A", u"\u2699", u"\u2709",
        u"\u26C1", u"\u2197", u"\u260E", u"i",      u"\u2191", u"\u2193", u"\u2630",
        u"\u2692", u"\u20AC", u"\u2606", u"\u26C3", u"?",      u"+",      u"\u2713",
        u"\u2637", u"\u2302", u"\u26B7", u"\u21BB", u"\u2716"};
    return QString::fromUtf16(glyphs[index]);
}

QPixmap canvas(const QSize& size, const QColor& top, const QColor& bottom) {
    QPixmap pm(size);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(pm.rect(), g);
    return pm;
}

void centredText(QPixmap& pm, const QString& text, int pixelSize, const QColor& colour,
                 const QRect& area = {}) {
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f(QStringLiteral("Noto Sans Arabic UI"));
    f.setPixelSize(pixelSize);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(area.isNull() ? pm.rect() : area, Qt::AlignCenter | Qt::TextWordWrap, text);
}

} // namespace

QPixmap navigationIcon(int index) {
    QPixmap pm(50, 50);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(5, 5, 40, 40), 9, 9);
    p.fillPath(path, iconColour(index));
    p.setPen(QPen(iconColour(index).darker(150), 1.5));
    p.drawPath(path);
    QFont f;
    f.setPixelSize(24);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(5, 5, 40, 40), Qt::AlignCenter, glyph(index % kIconCount));
    return pm;
}

QPixmap title(const QSize& size) {
    QPixmap pm = canvas(size, QColor(40, 110, 60), QColor(20, 60, 30));
    centredText(pm, QStringLiteral("TAVRIK"), size.height() / 2, Qt::white);
    return pm;
}

QPixmap welcome(const QSize& size) {
    QPixmap pm = canvas(size, QColor(235, 245, 235), QColor(170, 205, 170));
    centredText(pm, QStringLiteral("TAVRIK\nSMS"), size.height() / 6, QColor(30, 90, 45));
    return pm;
}

QPixmap requirements(const QSize& size) {
    QPixmap pm = canvas(size, QColor(245, 245, 235), QColor(205, 205, 170));
    centredText(pm,
                QStringLiteral("GSM modem / mobile phone\nSerial, USB, Bluetooth or infrared "
                               "port\nSIM card with SMS credit"),
                size.height() / 16, QColor(60, 60, 30));
    return pm;
}

QPixmap splash(const QSize& size) {
    QPixmap pm = canvas(size, QColor(30, 100, 55), QColor(10, 40, 20));
    centredText(pm, QStringLiteral("TAVRIK  6.0"), size.height() / 7, Qt::white);
    return pm;
}

QPixmap pleaseWait(const QSize& size) {
    QPixmap pm = canvas(size, QColor(250, 250, 250), QColor(210, 225, 210));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 110, 60), 4));
    const int d = std::min(size.width(), size.height()) - 12;
    p.drawArc(QRect(6, 6, d, d), 90 * 16, 270 * 16);
    return pm;
}

QPixmap lamp(bool lit) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(lit ? QColor(40, 220, 60) : QColor(120, 120, 120));
    p.setPen(Qt::black);
    p.drawEllipse(QRectF(2, 2, 12, 12));
    return pm;
}

QPixmap marker() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(255, 230, 40));
    p.setPen(Qt::black);
    p.drawEllipse(QRectF(4, 4, 8, 8));
    return pm;
}

} // namespace pictures
