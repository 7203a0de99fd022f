#pragma once

#include <QString>

// What a write path (save, delete) ended with. The window turns it into its message once the transaction has
// ended.
struct WriteOutcome {
    enum Status {
        Saved,      // written and committed
        Duplicate,  // a record with the same key exists; nothing written
        Refused,    // a rule forbids it (reason says which); nothing written
        NotFound,   // the record was deleted meanwhile; nothing written
        Changed,    // the record was changed meanwhile; nothing written
    };
    Status status = Saved;
    QString reason;  // Refused: the message for the user

    bool ok() const { return status == Saved; }
    static WriteOutcome saved() { return {Saved, {}}; }
    static WriteOutcome refused(const QString& why) { return {Refused, why}; }
};
