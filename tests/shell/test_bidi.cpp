// Left-to-right runs in right-to-left lines: which part of a text is
// isolated, and that the isolated text reads the right way round when laid
// out in a right-to-left line.
#include <QtTest>

#include <QGlyphRun>
#include <QTextLayout>

#include <algorithm>

#include "shell/Bidi.h"

namespace {
// "[" and "]" stand for the isolate marks in the table.
QString marked(const QString& pattern) {
    QString s = pattern;
    s.replace(QLatin1Char('['), QChar(bidi::kLri));
    s.replace(QLatin1Char(']'), QChar(bidi::kPdi));
    return s;
}

// Where each character of `text` lands, left to right on the screen, in a
// right-to-left line: the logical positions ordered by their x.
QList<int> visualOrder(const QString& text) {
    QTextLayout layout(text);
    QTextOption option;
    option.setTextDirection(Qt::RightToLeft);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(2000);
    layout.endLayout();
    QList<QPair<qreal, int>> xs;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar(bidi::kLri) || c == QChar(bidi::kPdi))
            continue;
        // Where the character's glyph is drawn.
        const QList<QGlyphRun> runs = layout.glyphRuns(i, 1);
        if (runs.isEmpty() || runs.first().positions().isEmpty())
            continue;
        xs.append({runs.first().positions().first().x(), i});
    }
    std::sort(xs.begin(), xs.end());
    QList<int> order;
    for (const auto& p : xs)
        order.append(p.second);
    return order;
}

// The characters of `text` as the screen shows them, left to right.
QString shown(const QString& text) {
    QString s;
    for (int i : visualOrder(text))
        s.append(text[i]);
    return s;
}
} // namespace

class BidiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void runs_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("isolated");
        QTest::newRow("number with plus")
            << QStringLiteral("+989123333333") << marked(QStringLiteral("[+989123333333]"));
        QTest::newRow("service code")
            << QStringLiteral("*140#") << marked(QStringLiteral("[*140#]"));
        QTest::newRow("code with stars")
            << QStringLiteral("*141*1#") << marked(QStringLiteral("[*141*1#]"));
        QTest::newRow("log date") << QStringLiteral("1405 / 09 / 19")
                                  << marked(QStringLiteral("[1405 / 09 / 19]"));
        QTest::newRow("time") << QStringLiteral("09:30") << marked(QStringLiteral("[09:30]"));
        QTest::newRow("phone after a caption")
            << QString::fromUtf16(u"تلفن پشتیبانی : 021-00000000")
            << marked(QString::fromUtf16(u"تلفن پشتیبانی : [021-00000000]"));
        QTest::newRow("Persian digits") << QString::fromUtf16(u"تاریخ ۱۴۰۵/۰۹/۱۹ است")
                                        << marked(QString::fromUtf16(u"تاریخ [۱۴۰۵/۰۹/۱۹] است"));
        QTest::newRow("Latin words and blanks stay inside, the ends outside")
            << QString::fromUtf16(u"از  Send To All  به")
            << marked(QString::fromUtf16(u"از  [Send To All]  به"));
        QTest::newRow("placeholder alone is no run")
            << QString::fromUtf16(u"سلام ** عزیز") << QString::fromUtf16(u"سلام ** عزیز");
        QTest::newRow("a line break ends a run")
            << QStringLiteral("12\n34") << marked(QStringLiteral("[12]\n[34]"));
        QTest::newRow("coding indicator")
            << QStringLiteral("0,160,GSM") << marked(QStringLiteral("[0,160,GSM]"));
        QTest::newRow("Persian only")
            << QString::fromUtf16(u"پیام جدید") << QString::fromUtf16(u"پیام جدید");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("already isolated")
            << marked(QStringLiteral("[+98912]")) << marked(QStringLiteral("[+98912]"));
    }
    void runs() {
        QFETCH(QString, text);
        QFETCH(QString, isolated);
        QCOMPARE(bidi::isolateLtrRuns(text), isolated);
        // The operator reads the same characters, and what was stored comes
        // back unchanged from what is shown.
        QCOMPARE(bidi::withoutMarks(bidi::isolateLtrRuns(text)), bidi::withoutMarks(text));
    }

    // Laid out in a right-to-left line, the faults the operator saw and
    // what the isolated texts show instead.
    void readsTheRightWayRound() {
        const QString number = QStringLiteral("+989123333333");
        QCOMPARE(shown(number), QStringLiteral("989123333333+"));
        QCOMPARE(shown(bidi::isolateLtrRuns(number)), number);
        QVERIFY(shown(QStringLiteral("*140#")) != QStringLiteral("*140#"));
        QCOMPARE(shown(bidi::isolateLtrRuns(QStringLiteral("*140#"))), QStringLiteral("*140#"));
        const QString date = QStringLiteral("1405 / 09 / 19");
        QCOMPARE(shown(date), QStringLiteral("19 / 09 / 1405"));
        QCOMPARE(shown(bidi::isolateLtrRuns(date)), date);

        // The support number keeps its order beside the Persian caption,
        // which stays on the right.
        const QString line = QString::fromUtf16(u"تلفن : 021-00000000");
        const QString s = shown(bidi::isolateLtrRuns(line));
        QVERIFY2(s.startsWith(QStringLiteral("021-00000000")), qPrintable(s));
    }

    // A caption written with its colon first shows the colon at its reading
    // end, the left; a right-to-left line would put it on the right.
    void captionColonAtTheReadingEnd() {
        const QString caption = QString::fromUtf16(u": تعداد مخاطبین");
        QCOMPARE(shown(caption).back(), QLatin1Char(':'));
        QCOMPARE(shown(bidi::leftToRightLine(caption)).front(), QLatin1Char(':'));
        QCOMPARE(bidi::withoutMarks(bidi::leftToRightLine(caption)), caption);
        // Labels take the line only for such captions; a caption ending in
        // its colon reads right already.
        QCOMPARE(bidi::caption(caption), bidi::leftToRightLine(caption));
        const QString ending = QString::fromUtf16(u"آخرین پیام دریافتی :");
        QCOMPARE(bidi::caption(ending), ending);
        QCOMPARE(shown(bidi::caption(ending)).front(), QLatin1Char(':'));
    }

    // Texts joined without a blank are set apart at display only.
    void gluedRunsSetApart() {
        const QString glued = QString::fromUtf16(u"ارسال گردید12:30");
        QCOMPARE(bidi::setApart(glued), marked(QString::fromUtf16(u"ارسال گردید [12:30]")));
        QCOMPARE(bidi::setApart(QString::fromUtf16(u"به 0912 شد")),
                 marked(QString::fromUtf16(u"به [0912] شد")));
        QCOMPARE(bidi::setApart(QString::fromUtf16(u"به0912شد")),
                 marked(QString::fromUtf16(u"به [0912] شد")));
    }
};

QTEST_MAIN(BidiTest)
#include "test_bidi.moc"
