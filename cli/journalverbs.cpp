#include "journalverbs.h"

#include "app/station.h"
#include "journals/csvtable.h"
#include "journals/journalreader.h"
#include "journals/journaltitles.h"
#include "journals/xlsexport.h"
#include "protocol/encodings.h"

namespace cli {

JournalVerbs::JournalVerbs(app::Station &station, const Options &options, QObject *parent)
    : QObject(parent),
      m_station(station),
      m_journal(options.readJournal),
      m_day(options.journalDay),
      m_csvPath(options.csvPath),
      m_xlsPath(options.xlsPath)
{
    auto &reader = station.journals();
    connect(&reader, &journals::JournalReader::readFinished, this,
            [this](journals::Journal j) { onReadEnded(j, false); });
    connect(&reader, &journals::JournalReader::readAborted, this,
            [this](journals::Journal j) { onReadEnded(j, true); });
}

// Not from inside the link's queue change: the header request goes in on its own.
void JournalVerbs::start()
{
    if (m_step == Step::Idle && any())
        QMetaObject::invokeMethod(this, &JournalVerbs::read, Qt::QueuedConnection);
}

void JournalVerbs::read()
{
    if (m_step != Step::Idle)
        return;
    m_step = Step::Reading;
    if (!m_station.journals().read(*m_journal, m_day))
        finish(ExitBatchFailed, QStringLiteral("Нет связи со счетчиком"));
}

void JournalVerbs::onReadEnded(journals::Journal j, bool aborted)
{
    if (m_step != Step::Reading || j != *m_journal)
        return;
    if (QString error; !writeFiles(&error)) {
        finish(ExitScheduleFile, error);
        return;
    }
    if (aborted)
        finish(ExitBatchFailed, QStringLiteral("Чтение журнала \"%1\" прервано").arg(journals::journalCaption(j)));
    else
        finish(ExitOk);
}

// The rows read so far go to the files asked for, even from a read cut off.
bool JournalVerbs::writeFiles(QString *error) const
{
    const QList<QStringList> t = table();
    if (!m_csvPath.isEmpty() && !journals::writeCsvTable(m_csvPath, t.first(), t.mid(1), error))
        return false;
    if (m_xlsPath.isEmpty())
        return true;
    const QString title = journals::exportTitle(*m_journal, m_station.journals().serialOf(*m_journal));
    return journals::exportGridToXlsFile(t, title, m_xlsPath, protocol::displayLocale(), error);
}

// Every row as wide as the header: a missing cell is an empty one.
QList<QStringList> JournalVerbs::table() const
{
    const QStringList captions = journals::journalColumns(*m_journal);
    QList<QStringList> t{captions};
    for (const journals::JournalRow &row : m_station.journals().rows(*m_journal)) {
        QStringList cells = row.cells.mid(0, captions.size());
        while (cells.size() < captions.size())
            cells << QString();
        t << cells;
    }
    return t;
}

QStringList JournalVerbs::resultLines() const
{
    if (!any() || !m_csvPath.isEmpty() || !m_xlsPath.isEmpty() || m_step == Step::Idle)
        return {};
    QStringList lines;
    for (const QStringList &cells : table())
        lines << cells.join(QLatin1Char('\t'));
    return lines;
}

void JournalVerbs::finish(int exitCode, const QString &message)
{
    if (m_step == Step::Done)
        return;
    m_step = Step::Done;
    emit finished(exitCode, message);
}

} // namespace cli
