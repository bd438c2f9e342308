#pragma once

#include "scriptedui.h"

#include <QString>
#include <QTemporaryDir>

// A fresh program folder, settings store and scripted UI for one test; everything is put
// back when it goes out of scope.
class TestHome {
public:
    enum class Db { None, Delivered, Sample };
    explicit TestHome(Db db = Db::Delivered);
    ~TestHome();
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

    // The program folder, with one trailing separator.
    QString dir() const;
    QString file(const QString &name) const { return dir() + name; }
    QString dbPath() const { return file(QStringLiteral("lorecase.mdb")); }
    QByteArray read(const QString &name) const;
    void write(const QString &name, const QByteArray &bytes) const;

    lc::ui::ScriptedUi &ui() { return *m_ui; }
    // Runs SQL on the test database straight through SQLite (to set up or break data).
    void sql(const QString &statements) const;

private:
    QTemporaryDir m_tmp;
    lc::ui::ScriptedUi *m_ui = nullptr;
    QByteArray m_oldHome;
};
