#pragma once

#include "ctlDetails.h"
#include "ctlTree.h"
#include "ctlView.h"
#include "frmMain.h"
#include "modADO.h"
#include "modMain.h"
#include "testsupport.h"

#include <QSize>
#include <QtTest>

#include <functional>

// The real main window on the sample collection, started as the entry routine starts it.
// `before` runs on the fresh program folder ahead of the start (rows or settings a test needs).
struct MainProgram {
    TestHome home{TestHome::Db::Sample};
    frmMain form;

    explicit MainProgram(QSize size = {900, 700},
                         const std::function<void(TestHome &)> &before = {})
    {
        if (before)
            before(home);
        form.resize(size);
        SetMainForm(&form);
        form.Form_Load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Form_Activate();
    }
    ~MainProgram()
    {
        SetMainForm(nullptr);
        gConn = lc::db::Connection();
    }
    MainProgram(const MainProgram &) = delete;
    MainProgram &operator=(const MainProgram &) = delete;

    ctlTree &tree() const { return *qobject_cast<ctlTree *>(form.pane(frmMain::Pane::Tree)); }
    ctlView &view() const { return *qobject_cast<ctlView *>(form.pane(frmMain::Pane::View)); }
    ctlDetails &details() const
    {
        return *qobject_cast<ctlDetails *>(form.pane(frmMain::Pane::Details));
    }
    QByteArray log() const { return home.read(QStringLiteral("error.log")); }
};
