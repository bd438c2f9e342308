#include "captionlook.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>

namespace lc::controls {

void setCaptionLook(QLabel *label, bool active)
{
    if (!label)
        return;
    QPalette pal = label->palette();
    if (active) {
        pal.setColor(QPalette::Window, Qt::black);
        pal.setColor(QPalette::WindowText, Qt::white);
    } else {
        // Qt names no workspace colour; the dark shade is the one a workspace is painted in.
        const QPalette sys = QApplication::palette();
        pal.setColor(QPalette::Window, sys.color(QPalette::Dark));
        pal.setColor(QPalette::WindowText, sys.color(QPalette::Button));
    }
    label->setAutoFillBackground(true);
    label->setPalette(pal);
}

} // namespace lc::controls
