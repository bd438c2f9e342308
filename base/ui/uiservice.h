#pragma once

#include "lcbase_export.h"

#include <QColor>
#include <QString>

#include <memory>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

// Everything that waits on the user goes through this one service, so tests can script
// the answers and no test ever sits in a modal loop.
namespace lc::ui {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Answer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct FileDialogRequest {
    QString title;
    // Filter in pairs separated by '|': "MDB Files *.mdb|*.mdb|Text|*.txt"
    QString filter;
    QString initialDir;
    QString initialName;
};

class LCBASE_EXPORT Service {
public:
    virtual ~Service();

    virtual Answer messageBox(const QString &text, const QString &title, Buttons buttons,
                              Icon icon) = 0;
    // std::nullopt when the user cancelled.
    virtual std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                            const QString &defaultText) = 0;
    virtual std::optional<QString> openFile(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> saveFile(const FileDialogRequest &request) = 0;
    virtual std::optional<QColor> chooseColor(const QColor &initial) = 0;
    // Lets the user pick and set up a printer; false when cancelled.
    virtual bool printDialog(QPrinter &printer, QWidget *parent) = 0;
    // Shows a window modally and returns its result code.
    virtual int showModal(QDialog &dialog) = 0;
    // Lets pending window events run (long operations call it between steps).
    virtual void processEvents() = 0;
    virtual void setWaitCursor(bool on) = 0;
    // Opens a help file (command: contents, search); false with a description on failure.
    virtual bool showHelp(const QString &helpFile, int command, const QString &key,
                          QString *errorDescription) = 0;
    // Asks the desktop to open a document, folder, address or program.
    virtual bool shellOpen(const QString &target, const QString &workingDir) = 0;
};

// The service in force; the real one unless a test installed another.
LCBASE_EXPORT Service &service();
LCBASE_EXPORT void setService(std::unique_ptr<Service> service);

// Short forms for the common message boxes.
LCBASE_EXPORT Answer msgBox(const QString &text, Buttons buttons = Buttons::Ok,
                            Icon icon = Icon::None,
                            const QString &title = QStringLiteral("Lorecase"));

// Converts a '|'-separated filter to the file dialog's form ("MDB Files (*.mdb)").
LCBASE_EXPORT QString toDialogFilter(const QString &pipeFilter);

} // namespace lc::ui
