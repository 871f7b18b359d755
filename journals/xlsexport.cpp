#include "xlsexport.h"

#include "replacefile.h"
#include "xls/workbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace journals {

namespace {

// How often a temporary name taken by someone else between the look and
// the creation is looked for anew before giving up.
constexpr int kReserveAttempts = 16;

// Only names of files that do not exist yet are compared, so the paths
// are all there is; ignoring case costs at most one skipped number where
// the file system tells case apart.
bool samePath(const QString &a, const QString &b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath())
               .compare(QDir::cleanPath(QFileInfo(b).absoluteFilePath()), Qt::CaseInsensitive)
           == 0;
}

bool taken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink(); // a dangling link is taken too
}

// The temporary file beside the target: created here (so a folder that
// cannot hold files shows at once), removed when this goes away unless it
// has become the target.
class TemporaryXls
{
public:
    ~TemporaryXls()
    {
        if (m_file.isOpen())
            m_file.close();
        if (!m_moved && !m_file.fileName().isEmpty())
            QFile::remove(m_file.fileName());
    }

    bool create(const QString &target, QString *reason)
    {
        for (int attempt = 0; attempt < kReserveAttempts; ++attempt) {
            const QString name = temporaryXlsName(target);
            if (name.isEmpty())
                break;
            m_file.setFileName(name);
            if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                return true;
            if (!taken(name)) { // not a race: the folder refuses the file
                *reason = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(name), m_file.errorString());
                m_file.setFileName(QString());
                return false;
            }
        }
        m_file.setFileName(QString());
        *reason = QStringLiteral("Нет свободного имени для временного файла");
        return false;
    }

    // The file holds exactly bytes, on the disk, and is closed.
    bool write(const QByteArray &bytes, QString *reason)
    {
        if (!m_file.isOpen() && !m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(reason);
        if (!m_file.resize(0) || !m_file.seek(0) || m_file.write(bytes) != bytes.size() || !flushToDisk(m_file))
            return fail(reason);
        m_file.close();
        return true;
    }

    bool moveTo(const QString &target, QString *reason)
    {
        if (!replaceFile(m_file.fileName(), target, reason))
            return false;
        m_moved = true;
        return true;
    }

private:
    bool fail(QString *reason)
    {
        *reason = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
        return false;
    }

    QFile m_file;
    bool m_moved = false;
};

QString cellReason(int row, int column, const QString &why)
{
    return QStringLiteral("Ячейка (строка %1, столбец %2): %3").arg(row).arg(column).arg(why);
}

// Row 1: the title, then empty texts up to the table's width; table row r
// at sheet row r + 2, column c at c + 1. The first refused cell ends it.
bool fillWorkbook(xls::Workbook &book, const TextGrid &grid, const QString &title, const QLocale &locale,
                  QString *reason)
{
    QString why;
    if (!book.setText(1, 1, title, &why)) {
        *reason = cellReason(1, 1, why);
        return false;
    }
    const qsizetype width = grid.isEmpty() ? 0 : grid.first().size();
    for (int c = 2; c <= width; ++c)
        if (!book.setText(1, c, QString(), &why)) {
            *reason = cellReason(1, c, why);
            return false;
        }
    for (qsizetype r = 0; r < grid.size(); ++r) {
        const QStringList &cells = grid[r];
        for (qsizetype c = 0; c < cells.size(); ++c) {
            // Beyond the sheet the writer refuses the cell; the clamp only
            // keeps the position from wrapping around.
            const int row = int(qMin<qsizetype>(r + 2, xls::kMaxRows + 1));
            const int column = int(qMin<qsizetype>(c + 1, xls::kMaxColumns + 1));
            const std::optional<double> number = cellNumber(cells[c], locale);
            const bool written = number ? book.setNumber(row, column, *number, &why)
                                        : book.setText(row, column, cells[c], &why);
            if (!written) {
                *reason = cellReason(row, column, why);
                return false;
            }
        }
    }
    return true;
}

} // namespace

QString xlsExportFailedMessage()
{
    return QStringLiteral("Файл не может быть создан в указанной директории, или файл с таким именем сейчас открыт!");
}

// A scan, not a regular expression: it runs for every cell of tables of
// tens of thousands of rows.
std::optional<double> cellNumber(const QString &text, const QLocale &locale)
{
    QStringView rest(text);
    bool negative = false;
    // Signs as typed and as the locale writes them.
    const QString minus = locale.negativeSign(), plus = locale.positiveSign();
    if (rest.startsWith(QLatin1Char('-')) || rest.startsWith(QLatin1Char('+'))) {
        negative = rest.front() == QLatin1Char('-');
        rest = rest.mid(1);
    } else if (!minus.isEmpty() && rest.startsWith(minus)) {
        negative = true;
        rest = rest.mid(minus.size());
    } else if (!plus.isEmpty() && rest.startsWith(plus)) {
        rest = rest.mid(plus.size());
    }
    auto digits = [](QStringView s) {
        qsizetype n = 0;
        while (n < s.size() && s[n] >= QLatin1Char('0') && s[n] <= QLatin1Char('9'))
            ++n;
        return n;
    };
    const qsizetype whole = digits(rest);
    if (whole == 0)
        return std::nullopt;
    QString plain = rest.left(whole).toString();
    rest = rest.mid(whole);
    // The decimal separator only between digits.
    const QString point = locale.decimalPoint();
    if (!rest.isEmpty()) {
        if (!rest.startsWith(point))
            return std::nullopt;
        rest = rest.mid(point.size());
        const qsizetype fraction = digits(rest);
        if (fraction == 0 || fraction != rest.size())
            return std::nullopt;
        plain += QLatin1Char('.') + rest.toString();
    }
    bool ok = false;
    const double value = plain.toDouble(&ok); // the C form
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

QString temporaryXlsName(const QString &target)
{
    const QDir folder = QFileInfo(target).dir();
    for (qint64 n = 1; n < std::numeric_limits<int>::max(); ++n) {
        const QString name = folder.filePath(QString::number(n) + QStringLiteral("new.xls"));
        if (!taken(name) && !samePath(name, target))
            return name;
    }
    return {};
}

bool exportGridToXlsFile(const TextGrid &grid, const QString &title, const QString &target, const QLocale &locale,
                         QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = xlsExportFailedMessage() + QLatin1Char('\n') + reason;
        return false;
    };
    if (target.isEmpty())
        return fail(QStringLiteral("Не указано имя файла"));
    // The template goes to the temporary name first, so a folder that
    // cannot be written fails before any work is done.
    xls::Workbook book = xls::Workbook::fromTemplate();
    TemporaryXls temporary;
    QString reason;
    bool ok = temporary.create(target, &reason) && temporary.write(book.toBytes(), &reason)
              && fillWorkbook(book, grid, title, locale, &reason) && temporary.write(book.toBytes(), &reason);
    // A read-only file cannot be deleted or replaced where the operator
    // works (rename(2) alone would replace it here).
    if (ok && taken(target) && !QFileInfo(target).isWritable()) {
        reason = QStringLiteral("%1: файл только для чтения").arg(QDir::toNativeSeparators(target));
        ok = false;
    }
    ok = ok && temporary.moveTo(target, &reason);
    book.close();
    return ok || fail(reason);
}

} // namespace journals
