#include "functioncatalogue.h"

#include <QHash>

namespace protocol {

namespace {

const QHash<int, QString> &names()
{
    static const QHash<int, QString> table{
        {0x00, QStringLiteral("чтение версии ПО")},
        {0x01, QStringLiteral("чтение номера")},
        {0x02, QStringLiteral("запись номера")},
        {0x03, QStringLiteral("запись параметров Rs-485")},
        {0x04, QStringLiteral("чтение времени")},
        {0x05, QStringLiteral("запись времени")},
        {0x06, QStringLiteral("чтение коэффициента лимита тарифного расписания")},
        {0x07, QStringLiteral("запись коэффициента лимита тарифного расписания")},
        {0x08, QStringLiteral("чтение тарифного расписания")},
        {0x09, QStringLiteral("запись тарифного расписания")},
        {0x0A, QStringLiteral("чтение адреса RFPLC")},
        {0x0B, QStringLiteral("запись адреса RFPLC")},
        {0x0F, QStringLiteral("чтение показаний")},
        {0x11, QStringLiteral("чтение счетчиков работы и коррекции")},
        {0x14, QStringLiteral("ввод пароля")},
        {0x15, QStringLiteral("запись пароля")},
        {0x16, QStringLiteral("чтение номера пульта и режима управления нагрузкой")},
        {0x17, QStringLiteral("запись номера пульта и режима управления нагрузкой")},
        {0x18, QStringLiteral("чтение лимита мощности")},
        {0x19, QStringLiteral("запись лимита мощности")},
        {0x1C, QStringLiteral("чтение дискретных датчиков")},
        {0x1D, QStringLiteral("запись дискретных датчиков")},
        {0x1E, QStringLiteral("чтение времени интегрирования пиковой мощности")},
        {0x1F, QStringLiteral("запись времени интегрирования пиковой мощности")},
        {0x20, QStringLiteral("чтение маршрутов ретрансляции")},
        {0x21, QStringLiteral("запись маршрутов ретрансляции")},
        {0x22, QStringLiteral("чтение расчетного дня и часа")},
        {0x23, QStringLiteral("запись расчетного дня и часа")},
        {0x24, QStringLiteral("сброс показаний РДЧ")},
        {0x25, QStringLiteral("заряд батареи")},
        {0x26, QStringLiteral("чтение праздников")},
        {0x27, QStringLiteral("запись праздников")},
        {0x28, QStringLiteral("чтение переносов")},
        {0x29, QStringLiteral("запись переносов")},
        {0x2B, QStringLiteral("чтение пиковых мощностей")},
        {0x2E, QStringLiteral("чтение индикатора")},
        {0x2F, QStringLiteral("запись индикатора")},
        {0x32, QStringLiteral("чтение данных из внешней памяти")},
        {0x33, QStringLiteral("запись данных во внешнюю памяти")},
        {0x34, QStringLiteral("чтение нетарифицированных показаний")},
        {0x4C, QStringLiteral("чтение цифрового идентификатора ПО")},
        {0x4D, QStringLiteral("чтение температуры")},
        {0x4E, QStringLiteral("чтение телеметрического канала")},
        {0x4F, QStringLiteral("установка телеметрического канала")},
        {0x50, QStringLiteral("чтение периода фиксации профиля")},
        {0x51, QStringLiteral("запись периода фиксации профиля")},
        {0x57, QStringLiteral("запись даты калибровки")},
        {0x5C, QStringLiteral("чтение статуса")},
        {0x5D, QStringLiteral("чтение журнала")},
        {0x5F, QStringLiteral("сброс электронной пломбы")},
        {0x60, QStringLiteral("чтение параметров некачественной энергии")},
        {0x61, QStringLiteral("запись параметров некачественной энергии")},
    };
    return table;
}

} // namespace

QString functionName(int code)
{
    const auto it = names().constFind(((code % 128) + 128) % 128);
    if (it != names().constEnd())
        return *it;
    return QStringLiteral("неизвестная функция ") + QString::number(code);
}

QString errorText(int errorCode)
{
    switch (errorCode) {
    case 1: return QStringLiteral("Ошибка: Неизвестная функция");
    case 2: return QStringLiteral("Ошибка: Неверная длина запроса");
    case 3: return QStringLiteral("Ошибка: Неверная контрольная сумма");
    case 4: return QStringLiteral("Ошибка: Неверные данные запроса");
    case 5: return QStringLiteral("Ошибка: Память защищена");
    case 6: return QStringLiteral("Ошибка: Нет доступа для записи");
    case 9: return QStringLiteral("Ошибка: Память занята");
    default: return QStringLiteral("Неизвестная ошибка ") + QString::number(errorCode);
    }
}

bool isResendError(int errorCode) { return errorCode == 3 || errorCode == 9; }

} // namespace protocol
