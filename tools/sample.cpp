#include "collection.h"
#include "collection_build.h"
#include "collection_rtf.h"

#include <sqlite3.h>

#include <iterator>

// A newcomer's first collection: a dozen made-up games with the kind of material a player
// gathers over a few months. The texts are written in a simple line markup (see
// collection_rtf.h) and turned into rich text as the program's editor would save it.
namespace lc::collection {
namespace {

enum Genre { Action = 1, Adventure, Driving, Puzzle, RolePlaying, Simulation, Sports, Strategy };
enum SubCat { Walkthrough = 1, Cheat, Review, Preview, News, WebLink };

struct SampleGame {
    const char *name;
    int platform;
    int genre;
    const char *notes;
};

// Platform codes: see the delivered platform rows.
const SampleGame kGames[] = {
    {"Lanterns of the Hollow Reach", 3, Adventure,
     "Finished once on normal. Going back for the last four lantern shards."},
    {"Clockwork Harbor", 8, Puzzle, ""},
    {"Ember Circuit Rally", 16, Driving,
     "Borrowed from Sam; give it back by the end of the month."},
    {"The Brinewater Chronicle", 2, RolePlaying,
     "Second playthrough: recruiting everyone this time."},
    {"Skyline Couriers", 13, Action, ""},
    {"Tidewater Tactics", 18, Strategy, "Patched to 1.2. Saves live in the game folder."},
    {"Orchard Valley Keeper", 5, Simulation, ""},
    {"Pinecrest Slalom", 17, Sports, "Best run on Ridgeback: 1:42.37"},
    {"Copperhead Gauntlet", 19, Action, "The cabinet at the bowling alley, two credits a go."},
    {"Moonwell Mysteries", 15, Adventure, ""},
    {"Quarry Blocks", 6, Puzzle, "Stuck on level 47."},
    {"Frostline Rangers", 9, Action, ""},
};

struct SampleFile {
    int game; // 1-based position in kGames
    int subCat;
    const char *desc;
    const char *src;
    const char *text;
};

// The walkthrough the sample bookmark points at: the first file.
constexpr int kBookmarkedFile = 0;

const SampleFile kFiles[] = {
    {1, Walkthrough, "Complete walkthrough, chapters 1-3",
     "https://example.org/guides/lanterns-of-the-hollow-reach/walkthrough", R"(
= Lanterns of the Hollow Reach — Walkthrough
[i]Chapters 1 to 3, written for the normal difficulty. Shard locations are marked in [b]bold[/b].[/i]

= Chapter 1: The Ferryman's Light
You wake in the ferry house with an empty lantern. Before leaving, open the chest under the stairs for the [b]Tinder Box[/b]; without it the first lantern post cannot be lit.
Follow the river path east. At the fork, take the left branch down to the reeds and light the post there. The water drops and a stepping-stone path appears.
[u]Tip:[/u] the glow of a lit lantern shows hidden handholds. If a cliff face looks bare, swing the lantern past it before giving up.
Cross to the island and talk to Mother Odile twice. The second time she gives you the [b]First Shard[/b] and the chapter ends.

= Chapter 2: The Sunken Mill
[tab]1.[tab]Climb the mill wheel while it is stopped; it turns whenever the lantern is lit, so put it out first.
[tab]2.[tab]In the grain loft, push the sacks onto the trapdoor to hold it open.
[tab]3.[tab]Drop down and relight the lantern in the cellar. The [b]Second Shard[/b] is behind the flooded grate.
[tab]4.[tab]The miller's ghost asks for his name. It is carved on the lintel outside: [mono]BENOÎT[/mono].
Answer wrongly and you have to climb the wheel again, so check the lintel first.

= Chapter 3: Hollow Reach
The lanterns run on [red]oil[/red] from here on. Buy two flasks from the pedlar at the crossroads — he leaves after the bell rings, and there is no other seller until chapter 5.
The Reach itself is a maze of three rings. Light the posts in the order [b]north, west, south[/b]; the east post is a decoy and lighting it resets the others.
In the centre, wait for the moths to settle on the lantern before you speak to the Warden. The [b]Third Shard[/b] is your reward for patience.
)"},
    {1, Cheat, "Lantern shard locations and unlockables", "Player notes", R"(
= Shards and unlockables
[b]All twelve lantern shards[/b] (the first three come with the story):
[tab]4[tab]Ferry house roof — climb the drainpipe after chapter 3.
[tab]5[tab]Under the mill wheel; only reachable when the river is low.
[tab]6[tab]Pedlar's cart, bought for 300 coins.
[tab]7[tab]Behind the waterfall at the Reach (swing the lantern to find the ledge).
[tab]8 to 12[tab]Still looking — check back.

= Unlockables
Collect 8 shards: the [i]Moth Lantern[/i] skin.
Finish the game once: [b]Lamplighter mode[/b] (no oil limit).
On the title screen, hold L and R and press [mono]Up, Up, Z[/mono] for the concept art gallery. It only works after the credits have played once.
)"},
    {1, Review, "Review: a lantern worth carrying (8/10)",
     "https://example.org/reviews/lanterns-of-the-hollow-reach", R"(
= Review: Lanterns of the Hollow Reach
[i]Reviewed on GameCube. © 2003 the reviewer; shared with permission.[/i]

Few adventures trust the player as much as this one. There is no map and no quest log, only a lantern and the people along the river, and after an hour you stop missing both.
The light is the whole game. It shows hidden handholds, calms the moths, wakes the ghosts and, in the best moments, makes you choose between seeing where you are going and keeping enough oil to get back.
Not everything works. The camera fights you in the mill, and the third chapter's maze goes on too long. The music, though — a single accordion and a lot of rain — is perfect.

[b]Graphics:[/b] 8[tab][b]Sound:[/b] 9[tab][b]Control:[/b] 6[tab][b]Lasting appeal:[/b] 8
[b][blue]Overall: 8 out of 10[/blue][/b]
)"},
    {2, Walkthrough, "Solutions for harbors 1-10",
     "https://example.org/guides/clockwork-harbor/solutions",
     R"(
= Clockwork Harbor — Harbors 1 to 10
Each harbor is solved when every boat is moored. Moves are given as [mono]gear:turns[/mono]; a minus sign turns the gear anticlockwise.

[tab]Harbor 1[tab][mono]A:1 B:2[/mono]
[tab]Harbor 2[tab][mono]B:1 A:-1 C:2[/mono]
[tab]Harbor 3[tab][mono]C:3 A:1[/mono]
[tab]Harbor 4[tab][mono]A:2 B:-1 C:1 B:1[/mono]
[tab]Harbor 5[tab][mono]D:1 C:-2 A:1[/mono]
[tab]Harbor 6[tab][mono]B:2 D:1 A:-1 C:1[/mono]
[tab]Harbor 7[tab]Start with the lighthouse gear: [mono]L:1 A:2 B:2[/mono]
[tab]Harbor 8[tab][mono]L:-1 C:1 D:2 A:1[/mono]
[tab]Harbor 9[tab][mono]A:1 A:1 B:-2 L:1 C:1[/mono]
[tab]Harbor 10[tab][mono]D:2 B:1 L:-1 C:2 A:1[/mono]

[i]Harbor 9 looks like it needs the crane. It does not; the crane is only for the gold anchor.[/i]
)"},
    {2, WebLink, "Puzzle solvers' forum thread",
     "https://example.org/forum/clockwork-harbor-solutions",
     R"(
Long-running thread where players post shorter solutions. The first post keeps an index by harbor number.
)"},
    {3, Cheat, "Unlock codes and hidden cars", "https://example.org/codes/ember-circuit-rally", R"(
= Ember Circuit Rally codes
Enter these as your driver name on the profile screen. The horn sounds when a code is accepted.
[tab][mono]GLOWPLUG[/mono][tab]All tracks in arcade mode
[tab][mono]NOSTALGIA[/mono][tab]1970s liveries
[tab][mono]FEATHER[/mono][tab]Low gravity (cannot save times)
[tab][mono]{MIDNIGHT}[/mono][tab]Night versions of every stage — the braces are part of the code

= Hidden cars
[b]Kettle GT:[/b] win the Ashfield cup without touching a wall.
[b]Mule 4x4:[/b] finish every gravel stage in championship mode.
[b]Test Mule:[/b] beat the developer ghost on Cinder Pass (1:58.40).
)"},
    {3, Preview, "Hands-on preview from the winter showcase",
     "https://example.org/previews/ember-circuit-rally-hands-on", R"(
= Preview: Ember Circuit Rally
We spent an afternoon with an early build at the winter showcase, on three of the planned twenty-four stages.
The handling sits between the arcade and the serious. Cars slide readily on gravel but punish a late brake on tarmac, and the co-driver calls are clear and — a nice touch — slightly nervous at night.
Damage was switched off in this build, and the team would not say how far it will go. The split-screen mode ran smoothly with two players.
[i]Release is planned for the autumn. We will have a full review then.[/i]
)"},
    {3, Review, "Review — fast, loud and a little shallow (7/10)",
     "https://example.org/reviews/ember-circuit-rally", R"(
= Review: Ember Circuit Rally
Ember Circuit Rally is at its best in the first ten minutes of each stage, when the road is new and the co-driver is shouting over the engine.
It is less good at keeping you around. Championship mode is short, the upgrades barely change how a car drives, and the twenty-four stages are really eight, run forwards, backwards and at night.
Still, the night stages are superb, and split-screen runs smoothly.
[b][blue]Score: 7/10[/blue][/b] — a weekend rental rather than a keeper.
)"},
    {4, Walkthrough, "Walkthrough, act 1: The flooded abbey", "Player notes", R"(
= Act 1: The flooded abbey
[b]Party:[/b] Wren (level 1), Brother Amos joins in the abbey.

Leave the village by the south gate; the north road is blocked until act 2. Fight the eels on the causeway — they are weak to fire, so let Wren use [i]Cinder[/i] and save herbs.
At the abbey, the front door is barred. Walk round to the bell tower and ring the bell twice. Brother Amos lets you in through the cellar.

= Inside the abbey
[tab]•[tab]Library: read the ledger on the lectern. It mentions the "tide key".
[tab]•[tab]Refectory: the chest holds a [b]Silver Ladle[/b] (sell it — it is worth 450 pieces).
[tab]•[tab]Cloister: the tide key is at the bottom of the well. Amos can lower you down.
Use the tide key on the sluice gate to drain the lower chapel. The boss, the [red]Drowned Abbot[/red], casts Undertow every third turn; keep everyone above 60 HP and it is an easy fight.
)"},
    {4, Walkthrough, "Walkthrough, act 2: Tollgate and the ferry", "Player notes", R"(
= Act 2: Tollgate and the ferry
Back in the village, the north road is open. Tollgate charges 200 pieces to pass. You can pay, or agree to clear the rats from the toll-keeper's cellar for free passage; the rats drop [b]Rat Tails[/b], which the apothecary in Tollgate buys.
In Tollgate, buy the [i]Heron Staff[/i] for Amos before anything else. It doubles his healing.
The ferry leaves only at dusk. Rest at the inn until evening, then board. On the crossing you meet Léa, the navigator; answer "the lighthouse" when she asks where you are going and she joins the party.
[u]Do not skip Léa[/u] — she is needed to read the charts in act 4.
)"},
    {4, Cheat, "Hints: recruiting every companion",
     "https://example.org/hints/brinewater-chronicle-companions", R"(
= Recruiting every companion
[b]Wren[/b] — the hero; always with you.
[b]Brother Amos[/b] — automatic in the abbey.
[b]Léa[/b] — on the ferry in act 2. Tell her you are bound for the lighthouse.
[b]Jory Müller[/b] — in the Tollgate jail. Pay his fine (500 pieces) [i]after[/i] clearing the cellar, or he refuses to leave.
[b]The Grey Cat[/b] — feed it fish three times in three different towns. It follows you after the third.
[b]Captain Hesk[/b] — only if you spared the smugglers in act 3. Miss this and he is gone for good.
Having all six before the lighthouse unlocks the extra ending.
)"},
    {4, WebLink, "Fan translation notes",
     "https://example.org/fan/brinewater-chronicle-translation-notes",
     R"(
A fan's notes on the lines changed between the original and the later release, including the companion names.
)"},
    {5, News, "Director's cut announced for spring",
     "https://example.org/news/skyline-couriers-directors-cut",
     R"(
= Skyline Couriers director's cut announced
A director's cut of last year's rooftop delivery game is due in the spring. It adds a night-time district, two new couriers and a time-trial editor, and restores the [i]pigeon post[/i] levels that were cut before release.
Save files from the original carry over. The price has not been announced.
)"},
    {5, Cheat, "Level select and debug menu", "Player notes", R"(
= Level select
On the title screen, press [mono]Up, Up, Down, Down, A, Y, Start[/mono] on controller 2. A chime confirms it; the stage list then appears on the main menu.
= Debug menu
Needs the level select. Pause during any delivery and hold [mono]L + R[/mono] for five seconds. You get free camera, collision display and the route editor — the route editor crashes if you save more than 40 points.
)"},
    {6, Walkthrough, "Campaign strategy guide",
     "https://example.org/guides/tidewater-tactics/campaign", R"(
= Tidewater Tactics campaign guide
The campaign is fourteen missions. Tides rise and fall every six turns; most missions are won by planning around low tide, when the sandbars open new routes.

= General advice
[tab]•[tab]Build a [b]signal tower[/b] first. Seeing the tide timer two turns early matters more than any unit.
[tab]•[tab]Skiffs are cheap and fast. Use them to scout, never to hold ground.
[tab]•[tab]Artillery on a sandbar is lost when the tide comes in. Move it back a turn early.

= Mission 6: The Narrows
The hardest early mission. Hold the two northern piers with pikemen, and send everything else across the sandbar at the first low tide. The enemy fleet cannot follow you once the water rises.

= Saves and settings
Saves are kept in the game folder, e.g. [mono]C:\Games\Tidewater\save\campaign1.sav[/mono]. Copy that folder before installing the 1.2 patch; the patch asks to start a new campaign but old saves still load.
)"},
    {6, Review, "Review: the tides turn in its favour (9/10)",
     "https://example.org/reviews/tidewater-tactics",
     R"(
= Review: Tidewater Tactics
Strategy games usually make the map a board. Here the board moves: every six turns the sea comes in, and the battlefield you planned for is half gone.
It could have been a gimmick. Instead it is the heart of the game. You learn to read the tide timer the way you read a clock, to send troops across a sandbar knowing they have three turns to get back, and to bait the computer into doing the opposite.
The interface is dated and the voice acting is cheerful rather than good, but the fourteen-mission campaign is excellent and the skirmish maps will last for months.
[b][blue]9 out of 10[/blue][/b] — the best strategy game of the year.
)"},
    {6, WebLink, "Official patch notes",
     "https://example.org/downloads/tidewater-tactics/patch-1-2",
     R"(
Patch 1.2: fixes the crash in mission 11 and the tide timer drifting in long skirmishes.
)"},
    {7, Preview, "Preview: first look at the seasons",
     "https://example.org/previews/orchard-valley-keeper",
     R"(
= First look: Orchard Valley Keeper
A quieter game than most on the system: you inherit an orchard, and a year in the valley lasts about eight hours.
We saw spring and autumn. In spring you graft and prune; in autumn you pick, press and sell at the Saturday market, and the apples you chose to plant in spring decide what sells.
The villagers are a gentle lot, and the café owner, Mme Aubé, already has our vote for best character.
)"},
    {7, Cheat, "Money and harvest tips", "Player notes", R"(
= Money tips
[b]Plant pears in the first spring.[/b] They sell for twice as much as apples at the autumn market.
Buy the cider press as soon as you can — a barrel of cider sells for more than the apples that went into it, and it keeps through winter.
Talk to the beekeeper every Friday. After four visits she offers a hive, and the bees raise every tree's yield.
[i]Winter is for repairs. Mend the fences then or lose a row of trees to deer in spring.[/i]
)"},
    {8, News, "Online leaderboards closing",
     "https://example.org/news/pinecrest-slalom-leaderboards",
     R"(
= Pinecrest Slalom leaderboards to close
The online leaderboards for Pinecrest Slalom close at the end of next month. Local times and ghosts are not affected, and the game itself is fully playable offline.
)"},
    {8, Review, "Review (6/10)", "https://example.org/reviews/pinecrest-slalom", R"(
= Review: Pinecrest Slalom
Eight mountains, three disciplines, and a lovely sense of speed on the steep runs. The trouble is everything around them: menus are slow, the career mode repeats itself by the second season, and the über-difficult final course feels unfair rather than hard.
[b]Score: 6/10[/b]
)"},
    {9, Cheat, "Continue trick and secret characters", "Player notes", R"(
= Copperhead Gauntlet tricks
[b]Keep your score on continue:[/b] insert the coin during the last second of the countdown while holding jump. The counter resets but the score stays.
[b]Play as the Quartermaster:[/b] on the character select, move the cursor left past the first character six times, then press attack and jump together.
[b]Skip the sewer stage:[/b] in the market, break the third barrel from the left and stand in the gap until the grate opens.
)"},
    {9, WebLink, "High-score table archive", "https://example.org/scores/copperhead-gauntlet",
     R"(
Archive of verified high scores, with photos of the cabinets' score screens.
)"},
    {10, Walkthrough, "Case 1 walkthrough: The drowned bell",
     "https://example.org/guides/moonwell-mysteries/case-1",
     R"(
= Case 1: The drowned bell
Start at the inn. Ask the innkeeper about the bell, then about the well; only after both does the [b]Moonwell[/b] appear on your map.
At the well, examine the rope, the bucket and the bricks in that order. The bricks show scratch marks — note them, you need them in the church.
In the church, the verger will not talk until you show him the [i]Bell Fund Ledger[/i] from the inn's back room (take it while the innkeeper is upstairs).
The accusation: it was the verger's brother, and the evidence is the rope with the church's knot. Choosing anyone else ends the case early.
)"},
    {10, News, "Sequel rumours", "Player notes", R"(
= Sequel rumours
A job advert from the studio asks for a writer "for a mystery adventure set in a lighthouse". Nothing announced yet.
)"},
    {11, Cheat, "Password list for levels 1-60",
     "https://example.org/codes/quarry-blocks-passwords",
     R"(
= Quarry Blocks passwords
[tab]Level 10[tab][mono]GRVL[/mono]
[tab]Level 20[tab][mono]SLTE[/mono]
[tab]Level 30[tab][mono]BSLT[/mono]
[tab]Level 40[tab][mono]QRTZ[/mono]
[tab]Level 50[tab][mono]MRBL[/mono]
[tab]Level 60[tab][mono]OBSD[/mono] — the last level; the credits follow.
Passwords are case-insensitive. Entering [mono]\[/mono] as the first letter clears the password screen.
)"},
    {11, Preview, "Preview: the colour edition",
     "https://example.org/previews/quarry-blocks-colour", R"(
= Preview: Quarry Blocks colour edition
The colour edition adds a new quarry of sixty levels and a two-player link mode. Blocks are now coloured by stone, which makes the later levels far easier to read.
)"},
    {12, Walkthrough, "Stage-by-stage guide", "Player notes", R"(
= Frostline Rangers stage guide
[b]Stage 1 — The Pass:[/b] stay on the upper ledge; the snipers below cannot hit you there.
[b]Stage 2 — The Lake:[/b] the ice cracks after two seconds standing still. Keep moving.
[b]Stage 3 — The Depot:[/b] get the flame gun from the second crate. The boss's armour melts in three hits.
[b]Stage 4 — The Summit:[/b] the wind pushes you left. Jump early.
[red]Boss tip:[/red] the final boss only takes damage while its visor is open, just after the roar.
)"},
    {12, WebLink, "Map scans", "https://example.org/maps/frostline-rangers", R"(
Scans of the maps from the instruction booklet, one per stage.
= Stage 2 — The Lake
[map]
The red cross marks the flame gun crate; the path crosses the lake, whose ice cracks if you stand still.
)"},
};

static_assert(kBookmarkedFile >= 0 && kBookmarkedFile < int(std::size(kFiles)));

QString treeKey(qint64 file, qint64 game, int genre, int platform)
{
    return QStringLiteral("K_%1|N_%2|G_%3|P_%4").arg(file).arg(game).arg(genre).arg(platform);
}

bool fillSample(sqlite3 *db, QString &error)
{
    Statement game(db, "INSERT INTO game(platform_id, genre_id, name, notes) VALUES(?, ?, ?, ?)");
    Statement file(db, "INSERT INTO file(game_id, sub_cat, src, \"desc\", txt_rtf) "
                       "VALUES(?, ?, ?, ?, ?)");
    Statement bookmark(db, "INSERT INTO bookmarks(tree_key, game, file, platform, sub_cat, genre) "
                           "VALUES(?, ?, ?, ?, ?, ?)");
    Statement favorite(db, "INSERT INTO favorites(url, title, \"desc\") VALUES(?, ?, ?)");
    auto failed = [&](const Statement &s) {
        error = s.error();
        return false;
    };

    qint64 gameIds[std::size(kGames)] = {};
    for (size_t i = 0; i < std::size(kGames); ++i) {
        const SampleGame &g = kGames[i];
        game.bind(1, g.platform);
        game.bind(2, g.genre);
        game.bind(3, QString::fromUtf8(g.name));
        game.bind(4, QString::fromUtf8(g.notes));
        if (!game.run())
            return failed(game);
        gameIds[i] = game.lastId();
    }

    for (size_t i = 0; i < std::size(kFiles); ++i) {
        const SampleFile &f = kFiles[i];
        const std::string text = rtf::document(QString::fromUtf8(f.text));
        file.bind(1, gameIds[f.game - 1]);
        file.bind(2, f.subCat);
        file.bind(3, QString::fromUtf8(f.src));
        file.bind(4, QString::fromUtf8(f.desc));
        file.bind(5, std::string_view(text));
        if (!file.run())
            return failed(file);
        if (int(i) == kBookmarkedFile) {
            const SampleGame &g = kGames[f.game - 1];
            bookmark.bind(1, treeKey(file.lastId(), gameIds[f.game - 1], g.genre, g.platform));
            bookmark.bind(2, QString::fromUtf8(g.name));
            bookmark.bind(3, QString::fromUtf8(f.desc));
            bookmark.bind(4, platformName(g.platform));
            bookmark.bind(5, f.subCat);
            bookmark.bind(6, g.genre);
            if (!bookmark.run())
                return failed(bookmark);
        }
    }

    favorite.bind(1, std::string_view("https://example.org/links/community-guide-index"));
    favorite.bind(2, std::string_view("Community guide index"));
    favorite.bind(3, std::string_view("Players' guides for older games, sorted by platform."));
    if (!favorite.run())
        return failed(favorite);
    return true;
}

} // namespace

Result createSample(const QString &path, Existing existing)
{
    return buildDatabase(path,
                         QStringLiteral("a sample collection of %1 games and %2 files")
                             .arg(std::size(kGames))
                             .arg(std::size(kFiles)),
                         fillSample, existing);
}

} // namespace lc::collection
