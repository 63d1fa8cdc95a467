#include <gtest/gtest.h>

#include <QApplication>
#include <QTabBar>
#include <QTest>

#include "controls/LightTab.h"

using namespace pictavo;

TEST(LightTab, ReportsEveryChoiceOfATabOnce) {
    QWidget window;
    auto* tab = new LightTab(&window);
    tab->setCaption(QStringLiteral("General|Areas|Overlay Text|Countdown|"));
    tab->setTabs(4);
    window.show();
    QApplication::processEvents();
    QList<int> reported;
    QObject::connect(tab, &LightTab::TabChanged, [&reported](int index) { reported << index; });

    auto* bar = tab->findChild<QTabBar*>();
    auto click = [bar](int index) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    };
    tab->setActiveTab(0);  // already active: still reported
    tab->setActiveTab(2);
    tab->setActiveTab(4);  // no such tab
    tab->setActiveTab(-1);
    click(1);
    click(1);  // the active tab again
    EXPECT_EQ(reported, (QList<int>{0, 2, 1, 1}));
    EXPECT_EQ(tab->activeTab(), 1);

    tab->setCaption(QStringLiteral("X|Y|Z|W"));  // rebuilding is no choice
    EXPECT_EQ(reported.size(), 4);
    EXPECT_EQ(tab->activeTab(), 1);
}
