#include "keyedtree.h"
#include "treeimages.h"

#include <QtTest>

using lc::controls::KeyedTree;

class TestKeyedTree : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addAndFind()
    {
        KeyedTree t;
        QCOMPARE(t.add({}, "ROOT", "Lorecase", "pg", {}), 0);
        QCOMPARE(t.add("ROOT", "Sony", "Sony", "Sony", {}), 1);
        QCOMPARE(t.add("Sony", "P_15", "Playstation (2)", "console", "console_hot"), 2);
        QCOMPARE(t.add("ROOT", "P_18", "PC (0)", "PC", {}), 3);
        QCOMPARE(t.add("ROOT", "P_18", "again", "PC", {}), -1); // keys are unique
        QCOMPARE(t.add("nowhere", "P_1", "x", "PC", {}), -1);   // parent must exist
        QCOMPARE(t.add("ROOT", {}, "x", "PC", {}), -1);         // a key is required
        QCOMPARE(t.count(), 4);
        QCOMPARE(t.indexOf("P_15"), 2);
        QCOMPARE(t.indexOf("P_99"), -1);
        QCOMPARE(t.parentOf(2), 1);
        QCOMPARE(t.parentOf(0), -1);
        QCOMPARE(t.childCount(0), 2);
        QCOMPARE(t.childCount(-1), 1);
        QCOMPARE(t.text(2), QStringLiteral("Playstation (2)"));
        t.setTag(2, "Playstation");
        QCOMPARE(t.tag(2), QStringLiteral("Playstation"));
        t.setText(2, "Playstation (3)");
        QCOMPARE(t.text(2), QStringLiteral("Playstation (3)"));
        QCOMPARE(t.key(7), QString());
        t.clear();
        QCOMPARE(t.count(), 0);
        QCOMPARE(t.indexOf("ROOT"), -1);
        QCOMPARE(t.add({}, "ROOT", "Lorecase", "pg", {}), 0);
    }

    void picturesFollowSelectionAndExpansion()
    {
        KeyedTree t;
        t.add({}, "ROOT", "Lorecase", "pg", {});
        t.setExpandedImage(0, "ROOT");
        const int p = t.add("ROOT", "P_1", "NES (0)", "console", "console_hot");
        const int g = t.add("P_1", "G_1|P_1", "Action (0)", "genre", "genre_hot");
        QCOMPARE(t.shownImage(0), QStringLiteral("pg"));
        t.setExpanded(0, true);
        QCOMPARE(t.shownImage(0), QStringLiteral("ROOT"));
        t.select(p);
        QCOMPARE(t.selectedNode(), p);
        QCOMPARE(t.shownImage(p), QStringLiteral("console_hot"));
        t.select(g);
        QCOMPARE(t.shownImage(p), QStringLiteral("console"));
        QCOMPARE(t.shownImage(g), QStringLiteral("genre_hot"));
        t.ensureVisible(g);
        QVERIFY(t.expanded(p));
    }

    void everyImageKeyIsDrawn()
    {
        for (const char *key : {"pg", "ROOT", "Microsoft", "Nintendo", "Sega", "Sony", "PC",
                                "Arcade", "console", "genre", "cd"}) {
            for (const QString &k : {QString::fromLatin1(key), QString::fromLatin1(key) + "_hot"}) {
                const QIcon icon = lc::controls::treeImage(k);
                QVERIFY2(!icon.isNull(), qPrintable(k));
                const QImage img = icon.pixmap(16, 16).toImage();
                int opaque = 0;
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x)
                        opaque += qAlpha(img.pixel(x, y)) > 0;
                QVERIFY2(opaque > 40, qPrintable(k)); // a picture, not an empty square
            }
        }
        QVERIFY(lc::controls::treeImage("nothing").isNull());
        QVERIFY(lc::controls::treeImage("cd").pixmap(16, 16).toImage() !=
                lc::controls::treeImage("cd_hot").pixmap(16, 16).toImage());
    }
};

QTEST_MAIN(TestKeyedTree)
#include "tst_keyedtree.moc"
