#pragma once

#include <QString>

// What a store function did: success, or failure with the engine's reason.
struct StoreResult {
    bool ok = true;
    QString error;

    static StoreResult failure(const QString& why) { return {false, why}; }
    explicit operator bool() const { return ok; }
};
