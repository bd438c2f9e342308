#include "tabstrip.h"

#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

using lc::controls::TabStrip;

class TestTabStrip : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keyedTabsCountFromOne()
    {
        TabStrip strip;
        QSignalSpy click(&strip, &TabStrip::Click);
        QCOMPARE(strip.selectedIndex(), 0);
        QWidget *files = new QWidget;
        QCOMPARE(strip.addTab("Files", "Files", files), 1);
        QCOMPARE(strip.addTab("Web", "Web Browser"), 2);
        QCOMPARE(strip.addTab("Web", "again"), 0);
        QCOMPARE(strip.addTab({}, "no key"), 0);
        QCOMPARE(strip.count(), 2);
        QCOMPARE(strip.indexOf("Web"), 2);
        QCOMPARE(strip.indexOf("nothing"), 0);
        QCOMPARE(strip.page(1), files);
        QVERIFY(strip.page(2));
        QCOMPARE(strip.page(3), nullptr);
        QCOMPARE(strip.selectedIndex(), 1);
        QCOMPARE(click.count(), 0); // the first tab's selection is no click
        strip.setCaption(2, "Web Browser - Start Page");
        QCOMPARE(strip.caption(2), QStringLiteral("Web Browser - Start Page"));
        QCOMPARE(strip.tabWidget()->tabText(1), QStringLiteral("Web Browser - Start Page"));
        strip.setImages([](const QString &key) {
            QPixmap p(16, 16);
            p.fill(key == "book" ? Qt::red : Qt::blue);
            return QIcon(p);
        });
        strip.setImage(1, "book");
        QCOMPARE(strip.image(1), QStringLiteral("book"));
        QVERIFY(!strip.tabWidget()->tabIcon(0).isNull());
        QVERIFY(strip.tabWidget()->tabIcon(1).isNull());
    }

    void selectingShowsThePageAndClicks()
    {
        TabStrip strip;
        for (const char *key : {"Bookmarks", "Internet Favorites", "Lorecase Search Results"})
            strip.addTab(key, key);
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        QSignalSpy click(&strip, &TabStrip::Click);
        strip.setSelectedIndex(3);
        QCOMPARE(click.count(), 1);
        QCOMPARE(click.at(0).at(0).toInt(), 3);
        QVERIFY(strip.page(3)->isVisible());
        QVERIFY(!strip.page(1)->isVisible());
        // Selecting the selected tab again still runs the caller's tab handling.
        strip.setSelectedIndex(3);
        QCOMPARE(click.count(), 2);
        strip.setSelectedIndex(0);
        strip.setSelectedIndex(4);
        QCOMPARE(click.count(), 2);
        QCOMPARE(strip.selectedIndex(), 3);
        // The user's clicks, on another tab and on the selected one, are reported once each.
        QTabBar *bar = strip.tabWidget()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QCOMPARE(click.count(), 3);
        QCOMPARE(click.at(2).at(0).toInt(), 2);
        QCOMPARE(strip.selectedIndex(), 2);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QCOMPARE(click.count(), 4);
        QVERIFY(strip.page(2)->isVisible());
    }
};

QTEST_MAIN(TestTabStrip)
#include "tst_tabstrip.moc"
