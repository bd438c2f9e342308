#include "keyedlistview.h"
#include "twips.h"

#include <QHeaderView>
#include <QListView>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

using lc::controls::KeyedListView;
using lc::controls::ListViewMode;

namespace {
// The file list's columns, as a pane declares them.
enum Column { File, Source, Category, ColumnCount };

void fill(KeyedListView &list, const QStringList &keys)
{
    for (const QString &k : keys)
        list.add(k, k.toUpper());
}

QStringList keys(const KeyedListView &list)
{
    QStringList out;
    for (int r = 0; r < list.count(); ++r)
        out << list.key(r);
    return out;
}
} // namespace

class TestKeyedListView : public QObject {
    Q_OBJECT

    KeyedListView *list = nullptr;

private Q_SLOTS:
    void init()
    {
        lc::twips::setPixelsPerInchForTesting(96);
        list = new KeyedListView;
        list->setColumns({{"File", 3980}, {"Source", 2900}, {"Category", 2270}});
        list->resize(500, 300);
    }
    void cleanup()
    {
        delete list;
        lc::twips::setPixelsPerInchForTesting(0);
    }

    void rowsByKey()
    {
        QCOMPARE(list->columnCount(), int(ColumnCount));
        fill(*list, {"K_1", "K_2", "K_3"});
        QCOMPARE(list->add("K_2", "again"), -1); // keys are unique
        QCOMPARE(list->add({}, "no key"), -1);
        list->setText(1, Source, "www.example.com");
        list->setText(1, ColumnCount, "past the last column");
        list->setTag(1, 42);
        QCOMPARE(list->text(1, Source), QStringLiteral("www.example.com"));
        QCOMPARE(list->text(1, Category), QString());
        QCOMPARE(list->text(1, ColumnCount), QString());
        QCOMPARE(list->tag(1).toInt(), 42);
        QCOMPARE(list->reportView()->model()->data(list->reportView()->model()->index(1, Source)),
                 QVariant("www.example.com"));
        // Removing a row moves the later ones up, and their keys still find them.
        QVERIFY(list->remove("K_1"));
        QVERIFY(!list->remove("K_1"));
        QCOMPARE(list->indexOf("K_3"), 1);
        QCOMPARE(list->tag(list->indexOf("K_2")).toInt(), 42);
        QVERIFY(!list->setKey(0, "K_3"));
        QVERIFY(list->setKey(0, "K_9"));
        QCOMPARE(list->indexOf("K_2"), -1);
        QCOMPARE(list->indexOf("K_9"), 0);
        list->clear();
        QCOMPARE(list->count(), 0);
        QCOMPARE(list->add("K_3", "back"), 0);
    }

    void sortsByRawValues()
    {
        QSignalSpy clicked(list, &KeyedListView::ColumnClick);
        // Shown as text, sorted by number: "10" after "9"; equal texts keep their order.
        const QList<QPair<QString, int>> sizes{{"a", 10}, {"b", 9}, {"c", 100}, {"d", 9}};
        for (const auto &[k, size] : sizes) {
            list->add(k, QStringLiteral("file ") + k);
            list->setText(list->indexOf(k), Source, QString::number(size), size);
            list->setText(list->indexOf(k), Category, k == "b" ? "walkthrough" : "Cheats");
        }
        list->select(list->indexOf("c"));
        list->reportView()->header()->sectionClicked(Source);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(keys(*list), (QStringList{"b", "d", "a", "c"}));
        QCOMPARE(list->selectedKey(), QStringLiteral("c")); // the selection follows its row
        // Texts sort without regard to case; a second click does not reverse the order.
        list->sortBy(Category);
        QCOMPARE(keys(*list), (QStringList{"d", "a", "c", "b"}));
        list->sortBy(Category);
        QCOMPARE(keys(*list), (QStringList{"d", "a", "c", "b"}));
        // While sorted, new and changed rows go to their places; ties keep the order they had.
        list->sortBy(Source);
        QCOMPARE(keys(*list), (QStringList{"d", "b", "a", "c"}));
        list->add("e", "file e");
        QCOMPARE(list->indexOf("e"), 0); // nothing in its column yet
        list->setText(0, Source, "50", 50);
        QCOMPARE(keys(*list), (QStringList{"d", "b", "a", "e", "c"}));
        QCOMPARE(list->sortValue(list->indexOf("e"), Source).toInt(), 50);
        QCOMPARE(list->selectedKey(), QStringLiteral("c"));
    }

