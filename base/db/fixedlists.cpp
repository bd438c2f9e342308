#include "fixedlists.h"

namespace lc::names {
namespace {

const char *const kSubCats[] = {
    "Walkthrough\\Guide", "Cheat\\Hint\\Code", "Review", "Preview", "News", "Web Link"};
const char *const kGenres[] = {"Action",       "Adventure",  "Driving", "Puzzle",
                               "Role-Playing", "Simulation", "Sports",  "Strategy"};

const PlatformRow kPlatforms[] = {
    {1, "Nintendo Entertainment System", "Nintendo", "Nintendo Entertainment System"},
    {2, "Super Nintendo Entertainment System", "Nintendo", "Super Nintendo Entertainment System"},
    {3, "GameCube", "Nintendo", "Nintendo Game Cube"},
    {4, "Virtual Boy", "Nintendo", "Virtual Boy"},
    {5, "Nintendo 64", "Nintendo", "Nintendo 64"},
    {6, "Game Boy", "Nintendo", "Game Boy"},
    {7, "Game Boy Color", "Nintendo", "Game Boy Color"},
    {8, "Game Boy Advanced", "Nintendo", "Game Boy Advanced"},
    {9, "Genesis", "Sega", "Genesis"},
    {10, "Saturn", "Sega", "Saturn"},
    {11, "32x", "Sega", "32x"},
    {12, "Master System", "Sega", "Master System"},
    {13, "Dreamcast", "Sega", "Dreamcast"},
    {14, "Game Gear", "Sega", "Game Gear"},
    {15, "Playstation", "Sony", "Playstation"},
    {16, "Playstation II", "Sony", "Playstation II"},
    {17, "Xbox", "Microsoft", "Xbox"},
    {18, "PC", "PC", "PC Games"},
    {19, "Arcade", "Arcade", "Arcade Games"},
};

template <size_t N> QString pick(const char *const (&list)[N], quint8 code)
{
    return code >= 1 && code <= N ? QString::fromLatin1(list[code - 1]) : QString();
}

template <size_t N> quint8 find(const char *const (&list)[N], const QString &name)
{
    for (size_t i = 0; i < N; ++i)
        if (name == QLatin1String(list[i]))
            return quint8(i + 1);
    return 0;
}

} // namespace

QString subCatName(quint8 code)
{
    return pick(kSubCats, code);
}
QString genreName(quint8 code)
{
    return pick(kGenres, code);
}

QString platformName(quint8 code)
{
    for (const auto &p : kPlatforms)
        if (p.id == code)
            return QString::fromLatin1(p.name);
    return {};
}

quint8 subCatId(const QString &name)
{
    return find(kSubCats, name);
}
quint8 genreId(const QString &name)
{
    return find(kGenres, name);
}

const PlatformRow *platformRows(int *count)
{
    if (count)
        *count = int(std::size(kPlatforms));
    return kPlatforms;
}

std::optional<quint8> toByteId(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!ok || n < 0 || n > 255)
        return std::nullopt;
    if (value.typeId() == QMetaType::Double && double(n) != value.toDouble())
        return std::nullopt;
    return quint8(n);
}

} // namespace lc::names
