#include "rtf.h"

#include <QStringList>

#include <iterator>

namespace lc::rtf {
namespace {

struct KnownFont {
    const char *name;
    QFont::StyleHint hint;
    // Faces Debian ships with the same widths, first; then the nearest in look.
    const char *substitutes[3];
};

// The faces Windows documents name most; files written there keep their line breaks and
// columns when a face of the same metrics stands in.
constexpr KnownFont kKnownFonts[] = {
    {"Arial", QFont::SansSerif, {"Liberation Sans", "Arimo", nullptr}},
    {"Arial Narrow", QFont::SansSerif, {"Liberation Sans Narrow", nullptr, nullptr}},
    {"Helvetica", QFont::SansSerif, {"Liberation Sans", "Arimo", nullptr}},
    {"Times New Roman", QFont::Serif, {"Liberation Serif", "Tinos", nullptr}},
    {"Times", QFont::Serif, {"Liberation Serif", "Tinos", nullptr}},
    {"Courier New", QFont::TypeWriter, {"Liberation Mono", "Cousine", nullptr}},
    {"Courier", QFont::TypeWriter, {"Liberation Mono", "Cousine", nullptr}},
    {"Calibri", QFont::SansSerif, {"Carlito", nullptr, nullptr}},
    {"Cambria", QFont::Serif, {"Caladea", nullptr, nullptr}},
    {"Tahoma", QFont::SansSerif, {"Liberation Sans", "DejaVu Sans", nullptr}},
    {"Verdana", QFont::SansSerif, {"DejaVu Sans", "Liberation Sans", nullptr}},
    {"MS Sans Serif", QFont::SansSerif, {"Liberation Sans", "DejaVu Sans", nullptr}},
    {"Microsoft Sans Serif", QFont::SansSerif, {"Liberation Sans", "DejaVu Sans", nullptr}},
    {"Segoe UI", QFont::SansSerif, {"Liberation Sans", "DejaVu Sans", nullptr}},
    {"System", QFont::SansSerif, {"Liberation Sans", "DejaVu Sans", nullptr}},
    {"MS Serif", QFont::Serif, {"Liberation Serif", "DejaVu Serif", nullptr}},
    {"Georgia", QFont::Serif, {"Gelasio", "DejaVu Serif", nullptr}},
    {"Book Antiqua", QFont::Serif, {"Liberation Serif", nullptr, nullptr}},
    {"Palatino Linotype", QFont::Serif, {"Liberation Serif", nullptr, nullptr}},
    {"Lucida Console", QFont::TypeWriter, {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {"Consolas", QFont::TypeWriter, {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {"Fixedsys", QFont::TypeWriter, {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {"Terminal", QFont::TypeWriter, {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {"Comic Sans MS", QFont::Cursive, {nullptr, nullptr, nullptr}},
};

} // namespace

QFont::StyleHint styleHintOf(const QString &family)
{
    for (const KnownFont &f : kKnownFonts)
        if (family.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
            return f.hint;
    return QFont::AnyStyle;
}

void installFontSubstitutes()
{
    static const bool installed = [] {
        for (const KnownFont &f : kKnownFonts) {
            QStringList faces;
            for (const char *s : f.substitutes)
                if (s)
                    faces << QLatin1String(s);
            if (!faces.isEmpty())
                QFont::insertSubstitutions(QLatin1String(f.name), faces);
        }
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace lc::rtf
