#include "portlist.h"

namespace meterlink {

int portFromCaption(const QString &caption, int defaultValue)
{
    bool ok = false;
    const int n = caption.mid(3).trimmed().toInt(&ok);
    return ok ? n : defaultValue;
}

QString windowsDevicePath(int number) { return QStringLiteral("\\\\.\\COM%1").arg(number); }

QList<PortEntry> portsFromRegistryNames(const QStringList &names)
{
    QList<PortEntry> entries;
    for (const QString &name : names) {
        const int n = portFromCaption(name, -1);
        entries.append({name, n, n >= 0 ? windowsDevicePath(n) : QStringLiteral("\\\\.\\") + name, n >= 0});
    }
    return entries;
}

QStringList portNamesFromRegistryValues(const QList<RegistryValue> &values)
{
    QStringList names;
    for (const RegistryValue &value : values) {
        if (value.type != kRegSz && value.type != kRegExpandSz)
            continue;
        // The data need not be terminated, and may end in half a character.
        const auto units = value.data.size() / 2;
        QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(value.data.constData()), units);
        const auto nul = text.indexOf(QChar(u'\0'));
        if (nul >= 0)
            text.truncate(nul);
        text = text.trimmed();
        if (!text.isEmpty())
            names << text;
    }
    return names;
}

PortEntry unixPortEntry(const QString &nameOrPath)
{
    const QString path = nameOrPath.startsWith(QLatin1Char('/')) ? nameOrPath : QStringLiteral("/dev/") + nameOrPath;
    return {path, -1, path};
}

} // namespace meterlink
