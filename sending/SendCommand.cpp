#include "sending/SendCommand.h"

#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

#include "sending/CommandTexts.h"
#include "sending/HeadlessRun.h"
#include "sending/SendRequest.h"
#include "shell/TextFile.h"

namespace sendcommand {

namespace {
const char kUsageText[] =
    "usage: tavrik send (--group NAME [--group NAME ...] | --all-groups | --number N |\n"
    "                    --range A B) --text-file F [--birthdays | --contract-dates]\n"
    "                   [--port PORT] [--report] [--json]\n";

struct Args {
    SendRequest request;
    int modes = 0; // recipient choices given; exactly one is wanted
    QString textFile;
    QString port;
    bool json = false;
};

bool parse(const QStringList& args, Args* a, QString* why) {
    bool groups = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& s = args.at(i);
        auto value = [&](QString* out) {
            if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--"))) {
                *why = s + QStringLiteral(" needs a value");
                return false;
            }
            *out = args.at(++i);
            return true;
        };
        QString v;
        if (s == QLatin1String("--group")) {
            if (!value(&v))
                return false;
            a->request.groupNames << v;
            a->request.mode = RecipientMode::OneGroup;
            if (!groups)
                ++a->modes;
            groups = true;
        } else if (s == QLatin1String("--all-groups")) {
            a->request.mode = RecipientMode::AllGroups;
            ++a->modes;
        } else if (s == QLatin1String("--number")) {
            if (!value(&a->request.number))
                return false;
            a->request.mode = RecipientMode::OneNumber;
            ++a->modes;
        } else if (s == QLatin1String("--range")) {
            if (!value(&a->request.rangeFirst) || !value(&a->request.rangeLast))
                return false;
            a->request.mode = RecipientMode::Range;
            ++a->modes;
        } else if (s == QLatin1String("--text-file")) {
            if (!value(&a->textFile))
                return false;
        } else if (s == QLatin1String("--birthdays") || s == QLatin1String("--contract-dates")) {
            if (a->request.dateFilter != SendRequest::DateFilter::None) {
                *why = QStringLiteral("--birthdays and --contract-dates exclude each other");
                return false;
            }
            a->request.dateFilter = s == QLatin1String("--birthdays")
                                        ? SendRequest::DateFilter::Birthdays
                                        : SendRequest::DateFilter::ContractDates;
        } else if (s == QLatin1String("--port")) {
            if (!value(&a->port))
                return false;
        } else if (s == QLatin1String("--report")) {
            a->request.requestReport = true;
        } else if (s == QLatin1String("--json")) {
            a->json = true;
        } else {
            *why = QStringLiteral("unknown option ") + s;
            return false;
        }
    }
    if (a->modes != 1) {
        *why = QStringLiteral("give exactly one of --group, --all-groups, --number, --range");
        return false;
    }
    if (a->textFile.isEmpty()) {
        *why = QStringLiteral("no --text-file");
        return false;
    }
    const bool groupRun =
        a->request.mode == RecipientMode::OneGroup || a->request.mode == RecipientMode::AllGroups;
    if (a->request.dateFilter != SendRequest::DateFilter::None && !groupRun) {
        *why = QStringLiteral("a date filter needs --group or --all-groups");
        return false;
    }
    return true;
}

int usage(QTextStream& err, const QString& why) {
    err << commandtext::badUsage(why) << "\n" << kUsageText;
    err.flush();
    return headlessrun::kSetupError;
}
} // namespace

bool wanted(const QStringList& args) {
    return !args.isEmpty() && args.first() == QLatin1String("send");
}

int run(const QStringList& args, const QString& folder, QTextStream& out, QTextStream& err) {
    Args a;
    QString why;
    if (!parse(args, &a, &why))
        return usage(err, why);
    if (!QFile::exists(a.textFile) || !textfile::readLines(a.textFile, &a.request.text)) {
        err << commandtext::textFileMissing(a.textFile) << Qt::endl;
        return headlessrun::kSetupError;
    }
    if (a.request.text.trimmed().isEmpty()) {
        err << commandtext::textEmpty(a.textFile) << Qt::endl;
        return headlessrun::kSetupError;
    }
    headlessrun::Options options;
    options.port = a.port;
    options.progress = &err;
    const headlessrun::Outcome outcome = headlessrun::perform(a.request, folder, options);
    if (outcome.code == headlessrun::kSetupError)
        err << outcome.error << Qt::endl;
    if (a.json)
        out << QString::fromUtf8(QJsonDocument(outcome.json()).toJson(QJsonDocument::Indented));
    else if (outcome.code != headlessrun::kSetupError)
        out << outcome.text();
    out.flush();
    err.flush();
    return outcome.code;
}

} // namespace sendcommand
