#pragma once

#include "lcbase_export.h"

#include <QHash>
#include <QIcon>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <vector>

class QAbstractItemView;
class QListView;
class QStackedWidget;
class QTreeView;

namespace lc::controls {

class KeyedListModel;
class ListReportView;
class ListIconView;

// The four ways a list shows its rows; the numbers are the ones the settings store keeps.
enum class ListViewMode { LargeIcon = 0, SmallIcon = 1, List = 2, Report = 3 };

struct ListColumn {
    QString caption;
    int widthTwips = 1440;
};

// Turns a row's image key into a picture; the list asks for it only when it draws the row.
using ListImages = std::function<QIcon(const QString &key)>;

// A list of rows, each found by a unique key and carrying a tag, an image key and one text per
// column. Every column cell also holds the value it sorts by, so a formatted column still sorts
// by what it stands for. Rows live in one table behind a light model; the report view and the
// icon views show the same table, so switching the mode keeps rows, selection and widths.
// Rows are numbered from 0 in the order shown.
class LCBASE_EXPORT KeyedListView : public QWidget {
    Q_OBJECT
public:
    explicit KeyedListView(QWidget *parent = nullptr);
    ~KeyedListView() override;

    void setColumns(const std::vector<ListColumn> &columns);
    int columnCount() const { return int(m_captions.size()); }
    QString columnCaption(int column) const;
    void setColumnCaption(int column, const QString &caption);
    int columnWidth(int column) const; // twips
    void setColumnWidth(int column, int twips);

    ListViewMode viewMode() const { return m_mode; }
    void setViewMode(ListViewMode mode);
    void setImages(ListImages images);

    // Adds a row at the end, or at its sorted place while sorting is on. Returns the row, or -1
    // when the key is empty or taken.
    int add(const QString &key, const QString &text, const QString &image = {});
    bool remove(const QString &key);
    void clear();
    int count() const { return int(m_rows.size()); }
    // While a bulk add is open the views are not told of each row; they see them all at the end.
    void beginBulkAdd();
    void endBulkAdd();

    // -1 when no row has that key.
    int indexOf(const QString &key) const { return m_byKey.value(key, -1); }
    bool isValid(int row) const { return row >= 0 && row < count(); }
    QString key(int row) const;
    // A row's key may change (a moved file), as long as the new one is free.
    bool setKey(int row, const QString &key);
    QString text(int row, int column = 0) const;
    // An invalid sort value sorts by the text itself.
    void setText(int row, int column, const QString &text, const QVariant &sortValue = {});
    QVariant sortValue(int row, int column) const;
    QVariant tag(int row) const;
    void setTag(int row, const QVariant &tag);
    QString image(int row) const;
    void setImage(int row, const QString &image);

    // -1 / empty when nothing is selected.
    int selectedRow() const;
    QString selectedKey() const;
    // Selects and shows a row; -1 clears the selection. Reports no ItemClick: that is for the user.
    void select(int row);
    void ensureVisible(int row);

    // Sorts by the column (ascending) and keeps the rows sorted from now on.
    void sortBy(int column);
    bool sorted() const { return m_sortColumn >= 0; }
    int sortColumn() const { return m_sortColumn; }

    QAbstractItemView *currentView() const;
    QTreeView *reportView() const;
    QListView *iconView() const;

Q_SIGNALS:
    // The user moved the selection to a row, with the mouse or the keyboard.
    void ItemClick(int row);
    void DblClick(int row);
    // A header click; the list has already sorted by that column.
    void ColumnClick(int column);
    // Before the view handles the key.
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);
    // After the view handled the press, so a right click sees the row it landed on selected.
    void MouseDown(Qt::MouseButton button, QPoint globalPos);

private:
    friend class KeyedListModel;
    friend class ListReportView;
    friend class ListIconView;
    struct Row {
        QString key;
        QStringList texts; // one per column, shorter when trailing cells are unset
        std::vector<QVariant> sortValues;
        QString image;
        QVariant tag;
    };
    bool lessThan(const Row &a, const Row &b) const;
    int sortedPlace(const Row &row) const;
    void reindex(int from);
    void sortRows();
    void refresh(int row);
    void applyWidths();

    KeyedListModel *m_model = nullptr;
    QStackedWidget *m_stack = nullptr;
    ListReportView *m_report = nullptr;
    ListIconView *m_icons = nullptr;
    std::vector<Row> m_rows;
    QHash<QString, int> m_byKey;
    QStringList m_captions;
    std::vector<int> m_widths; // twips
    ListImages m_images;
    ListViewMode m_mode = ListViewMode::Report;
    int m_sortColumn = -1;
    int m_bulk = 0;
    bool m_selecting = false;
};

} // namespace lc::controls
