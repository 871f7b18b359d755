#pragma once
// The private test server that CTest started (tests/db/CMakeLists.txt), for
// tests that take it away and bring it back.

#include <QProcess>
#include <QString>
#include <QtGlobal>

namespace testserver {

// Runs scripts/test-db.sh <command> on this build folder's server; true when
// it succeeded.
inline bool control(const QString &command)
{
    const QString script = qEnvironmentVariable("TARVIK_TEST_DB_SCRIPT");
    const QString dir = qEnvironmentVariable("TARVIK_TEST_DB_DIR");
    if (script.isEmpty() || dir.isEmpty())
        return false;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral("bash"), {script, command, dir});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

inline bool pause() { return control(QStringLiteral("pause")); }
inline bool resume() { return control(QStringLiteral("resume")); }

} // namespace testserver
