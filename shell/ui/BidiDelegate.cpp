#include "shell/ui/BidiDelegate.h"

#include "shell/Bidi.h"

QString BidiDelegate::displayText(const QVariant& value, const QLocale& locale) const {
    return bidi::isolateLtrRuns(QStyledItemDelegate::displayText(value, locale));
}
