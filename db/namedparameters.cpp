#include "db/namedparameters.h"

namespace productiondb {

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Index just past the quoted run that starts at 'from' (a doubled quote
// stays inside it); the end of the text when the quote is never closed.
qsizetype skipQuoted(const QString &s, qsizetype from)
{
    const QChar quote = s[from];
    qsizetype i = from + 1;
    while (i < s.size()) {
        if (s[i] == quote) {
            if (i + 1 < s.size() && s[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

} // namespace

PositionalStatement toPositional(const QString &statement)
{
    PositionalStatement out;
    const QString &s = statement;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype end = skipQuoted(s, i);
            out.text += QStringView(s).mid(i, end - i);
            i = end;
        } else if (c == u':' && i + 1 < s.size() && isNameStart(s[i + 1])) {
            qsizetype end = i + 2;
            while (end < s.size() && isNameChar(s[end]))
                ++end;
            out.names.append(s.mid(i + 1, end - i - 1));
            out.text += u'?';
            i = end;
        } else {
            out.text += c;
            ++i;
        }
    }
    return out;
}

} // namespace productiondb
