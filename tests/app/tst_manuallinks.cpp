// The HTML manual opened by "&Справка" stands on its own: every local link
// and picture of docs/manual/*.html leads to a file of the manual (and to an
// anchor there when one is named), nothing is fetched from outside, and no
// page runs a script.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The anchors a page offers: id="…" and name="…".
QSet<QString> anchorsOf(const QString &html)
{
    static const QRegularExpression anchor(QStringLiteral(R"(\b(?:id|name)\s*=\s*["']([^"']*)["'])"));
    QSet<QString> out;
    for (const auto &m : anchor.globalMatch(html))
        out.insert(m.captured(1));
    return out;
}

// Every reference of a page (href and src), entities and %-escapes undone.
QStringList referencesOf(const QString &html)
{
    static const QRegularExpression reference(QStringLiteral(R"(\b(?:href|src)\s*=\s*["']([^"']*)["'])"));
    QStringList out;
    for (const auto &m : reference.globalMatch(html)) {
        QString target = m.captured(1);
        target.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        out << QUrl::fromPercentEncoding(target.toUtf8());
    }
    return out;
}

// One line per fault: "page: what".
QStringList manualFaults(const QString &dir)
{
    const QDir manual(dir);
    const QString root = QFileInfo(dir).canonicalFilePath();
    QStringList faults;
    const QStringList pages = manual.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    if (!pages.contains(QStringLiteral("index.html")))
        faults << QStringLiteral("index.html is missing");
    static const QRegularExpression scheme(QStringLiteral(R"(^([a-zA-Z][a-zA-Z0-9+.-]*:|//))"));
    static const QRegularExpression script(QStringLiteral(R"(<script\b|\bon[a-z]+\s*=|javascript:)"),
                                           QRegularExpression::CaseInsensitiveOption);
    for (const QString &page : pages) {
        const QString html = readText(manual.filePath(page));
        if (script.match(html).hasMatch())
            faults << page + QStringLiteral(": script");
        for (const QString &ref : referencesOf(html)) {
            if (scheme.match(ref).hasMatch()) {
                faults << page + QStringLiteral(": external ") + ref;
                continue;
            }
            const QString path = ref.section(QLatin1Char('#'), 0, 0);
            const QString fragment = ref.contains(QLatin1Char('#')) ? ref.section(QLatin1Char('#'), 1) : QString();
            const QFileInfo target(path.isEmpty() ? manual.filePath(page) : manual.filePath(path));
            const QString canonical = target.canonicalFilePath();
            if (!target.isFile() || canonical.isEmpty()) {
                faults << page + QStringLiteral(": no file ") + ref;
                continue;
            }
            if (!canonical.startsWith(root + QLatin1Char('/'))) { // lost once installed alone
                faults << page + QStringLiteral(": outside the manual ") + ref;
                continue;
            }
            if (!fragment.isEmpty() && !anchorsOf(readText(canonical)).contains(fragment))
                faults << page + QStringLiteral(": no anchor ") + ref;
        }
    }
    return faults;
}

// A folder holding the given files (name -> text).
void writeFiles(const QTemporaryDir &dir, const QMap<QString, QString> &files)
{
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = dir.filePath(it.key());
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(it.value().toUtf8());
    }
}

using Files = QMap<QString, QString>;

} // namespace

class TestManualLinks : public QObject
{
    Q_OBJECT
private slots:
    // The checker itself, on small manuals with one fault each.
    void faults_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QStringList>("expected");
        const QString index = QStringLiteral("index.html");
        const QString page = QStringLiteral("<p id=\"top\">x</p><a name=\"old\"></a>");
        QTest::newRow("all good") << Files{{index, "<a href=\"b.html#top\">b</a><a href=\"#self\" id=\"self\">s</a>"
                                                   "<a href=\"b.html#old\">o</a><img src=\"img/p%20q.png\">"
                                                   "<link rel=\"stylesheet\" href=\"s.css\">"},
                                           {"b.html", page}, {"img/p q.png", "png"}, {"s.css", ""}}
                                  << QStringList{};
        QTest::newRow("missing page") << Files{{index, "<a href=\"c.html\">c</a>"}}
                                      << QStringList{"index.html: no file c.html"};
        QTest::newRow("missing picture") << Files{{index, "<img src='img/x.png'>"}}
                                         << QStringList{"index.html: no file img/x.png"};
        QTest::newRow("missing anchor") << Files{{index, "<a href=\"b.html#nowhere\">b</a>"}, {"b.html", page}}
                                        << QStringList{"index.html: no anchor b.html#nowhere"};
        QTest::newRow("missing anchor on the same page") << Files{{index, "<a href=\"#gone\">g</a>"}}
                                                         << QStringList{"index.html: no anchor #gone"};
        QTest::newRow("folder is no page") << Files{{index, "<a href=\"img\">i</a>"}, {"img/a.png", ""}}
                                           << QStringList{"index.html: no file img"};
        QTest::newRow("external resource") << Files{{index, "<img src=\"https://example.org/a.png\">"}}
                                           << QStringList{"index.html: external https://example.org/a.png"};
        QTest::newRow("protocol-relative") << Files{{index, "<link href=\"//cdn.example.org/a.css\">"}}
                                           << QStringList{"index.html: external //cdn.example.org/a.css"};
        QTest::newRow("outside the manual") << Files{{"m/index.html", "<a href=\"../x.html\">x</a>"}, {"x.html", ""}}
                                            << QStringList{"index.html: outside the manual ../x.html"};
        QTest::newRow("script") << Files{{index, "<script>alert(1)</script>"}} << QStringList{"index.html: script"};
        QTest::newRow("no index") << Files{{"a.html", ""}} << QStringList{"index.html is missing"};
    }
    void faults()
    {
        QFETCH(Files, files);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        writeFiles(dir, files);
        const QString manual = files.contains("m/index.html") ? dir.filePath("m") : dir.path();
        QCOMPARE(manualFaults(manual), expected);
    }

    // The manual of this repository.
    void manualStandsAlone()
    {
        const QStringList faults = manualFaults(QStringLiteral(TARVIK_MANUAL_DIR));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestManualLinks)
#include "tst_manuallinks.moc"
