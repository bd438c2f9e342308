#include "PaneLayout.h"

#include <algorithm>

void PaneLayout::SplitterDrag::press(int splitter)
{
    m_start = splitter;
    m_bar = splitter;
    m_active = true;
}

void PaneLayout::SplitterDrag::move(int offset, int extent)
{
    if (m_active)
        m_bar = std::clamp(m_start + offset, 0, std::max(0, extent));
}

std::optional<int> PaneLayout::SplitterDrag::release()
{
    if (!m_active)
        return std::nullopt;
    m_active = false;
    return m_bar;
}

void PaneLayout::placeDefaultDetails(int innerHeight)
{
    m_state.s1Top = m_state.toolBarHeight;
    m_state.s2Top = innerHeight - kDefaultDetailHeight - kGap;
}

namespace {
// A move to a negative size is skipped, as if it had failed.
void place(QRect &rect, int left, int top, int width, int height)
{
    if (width >= 0 && height >= 0)
        rect = QRect(left, top, width, height);
}
} // namespace

const PaneLayout::Rects &PaneLayout::layout(QSize inner, bool fromResize)
{
    State &s = m_state;
    const int w = inner.width();
    const int h = inner.height();
    const int t = s.toolBarHeight;

    int r = 0;
    if (s.treeVisible) {
        if (s.s1Left > w - 1000)
            s.s1Left = w - 1000;
        else if (s.s1Left < 1000)
            s.s1Left = 1000;
        r = s.s1Left + kGap;
    }

    int b = h;
    if (s.detailsVisible) {
        if (fromResize)
            s.s2Top = h - s.detailHeight - kGap;
        // The lower limit is tested against 1000 but set to 970, as the layout always did.
        if (s.s2Top > h - 970)
            s.s2Top = h - 970;
        else if (s.s2Top < 1000)
            s.s2Top = 970;
        b = s.s2Top;
    }

    // The upper panes start at the toolbar but take their height from where the vertical
    // splitter began, so a toggled strip needs a second layout to settle.
    const int p = b - s.s1Top;
    place(m_rects.tree, 0, t, r - kGap, p);
    place(m_rects.view, r, t, w - r, p);
    const int detailTop = b + kGap;
    if (s.detailsVisible)
        s.detailHeight = h - detailTop;
    place(m_rects.details, 0, detailTop, w, h - detailTop);

    s.s1Top = t;
    m_rects.treeBar = QRect(s.s1Left, t, kGap, std::max(0, p));
    m_rects.detailsBar = QRect(0, s.s2Top, w, kGap);
    return m_rects;
}

void PaneLayout::pressSplitter(Qt::Orientation bar)
{
    drag(bar).press(bar == Qt::Vertical ? m_state.s1Left : m_state.s2Top);
}

void PaneLayout::moveSplitter(Qt::Orientation bar, int offset, QSize inner)
{
    drag(bar).move(offset, bar == Qt::Vertical ? inner.width() : inner.height());
}

bool PaneLayout::releaseSplitter(Qt::Orientation bar)
{
    const auto to = drag(bar).release();
    if (!to)
        return false;
    (bar == Qt::Vertical ? m_state.s1Left : m_state.s2Top) = *to;
    return true;
}

int PaneLayout::dragPosition() const
{
    return m_vertical.active() ? m_vertical.bar() : m_horizontal.bar();
}

QRect PaneLayout::dragBar(QSize inner) const
{
    if (m_vertical.active())
        return QRect(m_vertical.bar(), m_state.s1Top, kGap, m_rects.view.height());
    return QRect(0, m_horizontal.bar(), inner.width(), kGap);
}
