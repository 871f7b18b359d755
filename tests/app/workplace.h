#pragma once
// A working directory and a configuration file of the test's own for the
// main window, with message boxes and opened links recorded instead of shown.

#include "app/main.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace app::testing {

struct Message
{
    QMessageBox::Icon icon;
    QString caption;
    QString text;
};

// A working directory and a configuration file of the test's own.
struct Workplace
{
    QTemporaryDir dir;
    QString ini() const { return dir.filePath("Tarvik-504.ini"); }
    QList<Message> messages;
    QList<QUrl> opened;

    StartupOptions options(bool simulator = true)
    {
        StartupOptions o;
        o.workingDir = dir.path();
        const QString path = ini();
        o.openSettings = [path](bool create) -> std::unique_ptr<QSettings> {
            if (!create && !QFile::exists(path))
                return nullptr;
            if (!QFile::exists(path)) {
                QFile f(path);
                f.open(QIODevice::WriteOnly);
            }
            return std::make_unique<QSettings>(path, QSettings::IniFormat);
        };
        o.selectSimulator = simulator;
        o.showMessage = [this](QMessageBox::Icon i, const QString &c, const QString &t) { messages.append({i, c, t}); };
        o.openUrl = [this](const QUrl &u) { opened << u; };
        return o;
    }
    void store(const QString &name, const QVariant &value)
    {
        QSettings s(ini(), QSettings::IniFormat);
        s.setValue(name, value);
    }
    void markDatabaseMode()
    {
        QFile f(dir.filePath("SettingSql.tarvik"));
        f.open(QIODevice::WriteOnly);
    }
};

template<typename T> T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(QString::fromLatin1(name));
}

} // namespace app::testing
