#include "clsTreeLoader.h"

#include "clsCounter.h"
#include "connection.h"
#include "fixedlists.h"
#include "modDataloom.h"
#include "recordset.h"
#include "treekeys.h"
#include "treenodes.h"

#include <QStringBuilder>

#include <charconv>
#include <limits>
#include <memory>
#include <vector>

namespace {

const QString kClass = QStringLiteral("clsTreeLoader");
const QString kSource = QStringLiteral("LoadTree");

struct Failure {
    lc::db::Error error;
};

QString caption(const QString &name, int count)
{
    return name % u" (" % QString::number(count) % u')';
}

// "column = number" written into one reused text: a count per game makes no new string.
class CountFilter {
public:
    explicit CountFilter(const QString &column) : m_text(column + QStringLiteral(" = "))
    {
        m_prefix = m_text.size();
        m_text.reserve(m_prefix + 24);
    }
    const QString &operator()(qlonglong value)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        m_text.truncate(m_prefix);
        m_text.append(QLatin1StringView(digits, end - digits));
        return m_text;
    }

private:
    QString m_text;
    qsizetype m_prefix = 0;
};

class Loader {
public:
    Loader(lc::db::Connection &conn, lc::controls::TreeNodes &tree, QString &logFile)
        : m_conn(conn), m_tree(tree), m_logFile(logFile)
    {
    }

    void run()
    {
        m_games.M_ADO_CONNECTION = &m_conn;
        if (!m_games.InitCounter())
            throw Failure{m_games.lastError()};
        if (!m_rs.open(QStringLiteral("SELECT auto_id, brand, name, in_use FROM platform"), m_conn))
            throw Failure{m_rs.lastError()};

        m_tree.clear();
        const lc::controls::BulkAdd bulk(m_tree);
        const int root =
            m_tree.add({}, lc::keys::kRoot, QStringLiteral("Lorecase"), QStringLiteral("pg"), {});
        m_tree.setExpanded(root, true);
        m_tree.setExpandedImage(root, QStringLiteral("ROOT"));
        if (m_rs.recordCount() == 0)
            return;

        addPlatforms();
        m_rs.close();
        // With no platform in use there are no games to show.
        if (!m_inUse.isEmpty())
            addGames();
    }

private:
    void addPlatforms()
    {
        static const char *const kBrands[] = {"Microsoft", "Nintendo", "Sega",
                                              "Sony",      "PC",       "Arcade"};
        for (const char *b : kBrands) {
            const QString brand = QString::fromLatin1(b);
            if (!m_rs.setFilter(QStringLiteral("brand = '") + brand +
                                QStringLiteral("' And in_use = True")))
                throw Failure{m_rs.lastError()};
            const int n = m_rs.recordCount();
            if (n == 1) {
                addPlatform(lc::keys::kRoot, brand, {});
            } else if (n > 1 && brand != u"PC" && brand != u"Arcade") {
                const QString brandKey = m_rs.field(QStringLiteral("brand")).toString();
                if (m_tree.add(lc::keys::kRoot, brandKey, brandKey, brand, {}) < 0)
                    throw Failure{
                        {lc::db::ErrInvalidArgument,
                         QStringLiteral("The brand node %1 could not be added.").arg(brandKey)}};
                const bool microsoft = brand == u"Microsoft";
                for (int i = 0; i < n && !m_rs.eof(); ++i) {
                    addPlatform(brandKey, microsoft ? brand : QStringLiteral("console"),
                                microsoft ? QString() : QStringLiteral("console_hot"));
                    m_rs.moveNext();
                }
            }
            m_rs.setFilter({});
            m_rs.moveFirst();
        }
    }

    void addPlatform(const QString &parentKey, const QString &image, const QString &selImage)
    {
        const QVariant idValue = m_rs.field(QStringLiteral("auto_id"));
        const QString name = m_rs.field(QStringLiteral("name")).toString();
        const auto id = lc::names::toByteId(idValue);
        if (!id) {
            // Platform ids travel as 8-bit numbers everywhere; a larger one would be cut to
            // a different platform, so the row is left out of the tree.
            reportOnce({lc::db::ErrInvalidArgument,
                        QStringLiteral("The platform %1 (id %2) was left out: platform ids must "
                                       "be between 0 and 255.")
                            .arg(name, idValue.toString())});
            return;
        }
        const QString key = lc::keys::platformKey(*id);
        const int games = count(m_games, QStringLiteral("platform_id =") + QString::number(*id));
        const int node = m_tree.add(parentKey, key, caption(name, games), image, selImage);
        if (node < 0)
            throw Failure{{lc::db::ErrInvalidArgument,
                           QStringLiteral("The platform node %1 could not be added.").arg(key)}};
        m_tree.setTag(node, name);
        addGenres(key, *id);
        m_inUse += QStringLiteral(" platform_id = ") + QString::number(*id) + QStringLiteral(" Or");
    }

