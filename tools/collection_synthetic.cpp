#include "collection.h"
#include "collection_build.h"
#include "collection_rtf.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <vector>

// Large generated collections for benchmarks and stress tests. Everything comes from one
// small generator seeded by the caller, so the same seed always gives the same file, on any
// platform and with any standard library.
namespace lc::collection {
namespace {

// splitmix64: tiny, fast and fully defined, unlike the distributions in <random>.
class Random {
public:
    explicit Random(quint64 seed) : m_state(seed) {}
    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }
    template <typename T, size_t N> const T &pick(const std::array<T, N> &list)
    {
        return list[size_t(below(int(N)))];
    }

private:
    quint64 m_state;
};

using Words = std::array<const char *, 32>;

const Words kAdjectives = {
    "Amber",    "Broken", "Crimson", "Distant",  "Emerald",  "Frozen",   "Gilded",    "Hidden",
    "Iron",     "Jade",   "Lost",    "Midnight", "Northern", "Obsidian", "Pale",      "Quiet",
    "Restless", "Silver", "Sunken",  "Tidal",    "Umber",    "Velvet",   "Wandering", "Wild",
    "Ashen",    "Copper", "Hollow",  "Lunar",    "Rusted",   "Scarlet",  "Stormy",    "Twilight",
};

const Words kNouns = {
    "Harbor", "Citadel",  "Lantern", "Orchard",    "Frontier",   "Engine",  "Labyrinth", "Garrison",
    "Meadow", "Beacon",   "Caravan", "Dynasty",    "Expedition", "Foundry", "Glacier",   "Hollow",
    "Island", "Junction", "Kingdom", "Lighthouse", "Marsh",      "Nebula",  "Outpost",   "Pinnacle",
    "Quarry", "Rampart",  "Sanctum", "Tundra",     "Vault",      "Warren",  "Circuit",   "Relay",
};

// Sentences with '#' where a generated word goes. Written in the same markup as the sample
// texts, so they carry the same formatting and the odd escaped character.
const std::array<const char *, 24> kSentenceTemplates = {
    "Head north from the # until you reach the old # gate.",
    "The [b]# Key[/b] is hidden behind the waterfall in the # district.",
    "Save before the bridge; the # guardian there hits hard.",
    "[i]Tip:[/i] the # shop restocks after every chapter, so check back often.",
    "Enter [mono]# #[/mono] on the password screen to skip to the last stage.",
    "Talk to the # merchant twice to get the map of the # caves.",
    "Our score: [b]7 out of 10[/b] — worth a look for fans of # games.",
    "The # boss is weak to fire; keep your party above half health.",
    "Hold L and R on the title screen, then press Up, Up, Down to open the # menu.",
    "Collect all twelve # shards to unlock the bonus ending.",
    "The café in # sells the only healing potions before the pass.",
    "A patch fixes the crash in the # mission and the {#} save bug.",
    "Previewed at the winter show, the # build ran smoothly in split screen.",
    "The controls take getting used to, but the # levels are über-clever.",
    "Use the crane to lift the # crate onto the ledge, then climb across.",
    "Beware the # traps in the lower halls; they reset when you leave the room.",
    "The music, a quiet # theme, is the best thing about the game.",
    "News: a sequel set in the # region has been announced for next year.",
    "Swing the lantern past the # wall to reveal the hidden handholds.",
    "Time trial record on the # track: [b]1:42.20[/b], sent in by a reader.",
    "Saves live in C:\\Games\\#\\save; back the folder up before patching.",
    "Three endings exist; the # ending needs every companion recruited.",
    "© the # fan club; shared with permission.",
    "[u]Warning:[/u] choosing the # option here locks you out of the side quest.",
};

const char *const kKinds[kSubCatCount] = {"Walkthrough", "Cheats", "Review",
                                          "Preview",     "News",   "Link"};
const char *const kSlugs[kSubCatCount] = {"walkthrough", "cheats", "review",
                                          "preview",     "news",   "link"};
// Out of 100; walkthroughs and cheats make up most of a real collection.
const int kSubCatWeights[kSubCatCount] = {30, 25, 15, 10, 8, 12};

const char *const kNotes[] = {
    "Finished on normal.",
    "Still playing.",
    "Borrowed copy.",
    "Replay for the secret ending.",
};

// A template cut at its '#' marks, each piece already in rich text.
using Pieces = std::vector<std::string>;

std::vector<Pieces> preparedSentences()
{
    std::vector<Pieces> all;
    for (const char *t : kSentenceTemplates) {
        const QString text = QString::fromUtf8(t);
        Pieces pieces;
        for (QStringView part : QStringView(text).tokenize(u'#')) {
            std::string piece;
            rtf::appendLine(piece, part);
            pieces.push_back(std::move(piece));
        }
        all.push_back(std::move(pieces));
    }
    return all;
}

int pickSubCat(Random &random)
{
    int roll = random.below(100);
    for (int i = 0; i < kSubCatCount; ++i) {
        if (roll < kSubCatWeights[i])
            return i + 1;
        roll -= kSubCatWeights[i];
    }
    return 1;
}

class TextMaker {
public:
    explicit TextMaker(int textBytes)
        : m_target(size_t(textBytes)), m_sentences(preparedSentences())
    {
        m_text.reserve(m_target + 1024);
    }

