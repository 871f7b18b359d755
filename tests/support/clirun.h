#pragma once
// tarvik-cli (or another of the programs) as a script runs it: a process in
// a given working directory, its exit code and both outputs. The test target
// defines TARVIK_CLI_PATH.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

struct CliRun
{
    bool finished = false; // false: stopped by the time limit
    int exitCode = -1;     // -1: crashed or did not finish in time
    QString out;           // what it printed, up to its end or its stop
    QString err;
};

// Exit code and both outputs, for a failed check's message.
inline QString details(const CliRun &r)
{
    return QStringLiteral("exit %1\n--- out\n%2--- err\n%3").arg(r.exitCode).arg(r.out, r.err);
}

inline CliRun runProgram(const QString &program, const QString &workingDir, const QStringList &arguments,
                         int timeoutMs = 120000,
                         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setWorkingDirectory(workingDir);
    p.setProcessEnvironment(environment);
    p.start(program, arguments);
    CliRun r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    } else if (p.exitStatus() == QProcess::NormalExit) {
        r.exitCode = p.exitCode();
    }
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline CliRun runCli(const QString &workingDir, const QStringList &arguments, int timeoutMs = 120000)
{
    return runProgram(QStringLiteral(TARVIK_CLI_PATH), workingDir, arguments, timeoutMs);
}

} // namespace testsupport
