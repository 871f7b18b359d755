// tarvik-station: the programming station's window.
//   --port sim          start with the simulated meter selected
//   --screenshots DIR   write a PNG of every page into DIR and quit

#include "app/appicon.h"
#include "app/main.h"
#include "app/qttranslations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTabWidget>

namespace {

int writeScreenshots(app::TFormMain &window, const QString &dir)
{
    QDir().mkpath(dir);
    window.show();
    QTabWidget *pages = window.pages();
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        const QString file = QDir(dir).filePath(pages->widget(i)->objectName() + QStringLiteral(".png"));
        if (!window.grab().save(file))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(app::TFormMain::kTitle);
    QApplication::setOrganizationName(QStringLiteral("Kelmora"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    QApplication::setWindowIcon(app::applicationIcon());
    app::installQtTranslations(application);

    QCommandLineParser parser;
    parser.setApplicationDescription(app::TFormMain::kTitle);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"port", "Начать с этим портом (\"sim\": имитатор счетчика).", "порт"},
        {"screenshots", "Записать снимок каждой страницы (PNG) в эту папку и выйти.", "папка"},
    });
    parser.process(application);

    app::StartupOptions options;
    options.selectSimulator = parser.value("port").compare("sim", Qt::CaseInsensitive) == 0;
    app::TFormMain window(options);
    if (parser.isSet("port") && !options.selectSimulator)
        window.selectPort(meterlink::portEntryForName(parser.value("port")).device);
    if (parser.isSet("screenshots"))
        return writeScreenshots(window, parser.value("screenshots"));
    window.show();
    return QApplication::exec();
}
