#pragma once

#include "dberror.h"

#include <QString>

class QLabel;
class QWidget;

// The program folder: the folder of the running program (or LORECASE_HOME) with exactly
// one trailing separator.
QString AppPath();

// Appends an entry to error.log in the program folder and, when asked, shows the error
// box. An error numbered 0 is no error: nothing is written or shown.
void LogError(const QString &module, const QString &source, const lc::db::Error &error,
              bool showMessage);

// Writes the log banner when error.log does not exist yet.
void WriteLogBanner();

// Closes every open window, then removes the Quick Clip scratch file.
void UnloadAll();
// Closes one window and releases it; the main window is only closed, never released.
void UnloadForm(QWidget *form);
// Black with white text while a pane has the focus, system colours otherwise.
void SetCaptionActive(QLabel *label, bool active);

// The one main window of the run (null before it is made and after it is gone). Kept as a
// plain widget: the services know which window it is, not what it holds.
QWidget *MainForm();
void SetMainForm(QWidget *form);

inline const QString kClipScratchFile = QStringLiteral("~clp.tmp");
