#pragma once

#include "lcbase_export.h"

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace lc::controls {

// The usual foot of a dialog: "&OK" (the default button, named cmdOK) and "&Cancel" (named
// cmdCancel) at the right of a row, made as children of owner. The caller adds the row to its
// layout and connects the buttons.
LCBASE_EXPORT QHBoxLayout *okCancelRow(QWidget *owner, QPushButton **ok, QPushButton **cancel);

} // namespace lc::controls
