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
    int exitCode = -1; // -1: crashed or did not finish in time
    QString out;
    QString err;
};

inline CliRun runProgram(const QString &program, const QString &workingDir, const QStringList &arguments,
                         int timeoutMs = 120000,
                         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setWorkingDirectory(workingDir);
    p.setProcessEnvironment(environment);
    p.start(program, arguments);
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

inline CliRun runCli(const QString &workingDir, const QStringList &arguments, int timeoutMs = 120000)
{
    return runProgram(QStringLiteral(TARVIK_CLI_PATH), workingDir, arguments, timeoutMs);
}

} // namespace testsupport