    // Web links carry a line or two; everything else grows to the wanted size give or take a
    // quarter, so the average comes out at about the wanted size.
    const std::string &make(Random &random, const std::string &heading, bool link)
    {
        m_text.assign(rtf::kHeader);
        m_text += "\\cf1\\b\\fs24 ";
        m_text += heading;
        m_text += "\\cf0\\b0\\fs20";
        m_text += rtf::kParagraphEnd;
        const size_t end = rtf::kFooter.size() + rtf::kParagraphEnd.size();
        // Real texts differ in length; uniform ones would also pack pages unrealistically.
        const size_t target =
            link ? m_text.size() + 120 : m_target * size_t(75 + random.below(51)) / 100;
        while (m_text.size() + end < target) {
            const int count = 2 + random.below(5);
            for (int s = 0; s < count && m_text.size() + end < target; ++s) {
                if (s > 0)
                    m_text += ' ';
                appendSentence(random);
            }
            m_text += rtf::kParagraphEnd;
        }
        m_text += rtf::kFooter;
        return m_text;
    }

private:
    void appendSentence(Random &random)
    {
        const Pieces &pieces = m_sentences[size_t(random.below(int(m_sentences.size())))];
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0)
                m_text += random.below(2) ? random.pick(kAdjectives) : random.pick(kNouns);
            m_text += pieces[i];
        }
    }

    size_t m_target;
    std::vector<Pieces> m_sentences;
    std::string m_text;
};

