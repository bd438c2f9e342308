#include "dialogbuttons.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace lc::controls {

QHBoxLayout *okCancelRow(QWidget *owner, QPushButton **ok, QPushButton **cancel)
{
    *ok = new QPushButton(QStringLiteral("&OK"), owner);
    (*ok)->setObjectName(QStringLiteral("cmdOK"));
    (*ok)->setDefault(true);
    *cancel = new QPushButton(QStringLiteral("&Cancel"), owner);
    (*cancel)->setObjectName(QStringLiteral("cmdCancel"));
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(*ok);
    row->addWidget(*cancel);
    return row;
}

} // namespace lc::controls
