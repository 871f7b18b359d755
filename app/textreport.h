#pragma once
// The short text report ("Краткий отчет"): the values of the page
// "О счетчике" as lines of two texts separated by a TAB (a separator line is
// a single TAB), saved in Windows-1251 with CR LF after every line.

#include <QDateTime>
#include <QStringList>

namespace protocol {
class MeterPage;
}

namespace app {

// The lines in their order: "Системное время", ListMain, "Текущие
// показания", "Показания на РДЧ", "Параметры", ListInfo, "Дискретные
// датчики". A page never read still gives every row title.
QStringList textReportLines(const protocol::MeterPage &page, const QDateTime &now);

// Windows-1251 (a character it lacks becomes "?"), every line ended by
// CR LF, written through QSaveFile: an existing file stays as it was when
// the write fails; false and *error (Russian) then.
bool writeTextReport(const QString &path, const QStringList &lines, QString *error);

} // namespace app
