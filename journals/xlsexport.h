#pragma once
// Writing a journal table into an .xls workbook, the engine behind the
// "Экспорт" buttons and --xls (no widgets, no dialogs): row 1 holds the
// title in column 1 and empty texts up to the table's width; table row r
// goes to sheet row r + 2, column c to column c + 1.
//
// The old file is never lost: the workbook is written whole to a temporary
// file F + n + "new.xls" beside the target (n = 1, 2, ... the first free)
// and replaces the target only when complete; the temporary file is gone
// on every path.

#include "textgrid.h"

#include <QLocale>
#include <QString>
#include <optional>

namespace journals {

// The warning of a failed export.
QString xlsExportFailedMessage(); // "Файл не может быть создан в указанной директории, или файл с таким именем сейчас открыт!"

// The number a cell text stands for: only finite values in the forms the
// program shows (optional sign, digits, optionally the locale's decimal
// separator and digits). Dates, times, "inf", "nan", texts with group
// separators and everything else stay text: nullopt.
std::optional<double> cellNumber(const QString &text, const QLocale &locale);

// The temporary name for target: its folder (found with QFileInfo) + n +
// "new.xls", n the first for which no file exists. Never equals target.
QString temporaryXlsName(const QString &target);

// Writes the table under target. false and *error = xlsExportFailedMessage()
// (the reason after a newline, for logs and the command line) when any
// cell or the file cannot be written; target is then untouched.
bool exportGridToXlsFile(const TextGrid &grid, const QString &title, const QString &target,
                         const QLocale &locale, QString *error);

} // namespace journals
