#include "device/pdu/TextSplit.h"

#include "device/pdu/GsmAlphabet.h"

namespace gsm {
namespace {

// Walks the text once, calling cut(position) at every part edge. Returns
// the part count. Width is the size of one character in the chosen coding.
template <typename Width, typename Cut>
int walk(const QString& text, int perPart, Width width, Cut cut) {
    int parts = 1;
    int used = 0;
    for (qsizetype i = 0; i < text.size();) {
        const int w = width(i);
        if (used + w > perPart) {
            cut(i);
            ++parts;
            used = 0;
        }
        used += w;
        i += w == 2 && text[i].isHighSurrogate() ? 2 : 1;
    }
    return parts;
}

int gsmWidth(const QString& text, qsizetype i) {
    return septetsFor(text[i].unicode());
}

int ucs2Width(const QString& text, qsizetype i) {
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

int totalSeptets(const QString& text) {
    int n = 0;
    for (QChar c : text)
        n += septetsFor(c.unicode());
    return n;
}

template <typename Cut> SplitInfo run(const QString& text, bool concatenated, Cut cut) {
    SplitInfo info;
    if (text.isEmpty())
        return info;
    if (isGsmText(text)) {
        info.coding = Coding::Default7;
        if (totalSeptets(text) <= kSingleGsm) {
            info.parts = 1;
            info.perPart = kSingleGsm;
            return info;
        }
        info.perPart = concatenated ? kConcatGsm : kSingleGsm;
        info.parts = walk(
            text, info.perPart, [&](qsizetype i) { return gsmWidth(text, i); }, cut);
        return info;
    }
    info.coding = Coding::Ucs2;
    if (text.size() <= kSingleUcs2) {
        info.parts = 1;
        info.perPart = kSingleUcs2;
        return info;
    }
    info.perPart = concatenated ? kConcatUcs2 : kSingleUcs2;
    info.parts = walk(
        text, info.perPart, [&](qsizetype i) { return ucs2Width(text, i); }, cut);
    return info;
}

} // namespace

SplitInfo measure(const QString& text, bool concatenated) {
    return run(text, concatenated, [](qsizetype) {});
}

QStringList split(const QString& text, bool concatenated, SplitInfo* info) {
    QStringList parts;
    qsizetype start = 0;
    const SplitInfo i = run(text, concatenated, [&](qsizetype at) {
        parts.append(text.mid(start, at - start));
        start = at;
    });
    if (!text.isEmpty())
        parts.append(text.mid(start));
    if (info)
        *info = i;
    return parts;
}

QString codingInfo(const QString& text, bool concatenated) {
    const SplitInfo i = measure(text, concatenated);
    return QString::number(i.parts) + QLatin1Char(',') + QString::number(i.perPart) +
           QLatin1Char(',') +
           (i.coding == Coding::Default7 ? QStringLiteral("GSM") : QStringLiteral("UCS2"));
}

} // namespace gsm
