#pragma once

#include "uiservice.h"

namespace lc::ui {

// The desktop implementation: real message boxes, dialogs and modal loops.
class LCBASE_EXPORT RealUi : public Service {
public:
    Answer messageBox(const QString &text, const QString &title, Buttons buttons,
                      Icon icon) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override;
    std::optional<QColor> chooseColor(const QColor &initial) override;
    bool printDialog(QPrinter &printer, QWidget *parent) override;
    int showModal(QDialog &dialog) override;
    void processEvents() override;
    void setWaitCursor(bool on) override;
    bool showHelp(const QString &helpFile, int command, const QString &key,
                  QString *errorDescription) override;
    bool shellOpen(const QString &target, const QString &workingDir) override;

private:
    bool m_waitCursor = false;
};

} // namespace lc::ui
