#pragma once
// The main() of a benchmark measured at one or more line speeds: the speeds
// come from the command line (bit/s), 9600 and 115200 when none are given.

#include <QCoreApplication>
#include <QList>
#include <cstdlib>

inline int runAtSpeeds(int argc, char *argv[], bool (*measure)(int baud))
{
    QCoreApplication app(argc, argv);
    QList<int> speeds;
    for (int i = 1; i < argc; ++i)
        speeds << std::atoi(argv[i]);
    if (speeds.isEmpty())
        speeds = {9600, 115200};
    bool ok = true;
    for (int baud : speeds)
        ok = measure(baud) && ok;
    return ok ? 0 : 1;
}
