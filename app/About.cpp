#include "About.h"

#include "app/appicon.h"
#include "protocol/encodings.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
// The maker's data. The addresses and numbers are placeholders until the
// maker's real ones are given.
const QString kMaker = QStringLiteral("ООО «Кельмора», 2026");
const QString kWeb = QStringLiteral("www.kelmora.example");
const QString kMail = QStringLiteral("info@kelmora.example");
const QString kPhone1 = QStringLiteral("+7 (000) 000-00-01");
const QString kPhone2 = QStringLiteral("+7 (000) 000-00-02");

constexpr int kClientWidth = 394;
constexpr int kClientHeight = 281;
constexpr QSize kLogoSize(165, 93);

QLabel *label(const QString &name, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLabel *centred(const QString &name, const QString &text, QWidget *parent, bool bold)
{
    QLabel *l = label(name, text, parent);
    l->setAlignment(Qt::AlignCenter);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}
} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    openUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); }; // the browser reports its own failures

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);

    // Top panel: the program's icon and the product lines.
    auto *top = new QFrame(this);
    top->setObjectName(QStringLiteral("PanelTop"));
    top->setFrameShape(QFrame::StyledPanel);
    auto *topGrid = new QGridLayout(top);
    topGrid->setContentsMargins(6, 4, 6, 4);
    topGrid->setVerticalSpacing(1);
    auto *icon = label(QStringLiteral("ProgramIcon"), QString(), top);
    icon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    icon->setLineWidth(1);
    icon->setFixedSize(32 + 2 * icon->frameWidth(), 32 + 2 * icon->frameWidth());
    icon->setAlignment(Qt::AlignCenter);
    const QIcon programIcon = app::applicationIcon();
    icon->setPixmap((programIcon.isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon) : programIcon).pixmap(32, 32));
    topGrid->addWidget(icon, 0, 0, 4, 1, Qt::AlignLeft | Qt::AlignVCenter);
    topGrid->addWidget(centred(QStringLiteral("ProductName"), QStringLiteral("8-и тарифный однофазный эл. счетчик"),
                               top, true),
                       0, 1);
    topGrid->addWidget(centred(QStringLiteral("ProgramName"), QStringLiteral("Программирование Tarvik 504"), top, true),
                       1, 1);
    topGrid->addWidget(centred(QStringLiteral("Version"), QStringLiteral("Версия 1.2"), top, false), 2, 1);
    topGrid->addWidget(centred(QStringLiteral("Copyright"), kMaker, top, false), 3, 1);
    topGrid->setColumnStretch(1, 1);
    // Keep the lines centred on the panel, not on what the icon leaves.
    topGrid->setColumnMinimumWidth(2, icon->width());
    layout->addWidget(top);

    // The maker's contacts and, to their right, the logo.
    auto *middle = new QHBoxLayout;
    middle->setSpacing(6);
    auto *group = new QGroupBox(QStringLiteral("Наши координаты"), this);
    group->setObjectName(QStringLiteral("GroupContacts"));
    QFont small = group->font();
    small.setPointSizeF(small.pointSizeF() - 1); // caption and address share the group's narrow width
    group->setFont(small);
    auto *contacts = new QGridLayout(group);
    contacts->setContentsMargins(6, 2, 4, 4);
    contacts->setHorizontalSpacing(0);
    contacts->setVerticalSpacing(0);
    // Each caption above its value, the value indented: the group has only
    // what the logo leaves of the width.
    contacts->setColumnMinimumWidth(0, 12);
    contacts->setColumnStretch(1, 1);
    contacts->addWidget(label(QStringLiteral("LabelWebCaption"), QStringLiteral("Web-страница:"), group), 0, 0, 1, 2);
    m_web = makeLink(QStringLiteral("LabelWeb"), kWeb);
    contacts->addWidget(m_web, 1, 1);
    contacts->addWidget(label(QStringLiteral("LabelMailCaption"), QStringLiteral("E-mail:"), group), 2, 0, 1, 2);
    m_mail = makeLink(QStringLiteral("LabelMail"), kMail);
    contacts->addWidget(m_mail, 3, 1);
    contacts->addWidget(label(QStringLiteral("LabelPhoneCaption"), QStringLiteral("Телефоны:"), group), 4, 0, 1, 2);
    contacts->addWidget(label(QStringLiteral("LabelPhone1"), kPhone1, group), 5, 1);
    contacts->addWidget(label(QStringLiteral("LabelPhone2"), kPhone2, group), 6, 1);
    contacts->setRowStretch(7, 1);
    middle->addWidget(group, 1);
    auto *logoLabel = label(QStringLiteral("ImageLogo"), QString(), this);
    logoLabel->setFixedSize(kLogoSize);
    logoLabel->setPixmap(logo());
    middle->addWidget(logoLabel, 0, Qt::AlignBottom);
    layout->addLayout(middle);

    // The memory lines, filled each time the box is shown.
    auto *memory = new QVBoxLayout;
    memory->setSpacing(0);
    m_total = label(QStringLiteral("LabelTotalMemory"), QString(), this);
    m_available = label(QStringLiteral("LabelAvailMemory"), QString(), this);
    memory->addWidget(m_total);
    memory->addWidget(m_available);
    layout->addLayout(memory);
    layout->addStretch(1);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ButtonOk"));
    ok->setDefault(true);
    ok->setMinimumWidth(75);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

