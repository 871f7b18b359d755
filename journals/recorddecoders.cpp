#include "journals/recorddecoders.h"

#include "link/speeds.h"
#include "protocol/encodings.h"
#include "protocol/meterdecoders.h"

#include <array>

namespace journals {

namespace {

using protocol::formatFixed;

// The payload with a check that a field's bytes are all there: a short
// record leaves the cells of its missing fields empty.
class Payload
{
public:
    explicit Payload(QByteArrayView bytes) : m_bytes(bytes) {}
    bool has(qsizetype at, qsizetype width) const { return at + width <= m_bytes.size(); }
    quint8 u8(qsizetype at) const { return quint8(m_bytes[at]); }
    quint16 u16(qsizetype at) const { return protocol::u16le(m_bytes, at); }
    quint32 u24(qsizetype at) const { return protocol::u24le(m_bytes, at); }
    quint32 u32(qsizetype at) const { return protocol::u32le(m_bytes, at); }
    double real(qsizetype at) const { return protocol::meterFloat(u32(at)); }
    QDateTime seconds(qsizetype at) const { return protocol::meterSecondsToDateTime(u32(at)); }

private:
    QByteArrayView m_bytes;
};

QString hex2(quint8 byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString twoDigits(quint32 value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// A time in units of 20 s as minutes and seconds: 23 -> "7:40".
QString minutesSeconds(quint32 units)
{
    return QString::number(units / 3) + u':' + twoDigits((units % 3) * 20);
}

// A threshold in units of 20 s: whole minutes alone, else ":20" or ":40".
QString threshold(quint32 units)
{
    QString text = QString::number(units / 3);
    if (units % 3 != 0)
        text += u':' + QString::number((units % 3) * 20);
    return text;
}

QString itemOrRaw(const QStringList &items, int index)
{
    return index >= 0 && index < items.size() ? items[index] : QStringLiteral("(?) ") + QString::number(index);
}

// ---- month and day records ------------------------------------------------

// Columns shared by the month and day lists.
enum EnergyColumn { ColDate = 0, ColActive = 1, ColReactForward = 2, ColReactReverse = 3, ColTariff1 = 8,
                    ColWorkingTime = 16, ColCounter1 = 17, kEnergyColumns = 20 };

// "Дата" from the hex digits of the date bytes, so a byte 1A shows as 1A;
// the row's moment only when the bytes are a real date.
void putDate(const Payload &p, JournalRow &row)
{
    if (!p.has(1, 3))
        return;
    row.cells[ColDate] = hex2(p.u8(1)) + u'.' + hex2(p.u8(2)) + QStringLiteral(".20") + hex2(p.u8(3));
    for (int at = 1; at <= 3; ++at)
        if ((p.u8(at) & 0x0F) > 9 || (p.u8(at) >> 4) > 9)
            return;
    const QDate date(2000 + protocol::bcd8(p.u8(3)), protocol::bcd8(p.u8(2)), protocol::bcd8(p.u8(1)));
    if (date.isValid())
        row.when = QDateTime(date, QTime(0, 0));
}

// Tariffs 1..8 (empty when not above 0) and their sum in "Активная", which
// stays empty when a tariff is missing: a partial sum would be a wrong number.
void putTariffs(const Payload &p, JournalRow &row, const QLocale &locale)
{
    double sum = 0.0;
    bool complete = true;
    for (int i = 0; i < 8; ++i) {
        const qsizetype at = 4 + 4 * i;
        if (!p.has(at, 4)) {
            complete = false;
            continue;
        }
        const double value = p.real(at);
        sum += value;
        if (value > 0.0)
            row.cells[ColTariff1 + i] = formatFixed(value, 2, locale);
    }
    if (complete)
        row.cells[ColActive] = formatFixed(sum, 2, locale);
}

void putFloat(const Payload &p, qsizetype at, QString &cell, const QLocale &locale)
{
    if (p.has(at, 4))
        cell = formatFixed(p.real(at), 2, locale);
}

// Date, tariffs, reactive energies, working time and the three discrete
// counters: the same fields in both records, the last two at `tail`.
JournalRow energyRow(const Payload &p, qsizetype tail, const QLocale &locale)
{
    JournalRow row;
    row.cells = QStringList(kEnergyColumns, QString());
    putDate(p, row);
    putTariffs(p, row, locale);
    putFloat(p, 36, row.cells[ColReactForward], locale);
    putFloat(p, 40, row.cells[ColReactReverse], locale);
    if (p.has(tail, 4))
        row.cells[ColWorkingTime] = protocol::MeterDecoders::workingTimeText(p.u32(tail));
    for (int k = 0; k < 3; ++k)
        putFloat(p, tail + 4 + 4 * k, row.cells[ColCounter1 + k], locale);
    return row;
}

JournalRow monthRow(const Payload &p, const QLocale &locale)
{
    JournalRow row = energyRow(p, 57, locale);
    if (p.has(48, 3))
        row.cells[4] = formatFixed(p.u24(48) / 10.0, 1, locale);
    if (p.has(44, 4))
        row.cells[5] = protocol::formatDateTime(p.seconds(44), locale);
    if (p.has(51, 3)) {
        const quint32 minutes = p.u24(51) / 3;
        row.cells[6] = QString::number(minutes / 60) + u':' + twoDigits(minutes % 60);
    }
    // The threshold and its flags make one text: shown only with both.
    if (p.has(54, 3)) {
        QString text = threshold(p.u16(54));
        if (p.u8(56) & 0x01)
            text += QStringLiteral(" Account Kind");
        if (p.u8(56) & 0x02)
            text += QStringLiteral(" JTVF");
        row.cells[7] = text;
    }
    return row;
}

JournalRow dayRow(const Payload &p, const QLocale &locale)
{
    JournalRow row = energyRow(p, 51, locale);
    for (int k = 0; k < 3; ++k)
        if (p.has(44 + 2 * k, 2))
            row.cells[4 + k] = minutesSeconds(p.u16(44 + 2 * k));
    if (p.has(50, 1))
        row.cells[7] = QString::number(p.u8(50));
    return row;
}

// ---- event records: time stamp at 0, one byte at 4 -------------------------

JournalRow stampedRow(const Payload &p, int columns, const QLocale &locale)
{
    JournalRow row;
    row.cells = QStringList(columns, QString());
    if (p.has(0, 4)) {
        row.when = p.seconds(0);
        row.cells[0] = protocol::formatDateTime(row.when, locale);
    }
    return row;
}

QString onOffEvent(quint8 event)
{
    switch (event) {
    case 0: return QStringLiteral("выключение");
    case 1: return QStringLiteral("включение");
    case 2: return QStringLiteral("отключение нагрузки");
    case 3: return QStringLiteral("подключение нагрузки");
    default: return QStringLiteral("? ") + QString::number(event);
    }
}

// Each set bit, lowest first, adds a blank and its name.
QString qualityFlags(quint8 flags)
{
    static const std::array<const char16_t *, 8> names{u"U -10%",    u"U -5%",     u"U +5%",     u"U +10%",
                                                       u"F -0,4 Гц", u"F -0,2 Гц", u"F +0,2 Гц", u"F +0,4 Гц"};
    QString text;
    for (int bit = 0; bit < 8; ++bit)
        if (flags & (1 << bit))
            text += u' ' + QString::fromUtf16(names[bit]);
    return text;
}

JournalRow eventRow(const Payload &p, Journal j, const QLocale &locale)
{
    JournalRow row = stampedRow(p, 2, locale);
    if (p.has(4, 1))
        row.cells[1] = j == Journal::OnOff ? onOffEvent(p.u8(4)) : qualityFlags(p.u8(4));
    return row;
}

// ---- settings-change records ------------------------------------------------

// The value text of a code from bytes 5..8; empty when its bytes are missing.
using ValueText = QString (*)(const Payload &p, const QLocale &locale);

struct SettingCode
{
    int code;
    const char16_t *parameter;
    const char16_t *note;
    qsizetype valueBytes; // how many of bytes 5..8 the value needs
    ValueText value;      // nullptr: no value shown
};

QString byteDecimal(const Payload &p, const QLocale &) { return QString::number(p.u8(5)); }
QString word(const Payload &p, const QLocale &) { return QString::number(p.u16(5)); }
QString dword(const Payload &p, const QLocale &) { return QString::number(p.u32(5)); }

QString clockValue(const Payload &p, const QLocale &locale)
{
    return protocol::formatDateTime(p.seconds(5), locale);
}

QString billingDay(const Payload &p, const QLocale &) { return hex2(p.u8(5)) + QStringLiteral(" - ") + hex2(p.u8(6)); }

QString profilePeriod(const Payload &p, const QLocale &)
{
    return itemOrRaw(protocol::MeterDecoders::profilePeriodItems(), p.u8(5));
}

QString plcAddress(const Payload &p, const QLocale &)
{
    return QString::number(p.u8(5)) + QStringLiteral(" - ") + QString::number(p.u8(6));
}

QString poorQuality(const Payload &p, const QLocale &)
{
    QString text = threshold(p.u16(5));
    if (p.u8(7) & 0x01)
        text += QStringLiteral(" - AccountKind");
    if (p.u8(7) & 0x02)
        text += QStringLiteral("- JTVF");
    return text;
}

QString remoteControl(const Payload &p, const QLocale &)
{
    const int mode = p.u8(8);
    if (mode >= 4)
        return {};
    return QString::number(p.u24(5)) + u' ' + protocol::MeterDecoders::loadModeItems().value(mode);
}

QString rs485(const Payload &p, const QLocale &)
{
    return QString::number(p.u8(5)) + u'-' + itemOrRaw(meterlink::speedItems(), p.u8(6) & 0x07);
}

constexpr SettingCode kSettingCodes[] = {
    {1, u"время", u"установленное = предыдущее", 4, clockValue},
    {2, u"коэфф. лимита тар. расп.", u"", 1, byteDecimal},
    {3, u"пароль", u"", 0, nullptr},
    {4, u"пер. инт. пик. мощн.", u"мин.", 1, byteDecimal},
    {5, u"РДЧ", u"день - час", 2, billingDay},
    {6, u"сброс показаний на РДЧ", u"", 0, nullptr},
    {7, u"индикация", u"", 0, nullptr},
    {16, u"период фиксации профиля", u"мин.", 1, profilePeriod},
    {20, u"сброс пломбы", u"", 0, nullptr},
    {22, u"нарушение пломбы клемника", u"", 0, nullptr},
    {50, u"тарифное расписание", u"контр. сумма", 2, word},
    {51, u"праздники", u"", 0, nullptr},
    {52, u"переносы", u"", 0, nullptr},
    {53, u"группа-адрес RFPLC", u"группа - адрес", 2, plcAddress},
    {54, u"маршруты RFPLC", u"", 0, nullptr},
    {55, u"пар. расч. некач. энергии", u"порог врем. - алг. учета", 3, poorQuality},
    {56, u"номер и мощность радиоканала", u"", 0, nullptr},
    {57, u"лимит мощности нагрузки", u"Вт", 2, word},
    {58, u"номер пульта и режим нагрузки", u"№ - мощность (dB)", 4, remoteControl},
    {59, u"Rs-485", u"адрес-скорость", 2, rs485},
    {60, u"калибровка датчика 1", u"", 2, word},
    {61, u"калибровка датчика 2", u"", 2, word},
    {62, u"калибровка датчика 3", u"", 2, word},
    {63, u"установка датчика 1", u"", 4, dword},
    {64, u"установка датчика 2", u"", 4, dword},
    {65, u"установка датчика 3", u"", 4, dword},
};

const SettingCode *settingCode(int code)
{
    for (const SettingCode &entry : kSettingCodes)
        if (entry.code == code)
            return &entry;
    return nullptr;
}

JournalRow settingsRow(const Payload &p, const QLocale &locale)
{
    JournalRow row = stampedRow(p, 4, locale);
    if (!p.has(4, 1))
        return row;
    const SettingCode *entry = settingCode(p.u8(4));
    if (!entry) {
        row.cells[1] = QStringLiteral("(?) ") + QString::number(p.u8(4));
        return row;
    }
    row.cells[1] = QString::fromUtf16(entry->parameter);
    row.cells[3] = QString::fromUtf16(entry->note);
    if (entry->value && p.has(5, entry->valueBytes))
        row.cells[2] = entry->value(p, locale);
    return row;
}

// ---- load profile -----------------------------------------------------------

JournalRow profileRow(const Payload &p, const QLocale &locale)
{
    JournalRow row;
    row.cells = QStringList(4, QString());
    if (p.has(0, 4)) {
        row.when = p.seconds(0);
        row.cells[0] = locale.toString(row.when.time(), protocol::longTimeFormat(locale));
    }
    for (int k = 0; k < 3; ++k)
        putFloat(p, 4 + 4 * k, row.cells[1 + k], locale);
    return row;
}

} // namespace

JournalRow decodeRecord(Journal j, QByteArrayView payload, const QLocale &locale)
{
    const Payload p(payload);
    switch (j) {
    case Journal::Month: return monthRow(p, locale);
    case Journal::Day: return dayRow(p, locale);
    case Journal::OnOff:
    case Journal::Quality: return eventRow(p, j, locale);
    case Journal::Settings: return settingsRow(p, locale);
    case Journal::Profile: return profileRow(p, locale);
    }
    return {};
}

std::optional<ProfilePoint> decodeProfilePoint(QByteArrayView payload)
{
    const Payload p(payload);
    if (!p.has(0, 16))
        return std::nullopt;
    ProfilePoint point;
    point.when = p.seconds(0);
    for (int k = 0; k < 3; ++k)
        point.values[k] = p.real(4 + 4 * k);
    return point;
}

} // namespace journals