    void bulkAddKeepsKeysAndOrder()
    {
        list->sortBy(File);
        list->beginBulkAdd();
        for (int i = 10000; i > 0; --i)
            list->add(QStringLiteral("K_%1").arg(i),
                      QStringLiteral("%1").arg(i, 5, 10, QChar('0')));
        list->endBulkAdd();
        QCOMPARE(list->count(), 10000);
        QCOMPARE(list->key(0), QStringLiteral("K_1"));
        QCOMPARE(list->indexOf("K_10000"), 9999);
        QCOMPARE(list->reportView()->model()->rowCount(), 10000);
    }

    void onlyTheUserClicks()
    {
        fill(*list, {"K_1", "K_2", "K_3"});
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list));
        QSignalSpy item(list, &KeyedListView::ItemClick);
        QSignalSpy keyDown(list, &KeyedListView::KeyDown);
        QSignalSpy mouseDown(list, &KeyedListView::MouseDown);
        QSignalSpy dbl(list, &KeyedListView::DblClick);
        list->select(0);
        list->remove("K_1");
        QCOMPARE(item.count(), 0);
        list->select(0);
        QCOMPARE(list->selectedKey(), QStringLiteral("K_2"));
        QTest::keyClick(list->reportView(), Qt::Key_Down);
        QCOMPARE(item.count(), 1);
        QCOMPARE(item.at(0).at(0).toInt(), 1);
        QTest::keyClick(list->reportView(), Qt::Key_Delete);
        QCOMPARE(keyDown.count(), 2);
        QCOMPARE(keyDown.at(1).at(0).toInt(), int(Qt::Key_Delete));
        // A right click selects the row under it before it is reported.
        QTreeView *view = list->reportView();
        const QPoint first = view->visualRect(view->model()->index(0, 0)).center();
        QTest::mousePress(view->viewport(), Qt::RightButton, {}, first);
        QCOMPARE(mouseDown.count(), 1);
        QCOMPARE(mouseDown.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
        QCOMPARE(list->selectedRow(), 0);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, first);
        QCOMPARE(dbl.count(), 1);
        QCOMPARE(dbl.at(0).at(0).toInt(), 0);
    }

    void viewModesShareRowsSelectionAndWidths()
    {
        fill(*list, {"K_1", "K_2"});
        list->select(1);
        QCOMPARE(list->columnWidth(File), 3980); // not the twips of its rounded pixels
        list->setViewMode(ListViewMode::LargeIcon);
        QCOMPARE(list->currentView(), list->iconView());
        QCOMPARE(list->iconView()->viewMode(), QListView::IconMode);
        QCOMPARE(list->iconView()->iconSize(), QSize(32, 32));
        list->setViewMode(ListViewMode::List);
        QCOMPARE(list->iconView()->viewMode(), QListView::ListMode);
        QCOMPARE(list->iconView()->flow(), QListView::TopToBottom);
        list->setViewMode(ListViewMode::SmallIcon);
        QCOMPARE(list->iconView()->flow(), QListView::LeftToRight);
        QCOMPARE(list->selectedKey(), QStringLiteral("K_2"));
        list->setViewMode(ListViewMode::Report);
        QCOMPARE(list->currentView(), list->reportView());
        QCOMPARE(list->selectedKey(), QStringLiteral("K_2"));
        QCOMPARE(list->reportView()->header()->sectionSize(File), 265);
        list->reportView()->header()->resizeSection(Source, 96); // the user drags it
        QCOMPARE(list->columnWidth(Source), 1440);
        list->setColumnCaption(Category, "Search Field");
        QCOMPARE(list->reportView()->model()->headerData(Category, Qt::Horizontal),
                 QVariant("Search Field"));
    }
};

QTEST_MAIN(TestKeyedListView)
#include "tst_keyedlistview.moc"
