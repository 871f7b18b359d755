#include "compacttabs.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>

namespace app {

namespace {

class CompactTabStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return metric == PM_TabBarTabHSpace ? value / 2 : value;
    }
};

} // namespace

void compactTabs(QTabWidget *pages)
{
    // Over the style the program runs with, owned by the tab bar.
    auto *style = new CompactTabStyle(QStyleFactory::create(QApplication::style()->name()));
    style->setParent(pages->tabBar());
    pages->tabBar()->setStyle(style);
}

} // namespace app
