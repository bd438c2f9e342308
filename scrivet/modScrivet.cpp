#include "modScrivet.h"

#include "errorlog.h"
#include "uiservice.h"

namespace scrivet {

void LogError(const QString &module, const QString &source, int number, const QString &description,
              const QString &logPath, bool showMessage)
{
    if (number == 0)
        return;
    auto &ui = lc::ui::service();
    ui.setWaitCursor(false);
    if (!logPath.isEmpty())
        lc::errorlog::append(logPath, lc::errorlog::editorEntry(module, source, number, description,
                                                                lc::errorlog::now()));
    if (showMessage)
        ui.messageBox(lc::errorlog::componentBoxText(source, module, number, description),
                      QString::fromLatin1(lc::errorlog::kEditorBoxTitle), lc::ui::Buttons::Ok,
                      lc::ui::Icon::Critical);
}

} // namespace scrivet