bool fillSynthetic(sqlite3 *db, const SyntheticOptions &wanted, QString &error)
{
    Random random(wanted.seed);
    Statement game(db, "INSERT INTO game(platform_id, genre_id, name, notes) VALUES(?, ?, ?, ?)");
    Statement file(db, "INSERT INTO file(game_id, sub_cat, src, \"desc\", txt_rtf) "
                       "VALUES(?, ?, ?, ?, ?)");
    if (!game.ok() || !file.ok()) {
        error = game.error();
        return false;
    }
    const int width = std::max<int>(5, int(QString::number(wanted.games).size()));

    std::vector<qint64> gameIds;
    std::vector<std::string> gameNames;
    gameIds.reserve(size_t(wanted.games));
    gameNames.reserve(size_t(wanted.games));
    for (int i = 0; i < wanted.games; ++i) {
        // Both cycle with the game number: every platform and every genre get an even share
        // at any count, and as 19 and 8 share no factor each run of 152 games covers every
        // platform-genre pair once.
        const int platform = i % kPlatformCount + 1;
        const int genre = i % kGenreCount + 1;
        std::string name = "Game " +
                           QString::number(i + 1).rightJustified(width, u'0').toStdString() + ' ' +
                           random.pick(kAdjectives) + ' ' + random.pick(kNouns);
        game.bind(1, platform);
        game.bind(2, genre);
        game.bind(3, std::string_view(name));
        game.bind(4, std::string_view(i % 4 == 0 ? kNotes[i / 4 % std::size(kNotes)] : ""));
        if (!game.run()) {
            error = game.error();
            return false;
        }
        gameIds.push_back(game.lastId());
        gameNames.push_back(std::move(name));
    }

    Statement bookmark(db, "INSERT INTO bookmarks(tree_key, game, file, platform, sub_cat, genre) "
                           "VALUES(?, ?, ?, ?, ?, ?)");
    if (!bookmark.ok()) {
        error = bookmark.error();
        return false;
    }
    // Every step-th file is bookmarked, so the bookmarks reach across the whole collection.
    const int bookmarks = std::min(wanted.bookmarks, wanted.files);
    const int step = bookmarks > 0 ? wanted.files / bookmarks : 0;

    TextMaker texts(wanted.textBytes);
    std::string desc, src, heading;
    for (int j = 0; j < wanted.files; ++j) {
        const int g = j % wanted.games;
        const int number = j / wanted.games + 1; // the file's place among its game's files
        const int subCat = pickSubCat(random);
        const bool link = subCat == kWebLink;
        desc = std::string(kKinds[subCat - 1]) + ' ' + std::to_string(number) + ": " +
               random.pick(kAdjectives) + ' ' + random.pick(kNouns);
        if (link || random.below(3) > 0)
            src = "https://example.org/games/" + std::to_string(g + 1) + '/' + kSlugs[subCat - 1] +
                  '-' + std::to_string(number);
        else
            src = "Player notes";
        heading = gameNames[size_t(g)] + " \\'97 " + kKinds[subCat - 1];
        const std::string &text = texts.make(random, heading, link);
        file.bind(1, gameIds[size_t(g)]);
        file.bind(2, subCat);
        file.bind(3, std::string_view(src));
        file.bind(4, std::string_view(desc));
        file.bind(5, std::string_view(text));
        if (!file.run()) {
            error = file.error();
            return false;
        }
        if (step > 0 && j % step == 0 && j / step < bookmarks) {
            const int platform = g % kPlatformCount + 1;
            const int genre = g % kGenreCount + 1;
            bookmark.bind(1, QStringLiteral("K_%1|N_%2|G_%3|P_%4")
                                 .arg(file.lastId())
                                 .arg(gameIds[size_t(g)])
                                 .arg(genre)
                                 .arg(platform));
            bookmark.bind(2, std::string_view(gameNames[size_t(g)]));
            bookmark.bind(3, std::string_view(desc));
            bookmark.bind(4, platformName(platform));
            bookmark.bind(5, subCat);
            bookmark.bind(6, genre);
            if (!bookmark.run()) {
                error = bookmark.error();
                return false;
            }
        }
    }
    return true;
}

} // namespace

Result createSynthetic(const QString &path, const SyntheticOptions &wanted, Existing existing)
{
    if (wanted.games < 0 || wanted.files < 0 || wanted.textBytes < 0 || wanted.bookmarks < 0) {
        return {false,
                QStringLiteral("Cannot make %1: counts and sizes cannot be negative").arg(path)};
    }
    if (wanted.files > 0 && wanted.games == 0) {
        return {false, QStringLiteral("Cannot make %1: files need at least one game").arg(path)};
    }
    return buildDatabase(
        path,
        QStringLiteral("a synthetic collection of %1 games, %2 files and %3 bookmarks")
            .arg(wanted.games)
            .arg(wanted.files)
            .arg(std::min(wanted.bookmarks, wanted.files)),
        [&wanted](sqlite3 *db, QString &error) { return fillSynthetic(db, wanted, error); },
        existing);
}

} // namespace lc::collection