QLabel *TAboutBox::makeLink(const QString &name, const QString &caption)
{
    QLabel *l = label(name, caption, this);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    l->setPalette(p);
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    l->setCursor(Qt::PointingHandCursor);
    l->installEventFilter(this);
    return l;
}

QUrl TAboutBox::webUrl(const QString &caption)
{
    const QUrl url(caption);
    return url.scheme().isEmpty() ? QUrl(QStringLiteral("http://") + caption) : url;
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
        && openUrl) {
        if (watched == m_web)
            openUrl(webUrl(m_web->text()));
        else if (watched == m_mail)
            openUrl(mailUrl(m_mail->text()));
    }
    return QDialog::eventFilter(watched, event);
}

bool TAboutBox::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        refreshMemory();
    return QDialog::event(event);
}

void TAboutBox::showEvent(QShowEvent *event)
{
    refreshMemory();
    centreOnParent();
    QDialog::showEvent(event);
}

void TAboutBox::centreOnParent()
{
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    move(frame.topLeft());
}

void TAboutBox::refreshMemory()
{
    if (const auto status = memoryStatus ? memoryStatus() : std::nullopt) {
        const QLocale locale = protocol::displayLocale();
        m_total->setText(app::totalMemoryLine(status->totalBytes, locale));
        m_available->setText(app::availableMemoryLine(status->availableBytes, locale));
    } else {
        // The system would not tell: say so rather than show a made-up 0 KB.
        m_total->setText(QStringLiteral("Всего физической памяти: нет данных"));
        m_available->setText(QStringLiteral("Доступно физической памяти: нет данных"));
    }
}

QPixmap TAboutBox::logo()
{
    QPixmap pixmap(kLogoSize);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0, 84, 147), orange(230, 126, 34);
    // A meter dial: a ring with a pointer, and the maker's name beside it.
    p.setPen(QPen(blue, 5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(8, 24, 44, 44));
    p.setPen(QPen(orange, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(30, 46), QPointF(44, 33));
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawEllipse(QPointF(30, 46), 4, 4);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(19);
    f.setBold(true);
    p.setFont(f);
    p.setPen(blue);
    p.drawText(QRectF(58, 22, 105, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kelmora"));
    f.setPixelSize(11);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(58, 46, 105, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("приборы учета"));
    // A thin line under the wordmark, in the pointer's colour.
    p.fillRect(QRectF(58, 68, 95, 2), orange);
    return pixmap;
}
