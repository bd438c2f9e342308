// lcmake: makes the database files the program, its tests and its benchmarks start from.
//   lcmake delivered PATH
//   lcmake sample PATH
//   lcmake synthetic PATH --games N --files M --text-bytes B [--bookmarks K] [--seed S]
// each with [--keep-existing] [--replace-empty].
// An existing file is never touched; with --keep-existing that is not an error, so build
// scripts can run it on every build without any risk to a user's collection. With
// --replace-empty a collection that holds nothing yet (no games, files, bookmarks or
// favourites) is replaced: that is how a first start gets the sample collection.

#include "collection.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <climits>
#include <cstdio>
#include <optional>

namespace {

void say(const QString &text)
{
    std::fprintf(stderr, "lcmake: %s\n", qPrintable(text));
}

std::optional<qint64> number(const QCommandLineParser &parser, const QCommandLineOption &option,
                             qint64 max)
{
    bool ok = false;
    const QString text = parser.value(option);
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 0 || value > max) {
        say(QStringLiteral("--%1 wants a whole number from 0 to %2, not \"%3\"")
                .arg(option.names().constFirst())
                .arg(max)
                .arg(text));
        return std::nullopt;
    }
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lcmake"));

    const lc::collection::SyntheticOptions defaults;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes a Lorecase database: the delivered one, a sample collection or a "
                       "large synthetic one. An existing file is never changed."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("kind"),
                                 QStringLiteral("delivered, sample or synthetic"));
    parser.addPositionalArgument(QStringLiteral("path"), QStringLiteral("the file to make"));
    const QCommandLineOption games(QStringLiteral("games"),
                                   QStringLiteral("synthetic: number of games"),
                                   QStringLiteral("N"), QString::number(defaults.games));
    const QCommandLineOption files(QStringLiteral("files"),
                                   QStringLiteral("synthetic: number of files"),
                                   QStringLiteral("M"), QString::number(defaults.files));
    const QCommandLineOption textBytes(QStringLiteral("text-bytes"),
                                       QStringLiteral("synthetic: size of each file's text"),
                                       QStringLiteral("B"), QString::number(defaults.textBytes));
    const QCommandLineOption bookmarks(QStringLiteral("bookmarks"),
                                       QStringLiteral("synthetic: number of bookmarked files"),
                                       QStringLiteral("K"), QString::number(defaults.bookmarks));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("synthetic: same seed, same collection"),
                                  QStringLiteral("S"), QString::number(defaults.seed));
    const QCommandLineOption keepExisting(
        QStringLiteral("keep-existing"),
        QStringLiteral("if the file exists, leave it as it is and succeed"));
    const QCommandLineOption replaceEmpty(
        QStringLiteral("replace-empty"),
        QStringLiteral("if the file is a collection that holds nothing yet, replace it"));
    parser.addOptions({games, files, textBytes, bookmarks, seed, keepExisting, replaceEmpty});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        say(QStringLiteral("expected a kind and a path; see --help"));
        return 1;
    }
    const QString &kind = args[0];
    const QString &path = args[1];
    const bool syntheticOptions = parser.isSet(games) || parser.isSet(files) ||
                                  parser.isSet(textBytes) || parser.isSet(bookmarks) ||
                                  parser.isSet(seed);
    if (kind != QLatin1String("synthetic") && syntheticOptions) {
        say(QStringLiteral(
            "--games, --files, --text-bytes, --bookmarks and --seed are for synthetic only"));
        return 1;
    }

    const auto existing = parser.isSet(replaceEmpty) ? lc::collection::Existing::ReplaceEmpty
                                                     : lc::collection::Existing::Keep;
    lc::collection::Result result;
    if (kind == QLatin1String("delivered")) {
        result = lc::collection::createDelivered(path, existing);
    } else if (kind == QLatin1String("sample")) {
        result = lc::collection::createSample(path, existing);
    } else if (kind == QLatin1String("synthetic")) {
        const auto g = number(parser, games, INT_MAX);
        const auto f = number(parser, files, INT_MAX);
        const auto b = number(parser, textBytes, 64 * 1024 * 1024);
        const auto k = number(parser, bookmarks, INT_MAX);
        const auto s = number(parser, seed, UINT_MAX);
        if (!g || !f || !b || !k || !s)
            return 1;
        lc::collection::SyntheticOptions wanted;
        wanted.games = int(*g);
        wanted.files = int(*f);
        wanted.textBytes = int(*b);
        wanted.seed = unsigned(*s);
        wanted.bookmarks = int(*k);
        result = lc::collection::createSynthetic(path, wanted, existing);
    } else {
        say(QStringLiteral("unknown kind \"%1\": use delivered, sample or synthetic").arg(kind));
        return 1;
    }

    say(result.message);
    if (result.ok || (result.existed && parser.isSet(keepExisting)))
        return 0;
    return 1;
}
