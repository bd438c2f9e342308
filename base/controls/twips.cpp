#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace lc::twips {
namespace {
double g_fixedDpi = 0;
}

double pixelsPerInch()
{
    if (g_fixedDpi > 0)
        return g_fixedDpi;
    if (const QScreen *s = QGuiApplication::primaryScreen())
        return s->logicalDotsPerInch() > 0 ? s->logicalDotsPerInch() : 96.0;
    return 96.0;
}

void setPixelsPerInchForTesting(double dpi)
{
    g_fixedDpi = dpi;
}

int toPixels(int twips)
{
    return int(std::lround(twips * pixelsPerInch() / 1440.0));
}

int fromPixels(int pixels)
{
    return int(std::lround(pixels * 1440.0 / pixelsPerInch()));
}

QRect toPixels(int left, int top, int width, int height)
{
    // Convert edges rather than sizes so neighbouring areas meet without gaps.
    const int x0 = toPixels(left), y0 = toPixels(top);
    return QRect(x0, y0, toPixels(left + width) - x0, toPixels(top + height) - y0);
}

} // namespace lc::twips
