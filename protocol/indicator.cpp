#include "indicator.h"

#include "protocol/accesspassword.h"
#include "protocol/dispatcher.h"
#include "protocol/encodings.h"

#include "link/connection.h"

namespace protocol {

namespace {

constexpr int kColorBits = 3;
constexpr quint32 kColorMask = 0x7;
constexpr quint16 kItemsMask = (1u << kIndicatorItems) - 1;

} // namespace

QStringList indicatorItemTexts()
{
    return {QStringLiteral("На РДЧ"),
            QStringLiteral("Реактивная энергия"),
            QStringLiteral("При обрыве 0"),
            QStringLiteral("Активная мощность"),
            QStringLiteral("Реактивная мощность"),
            QStringLiteral("Напряжение"),
            QStringLiteral("Ток"),
            QStringLiteral("Частота"),
            QStringLiteral("Текущее время"),
            QStringLiteral("Пиковая мощность"),
            QStringLiteral("Некач. энергия"),
            QStringLiteral("Лимит мошности"), // spelt so on the page
            QStringLiteral("Дискретные датчики")};
}

QStringList backlightColorNames()
{
    return {QStringLiteral("выключена"), QStringLiteral("красная"), QStringLiteral("зеленая"),
            QStringLiteral("желтая"),    QStringLiteral("синяя"),   QStringLiteral("сиреневая"),
            QStringLiteral("голубая"),   QStringLiteral("белая")};
}

QStringList backlightGroupLabels()
{
    return {QStringLiteral("Служебные данные:"),
            QStringLiteral("Счетчики потребления:"),
            QStringLiteral("Лимит мощности:"),
            QStringLiteral("Параметры:"),
            QStringLiteral("На РДЧ:"),
            QStringLiteral("Редим вывода реактивной телеметрии:"),
            QStringLiteral("Режим отключенной нагрузки:"),
            QStringLiteral("Режим таймера включения нагрузки:"),
            QStringLiteral("Вскрыта клемная крышка:")};
}

QStringList backlightModeItems()
{
    return {QStringLiteral("Настройка пользователя"), QStringLiteral("По мощности")};
}

bool isSilverItem(int item) { return item == 2 || item == 3; }

quint16 displayMask(const IndicatorSettings &settings)
{
    quint16 mask = settings.items & kItemsMask;
    if (settings.mode == BacklightMode::ByPower)
        mask |= kByPowerBit;
    return mask;
}

quint32 backlightWord(const IndicatorSettings &settings)
{
    if (settings.mode == BacklightMode::ByPower)
        return 0;
    quint32 word = 0;
    for (int k = 0; k < kBacklightGroups; ++k)
        word |= (quint32(settings.colors[k]) & kColorMask) << (kColorBits * k);
    if (settings.onlyButton)
        word |= kOnlyButtonBit;
    if (settings.cleat)
        word |= kCleatBit;
    return word;
}

QByteArray indicatorWriteRequest(const IndicatorSettings &settings)
{
    return request(0x2F, le(displayMask(settings), 2) + le(backlightWord(settings), 4));
}

void applyIndicatorWords(IndicatorSettings &settings, quint16 mask, quint32 word)
{
    settings.items = mask & kItemsMask;
    if (mask & kByPowerBit) {
        settings.mode = BacklightMode::ByPower;
        return;
    }
    for (int k = 0; k < kBacklightGroups; ++k)
        settings.colors[k] = int((word >> (kColorBits * k)) & kColorMask);
    settings.onlyButton = word & kOnlyButtonBit;
    settings.cleat = word & kCleatBit;
    settings.mode = BacklightMode::User;
}

QString indicatorLogLine(const IndicatorSettings &settings)
{
    QString line = QStringLiteral("Режим индикации=");
    const QStringList texts = indicatorItemTexts();
    for (int i = 0; i < kIndicatorItems; ++i)
        if (settings.items & (1u << i))
            line += texts[i] + QLatin1Char(' ');
    return line;
}

Indicator::Indicator(meterlink::MeterConnection &connection, ReplyDispatcher &dispatcher,
                     AccessPassword &accessPassword, QObject *parent)
    : QObject(parent), m_connection(connection), m_dispatcher(dispatcher), m_accessPassword(accessPassword)
{
    registerReplies(dispatcher);
}

void Indicator::registerReplies(ReplyDispatcher &dispatcher)
{
    dispatcher.addDecoder(0x2E, [this](const Reply &r) { decodeRead(r); });
    // The ticked items as the page shows them when the meter confirms. In
    // MODBUS mode the reply's code is not compared with the request's: a
    // 0x2F reply to anything but the indicator write logs nothing.
    dispatcher.setAcknowledgement(0x2F, {[this](const QByteArray &request) {
                                             if (request.size() < 2 || quint8(request[0]) != 0x2F)
                                                 return QStringList();
                                             return QStringList{indicatorLogLine(m_settings)};
                                         },
                                         {}});
}

bool Indicator::read()
{
    if (!m_connection.isConnected())
        return false;
    m_connection.enqueueRequest(QByteArray("\x2E\x02", 2));
    return true;
}

bool Indicator::write()
{
    if (!m_connection.isConnected())
        return false;
    if (!m_dispatcher.passwordAccepted())
        m_connection.enqueueRequest(m_accessPassword.entryRequest());
    m_connection.enqueueRequest(indicatorWriteRequest(m_settings));
    return true;
}

void Indicator::decodeRead(const Reply &reply)
{
    if (!reply.has(6))
        return;
    m_readMask = u16le(reply.payload(), 0);
    m_readWord = u32le(reply.payload(), 2);
    m_hasRead = true;
    applyIndicatorWords(m_settings, m_readMask, m_readWord);
    emit settingsRead();
}

} // namespace protocol
