#include "testsupport.h"

#include "collection.h"
#include "errorlog.h"
#include "settings.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QtTest>

#include <sqlite3.h>

TestHome::TestHome(Db db)
{
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale::c());
    m_oldHome = qgetenv("LORECASE_HOME");
    qputenv("LORECASE_HOME", dir().toLocal8Bit());
    lc::settings::useFile(m_tmp.filePath(QStringLiteral("settings/Lorecase.ini")));
    lc::settings::setWriteObserver({});
    auto ui = std::make_unique<lc::ui::ScriptedUi>();
    m_ui = ui.get();
    lc::ui::setService(std::move(ui));
    lc::errorlog::setClockForTesting(QDateTime(QDate(2026, 3, 4), QTime(15, 6, 7)));
    if (db == Db::Delivered)
        QVERIFY(lc::collection::createDelivered(dbPath()).ok);
    else if (db == Db::Sample)
        QVERIFY(lc::collection::createSample(dbPath()).ok);
}

TestHome::~TestHome()
{
    lc::ui::setService(nullptr);
    lc::settings::useFile({});
    lc::settings::setWriteObserver({});
    lc::errorlog::setClockForTesting({});
    if (m_oldHome.isNull())
        qunsetenv("LORECASE_HOME");
    else
        qputenv("LORECASE_HOME", m_oldHome);
}

QString TestHome::dir() const
{
    return QDir(m_tmp.path()).absolutePath() + u'/';
}

QByteArray TestHome::read(const QString &name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestHome::write(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void TestHome::sql(const QString &statements) const
{
    sqlite3 *h = nullptr;
    QCOMPARE(sqlite3_open_v2(dbPath().toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr),
             SQLITE_OK);
    char *err = nullptr;
    const int rc = sqlite3_exec(h, statements.toUtf8().constData(), nullptr, nullptr, &err);
    const QString msg = err ? QString::fromUtf8(err) : QString();
    sqlite3_free(err);
    sqlite3_close(h);
    QVERIFY2(rc == SQLITE_OK, qPrintable(msg));
}
