// tarvik-cli: runs the conversation with one meter from the command line and
// prints the protocol view as it grows; with --report, the rows of the page
// "О счетчике" after a full polling cycle. Factory scripts call it, so the
// option names and exit codes below stay stable.

#include "clioptions.h"
#include "clirun.h"
#include "scanverb.h"

#include "app/qttranslations.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2"));
    // Before the options: Qt's words of the help and its option errors.
    app::installQtTranslations(app);

    QString error;
    const auto options = cli::parseOptions(app.arguments(), &error);
    if (!options) {
        if (!error.isEmpty())
            QTextStream(stderr) << error << '\n';
        return error.isEmpty() ? cli::ExitOk : cli::ExitUsage;
    }
    return options->scan ? cli::runScan(*options) : cli::run(*options);
}
