#pragma once

#include <QString>

// What the viewer/editor window is opened for.
enum enMode : quint8 {
    enView = 0,     // read a stored file
    enEdit = 1,     // change a stored file
    enNew = 2,      // write a new file for a game
    enBrandNew = 3, // no caller opens the window so; it keeps the designed look
};

// The ten values clsVWED::Show takes, under the names callers know them by.
struct ViewEditArgs {
    enMode vMode = enView;
    quint8 bytPlatformId = 0;
    quint8 bytGenreId = 0;
    qint32 lngGameId = 0;
    QString strGameTitle;
    qint32 lngFileId = 0; // 0 for a new file
    quint8 bytSubCat = 0; // 0: none chosen yet
    QString strSource;
    QString strDescription;
    QString strTextRTF; // RTF, or plain text from older rows
};
