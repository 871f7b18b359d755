#pragma once
// The about box: product, program version, the maker's contacts with
// clickable links, and the computer's physical memory, refreshed every time
// the box is shown or becomes active.

#include "app/memorystatus.h"

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;

class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    // What a click on a link opens (the shell by default).
    std::function<void(const QUrl &)> openUrl;
    // Where the memory figures come from (the operating system by default).
    std::function<std::optional<app::MemoryStatus>()> memoryStatus = app::physicalMemory;

    // Queries the memory status and rewrites both memory lines.
    void refreshMemory();

    // The web link's target: its caption, as http:// when it names no scheme.
    static QUrl webUrl(const QString &caption);
    static QUrl mailUrl(const QString &caption) { return QUrl(QStringLiteral("mailto:") + caption); }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *makeLink(const QString &name, const QString &caption);
    void centreOnParent();
    static QPixmap logo();

    QLabel *m_web = nullptr;
    QLabel *m_mail = nullptr;
    QLabel *m_total = nullptr;
    QLabel *m_available = nullptr;
};
