#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The window's pictures, drawn in code so that none can go missing from the program folder.
namespace scrivet {

// The picture of a sub-category (1 to 6); an empty pixmap for any other code.
QPixmap subCatPicture(quint8 code, int size);

// A tool bar button's image by its key ("Save", "Cut", ..., "Font Color").
QIcon toolIcon(const QString &key);

} // namespace scrivet
