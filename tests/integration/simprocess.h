#pragma once
// Starts the tarvik-sim program on a fresh pseudo-terminal and hands out
// the terminal's path; stops the program when it goes out of scope.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

class SimProcess
{
public:
    explicit SimProcess(const QStringList &arguments)
    {
        m_process.setProgram(QStringLiteral(TARVIK_SIM_PATH));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return;
        while (m_process.waitForReadyRead(10000) || m_process.canReadLine()) {
            if (!m_process.canReadLine())
                continue;
            const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PTY "))) {
                m_path = line.mid(4);
                break;
            }
        }
    }
    ~SimProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    QString path() const { return m_path; }
    QString errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QString m_path;
};

} // namespace testsupport
