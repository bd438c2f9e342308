#include "PaneLayout.h"

#include <QtTest>

using State = PaneLayout::State;

namespace {
constexpr QSize kInner(13500, 9000);

// A layout as the main window starts it: default splitters, both panes shown.
PaneLayout started(QSize inner = kInner)
{
    PaneLayout l;
    l.placeDefaultDetails(inner.height());
    return l;
}
} // namespace

class TestPaneLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layoutRules_data()
    {
        QTest::addColumn<bool>("tree");
        QTest::addColumn<bool>("details");
        QTest::addColumn<int>("s1Left");
        QTest::addColumn<int>("s2Top"); // 0: the default
        QTest::addColumn<int>("detailHeight");
        QTest::addColumn<bool>("fromResize");
        QTest::addColumn<QRect>("treeRect");
        QTest::addColumn<QRect>("viewRect");
        QTest::addColumn<QRect>("detailsRect");
        QTest::addColumn<int>("s1After");
        QTest::addColumn<int>("s2After");

        // A hidden pane's move to a negative size is skipped: it keeps its last (empty) place.
        QTest::newRow("defaults") << true << true << 3720 << 0 << 2295 << false
                                  << QRect(0, 375, 3720, 6300) << QRect(3750, 375, 9750, 6300)
                                  << QRect(0, 6705, 13500, 2295) << 3720 << 6675;
        QTest::newRow("tree hidden")
            << false << true << 3720 << 0 << 2295 << false << QRect() << QRect(0, 375, 13500, 6300)
            << QRect(0, 6705, 13500, 2295) << 3720 << 6675;
        QTest::newRow("details hidden")
            << true << false << 3720 << 0 << 2295 << false << QRect(0, 375, 3720, 8625)
            << QRect(3750, 375, 9750, 8625) << QRect() << 3720 << 6675;
        QTest::newRow("tree too narrow")
            << true << true << 200 << 0 << 2295 << false << QRect(0, 375, 1000, 6300)
            << QRect(1030, 375, 12470, 6300) << QRect(0, 6705, 13500, 2295) << 1000 << 6675;
        QTest::newRow("tree too wide")
            << true << true << 13000 << 0 << 2295 << false << QRect(0, 375, 12500, 6300)
            << QRect(12530, 375, 970, 6300) << QRect(0, 6705, 13500, 2295) << 12500 << 6675;
        QTest::newRow("details too high")
            << true << true << 3720 << 500 << 2295 << false << QRect(0, 375, 3720, 595)
            << QRect(3750, 375, 9750, 595) << QRect(0, 1000, 13500, 8000) << 3720 << 970;
        // Tested against 1000, set to 970.
        QTest::newRow("details just under 1000")
            << true << true << 3720 << 985 << 2295 << false << QRect(0, 375, 3720, 595)
            << QRect(3750, 375, 9750, 595) << QRect(0, 1000, 13500, 8000) << 3720 << 970;
        QTest::newRow("details too low")
            << true << true << 3720 << 8500 << 2295 << false << QRect(0, 375, 3720, 7655)
            << QRect(3750, 375, 9750, 7655) << QRect(0, 8060, 13500, 940) << 3720 << 8030;
        QTest::newRow("resize keeps the details height")
            << true << true << 3720 << 4000 << 1500 << true << QRect(0, 375, 3720, 7095)
            << QRect(3750, 375, 9750, 7095) << QRect(0, 7500, 13500, 1500) << 3720 << 7470;
        QTest::newRow("resize with details taller than the window")
            << true << true << 3720 << 4000 << 9500 << true << QRect(0, 375, 3720, 595)
            << QRect(3750, 375, 9750, 595) << QRect(0, 1000, 13500, 8000) << 3720 << 970;
    }
    void layoutRules()
    {
        QFETCH(bool, tree);
        QFETCH(bool, details);
        QFETCH(int, s1Left);
        QFETCH(int, s2Top);
        QFETCH(int, detailHeight);
        QFETCH(bool, fromResize);
        PaneLayout l = started();
        State &s = l.state();
        s.treeVisible = tree;
        s.detailsVisible = details;
        s.s1Left = s1Left;
        if (s2Top)
            s.s2Top = s2Top;
        s.detailHeight = detailHeight;
        const PaneLayout::Rects &r = l.layout(kInner, fromResize);
        QTEST(r.tree, "treeRect");
        QTEST(r.view, "viewRect");
        QTEST(r.details, "detailsRect");
        QTEST(s.s1Left, "s1After");
        QTEST(s.s2Top, "s2After");
        // The bars sit in the gaps in front of the file view and the details.
        QCOMPARE(r.treeBar, QRect(s.s1Left, 375, 30, r.view.height()));
        QCOMPARE(r.detailsBar, QRect(0, s.s2Top, 13500, 30));
        if (details)
            QCOMPARE(s.detailHeight, r.details.height());
    }

    void hiddenStripSettlesOnTheSecondLayout()
    {
        PaneLayout l = started();
        l.layout(kInner, false);
        l.state().toolBarHeight = 0;
        // The first pass still measures the upper panes from the strip's old height.
        QCOMPARE(l.layout(kInner, false).view, QRect(3750, 0, 9750, 6300));
        QCOMPARE(l.layout(kInner, false).view, QRect(3750, 0, 9750, 6675));
    }

    void drags_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("bar");
        QTest::addColumn<int>("splitter"); // after the release and the layout
        QTest::newRow("tree to 200") << true << 200 - 3720 << 200 << 1000;
        QTest::newRow("tree past the left edge") << true << -9999 << 0 << 1000;
        QTest::newRow("tree past the right edge") << true << 99999 << 13500 << 12500;
        QTest::newRow("tree a little") << true << 900 << 4620 << 4620;
        QTest::newRow("details to 500") << false << 500 - 6675 << 500 << 970;
        QTest::newRow("details past the bottom") << false << 99999 << 9000 << 8030;
        QTest::newRow("details a little") << false << -600 << 6075 << 6075;
    }
    void drags()
    {
        QFETCH(bool, vertical);
        QFETCH(int, offset);
        QFETCH(int, bar);
        QFETCH(int, splitter);
        const Qt::Orientation o = vertical ? Qt::Vertical : Qt::Horizontal;
        PaneLayout l = started();
        l.layout(kInner, false);
        l.pressSplitter(o);
        QVERIFY(l.dragging());
        l.moveSplitter(o, offset / 2, kInner);
        l.moveSplitter(o, offset, kInner); // offsets count from the press, not the last move
        QCOMPARE(l.dragPosition(), bar);
        const QRect shown = l.dragBar(kInner);
        QCOMPARE(vertical ? shown.left() : shown.top(), bar);
        QCOMPARE(vertical ? shown.width() : shown.height(), 30);
        QCOMPARE(vertical ? shown.height() : shown.width(), vertical ? 6300 : 13500);
        QVERIFY(l.releaseSplitter(o));
        QVERIFY(!l.dragging());
        l.layout(kInner, false);
        QCOMPARE(vertical ? l.state().s1Left : l.state().s2Top, splitter);
    }

    void strayPointerEventsChangeNothing()
    {
        PaneLayout l = started();
        l.layout(kInner, false);
        l.moveSplitter(Qt::Vertical, 500, kInner);
        QVERIFY(!l.releaseSplitter(Qt::Vertical));
        // A drag of one bar is not ended or moved by the other's events.
        l.pressSplitter(Qt::Horizontal);
        l.moveSplitter(Qt::Vertical, 500, kInner);
        QVERIFY(!l.releaseSplitter(Qt::Vertical));
        QCOMPARE(l.dragPosition(), 6675);
        QVERIFY(l.releaseSplitter(Qt::Horizontal));
        QCOMPARE(l.state().s1Left, 3720);
        QCOMPARE(l.state().s2Top, 6675);
    }
};

QTEST_MAIN(TestPaneLayout)
#include "tst_panelayout.moc"
