#pragma once

#include <QRect>
#include <QSize>

#include <optional>

// The main window's splitter layout, in twips and without widgets: the caption strip on top,
// the tree pane left of the vertical splitter, the file view pane right of it and the details
// pane below the horizontal splitter.
class PaneLayout {
public:
    static constexpr int kToolBarHeight = 375;
    static constexpr int kGap = 30;        // the splitter bars sit in a gap this wide between panes
    static constexpr int kMinWidth = 9000; // the smallest window the layout works in
    static constexpr int kMinHeight = 6300;
    static constexpr int kDefaultTreeWidth = 3720;
    static constexpr int kDefaultDetailHeight = 2295;

    struct State {
        bool treeVisible = true;
        bool detailsVisible = true;
        int toolBarHeight = kToolBarHeight;
        int s1Left = kDefaultTreeWidth; // the vertical splitter's left edge
        int s1Top = kToolBarHeight;     // where the vertical splitter began at the last layout
        int s2Top = 0;                  // the horizontal splitter's top edge
        int detailHeight = kDefaultDetailHeight;
    };

    struct Rects {
        QRect tree, view, details;
        QRect treeBar, detailsBar; // the splitters' hit areas before any widening
    };

    // Follows the pointer while one splitter is dragged: the visible bar starts at the
    // splitter and stays between 0 and the inner extent; on release the splitter takes it.
    class SplitterDrag {
    public:
        void press(int splitter);
        void move(int offset, int extent);
        // The splitter's new position; nothing when no drag was under way.
        std::optional<int> release();
        bool active() const { return m_active; }
        int bar() const { return m_bar; }

    private:
        int m_start = 0;
        int m_bar = 0;
        bool m_active = false;
    };

    State &state() { return m_state; }
    const State &state() const { return m_state; }
    const Rects &rects() const { return m_rects; }

    // Puts the horizontal splitter where the default details height needs it.
    void placeDefaultDetails(int innerHeight);
    // Lays the panes out in an inner area, clamping the splitters. From a resize the details
    // pane keeps its height. A pane whose size would be negative keeps its last rectangle.
    const Rects &layout(QSize inner, bool fromResize);

    // The splitter dragged along the given orientation: Qt::Vertical is the bar between the
    // tree and the file view, Qt::Horizontal the one above the details.
    void pressSplitter(Qt::Orientation bar);
    void moveSplitter(Qt::Orientation bar, int offset, QSize inner);
    // True when a drag ended; the caller lays the panes out again.
    bool releaseSplitter(Qt::Orientation bar);
    bool dragging() const { return m_vertical.active() || m_horizontal.active(); }
    // Where the visible bar of the running drag is (its left or its top).
    int dragPosition() const;
    // The visible bar of the running drag.
    QRect dragBar(QSize inner) const;

private:
    SplitterDrag &drag(Qt::Orientation bar)
    {
        return bar == Qt::Vertical ? m_vertical : m_horizontal;
    }

    State m_state;
    Rects m_rects;
    SplitterDrag m_vertical;
    SplitterDrag m_horizontal;
};
