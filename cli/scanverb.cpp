#include "scanverb.h"

#include "app/barcodescanner.h"
#include "link/portlist.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

namespace cli {

int runScan(const Options &o)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    app::BarcodeScanner scanner;
    scanner.setPortName(meterlink::portEntryForName(o.scanner).device);
    if (QString error; !scanner.open(&error)) {
        err << QStringLiteral("Порт сканера не открыт: ") << error << '\n';
        return ExitPortFailed;
    }
    scanner.write(QByteArray(1, '\0')); // as the station wakes its scanner at start-up

    int number = -1;
    QObject::connect(&scanner, &app::BarcodeScanner::scanned, [&](int scanned) {
        number = scanned;
        QCoreApplication::exit(ExitOk);
    });
    QTimer::singleShot(o.scanWaitMs, [] { QCoreApplication::exit(ExitNoAnswer); });
    QCoreApplication::exec();
    scanner.close(nullptr);
    if (number < 0) {
        err << QStringLiteral("Сканер не прислал код за %1 мс").arg(o.scanWaitMs) << '\n';
        return ExitNoAnswer;
    }
    out << number << '\n';
    return ExitOk;
}

} // namespace cli
