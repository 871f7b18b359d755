#include "meterverboptions.h"

#include "protocol/indicator.h"
#include "protocol/rfplc.h"

namespace cli {

namespace {

// Decimal, or hexadecimal after 0x; never octal.
bool parseNumber(const QString &text, qulonglong max, qulonglong *out)
{
    bool ok = false;
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const qulonglong v = hex ? text.mid(2).toULongLong(&ok, 16) : text.toULongLong(&ok, 10);
    if (!ok || v > max || text.startsWith(QLatin1Char('+')))
        return false;
    *out = v;
    return true;
}

class Taker
{
public:
    Taker(QStringList &args, QString *error) : m_args(args), m_error(error) {}

    // The values after the verb at i, removed together with it.
    bool take(qsizetype i, int count, QStringList *values)
    {
        const QString verb = m_args[i];
        if (i + count >= m_args.size())
            return fail(QStringLiteral("%1: нужно значений: %2").arg(verb).arg(count));
        *values = m_args.mid(i + 1, count);
        m_args.remove(i, count + 1);
        m_verb = verb;
        return true;
    }
    bool number(const QString &text, const QString &what, qulonglong max, qulonglong *out)
    {
        if (parseNumber(text, max, out))
            return true;
        return fail(QStringLiteral("Неверное значение %1 (%2): %3 (допустимо 0..%4)").arg(m_verb, what, text).arg(max));
    }
    bool fail(const QString &message)
    {
        *m_error = message;
        return false;
    }

private:
    QStringList &m_args;
    QString *m_error;
    QString m_verb;
};

bool takePlcAddress(Taker &t, const QStringList &v, MeterVerbOptions *out)
{
    qulonglong group = 0, address = 0;
    if (!t.number(v[0], QStringLiteral("группа"), 255, &group) || !t.number(v[1], QStringLiteral("адрес"), 255, &address))
        return false;
    out->plcGroup = int(group);
    out->plcAddress = int(address);
    return true;
}

bool takeRoute(Taker &t, const QStringList &v, MeterVerbOptions *out)
{
    qulonglong route = 0, repeater = 0, number = 0;
    if (!t.number(v[0], QStringLiteral("маршрут"), protocol::RfPlc::kRoutes - 1, &route)
        || !t.number(v[1], QStringLiteral("адрес ретранслятора"), 255, &repeater)
        || !t.number(v[2], QStringLiteral("номер"), protocol::RfPlc::kMaxRouteNumber, &number))
        return false;
    out->route = int(route);
    out->routeRepeater = int(repeater);
    out->routeNumber = QString::number(number); // EditNumb as the operator would type it
    return true;
}

bool takeIndicator(Taker &t, const QStringList &v, MeterVerbOptions *out)
{
    qulonglong mask = 0, word = 0;
    if (!t.number(v[0], QStringLiteral("маска"), 0xFFFF, &mask) || !t.number(v[1], QStringLiteral("подсветка"), 0xFFFFFFFF, &word))
        return false;
    constexpr qulonglong kUnusedMaskBits = 0x6000; // bits 13, 14: no such screens
    constexpr qulonglong kUnusedWordBits = 0x38000000; // bits 27..29
    if (mask & kUnusedMaskBits)
        return t.fail(QStringLiteral("--write-indicator: биты 13 и 14 маски не используются"));
    if (!(mask & protocol::kByPowerBit) && (word & kUnusedWordBits))
        return t.fail(QStringLiteral("--write-indicator: биты 27..29 слова подсветки должны быть 0"));
    out->indicatorMask = int(mask);
    out->indicatorWord = quint32(word);
    return true;
}

} // namespace

bool takeMeterVerbs(QStringList &arguments, MeterVerbOptions *out, QString *error)
{
    Taker t(arguments, error);
    for (qsizetype i = 1; i < arguments.size();) {
        const QString a = arguments[i];
        QStringList v;
        if (a == QLatin1String("--")) {
            break; // what follows is no option
        } else if (a == QLatin1String("--write-plc-address")) {
            if (!t.take(i, 2, &v) || !takePlcAddress(t, v, out))
                return false;
        } else if (a == QLatin1String("--write-route")) {
            if (!t.take(i, 3, &v) || !takeRoute(t, v, out))
                return false;
        } else if (a == QLatin1String("--delete-route")) {
            qulonglong route = 0;
            if (!t.take(i, 1, &v) || !t.number(v[0], QStringLiteral("маршрут"), protocol::RfPlc::kRoutes - 1, &route))
                return false;
            out->deleteRoute = int(route);
        } else if (a == QLatin1String("--read-indicator")) {
            arguments.remove(i);
            out->readIndicator = true;
        } else if (a == QLatin1String("--write-indicator")) {
            if (!t.take(i, 2, &v) || !takeIndicator(t, v, out))
                return false;
        } else {
            ++i;
        }
    }
    return true;
}

} // namespace cli
