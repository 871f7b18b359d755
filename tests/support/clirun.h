#pragma once
// tarvik-cli as a script runs it: a process in a given working directory,
// its exit code and both outputs. The test target defines TARVIK_CLI_PATH.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

struct CliRun
{
    int exitCode = -1; // -1: crashed or did not finish in time
    QString out;
    QString err;
};

inline CliRun runCli(const QString &workingDir, const QStringList &arguments, int timeoutMs = 120000)
{
    QProcess p;
    p.setWorkingDirectory(workingDir);
    p.start(QStringLiteral(TARVIK_CLI_PATH), arguments);
    CliRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace testsupport
