#include "schedulefile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace schedule {

namespace {

constexpr qsizetype kHolidayBlockSize = 32;
constexpr qsizetype kTransferBlockSize = 64;
constexpr qsizetype kEntrySize = 7;
const QByteArray kSeparator("\r\n", 2);

// A schedule file is a few kilobytes; far larger ones are not read into
// memory at all.
constexpr qint64 kMaxFileSize = 1 << 20;

QByteArray fitted(const QByteArray &item, qsizetype size)
{
    QByteArray out = item.left(size);
    out.resize(size, '\0');
    return out;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString damaged(const QString &why)
{
    return QStringLiteral("Файл тарифного расписания поврежден: %1.").arg(why);
}

// Reads the fixed-size items front to back, each followed by 0D 0A.
class ItemReader
{
public:
    explicit ItemReader(const QByteArray &bytes) : m_bytes(bytes) {}

    // The next item of `size` bytes; nullopt when its separator is not 0D 0A.
    std::optional<QByteArray> next(qsizetype size)
    {
        const qsizetype at = m_pos;
        m_pos += size + kSeparator.size();
        if (QByteArrayView(m_bytes).sliced(at + size, kSeparator.size()) != kSeparator) {
            m_badSeparatorAt = at + size;
            return std::nullopt;
        }
        return m_bytes.mid(at, size);
    }
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    qsizetype badSeparatorAt() const { return m_badSeparatorAt; }

private:
    const QByteArray &m_bytes;
    qsizetype m_pos = 0;
    qsizetype m_badSeparatorAt = -1;
};

} // namespace

QByteArray tscBytes(const ScheduleFileData &data)
{
    QByteArray out;
    out.reserve(kTscHeaderSize + kTscZoneSize * data.zoneEntries.size());
    out += fitted(data.holidayBlock, kHolidayBlockSize) + kSeparator;
    out += fitted(data.transferBlock, kTransferBlockSize) + kSeparator;
    out += char(data.coefficient) + kSeparator;
    for (const QByteArray &entry : data.zoneEntries)
        out += fitted(entry, kEntrySize) + kSeparator;
    return out;
}

std::optional<ScheduleFileData> parseTsc(const QByteArray &bytes, QString *error)
{
    const qsizetype size = bytes.size();
    if (size < kTscHeaderSize) {
        setError(error, damaged(QStringLiteral("длина %1 байт, меньше %2").arg(size).arg(kTscHeaderSize)));
        return std::nullopt;
    }
    if ((size - kTscHeaderSize) % kTscZoneSize != 0) {
        setError(error, damaged(QStringLiteral("длина %1 байт, файл обрывается внутри зоны").arg(size)));
        return std::nullopt;
    }

    ItemReader reader(bytes);
    ScheduleFileData data;
    const auto holidays = reader.next(kHolidayBlockSize);
    const auto transfers = holidays ? reader.next(kTransferBlockSize) : std::nullopt;
    const auto coefficient = transfers ? reader.next(1) : std::nullopt;
    bool ok = coefficient.has_value();
    while (ok && !reader.atEnd()) {
        const auto entry = reader.next(kEntrySize);
        ok = entry.has_value();
        if (ok)
            data.zoneEntries.append(*entry);
    }
    if (!ok) {
        setError(error, damaged(QStringLiteral("нет разделителя 0D 0A по смещению %1").arg(reader.badSeparatorAt())));
        return std::nullopt;
    }
    data.holidayBlock = *holidays;
    data.transferBlock = *transfers;
    data.coefficient = quint8(coefficient->at(0));
    return data;
}

bool saveTscFile(const QString &path, const ScheduleFileData &data, QString *error)
{
    QSaveFile file(path);
    const QByteArray bytes = tscBytes(data);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    setError(error, QStringLiteral("Не удалось сохранить файл тарифного расписания %1: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    file.cancelWriting();
    return false;
}

std::optional<ScheduleFileData> loadTscFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("Не удалось открыть файл тарифного расписания %1: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
        return std::nullopt;
    }
    if (file.size() > kMaxFileSize) {
        setError(error, damaged(QStringLiteral("длина %1 байт, слишком велика").arg(file.size())));
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        setError(error, QStringLiteral("Не удалось прочитать файл тарифного расписания %1: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
        return std::nullopt;
    }
    return parseTsc(bytes, error);
}

} // namespace schedule
