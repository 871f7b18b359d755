#pragma once
// A journal list as a CSV table for spreadsheets and scripts: UTF-8 with a
// byte-order mark (so spreadsheet programs read the Cyrillic captions right),
// fields quoted as RFC 4180 asks, CR LF line ends.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace journals {

// One field as it goes into a line: quoted, with its quotes doubled, when it
// holds a comma, a quote, CR or LF; as it is otherwise.
QString csvField(const QString &text);

// The whole file: the BOM, the header line of captions, then one line a row.
QByteArray csvTable(const QStringList &captions, const QList<QStringList> &rows);

// Writes csvTable() to path; the file is replaced only once the table is
// wholly written. False with a Russian message when it cannot be written.
bool writeCsvTable(const QString &path, const QStringList &captions, const QList<QStringList> &rows,
                   QString *error);

} // namespace journals
