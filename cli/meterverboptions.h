#pragma once
// The RF-PLC and indicator verbs of tarvik-cli. They take two or three
// values each, which QCommandLineParser cannot, so they are taken out of the
// argument list before it parses the rest:
//
//   --write-plc-address G A   group and address 0..255
//   --write-route R P N       route 0..3, repeater address 0..255, number 0..16777215
//   --delete-route R          route 0..3
//   --read-indicator
//   --write-indicator MASK WORD
//                             display mask (bits 0..12 screens, bit 15 backlight
//                             by power, then WORD is sent as 0) and backlight
//                             word (bits 27..29 are 0)
//
// Numbers are decimal or 0x hexadecimal.

#include <QString>
#include <QStringList>

namespace cli {

struct MeterVerbOptions
{
    int plcGroup = -1; // --write-plc-address; -1: not asked for
    int plcAddress = 0;
    int route = -1; // --write-route; -1: not asked for
    int routeRepeater = 0;
    QString routeNumber;
    int deleteRoute = -1; // -1: not asked for
    bool readIndicator = false;
    int indicatorMask = -1; // --write-indicator; -1: not asked for
    quint32 indicatorWord = 0;

    bool any() const
    {
        return plcGroup >= 0 || route >= 0 || deleteRoute >= 0 || readIndicator || indicatorMask >= 0;
    }
};

// Removes the verbs and their values from arguments (arguments[0] is the
// program) into *out. False with a Russian message on a missing or bad value.
bool takeMeterVerbs(QStringList &arguments, MeterVerbOptions *out, QString *error);

} // namespace cli
