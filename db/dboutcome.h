#pragma once
// What a database step of the operation records tells the window: go on,
// or which message to show. Every message box here has an error icon.

#include <QString>

namespace productiondb {

struct DbOutcome
{
    enum Kind {
        Done,          // the step did what it should
        Refused,       // a rule refused the meter: box with text and caption
        RecordFailed,  // the record was rolled back: box with text and caption
        DatabaseError, // a statement outside a record failed: the general
                       // error handler shows text
    };

    Kind kind = Done;
    QString text;
    QString caption; // empty for DatabaseError

    bool done() const { return kind == Done; }

    static DbOutcome ok() { return {}; }
    static DbOutcome refused(const QString &text, const QString &caption) { return {Refused, text, caption}; }
    static DbOutcome recordFailed(const QString &text, const QString &caption)
    {
        return {RecordFailed, text, caption};
    }
    static DbOutcome databaseError(const QString &text) { return {DatabaseError, text, {}}; }
};

} // namespace productiondb
