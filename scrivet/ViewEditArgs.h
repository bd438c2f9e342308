#pragma once

#include "filerecord.h"

#include <QString>

// What the viewer/editor window is opened for.
enum enMode : quint8 {
    enView = 0,     // read a stored file
    enEdit = 1,     // change a stored file
    enNew = 2,      // write a new file for a game
    enBrandNew = 3, // no caller opens the window so; it keeps the designed look
};

// What clsVWED::Show takes: the mode, the game the file belongs to, and the file's record
// (file id 0 and sub-category 0 for a new file).
struct ViewEditArgs {
    enMode vMode = enView;
    quint8 bytPlatformId = 0;
    quint8 bytGenreId = 0;
    QString strGameTitle;
    lc::db::FileRecord record;
};
