#include "settingslog.h"

#include "encodings.h"
#include "settingsbatch.h"

#include "link/speeds.h"

namespace protocol {

namespace {

QString itemText(const QStringList &items, int index)
{
    return index >= 0 && index < items.size() ? items[index] : QString();
}

QString number(qint64 value) { return QString::number(value); }

} // namespace

QStringList loadModeItems()
{
    return {QStringLiteral("выключено, запрещено включение с пульта"),
            QStringLiteral("выключено, разрешено включение с пульта"),
            QStringLiteral("включено, запрещено включение с пульта"),
            QStringLiteral("включено, разрешено включение с пульта")};
}

QStringList profileItems()
{
    return {QStringLiteral("выкл."), QStringLiteral("1"),  QStringLiteral("2"),  QStringLiteral("3"),  QStringLiteral("4"),
            QStringLiteral("5"),     QStringLiteral("6"),  QStringLiteral("10"), QStringLiteral("12"), QStringLiteral("15"),
            QStringLiteral("20"),    QStringLiteral("30"), QStringLiteral("60")};
}

QStringList qualitySecondItems() { return {QStringLiteral("0"), QStringLiteral("20"), QStringLiteral("40")}; }

QStringList parityItems() { return {QStringLiteral("нет"), QStringLiteral("четн."), QStringLiteral("нечетн.")}; }

QString serialLogLine(const SettingsValues &v) { return QStringLiteral("Номер=") + number(v.SpinEdit_Number); }

QStringList communicationLogLines(const QByteArray &request)
{
    if (request.size() < 4)
        return {};
    const int address = static_cast<quint8>(request[2]);
    const CommunicationParameters sent = communicationParameters(static_cast<quint8>(request[3]));
    const auto speed = meterlink::speedForIndex(sent.speedIndex);
    QStringList lines{QStringLiteral("Адрес=") + number(address) + QStringLiteral(" Скорость=")
                      + (speed ? number(*speed) : QString())};
    if (sent.lineMode == 1)
        lines << QStringLiteral("Паритет=") + itemText(parityItems(), sent.parityIndex);
    return lines;
}

QString clockLogLine(const SettingsValues &v, const QByteArray &request)
{
    QString moment;
    if (request.size() >= 7) {
        const quint32 sent = u32le(request, 3);
        moment = formatDateTime(meterSecondsToDateTime(sent - qMin(sent, kClockLeadSeconds)), displayLocale());
    }
    return QStringLiteral("Время=") + moment
           + (v.CheckBoxClock ? QStringLiteral(" Автопереход на летнее время")
                              : QStringLiteral(" Нет автоперехода на летнее время"));
}

QString passwordLogLine(const SettingsValues &v) { return QStringLiteral("Пароль на запись=") + v.EditPassW; }

QString pultLogLine(const SettingsValues &v)
{
    return QStringLiteral("Пульт=") + number(v.SpinPult) + QStringLiteral("; ") + itemText(loadModeItems(), v.ComboModeDdm);
}

QString breakerLogLine(const SettingsValues &v)
{
    return QStringLiteral("Мощность отключения нагрузки=") + number(v.SpinBreaker);
}

QString sensorLogLine(const SettingsValues &v)
{
    return QStringLiteral("Дискретный датчик ") + number(v.SpinSensor) + u'=' + v.EditSensor
           + QStringLiteral("(калибровка=") + v.EditSensorCalibr + u')';
}

QString integrationLogLine(const SettingsValues &v)
{
    // "можщности" is how the line has always read in the log.
    return QStringLiteral("Время интегрирования детектора пиковой можщности=") + number(v.SpinIntegra);
}

QString billingLogLine(const SettingsValues &v)
{
    return QStringLiteral("Расчетный день=") + number(v.SpinDay) + QStringLiteral(" Расчетный час=") + number(v.SpinHour);
}

QString billingResetLogLine() { return QStringLiteral("Сброс показаний на РДЧ"); }

QString profileLogLine(const SettingsValues &v)
{
    return QStringLiteral("Период фиксации профиля потребления=") + itemText(profileItems(), v.ComboProfile);
}

QString sealLogLine() { return QStringLiteral("Сброс индикации электронной пломбы"); }

QString qualityLogLine(const SettingsValues &v)
{
    QString line = QStringLiteral("Параметры расчета некачественной энергии=") + number(v.SpinMin);
    if (v.ComboSec > 0)
        line += u':' + itemText(qualitySecondItems(), v.ComboSec);
    if (v.CheckAccountKind)
        line += QStringLiteral(" AccountKind");
    if (v.CheckJtvf)
        line += QStringLiteral(" JTVF");
    return line;
}

} // namespace protocol
