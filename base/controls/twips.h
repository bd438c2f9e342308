#pragma once

#include "lcbase_export.h"

#include <QRect>

// Window lengths are kept in twips (1440 to the logical inch) and turned into pixels here
// only, at the screen's logical resolution.
namespace lc::twips {

LCBASE_EXPORT double pixelsPerInch();
// For tests and printing: a fixed resolution (0 returns to the screen's).
LCBASE_EXPORT void setPixelsPerInchForTesting(double dpi);

LCBASE_EXPORT int toPixels(int twips);
LCBASE_EXPORT int fromPixels(int pixels);
LCBASE_EXPORT QRect toPixels(int left, int top, int width, int height);

} // namespace lc::twips
