#pragma once
// The shared string table of a BIFF8 workbook: every distinct cell text once,
// referred to by index from LABELSST cells. Written as SST and as many
// CONTINUE records as the texts need, then EXTSST (the reader's index into
// the table). A text split between records carries its flags byte again at
// the start of the CONTINUE; a text header is never split.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace xls {

class SharedStrings
{
public:
    // Index of text in the table, added on first use (constant time).
    quint32 add(const QString &text);

    int uniqueCount() const { return int(m_strings.size()); }
    quint32 referenceCount() const { return m_references; }

    // Appends SST, its CONTINUE records and EXTSST to the workbook stream;
    // the stream's current size is where SST begins.
    void write(QByteArray &stream) const;

private:
    QHash<QString, quint32> m_index;
    QList<QString> m_strings;
    quint32 m_references = 0;
};

} // namespace xls
