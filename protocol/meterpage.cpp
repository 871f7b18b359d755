#include "protocol/meterpage.h"

namespace protocol {

namespace {

const QStringList &captions(MeterPage::ListId list)
{
    static const QStringList main = {
        QStringLiteral("Тип"),
        QStringLiteral("Заводской номер"),
        QStringLiteral("Версия ПО"),
        QStringLiteral("Цифровой идентификатор ПО"),
        QString(),
        QStringLiteral("Дата / время"),
        QStringLiteral("Автопереход на летнее время"),
        QStringLiteral("Тест часов"),
        QString(),
        QStringLiteral("Расчетный день"),
        QStringLiteral("Расчетный час"),
        QStringLiteral("Контрольная сумма тарифного расписания"),
        QString(),
        QStringLiteral("Период фиксации профиля, мин."),
        QStringLiteral("Время интегрирования пиковой мощности Pинт, мин."),
        QString(),
        QStringLiteral("Номер пульта"),
        QStringLiteral("Режим управления нагрузкой"),
        QStringLiteral("Мощность отключения, Вт"),
        QString(),
        QStringLiteral("Порог времени для учета некачественной энергии"),
        QStringLiteral("Флаг Account-Kind (если выше порога, то все сутки)"),
        QStringLiteral("Флаг JTVF (объединение по напряжению и частоте)"),
    };
    static const QStringList addi = {
        QStringLiteral("1 тариф"), QStringLiteral("2 тариф"), QStringLiteral("3 тариф"),
        QStringLiteral("4 тариф"), QStringLiteral("5 тариф"), QStringLiteral("6 тариф"),
        QStringLiteral("7 тариф"), QStringLiteral("8 тариф"),
        QString(),
        QStringLiteral("Пиковая мощность, Вт"),
        QStringLiteral("Время фиксации"),
        QString(),
        QStringLiteral("Активная суммарная"),
        QStringLiteral("Реактивная индуктивная"),
        QStringLiteral("Реактивная емкостная"),
    };
    static const QStringList param = {
        QStringLiteral("Активная мощность, кВт"),
        QStringLiteral("Реактивная мощность, квар"),
        QStringLiteral("Напряжение, В"),
        QStringLiteral("Ток, А"),
        QStringLiteral("Частота сети, Гц"),
        QStringLiteral("Cos(Ф)"),
        QStringLiteral("Полная мощность, кВА"),
        QStringLiteral("Температура, °C"),
        QStringLiteral("Телеметрический канал"),
    };
    static const QStringList info = {
        QStringLiteral("Текущий тариф"),
        QStringLiteral("Время работы"),
        QStringLiteral("Заряд батареи"),
    };
    static const QStringList sensor = {
        QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
    };
    switch (list) {
    case MeterPage::ListMain: return main;
    case MeterPage::ListAddi: return addi;
    case MeterPage::ListParam: return param;
    case MeterPage::ListInfo: return info;
    case MeterPage::ListSensor: return sensor;
    }
    Q_UNREACHABLE();
}

bool validList(MeterPage::ListId list)
{
    return list >= 0 && list < MeterPage::kListCount;
}

} // namespace

MeterPage::MeterPage(QObject *parent) : QObject(parent)
{
    for (int l = 0; l < kListCount; ++l) {
        const auto list = ListId(l);
        m_cells[l] = QVector<QStringList>(rowCount(list), QStringList(QList<QString>(valueColumnCount(list))));
    }
}

int MeterPage::rowCount(ListId list)
{
    return validList(list) ? int(captions(list).size()) : 0;
}

int MeterPage::valueColumnCount(ListId list)
{
    switch (list) {
    case ListMain: return 1;
    case ListAddi: return 2;
    case ListParam: return 4;
    case ListInfo: return 1;
    case ListSensor: return 3;
    }
    return 0;
}

QString MeterPage::rowCaption(ListId list, int row)
{
    if (!validList(list) || row < 0 || row >= rowCount(list))
        return {};
    return captions(list).at(row);
}

QStringList MeterPage::columnTitles(ListId list)
{
    switch (list) {
    case ListAddi:
        return {QString(), QStringLiteral("текущие"), QStringLiteral("РДЧ")};
    case ListSensor:
        return {QStringLiteral("дискретный датчик"), QStringLiteral("калибровка"),
                QStringLiteral("текущие"), QStringLiteral("РДЧ")};
    case ListMain:
    case ListParam:
    case ListInfo:
        return QStringList(QList<QString>(1 + valueColumnCount(list)));
    }
    return {};
}

bool MeterPage::showsColumnHeaders(ListId list)
{
    return list == ListAddi || list == ListSensor;
}

QString MeterPage::cell(ListId list, int row, int column) const
{
    if (!validList(list) || row < 0 || row >= m_cells[list].size())
        return {};
    const QStringList &cells = m_cells[list][row];
    return column >= 0 && column < cells.size() ? cells[column] : QString();
}

void MeterPage::setCell(ListId list, int row, int column, const QString &text)
{
    if (!validList(list) || row < 0 || row >= m_cells[list].size())
        return;
    QStringList &cells = m_cells[list][row];
    if (column < 0 || column >= cells.size() || cells[column] == text)
        return;
    cells[column] = text;
    emit cellChanged(list, row, column);
}

void MeterPage::clearMemoStatus()
{
    if (m_memoStatus.isEmpty())
        return;
    m_memoStatus.clear();
    emit memoStatusChanged();
}

void MeterPage::addMemoStatusLine(const QString &line)
{
    m_memoStatus.append(line);
    emit memoStatusChanged();
}

void MeterPage::setEditDelta(const QString &text)
{
    if (m_editDelta == text)
        return;
    m_editDelta = text;
    emit editDeltaChanged(text);
}

void MeterPage::resetReadings()
{
    for (int l = 0; l < kListCount; ++l) {
        const auto list = ListId(l);
        const int columns = list == ListParam ? 3 : valueColumnCount(list);
        for (int row = 0; row < rowCount(list); ++row)
            for (int column = 0; column < columns; ++column)
                setCell(list, row, column, QString());
    }
    setEditDelta(QString());
    m_meterType = 0;
    m_meterSerial = 0;
    m_meterSerialRead = false;
    m_clockFaultBits = 0;
    m_workingSeconds = 0;
    m_lastStatusByte = 255;
    m_statusShown = false;
    clearMemoStatus();
    emit readingsReset();
}

} // namespace protocol
