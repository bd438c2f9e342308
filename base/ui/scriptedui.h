#pragma once

#include "uiservice.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

namespace lc::ui {

// The test implementation: records every request and answers from queues. When a queue is
// empty it answers as a user pressing Escape would (Cancel, No, or the only OK button), so
// nothing ever waits.
class LCBASE_EXPORT ScriptedUi : public Service {
public:
    enum class Kind { Message, Input, Open, Save, Color, Print, Modal, Help, Shell };
    struct Call {
        Kind kind;
        QString text;  // message, prompt, dialog title, help file or shell target
        QString title; // caption, or the file filter
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        QString extra; // object name of a modal window, help key, initial folder
    };

    QList<Call> calls;
    QQueue<Answer> answers;
    QQueue<std::optional<QString>> inputs; // input boxes
    QQueue<std::optional<QString>> files;  // open and save dialogs
    QQueue<std::optional<QColor>> colors;
    QQueue<bool> printAnswers;
    // Sets up the printer as the user would in an accepted printer dialog (a PDF file, say).
    std::function<void(QPrinter &)> printerSetup;
    // Handlers for modal windows, in order: they may drive the dialog and return its result.
    QQueue<std::function<int(QDialog &)>> modalHandlers;
    int processEventsCalls = 0;
    bool waitCursor = false;
    bool helpSucceeds = true;

    QList<Call> callsOf(Kind kind) const;
    QStringList messages() const;

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
};

} // namespace lc::ui
