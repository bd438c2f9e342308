#pragma once

#include "lcbase_export.h"

class QLabel;

namespace lc::controls {

// The caption look of a pane or box label: white on black while it has the focus (and for
// title strips), the workspace and button-face colours of the system otherwise.
LCBASE_EXPORT void setCaptionLook(QLabel *label, bool active);

} // namespace lc::controls
