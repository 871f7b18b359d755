#include "About.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
const QString kWeb = QStringLiteral("www.kelmora.example");
const QString kMail = QStringLiteral("info@kelmora.example");
const QString kPhone1 = QStringLiteral("+7 000 000-00-01");
const QString kPhone2 = QStringLiteral("+7 000 000-00-02");
const QString kMaker = QStringLiteral("ООО «Кельмора», 2026");

QLabel *boldCentred(const QString &text, QWidget *parent, bool bold)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}
} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(394, 281);
    openUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);

    // Top panel: the icon and the product lines.
    auto *top = new QFrame(this);
    top->setObjectName(QStringLiteral("PanelTop"));
    top->setFrameShape(QFrame::StyledPanel);
    auto *topGrid = new QGridLayout(top);
    topGrid->setContentsMargins(6, 4, 6, 4);
    topGrid->setVerticalSpacing(1);
    auto *icon = new QLabel(top);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setFrameShape(QFrame::Panel);
    icon->setFrameShadow(QFrame::Sunken);
    icon->setFixedSize(36, 36);
    icon->setAlignment(Qt::AlignCenter);
    const QIcon appIcon = QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                                              : QApplication::windowIcon();
    icon->setPixmap(appIcon.pixmap(32, 32));
    topGrid->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
    topGrid->addWidget(boldCentred(QStringLiteral("8-и тарифный однофазный эл. счетчик"), top, true), 0, 1);
    topGrid->addWidget(boldCentred(QStringLiteral("Программирование Tarvik 504"), top, true), 1, 1);
    topGrid->addWidget(boldCentred(QStringLiteral("Версия 1.2"), top, false), 2, 1);
    topGrid->addWidget(boldCentred(kMaker, top, false), 3, 1);
    topGrid->setColumnStretch(1, 1);
    layout->addWidget(top);

    // The maker's contacts and logo.
    auto *middle = new QHBoxLayout;
    auto *group = new QGroupBox(QStringLiteral("Наши координаты"), this);
    QFont small = group->font();
    small.setPointSizeF(small.pointSizeF() - 1);
    group->setFont(small);
    auto *contacts = new QGridLayout(group);
    contacts->setContentsMargins(4, 2, 4, 2);
    contacts->setHorizontalSpacing(4);
    contacts->setVerticalSpacing(2);
    // Each caption above its value: the group shares the width with the logo.
    contacts->setVerticalSpacing(0);
    contacts->setColumnMinimumWidth(0, 10);
    contacts->addWidget(new QLabel(QStringLiteral("Web-страница:"), group), 0, 0, 1, 3);
    m_web = makeLink(QStringLiteral("LabelWeb"), kWeb);
    contacts->addWidget(m_web, 1, 1, 1, 2);
    contacts->addWidget(new QLabel(QStringLiteral("E-mail:"), group), 2, 0, 1, 3);
    m_mail = makeLink(QStringLiteral("LabelMail"), kMail);
    contacts->addWidget(m_mail, 3, 1, 1, 2);
    contacts->addWidget(new QLabel(QStringLiteral("Телефоны:"), group), 4, 0, 1, 3);
    contacts->addWidget(new QLabel(kPhone1, group), 5, 1, 1, 2);
    contacts->addWidget(new QLabel(kPhone2, group), 6, 1, 1, 2);
    middle->addWidget(group, 1);
    auto *logoLabel = new QLabel(this);
    logoLabel->setObjectName(QStringLiteral("ImageLogo"));
    logoLabel->setFixedSize(165, 93);
    logoLabel->setPixmap(logo());
    middle->addWidget(logoLabel, 0, Qt::AlignVCenter);
    layout->addLayout(middle);

    m_total = new QLabel(this);
    m_total->setObjectName(QStringLiteral("LabelTotalMemory"));
    m_available = new QLabel(this);
    m_available->setObjectName(QStringLiteral("LabelAvailMemory"));
    layout->addWidget(m_total);
    layout->addWidget(m_available);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ButtonOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

QLabel *TAboutBox::makeLink(const QString &name, const QString &caption)
{
    auto *label = new QLabel(caption, this);
    label->setObjectName(name);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(p);
    QFont f = label->font();
    f.setUnderline(true);
    label->setFont(f);
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(this);
    return label;
}

QUrl TAboutBox::webUrl(const QString &caption)
{
    const QUrl url(caption);
    return url.scheme().isEmpty() ? QUrl(QStringLiteral("http://") + caption) : url;
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == m_web)
            openUrl(webUrl(m_web->text()));
        else if (watched == m_mail)
            openUrl(mailUrl(m_mail->text()));
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::showEvent(QShowEvent *event)
{
    refreshMemory();
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TAboutBox::refreshMemory()
{
    if (const auto status = memoryStatus ? memoryStatus() : std::nullopt) {
        m_total->setText(app::totalMemoryLine(status->totalBytes));
        m_available->setText(app::availableMemoryLine(status->availableBytes));
    } else {
        // The system did not tell: say so rather than show a made-up figure.
        m_total->setText(QStringLiteral("Всего физической памяти: нет данных"));
        m_available->setText(QStringLiteral("Доступно физической памяти: нет данных"));
    }
}

QPixmap TAboutBox::logo()
{
    QPixmap pixmap(165, 93);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A meter dial: a ring with a pointer, and the maker's name beside it.
    p.setPen(QPen(QColor(0, 84, 147), 5));
    p.drawEllipse(QRectF(6, 24, 44, 44));
    p.setPen(QPen(QColor(230, 126, 34), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(28, 46), QPointF(42, 33));
    p.setBrush(QColor(0, 84, 147));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(28, 46), 4, 4);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0, 84, 147));
    p.drawText(QRectF(56, 24, 107, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kelmora"));
    f.setPixelSize(10);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(56, 48, 107, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("приборы учета"));
    return pixmap;
}
