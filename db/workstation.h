#pragma once
// Which workstation, operator and installation the station works for in
// the production database, and the PC clock kept on the server's.
//
// IdentifyWorkstation looks up this computer (by its short network name),
// the logged-in operator (by the user name, among active operators; an
// empty name is nobody, not the row with an empty login) and the
// installation of type 3 of the computer; then it sets the PC clock from
// the server. Each identifier is replaced when its query has run (0: not
// found; a NULL counts as not found; only the first row is read). When one
// is missing the caller shows the message and ends the program; when a
// statement fails the caller shows the error and goes on with the
// identifiers as they stand.

#include "db/dbresult.h"

#include <QString>

namespace productiondb {

class ClockSetter;
class DbConnection;
class SystemIdentity;

struct IdentifyOutcome
{
    enum Kind {
        Identified, // all three found, the clock set (a refusal is ignored)
        NotFound,   // message: show it (kStoppedCaption) and end the program
        Failed,     // message: a statement failed; the program goes on
    };
    Kind kind = Failed;
    QString message;
};

class Workstation
{
public:
    static inline const QString kStoppedCaption = QStringLiteral("Приложение остановлено");
    // Longest computer and user name the station sends.
    static constexpr int kMaxNameLength = 16;

    static inline const QString QueryComputer = QStringLiteral("SELECT * FROM computer\nWHERE name = :name");
    static inline const QString QueryPerson =
        QStringLiteral("SELECT * FROM operator\nWHERE login = :login\nAND operating = 1");
    static inline const QString QueryPlant =
        QStringLiteral("SELECT * FROM plant\nWHERE type_id = 3\nAND computer_id = :computer_id");
    static inline const QString QueryTime = QStringLiteral("SELECT getdate()");

    Workstation(DbConnection &db, const SystemIdentity &identity, ClockSetter &clock);

    IdentifyOutcome IdentifyWorkstation();
    // Sets the PC clock to the server's getdate(), to the millisecond. A
    // refusal of the system, or no date-time from the server, is ignored;
    // only a failed statement is reported (the result's ok and error).
    DbResult SyncClockFromServer();

    int computerId() const { return m_computerId; }
    int personId() const { return m_personId; }
    int plantId() const { return m_plantId; }

    // The computer's key in the database: its name without a domain part,
    // at most kMaxNameLength characters.
    static QString computerKey(const QString &hostName);
    // The operator's login: the user name, or empty when it is longer than
    // kMaxNameLength characters (it does not fit the system's name buffer).
    static QString loginKey(const QString &userName);

private:
    // Runs a lookup; *id := its column of the first row (0 for none or NULL).
    DbResult lookUp(const QString &statement, const QVariantMap &params, const QString &column, int *id);
    // The same by a name; an empty name finds nothing without asking.
    DbResult lookUpByName(const QString &statement, const QString &parameter, const QString &name,
                          const QString &column, int *id);

    DbConnection &m_db;
    const SystemIdentity &m_identity;
    ClockSetter &m_clock;
    int m_computerId = 0;
    int m_personId = 0;
    int m_plantId = 0;
};

} // namespace productiondb