    void addGenres(const QString &platformKey, quint8 platformId)
    {
        // A genre node that cannot be made is skipped; the platform's other genres go on.
        for (quint8 g = 1; g <= 8; ++g) {
            const int n =
                m_games.Count(QStringLiteral("platform_id = ") + QString::number(platformId) +
                              QStringLiteral(" And genre_id = ") + QString::number(g));
            const QString name = lc::names::genreName(g);
            const int node = m_tree.add(platformKey, lc::keys::genreKey(g, platformId),
                                        caption(name, std::max(n, 0)), QStringLiteral("genre"),
                                        QStringLiteral("genre_hot"));
            if (node >= 0)
                m_tree.setTag(node, name);
        }
    }

    void addGames()
    {
        QString condition = m_inUse.trimmed();
        condition.chop(3);
        m_files.M_ADO_CONNECTION = &m_conn;
        if (!m_files.InitCounter())
            throw Failure{m_files.lastError()};
        if (!m_rs.open(
                QStringLiteral("SELECT auto_id, platform_id, genre_id, name FROM game WHERE ") +
                    condition,
                m_conn))
            throw Failure{m_rs.lastError()};
        // One node per game: the tree's key table is sized once instead of growing.
        m_tree.reserve(m_tree.count() + m_rs.recordCount());

        const int fId = m_rs.fieldIndex(QStringLiteral("auto_id"));
        const int fPlatform = m_rs.fieldIndex(QStringLiteral("platform_id"));
        const int fGenre = m_rs.fieldIndex(QStringLiteral("genre_id"));
        const int fName = m_rs.fieldIndex(QStringLiteral("name"));
        const QString image = QStringLiteral("cd"), selImage = QStringLiteral("cd_hot");
        CountFilter filesOf(QStringLiteral("game_id"));
        // The genre node keys, made once each: many games share one.
        std::vector<QString> parents(256 * 9);
        for (m_rs.moveFirst(); !m_rs.eof(); m_rs.moveNext()) {
            const QVariant idValue = m_rs.field(fId);
            const qlonglong id = idValue.toLongLong();
            const auto platform = lc::names::toByteId(m_rs.field(fPlatform));
            const auto genre = lc::names::toByteId(m_rs.field(fGenre));
            const QString name = m_rs.field(fName).toString();
            if (!platform || !genre || *genre < 1 || *genre > 8) {
                // One bad row must not hide the rest of the collection.
                reportOnce({lc::db::ErrInvalidArgument,
                            QStringLiteral("The game %1 (id %2) was left out: its genre %3 is "
                                           "not one of the genres 1 to 8.")
                                .arg(name, idValue.toString(), m_rs.field(fGenre).toString())});
                continue;
            }
            if (id < 0 || id > std::numeric_limits<qint32>::max()) {
                // Game ids are 32-bit everywhere; a larger one would name another game.
                reportOnce({lc::db::ErrInvalidArgument,
                            QStringLiteral("The game %1 (id %2) was left out: game ids must "
                                           "be 32-bit numbers.")
                                .arg(name, idValue.toString())});
                continue;
            }
            const int files = count(m_files, filesOf(id));
            QString &parent = parents[size_t(*platform) * 9 + *genre];
            if (parent.isNull())
                parent = lc::keys::genreKey(*genre, *platform);
            const int node = m_tree.add(parent, lc::keys::gameKey(qint32(id), parent),
                                        caption(name, files), image, selImage);
            if (node < 0)
                throw Failure{
                    {lc::db::ErrInvalidArgument,
                     QStringLiteral("The game node of game %1 could not be added.").arg(id)}};
            m_tree.setTag(node, name);
        }
    }

    static int count(clsCounter &counter, const QString &filter)
    {
        const int n = counter.Count(filter);
        if (n < 0)
            throw Failure{counter.lastError()};
        return n;
    }

    void reportOnce(const lc::db::Error &error)
    {
        // Every bad row is written to the log; the user is told once per load.
        if (!m_reported) {
            m_reported = true;
            dataloom::LogError(kClass, kSource, error, m_logFile);
        } else {
            dataloom::WriteEntry(kClass, kSource, error, m_logFile);
        }
    }

    lc::db::Connection &m_conn;
    lc::controls::TreeNodes &m_tree;
    QString &m_logFile;
    clsGameCounter m_games;
    clsFileCounter m_files;
    lc::db::Recordset m_rs;
    QString m_inUse;
    bool m_reported = false;
};

} // namespace

void clsTreeLoader::LoadTree(lc::controls::TreeNodes &tree)
{
    try {
        if (!M_ADO_CONNECTION)
            throw Failure{
                {lc::db::ErrInvalidConnection, QStringLiteral("No database connection.")}};
        Loader(*M_ADO_CONNECTION, tree, ErrLogFile).run();
    } catch (const Failure &f) {
        // The nodes added so far stay in the tree.
        dataloom::LogError(kClass, kSource, f.error, ErrLogFile);
    }
    Q_EMIT Finished();
}
