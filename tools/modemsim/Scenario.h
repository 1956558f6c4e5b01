#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What a run of the simulator does, read from a plain-text script (the format
// is described in README.md). Each line is an optional trigger followed by
// one action; lines without a trigger apply at start.
struct ScenarioAction {
    enum class Kind {
        Setting,  // key = manufacturer, model, revision, imei, imsi, operator, smsc,
                  // battery, signal, registration, pin, echo, silent, mr, storage, clock,
                  // escape
        Latency,  // key = command prefix ("*" for any), value = ms
        CmsError, // code; number / send / fromSend select; off clears the rules
        Report,   // status, delay; number selects; all = also without a request; off clears
        Ussd,     // key = code ("*" for any other), text, answer kind, delay
        Store,    // a message already on the SIM
        Incoming, // a message arriving from the network
        Call,     // an incoming voice call
        Unplug,   // the device disappears; replug after value ms when >= 0
        Urc,      // an arbitrary unsolicited line
        Noise,    // vendor status lines every value ms; off stops them
        Busy,     // reads nothing and holds its answers for value ms
        NoAnswer, // matching sends are taken and never answered; number / send / fromSend
    };
    enum class UssdAnswer { Text, None, Unsupported, Error };

    Kind kind = Kind::Setting;
    QString key;
    QStringList values; // setting values as given
    QString text;
    QString number;
    int code = 0;   // CMS error code, report status
    int value = -1; // latency ms, replug ms, setting number
    int send = -1;  // Nth send (1-based)
    int fromSend = -1;
    int delay = -1; // report / USSD answer delay in ms; -1 = default
    int gap = -1;   // between parts of an incoming message
    int every = -1; // ring interval
    int rings = -1; // ring count; -1 = until hung up
    int messageClass = -1;
    int reference = -1;
    bool all = false;
    bool off = false;
    bool reverse = false;
    bool ucs2 = false;
    bool gsm = false;
    QString status; // store: "unread", "read", "unsent", "sent"
    UssdAnswer ussdAnswer = UssdAnswer::Text;
};

struct ScenarioStep {
    enum class Trigger { Start, At, Every, OnSend, AfterSend, OnCommand };
    Trigger trigger = Trigger::Start;
    int value = 0;   // ms for At/Every, N for OnSend/AfterSend
    QString command; // prefix for OnCommand, upper case
    int wait = 0;    // ms between the trigger and the action
    ScenarioAction action;
    int line = 0;
};

class Scenario {
public:
    // Parses a whole script; on failure returns nullopt and "file:line: why".
    static std::optional<Scenario> parse(const QString& text, const QString& source,
                                         QString* error);
    // The friendly modem used when no script is given.
    static QString defaultScript();

    // Splits one line into words; double quotes group, with \" \\ \n \r \t
    // \xHH escapes; an unquoted # starts a comment.
    static std::optional<QStringList> tokenize(const QString& line, QString* error);

    std::vector<ScenarioStep> steps;
};
