// Feeds arbitrary modem output to the AT line parser and to the readers of
// the fields of its lines. Besides crashes and out-of-bounds reads (the
// sanitizers), it checks the parser's promises: bounded lines without line
// ends, and the same items whatever the chunks the bytes come in.
//
// Input: the first byte seeds the chunk sizes (the port hands out data in
// pieces of any size); the rest is the byte stream.

#include "device/at/AtFields.h"
#include "device/at/AtLineParser.h"
#include "device/at/AtMessages.h"
#include "device/at/AtTime.h"

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char* what) {
    if (ok)
        return;
    std::fprintf(stderr, "invariant failed: %s\n", what);
    std::abort();
}

bool same(const AtLineParser::Item& a, const AtLineParser::Item& b) {
    return a.kind == b.kind && a.final == b.final && a.urc == b.urc && a.errorCode == b.errorCode &&
           a.line == b.line && a.pdu == b.pdu;
}

void readFields(const AtLineParser::Item& item) {
    static const char* const prefixes[] = {"+CMGL:", "+CMGR:", "+CSQ:",  "+COPS:", "+CUSD:",
                                           "+CLIP:", "+CMTI:", "+CCLK:", "+CBC:",  "+CREG:"};
    for (const char* p : prefixes) {
        const QList<QByteArray> f = at::fields(item.line, p);
        for (const QByteArray& x : f) {
            (void)at::toInt(x);
            (void)at::unquote(x);
        }
    }
    if (item.line.startsWith("+CCLK:")) {
        if (const auto t = AtTime::fromCclk(item.line.mid(6))) {
            // A reading that parses prints and parses back the same.
            const auto again = AtTime::fromText(t->toText(), 0);
            check(again && again->toCclk() == t->toCclk(), "clock text round trip");
        }
    }
    (void)AtTime::fromText(QString::fromLatin1(item.line), 0);
    (void)at::isDialNumber(QString::fromLatin1(item.line));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const unsigned seed = data[0];
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    AtLineParser whole;
    const QList<AtLineParser::Item> expected = whole.feed(stream);

    AtLineParser pieces;
    QList<AtLineParser::Item> got;
    unsigned step = seed % 7 + 1;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype n = std::min<qsizetype>(step, stream.size() - at);
        got += pieces.feed(stream.mid(at, n));
        at += n;
        step = (step * 5 + seed) % 11 + 1;
    }
    check(got.size() == expected.size(), "chunking changes the item count");
    for (qsizetype i = 0; i < got.size(); ++i)
        check(same(got[i], expected[i]), "chunking changes an item");

    QList<QByteArray> lines;
    for (const AtLineParser::Item& item : expected) {
        check(item.line.size() <= AtLineParser::kMaxLine, "line longer than the limit");
        check(item.pdu.size() <= AtLineParser::kMaxLine, "PDU longer than the limit");
        check(!item.line.contains('\r') && !item.line.contains('\n'), "line end inside a line");
        check(item.kind == AtLineParser::Kind::Prompt || !item.line.isEmpty(), "empty line");
        readFields(item);
        lines.append(item.line);
    }
    // The listings a modem answers AT+CMGL/AT+CMGR with, decoded as stored
    // messages: this reaches the PDU decoders from the driver's side.
    for (const char* prefix : {"+CMGL:", "+CMGR:"})
        for (const atmsg::Listed& l : atmsg::parseListing(lines, prefix))
            (void)atmsg::decodeStored(l.pdu, l.index, l.stat);
    return 0;
}
