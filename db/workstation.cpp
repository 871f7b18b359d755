#include "db/workstation.h"

#include "db/dbconnection.h"
#include "db/systemclock.h"
#include "db/systemidentity.h"

namespace productiondb {

namespace {

IdentifyOutcome notFound(const QString &message)
{
    return {IdentifyOutcome::NotFound, message};
}

IdentifyOutcome failed(const DbResult &result)
{
    return {IdentifyOutcome::Failed, result.error};
}

QString notDescribed(const QString &what, const QString &name)
{
    return what + QStringLiteral(" \"") + name + QStringLiteral("\" не описан в БД.");
}

} // namespace

Workstation::Workstation(DbConnection &db, const SystemIdentity &identity, ClockSetter &clock)
    : m_db(db), m_identity(identity), m_clock(clock)
{
}

QString Workstation::computerKey(const QString &hostName)
{
    return hostName.section(QLatin1Char('.'), 0, 0).left(kMaxNameLength);
}

QString Workstation::loginKey(const QString &userName)
{
    return userName.size() > kMaxNameLength ? QString() : userName;
}

DbResult Workstation::lookUp(const QString &statement, const QVariantMap &params, const QString &column, int *id)
{
    const DbResult r = m_db.run(statement, params);
    if (r.ok)
        *id = r.first(column).toInt(); // no row, or NULL: 0
    return r;
}

DbResult Workstation::lookUpByName(const QString &statement, const QString &parameter, const QString &name,
                                   const QString &column, int *id)
{
    // An empty name (unreadable, or a user name too long) would match a row
    // with an empty name: it is nobody, whatever the table holds.
    if (name.isEmpty()) {
        *id = 0;
        DbResult nothing;
        nothing.ok = true;
        return nothing;
    }
    return lookUp(statement, {{parameter, name}}, column, id);
}

IdentifyOutcome Workstation::IdentifyWorkstation()
{
    const QString computer = computerKey(m_identity.computerName());
    DbResult r = lookUpByName(QueryComputer, QStringLiteral("name"), computer, QStringLiteral("computer_id"),
                              &m_computerId);
    if (!r.ok)
        return failed(r);
    if (m_computerId == 0)
        return notFound(notDescribed(QStringLiteral("Компьютер"), computer));

    const QString login = loginKey(m_identity.userName());
    r = lookUpByName(QueryPerson, QStringLiteral("login"), login, QStringLiteral("person_id"), &m_personId);
    if (!r.ok)
        return failed(r);
    if (m_personId == 0)
        return notFound(notDescribed(QStringLiteral("Пользователь"), login));

    r = lookUp(QueryPlant, {{"computer_id", m_computerId}}, QStringLiteral("plant_id"), &m_plantId);
    if (!r.ok)
        return failed(r);
    if (m_plantId == 0)
        return notFound(QStringLiteral("Установка не описана в БД."));

    r = SyncClockFromServer();
    if (!r.ok)
        return failed(r);
    return {IdentifyOutcome::Identified, {}};
}

DbResult Workstation::SyncClockFromServer()
{
    DbResult r = m_db.run(QueryTime);
    if (!r.ok || r.rows.isEmpty())
        return r;
    const QDateTime server = r.rows.first().value(0).toDateTime();
    if (server.isValid())
        m_clock.setLocalTime(server); // a refusal is ignored
    return r;
}

} // namespace productiondb
