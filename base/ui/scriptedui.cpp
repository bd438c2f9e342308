#include "scriptedui.h"

#include <QDialog>

namespace lc::ui {

QList<ScriptedUi::Call> ScriptedUi::callsOf(Kind kind) const
{
    QList<Call> out;
    for (const auto &c : calls)
        if (c.kind == kind)
            out << c;
    return out;
}

QStringList ScriptedUi::messages() const
{
    QStringList out;
    for (const auto &c : calls)
        if (c.kind == Kind::Message)
            out << c.text;
    return out;
}

Answer ScriptedUi::messageBox(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    calls << Call{Kind::Message, text, title, buttons, icon, {}};
    if (!answers.isEmpty())
        return answers.dequeue();
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::AbortRetryIgnore:
        return Answer::Abort;
    default:
        return Answer::Cancel;
    }
}

std::optional<QString> ScriptedUi::inputBox(const QString &prompt, const QString &title,
                                            const QString &defaultText)
{
    calls << Call{Kind::Input, prompt, title, Buttons::OkCancel, Icon::None, defaultText};
    return inputs.isEmpty() ? std::nullopt : inputs.dequeue();
}

std::optional<QString> ScriptedUi::openFile(const FileDialogRequest &r)
{
    calls << Call{Kind::Open, r.title, r.filter, Buttons::OkCancel, Icon::None, r.initialDir};
    return files.isEmpty() ? std::nullopt : files.dequeue();
}

std::optional<QString> ScriptedUi::saveFile(const FileDialogRequest &r)
{
    calls << Call{Kind::Save, r.title, r.filter, Buttons::OkCancel, Icon::None, r.initialDir};
    return files.isEmpty() ? std::nullopt : files.dequeue();
}

std::optional<QColor> ScriptedUi::chooseColor(const QColor &initial)
{
    calls << Call{Kind::Color, initial.name(), {}, Buttons::OkCancel, Icon::None, {}};
    return colors.isEmpty() ? std::nullopt : colors.dequeue();
}

bool ScriptedUi::printDialog(QPrinter &printer, QWidget *)
{
    calls << Call{Kind::Print, {}, {}, Buttons::OkCancel, Icon::None, {}};
    const bool accepted = printAnswers.isEmpty() ? false : printAnswers.dequeue();
    if (accepted && printerSetup)
        printerSetup(printer);
    return accepted;
}

int ScriptedUi::showModal(QDialog &dialog)
{
    calls << Call{Kind::Modal, dialog.windowTitle(), {},
                  Buttons::Ok, Icon::None,           dialog.objectName()};
    if (modalHandlers.isEmpty())
        return QDialog::Rejected;
    return modalHandlers.dequeue()(dialog);
}

void ScriptedUi::processEvents()
{
    ++processEventsCalls;
}

void ScriptedUi::setWaitCursor(bool on)
{
    waitCursor = on;
}

bool ScriptedUi::showHelp(const QString &helpFile, int command, const QString &key,
                          QString *errorDescription)
{
    calls << Call{Kind::Help, helpFile, QString::number(command), Buttons::Ok, Icon::None, key};
    if (!helpSucceeds && errorDescription)
        *errorDescription = QStringLiteral("Cannot open the Help file %1.").arg(helpFile);
    return helpSucceeds;
}

bool ScriptedUi::shellOpen(const QString &target, const QString &workingDir)
{
    calls << Call{Kind::Shell, target, workingDir, Buttons::Ok, Icon::None, {}};
    return true;
}

} // namespace lc::ui
