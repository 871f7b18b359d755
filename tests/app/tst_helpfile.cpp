// What "&Справка" opens: Setting_Tarvik_504.chm of the working directory when
// it is there, else the installed HTML manual, else the source tree's one,
// else the .chm path all the same.

#include "app/helpfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A working directory, an installed program (<root>/usr/bin with its manual
// under <root>/usr/share) and a source tree, each file made on request.
struct Workplace {
    QTemporaryDir root;
    QString chm() const { return root.filePath("work/Setting_Tarvik_504.chm"); }
    QString installed() const { return root.filePath("usr/share/tarvik-504/manual/index.html"); }
    QString source() const { return root.filePath("src/docs/manual/index.html"); }
    QString executableDir() const { return root.filePath("usr/bin"); }

    void make(const QString &path) const
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
};

} // namespace

class TestHelpFile : public QObject
{
    Q_OBJECT
private slots:
    void chosen_data()
    {
        QTest::addColumn<bool>("chm");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("source");
        QTest::addColumn<QString>("expected"); // which of the three paths
        QTest::newRow("chm alone") << true << false << false << "chm";
        QTest::newRow("chm before the manuals") << true << true << true << "chm";
        QTest::newRow("installed manual") << false << true << false << "installed";
        QTest::newRow("installed before the source tree") << false << true << true << "installed";
        QTest::newRow("build-tree fallback") << false << false << true << "source";
        QTest::newRow("nothing: the chm path anyway") << false << false << false << "chm";
    }
    void chosen()
    {
        QFETCH(bool, chm);
        QFETCH(bool, installed);
        QFETCH(bool, source);
        QFETCH(QString, expected);
        Workplace place;
        QDir().mkpath(place.root.filePath("work"));
        if (chm)
            place.make(place.chm());
        if (installed)
            place.make(place.installed());
        if (source)
            place.make(place.source());

        const app::ManualLocations manual{app::installedManualPath(place.executableDir()), place.source()};
        const QString path = expected == "chm" ? place.chm() : expected == "installed" ? place.installed() : place.source();
        QCOMPARE(app::helpUrl(place.chm(), manual), QUrl::fromLocalFile(path));
    }

    // A folder named like the help file is no help file.
    void chmFolderIsSkipped()
    {
        Workplace place;
        QDir().mkpath(place.chm());
        place.make(place.source());
        QCOMPARE(app::helpUrl(place.chm(), {QString(), place.source()}), QUrl::fromLocalFile(place.source()));
    }

    // The .deb puts the program in /usr/bin and the manual in
    // /usr/share/tarvik-504/manual/.
    void installedBesideTheExecutable()
    {
        QCOMPARE(app::installedManualPath("/usr/bin"), QString("/usr/share/tarvik-504/manual/index.html"));
        QCOMPARE(app::installedManualPath("/opt/tarvik/bin/"), QString("/opt/tarvik/share/tarvik-504/manual/index.html"));
    }

    // Run from the build folder (nothing installed beside it) with no .chm,
    // the repository's manual opens.
    void buildTreeOpensTheRepositoryManual()
    {
        QTemporaryDir work;
        const QUrl url = app::helpUrl(QDir(work.path()).filePath("Setting_Tarvik_504.chm"));
        QVERIFY2(url.toLocalFile().endsWith("/docs/manual/index.html"), qPrintable(url.toString()));
        QVERIFY(QFileInfo(url.toLocalFile()).isFile());
    }
};

QTEST_GUILESS_MAIN(TestHelpFile)
#include "tst_helpfile.moc"
