#pragma once
// The page "Индикатор" without its widgets: which screens the meter's
// display shows and the backlight colours, read with 2E 02 and written with
// 2F 08 M M C C C C.
//
//   display mask (u16le)    bit i = item i of CheckListIndi (0..12);
//                           bit 15 = backlight follows the power
//   backlight word (u32le)  bits 3k..3k+2 = colour of group k (0..8);
//                           bit 30 = CheckCleat, bit 31 = CheckOnlyButton

#include "protocol/reply.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

namespace meterlink {
class MeterConnection;
}

namespace protocol {

class AccessPassword;
class ReplyDispatcher;

constexpr int kIndicatorItems = 13;    // items of CheckListIndi, bits 0..12
constexpr int kBacklightGroups = 9;    // colour groups k = 0..8
constexpr int kBacklightColors = 8;    // colour codes 0..7
constexpr quint16 kByPowerBit = 0x8000; // mask bit 15: "По мощности"
constexpr quint32 kOnlyButtonBit = 0x80000000u;
constexpr quint32 kCleatBit = 0x40000000u;

// ComboColor's items.
enum class BacklightMode { User = 0, ByPower = 1 };

// What the page shows and the write sends.
struct IndicatorSettings
{
    quint16 items = 0;                          // ticked items of CheckListIndi, bits 0..12
    BacklightMode mode = BacklightMode::User;   // ComboColor
    std::array<int, kBacklightGroups> colors{}; // colour index of group k (colorComboByTag k)
    bool onlyButton = false;                    // CheckOnlyButton
    bool cleat = false;                         // CheckCleat
    bool operator==(const IndicatorSettings &) const = default;
};

// --- the page's texts, in list order ---
QStringList indicatorItemTexts();   // the 13 items of CheckListIndi
QStringList backlightColorNames();  // colour codes 0..7 ("выключена" ...)
QStringList backlightGroupLabels(); // groups k = 0..8 ("Служебные данные:" ...)
QStringList backlightModeItems();   // ComboColor: "Настройка пользователя", "По мощности"
// Items 2 and 3 are drawn in silver (RGB 192, 192, 192).
bool isSilverItem(int item);

// --- the words sent by BtnWriteIndi ---
// The ticked items, plus bit 15 in "По мощности".
quint16 displayMask(const IndicatorSettings &settings);
// The colours and check boxes; 0 in "По мощности".
quint32 backlightWord(const IndicatorSettings &settings);
// 2F 08 M M C C C C.
QByteArray indicatorWriteRequest(const IndicatorSettings &settings);
// A read's mask and word taken into the settings: the items always; with
// bit 15 only the mode (colours and boxes keep their values), else the
// colours, the boxes and the mode "Настройка пользователя".
void applyIndicatorWords(IndicatorSettings &settings, quint16 mask, quint32 word);
// "Режим индикации=" + each ticked item's text and a blank.
QString indicatorLogLine(const IndicatorSettings &settings);

class Indicator : public QObject
{
    Q_OBJECT
public:
    Indicator(meterlink::MeterConnection &connection, ReplyDispatcher &dispatcher, AccessPassword &accessPassword,
              QObject *parent = nullptr);

    const IndicatorSettings &settings() const { return m_settings; }
    // The page keeps this current as the operator edits.
    void setSettings(const IndicatorSettings &settings) { m_settings = settings; }

    // The mask and word of the last 0x2E reply, as the meter sent them.
    bool hasRead() const { return m_hasRead; }
    quint16 readMask() const { return m_readMask; }
    quint32 readWord() const { return m_readWord; }

    // BtnReadIndi: 2E 02. False when not connected (nothing queued).
    bool read();
    // BtnWriteIndi: the access password's entry unless accepted, then the
    // settings as they are now. False when not connected (nothing queued).
    bool write();

    // Reply 0x2E (payload of at least 6 bytes; shorter ones change nothing).
    void decodeRead(const Reply &reply);

signals:
    // A read reply has been taken into settings().
    void settingsRead();

private:
    void registerReplies(ReplyDispatcher &dispatcher);

    meterlink::MeterConnection &m_connection;
    ReplyDispatcher &m_dispatcher;
    AccessPassword &m_accessPassword;
    IndicatorSettings m_settings;
    bool m_hasRead = false;
    quint16 m_readMask = 0;
    quint32 m_readWord = 0;
};

} // namespace protocol
