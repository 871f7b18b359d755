#pragma once
// A large operation log for the log benchmarks: entries of 1000 meters
// (serials 100000..100999) in turn, written in blocks of about 4 MB until
// the file holds at least the bytes asked for.

#include "protocol/cp1251.h"

#include <QByteArray>
#include <QFile>
#include <QString>

struct BigLog
{
    qint64 bytes = 0;
    qint64 lines = 0;
    bool ok = false;
};

inline constexpr int kBigLogSerials = 1000;

inline BigLog writeBigLog(const QString &path, qint64 targetBytes)
{
    BigLog result;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return result;
    const QByteArray text = protocol::toCp1251(
        QStringLiteral("[05.03.2024 14:07:09] Запись параметров Rs-485: адрес 5, скорость 9600\r\n"));
    QByteArray block;
    while (result.bytes < targetBytes) {
        block.clear();
        while (block.size() < 4 * 1024 * 1024) {
            block += QByteArray::number(100000 + result.lines % kBigLogSerials) + text;
            ++result.lines;
        }
        if (file.write(block) != block.size())
            return result;
        result.bytes += block.size();
    }
    result.ok = true;
    return result;
}
