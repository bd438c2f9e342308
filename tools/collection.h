#pragma once

#include <QString>

// The collection maker: writes the database files the program, its tests and its
// benchmarks start from. None of these ever overwrites an existing file.
namespace lc::collection {

struct Result {
    bool ok = false;
    QString message;      // why it failed, or what was made
    bool existed = false; // the path was already taken, and nothing was touched
};

// What a maker does when the path is already taken.
enum class Existing {
    Keep, // leave it as it is and fail, with existed set
    // Replace it only when it is a collection that holds nothing a user made: no games, files,
    // bookmarks or favourites, and no other program has it open. Anything else is kept.
    ReplaceEmpty,
};

// The delivered database: the five tables, the 19 platform rows (all in use), nothing else.
Result createDelivered(const QString &path, Existing existing = Existing::Keep);

// The delivered database plus a small collection for a newcomer: a dozen games on several
// platforms, files of every sub-category with real-looking rich text, a bookmark and a
// favourite.
Result createSample(const QString &path, Existing existing = Existing::Keep);

struct SyntheticOptions {
    int games = 20000;
    int files = 200000;
    int textBytes = 2000; // approximate size of each file's rich text (links are shorter)
    unsigned seed = 1;    // same seed, same collection
    int bookmarks = 0;    // bookmarks on files spread evenly over the collection
};
// The delivered database plus generated games and files spread over all platforms and genres,
// and bookmarks on some of those files.
Result createSynthetic(const QString &path, const SyntheticOptions &options,
                       Existing existing = Existing::Keep);

} // namespace lc::collection
