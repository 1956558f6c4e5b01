#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>

#include "device/KylixSMS.h"
#include "device/pdu/TextSplit.h"

namespace {
QString persian(int n) {
    return QString(n, QChar(0x0633));
} // س
QString gsmText(int n) {
    return QString(n, QLatin1Char('a'));
}

// Part texts as python-gammu cuts them, for each text; empty when the
// reference is not installed.
std::optional<QList<QStringList>> referenceParts(const QStringList& texts) {
    static const char* script = R"PY(
import json, sys
import gammu
out = []
for t, ucs2 in json.load(sys.stdin):
    info = {'Class': -1, 'Unicode': ucs2,
            'Entries': [{'ID': 'ConcatenatedTextLong', 'Buffer': t}]}
    out.append([m['Text'] for m in gammu.EncodeSMS(info)])
json.dump(out, sys.stdout)
)PY";
    QJsonArray input;
    for (const QString& t : texts)
        input.append(QJsonArray{t, gsm::measure(t, true).coding == gsm::Coding::Ucs2});
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"), QString::fromLatin1(script)});
    if (!py.waitForStarted())
        return std::nullopt;
    py.write(QJsonDocument(input).toJson(QJsonDocument::Compact));
    py.closeWriteChannel();
    py.waitForFinished(60000);
    if (py.exitCode() != 0) {
        qWarning() << py.readAllStandardError();
        return std::nullopt;
    }
    QList<QStringList> result;
    for (const QJsonValue& parts : QJsonDocument::fromJson(py.readAllStandardOutput()).array()) {
        QStringList list;
        for (const QJsonValue& p : parts.toArray())
            list.append(p.toString());
        result.append(list);
    }
    return result;
}
} // namespace

class SmsCodingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codingInfo_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("concatenated");
        QTest::addColumn<QString>("info");
        QTest::newRow("empty") << QString() << true << "0,160,GSM";
        QTest::newRow("empty, separate") << QString() << false << "0,160,GSM";
        QTest::newRow("one char") << "a" << true << "1,160,GSM";
        QTest::newRow("160 GSM") << gsmText(160) << true << "1,160,GSM";
        QTest::newRow("161 GSM") << gsmText(161) << true << "2,153,GSM";
        QTest::newRow("306 GSM") << gsmText(306) << true << "2,153,GSM";
        QTest::newRow("307 GSM") << gsmText(307) << true << "3,153,GSM";
        QTest::newRow("161 GSM separate") << gsmText(161) << false << "2,160,GSM";
        QTest::newRow("320 GSM separate") << gsmText(320) << false << "2,160,GSM";
        QTest::newRow("321 GSM separate") << gsmText(321) << false << "3,160,GSM";
        // Extension characters take two septets.
        QTest::newRow("80 braces") << QString(80, QLatin1Char('{')) << true << "1,160,GSM";
        QTest::newRow("81 euros") << QString(81, QChar(0x20AC)) << true << "2,153,GSM";
        QTest::newRow("159 + ext") << gsmText(159) + "|" << true << "2,153,GSM";
        // 152 septets then an escape pair: it may not straddle the edge.
        QTest::newRow("ext at edge") << gsmText(152) + "[" + gsmText(8) << true << "2,153,GSM";
        QTest::newRow("ext at edge, 3 parts")
            << gsmText(152) + "]" + gsmText(151) + "^" + "x" << true << "3,153,GSM";
        QTest::newRow("70 Persian") << persian(70) << true << "1,70,UCS2";
        QTest::newRow("71 Persian") << persian(71) << true << "2,67,UCS2";
        QTest::newRow("134 Persian") << persian(134) << true << "2,67,UCS2";
        QTest::newRow("135 Persian") << persian(135) << true << "3,67,UCS2";
        QTest::newRow("71 Persian separate") << persian(71) << false << "2,70,UCS2";
        QTest::newRow("one Persian letter makes all UCS2")
            << gsmText(100) + persian(1) << true << "2,67,UCS2";
        QTest::newRow("backtick is not GSM") << "`" << true << "1,70,UCS2";
        // A surrogate pair is never cut: 66 units, then a pair, then three more.
        QTest::newRow("surrogate at edge")
            << QString(66, QLatin1Char('`')) + QString::fromUtf16(u"\U0001F600") + "bcd" << true
            << "2,67,UCS2";
    }
    void codingInfo() {
        QFETCH(QString, text);
        QFETCH(bool, concatenated);
        QFETCH(QString, info);
        KylixSMS control;
        control.setIsConcatenatedSMS(concatenated ? 1 : 0);
        QCOMPARE(control.GetSMSCodingInfo(text), info);
        // A flash message counts the same.
        control.setIsFlashSMS(1);
        QCOMPARE(control.GetSMSCodingInfo(text), info);
    }

    void partsNeverSplitAnEscapePair() {
        const QString text = gsmText(152) + "[" + gsmText(8);
        const QStringList parts = gsm::split(text, true);
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts[0], gsmText(152));
        QCOMPARE(parts.join(QString()), text);
    }

    // The part counts and cut points agree with an independent encoder.
    void agreesWithPythonGammu() {
        QStringList texts;
        const QString alphabet =
            QStringLiteral("abc XYZ 0123 @$_!?") + QChar(0x20AC) + QStringLiteral("{}[]~^|\\");
        QRandomGenerator rng(20261209);
        for (int i = 0; i < 120; ++i) {
            const int length = 140 + static_cast<int>(rng.bounded(400));
            QString t;
            for (int k = 0; k < length; ++k)
                t += alphabet[static_cast<int>(rng.bounded(alphabet.size()))];
            texts << t;
        }
        // The reference stops at 50 parts.
        for (int n : {1, 69, 70, 71, 134, 135, 500, 3000})
            texts << persian(n);
        texts << gsmText(152) + "[" + gsmText(8) << gsmText(160) << gsmText(161);
        const auto reference = referenceParts(texts);
        if (!reference)
            QSKIP("/usr/bin/python3 cannot import gammu (install python3-gammu)");
        QCOMPARE(reference->size(), texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            const QStringList ours = gsm::split(texts[i], true);
            QVERIFY2(ours == reference->at(i),
                     qPrintable(QStringLiteral("text %1: %2 parts, reference %3")
                                    .arg(i)
                                    .arg(ours.size())
                                    .arg(reference->at(i).size())));
            QCOMPARE(gsm::measure(texts[i], true).parts, ours.size());
        }
    }
};

QTEST_GUILESS_MAIN(SmsCodingTest)
#include "test_sms_coding.moc"
