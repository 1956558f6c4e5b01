#pragma once

#include <QStringList>

#include "sending/SendForm.h"
#include "store/Database.h"

// The send page as a plain record: tests set what the operator would have
// typed and chosen. The group is chosen by name over the real group list,
// as the page's picker does.
class FakeSendForm : public SendForm {
public:
    explicit FakeSendForm(Database& db) : m_db(db) {}

    QString composerText() const override { return composer; }
    void setComposerText(const QString& text) override {
        composer = text;
        log << QStringLiteral("composer");
    }
    bool requestReport() const override { return report; }
    bool errorControl() const override { return control; }
    int errorTolerance() const override { return tolerance; }
    bool optOutFooter() const override { return footer; }
    RecipientMode recipientMode() const override { return mode; }
    void selectMode(RecipientMode m) override {
        mode = m;
        log << QStringLiteral("mode %1").arg(static_cast<int>(m));
    }
    QString numberText() const override { return number; }
    QString groupText() const override { return group; }
    QString chosenGcode() const override {
        QueryCursor& list = m_db.ADOQuery1;
        return list.locate(QStringLiteral("gname"), group)
                   ? list.value(QStringLiteral("gcode")).toString()
                   : QString();
    }
    void openGroupPicker() override { log << QStringLiteral("picker opened"); }
    QString rangeFirstText() const override { return first; }
    QString rangeLastText() const override {
        if (onLastRead)
            onLastRead();
        return last;
    }
    DateFilterChoice dateFilter() const override { return filter; }
    void setSendHandler(std::function<void()> h) override { handler = std::move(h); }

    void press() {
        if (handler)
            handler();
    }

    QString composer;
    bool report = false;
    bool control = true;
    bool footer = false;
    int tolerance = 8;
    RecipientMode mode = RecipientMode::OneNumber;
    QString number;
    QString group;
    QString first;
    QString last;
    std::function<void()> onLastRead;
    DateFilterChoice filter;
    std::function<void()> handler;
    QStringList log;

private:
    Database& m_db;
};
