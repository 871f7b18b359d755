#pragma once
// The production tables as the demo fills them (db/demo-seed.sql), with this
// computer and its user described, loaded into the test server through the
// mariadb client. The test target defines TARVIK_DEMO_SEED; the database
// fixtures set TARVIK_TEST_DB_SCRIPT and TARVIK_TEST_DB_DIR.

#include "db/systemidentity.h"
#include "db/workstation.h"

#include <QFile>
#include <QProcess>
#include <QString>

namespace testsupport {

// This computer and its user as the station looks them up.
inline QString computerKey()
{
    return productiondb::Workstation::computerKey(productiondb::OsIdentity().computerName());
}
inline QString loginKey() { return productiondb::Workstation::loginKey(productiondb::OsIdentity().userName()); }

inline QString sqlText(const QString &text) { return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\''; }

inline bool loadDemoSeed()
{
    QFile seed(QStringLiteral(TARVIK_DEMO_SEED));
    if (!seed.open(QIODevice::ReadOnly))
        return false;
    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedChannels);
    client.start(QStringLiteral("bash"), {qEnvironmentVariable("TARVIK_TEST_DB_SCRIPT"), QStringLiteral("client"),
                                          qEnvironmentVariable("TARVIK_TEST_DB_DIR")});
    client.write(QStringLiteral("SET @computer_name = %1;\nSET @operator_login = %2;\n")
                     .arg(sqlText(computerKey()), sqlText(loginKey()))
                     .toUtf8());
    client.write(seed.readAll());
    client.closeWriteChannel();
    return client.waitForFinished(60000) && client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
}

} // namespace testsupport
