#pragma once

#include "fixedlists.h"

// The program's names for the stored codes (the shared lists of the platform layer).
inline QString SubCatName(quint8 code)
{
    return lc::names::subCatName(code);
}
inline QString GenreName(quint8 code)
{
    return lc::names::genreName(code);
}
inline QString PlatformName(quint8 code)
{
    return lc::names::platformName(code);
}
inline quint8 SubCatId(const QString &name)
{
    return lc::names::subCatId(name);
}
inline quint8 GenreId(const QString &name)
{
    return lc::names::genreId(name);
}
