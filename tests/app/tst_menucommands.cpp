#include "clsPformSel.h"
#include "ctlTree.h"
#include "ctlView.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "frmOptions.h"
#include "frmPlatform.h"
#include "frmSplash.h"
#include "handover.h"
#include "keyedlistview.h"
#include "keyedtree.h"
#include "mainprogram.h"
#include "modADO.h"
#include "modMain.h"
#include "programfolder.h"
#include "recordset.h"
#include "richtextbox.h"
#include "settings.h"
#include "testsupport.h"
#include "twips.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using Kind = lc::ui::ScriptedUi::Kind;

namespace {

struct Program : MainProgram {
    Program() { home.ui().calls.clear(); }

    // Clicks the game of the last stored file, so the file view shows one of its files.
    void showAFile()
    {
        lc::db::Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, genre_id, platform_id FROM game WHERE "
                                       "auto_id = ") +
                            QString::number(lastFileGame()),
                        gConn));
        tree().SelectNode(QStringLiteral("N_%1|G_%2|P_%3")
                              .arg(rs.field(QStringLiteral("auto_id")).toInt())
                              .arg(rs.field(QStringLiteral("genre_id")).toInt())
                              .arg(rs.field(QStringLiteral("platform_id")).toInt()));
        QVERIFY(!view().shownKey().isEmpty());
    }
    static int lastFileGame()
    {
        lc::db::Recordset rs;
        if (!rs.open(QStringLiteral("SELECT auto_id, game_id FROM file"), gConn) ||
            rs.recordCount() < 1)
            return 0;
        rs.moveLast();
        return rs.field(QStringLiteral("game_id")).toInt();
    }
    // The next accepted printer dialog prints to this file.
    void printTo(const QString &path)
    {
        home.ui().printAnswers.enqueue(true);
        home.ui().printerSetup = [path](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
        };
    }
};

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    return p.waitForFinished(30000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

QString setting(const char *key)
{
    return lc::settings::GetSetting(QStringLiteral("Options"), QString::fromLatin1(key),
                                    QStringLiteral("<none>"));
}

} // namespace

class TestMenuCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { lc::twips::setPixelsPerInchForTesting(96); }

    void everyMenuItemIsEnabled()
    {
        Program p;
        for (QAction *menu : p.form.menuBar()->actions())
            for (QAction *item : menu->menu()->actions())
                QVERIFY2(item->isSeparator() || item->isEnabled(), qPrintable(item->text()));
    }

    void printTheShownFile()
    {
        Program p;
        const QString pdf = p.home.file(QStringLiteral("file.pdf"));
        // Nothing shown: the user is told, no dialog comes up.
        p.form.menus().mnuFilePrint->trigger();
        QCOMPARE(p.home.ui().messages(), QStringList{"Please select a game file to print."});
        QVERIFY(p.home.ui().callsOf(Kind::Print).isEmpty());

        p.showAFile();
        const QByteArray logBefore = p.log();
        p.home.ui().calls.clear();
        p.form.menus().mnuFilePrint->trigger(); // the dialog is cancelled
        QCOMPARE(p.home.ui().callsOf(Kind::Print).size(), 1);
        QVERIFY(p.home.ui().messages().isEmpty());
        QCOMPARE(p.log(), logBefore);
        QVERIFY(p.form.printBox()->document()->isEmpty());

        p.printTo(pdf);
        p.form.menus().mnuFilePrint->trigger();
        QVERIFY(p.home.ui().messages().isEmpty());
        QVERIFY(p.home.read(QStringLiteral("file.pdf")).startsWith("%PDF"));
        QVERIFY(p.form.printBox()->document()->isEmpty());
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("File: ")) && text.contains(p.view().M_GAME),
                 qPrintable(text));
        QCOMPARE(p.log(), logBefore);
    }

    // A print that cannot be written is logged and told once; the document is emptied.
    void failedPrintTellsOnce()
    {
        Program p;
        p.showAFile();
        p.printTo(p.home.file(QStringLiteral("no/such/folder/file.pdf")));
        p.form.menus().mnuFilePrint->trigger();
        const auto boxes = p.home.ui().callsOf(Kind::Message);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, QStringLiteral("frmMain Error"));
        QVERIFY(boxes[0].text.startsWith(QStringLiteral("mnuFilePrint_Click Error: 482\r\n\r\n")));
        QVERIFY(p.log().contains("  Source = mnuFilePrint_Click"));
        QVERIFY(p.form.printBox()->document()->isEmpty());
    }

    // The viewers' print requests come from the tree and the file view with the file's parts.
    void printFromAViewer()
    {
        Program p;
        const QString pdf = p.home.file(QStringLiteral("viewer.pdf"));
        p.printTo(pdf);
        Q_EMIT p.view().PrintFile(QStringLiteral("Harbor Quest - Walkthroughs"),
                                  QStringLiteral("Chapter guide"), QStringLiteral("Own notes"),
                                  QStringLiteral("{\\rtf1\\ansi\\pard Take the lantern.\\par}"));
        QVERIFY(p.home.ui().messages().isEmpty());
        const QString text = pdfText(pdf);
        for (const char *part : {"Harbor Quest - Walkthroughs", "File: Chapter guide",
                                 "Source: Own notes", "Take the lantern."})
            QVERIFY2(text.contains(QLatin1String(part)), part);

        p.printTo(p.home.file(QStringLiteral("no/such/folder/tree.pdf")));
        Q_EMIT p.tree().PrintInfo(QStringLiteral("Heading"), QStringLiteral("d"),
                                  QStringLiteral("s"), QStringLiteral("{\\rtf1 x}"));
        QCOMPARE(p.home.ui().messages().size(), 1);
        QVERIFY(p.log().contains("  Source = PrintFromViewer"));
        QVERIFY(p.form.printBox()->document()->isEmpty());
    }

    void platformSelection()
    {
        Program p;
        lc::db::Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, in_use FROM platform WHERE in_use = True"),
                        gConn));
        QVERIFY(rs.recordCount() > 0);
        const int id = rs.field(QStringLiteral("auto_id")).toInt();
        rs.close();
        const QString key = QStringLiteral("P_%1").arg(id);
        QVERIFY(p.tree().tvwFiles->indexOf(key) >= 0);

        const auto untick = [id](bool ok) {
            return [id, ok](QDialog &d) {
                auto *w = qobject_cast<frmPlatform *>(&d);
                if (!w)
                    return int(QDialog::Rejected);
                w->chkPlatform(id)->setChecked(false);
                (ok ? w->cmdOK : w->cmdCancel)->click();
                return int(ok ? QDialog::Accepted : QDialog::Rejected);
            };
        };
        // Cancel writes nothing and leaves the tree as it is.
        p.home.ui().modalHandlers.enqueue(untick(false));
        p.form.menus().mnuMaintPlatforms->trigger();
        QVERIFY(p.tree().tvwFiles->indexOf(key) >= 0);
        QVERIFY(!p.form.platformSelect());

        // The tree asks for the same window; OK with a change reloads every pane.
        p.home.ui().modalHandlers.enqueue(untick(true));
        Q_EMIT p.tree().RemovePlatform();
        const auto modals = p.home.ui().callsOf(Kind::Modal);
        QCOMPARE(modals.size(), 2);
        QCOMPARE(modals[1].extra, QStringLiteral("frmPlatform"));
        QCOMPARE(p.tree().tvwFiles->indexOf(key), -1);
        QVERIFY(p.tree().tvwFiles->count() > 1);
        QCOMPARE(p.form.captionLabel()->text(), QStringLiteral("Lorecase"));
        QVERIFY(!p.form.platformSelect());
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, in_use FROM platform WHERE auto_id = ") +
                            QString::number(id),
                        gConn));
        QCOMPARE(rs.field(QStringLiteral("in_use")).toInt(), 0);
    }

    void optionsWindow()
    {
        Program p;
        const QString start = p.home.file(QStringLiteral("Start.html"));
        // Cancel writes nothing; the window shows the defaults.
        p.home.ui().modalHandlers.enqueue([&](QDialog &d) {
            auto &w = dynamic_cast<frmOptions &>(d);
            [&] {
                QCOMPARE(w.txtURL->text(), start);
                QVERIFY(w.optView[3]->isChecked());
                QVERIFY(!w.chkAppLayout->isChecked());
            }();
            w.cmdCancel->click();
            return d.result();
        });
        p.form.menus().mnuToolsOptions->trigger();
        QCOMPARE(setting("BrowsStart"), QStringLiteral("<none>"));

        // A picked page goes into the box (a cancelled pick leaves it); the text is trimmed.
        p.home.ui().files.enqueue(QStringLiteral("/pages/home.htm"));
        p.home.ui().files.enqueue(std::nullopt);
        p.home.ui().modalHandlers.enqueue([](QDialog &d) {
            auto &w = dynamic_cast<frmOptions &>(d);
            w.cmdSelect->click();
            w.cmdSelect->click();
            w.txtURL->setText(QStringLiteral("  ") + w.txtURL->text() + QStringLiteral(" "));
            w.chkAppLayout->setChecked(true);
            w.optView[0]->setChecked(true);
            w.cmdOK->click();
            return d.result();
        });
        p.form.menus().mnuToolsOptions->trigger();
        QCOMPARE(setting("BrowsStart"), QStringLiteral("/pages/home.htm"));
        QCOMPARE(setting("AppLayout"), QStringLiteral("1"));
        QCOMPARE(setting("FileView"), QStringLiteral("0"));
        QCOMPARE(p.view().lvFiles->viewMode(), lc::controls::ListViewMode::LargeIcon);
        QCOMPARE(p.home.ui().callsOf(Kind::Open).at(0).title,
                 QStringLiteral("HTML Files *.htm*|*.htm*"));

        // An emptied box stores the program folder's start page, never an empty value.
        p.home.ui().modalHandlers.enqueue([](QDialog &d) {
            auto &w = dynamic_cast<frmOptions &>(d);
            [&] {
                QVERIFY(w.optView[0]->isChecked());
                QVERIFY(w.chkAppLayout->isChecked());
            }();
            w.txtURL->setText(QStringLiteral("   "));
            w.optView[3]->setChecked(true);
            w.cmdOK->click();
            return d.result();
        });
        p.form.menus().mnuToolsOptions->trigger();
        QCOMPARE(setting("BrowsStart"), start);
        QCOMPARE(setting("FileView"), QStringLiteral("3"));
        QCOMPARE(p.view().lvFiles->viewMode(), lc::controls::ListViewMode::Report);
    }

    void aboutAndSplashShowLogoAndVersion()
    {
        Program p;
        const QString version = QStringLiteral("Version ") + lc::programVersion().version();
        {
            frmSplash bare;
            QCOMPARE(bare.lblVersion->text(), version);
            QVERIFY(bare.imgLogo->pixmap().isNull()); // no logo.gif: an empty picture
        }
        QImage logo(40, 20, QImage::Format_RGB32);
        logo.fill(Qt::darkBlue);
        QVERIFY(logo.save(p.home.file(QStringLiteral("logo.gif")), "PNG"));

        p.home.ui().modalHandlers.enqueue([&](QDialog &d) {
            auto &w = dynamic_cast<frmAbout &>(d);
            [&] {
                QCOMPARE(w.lblVersion->text(), version);
                QCOMPARE(w.picIcon->pixmap().size(), QSize(40, 20));
            }();
            w.cmdOK->click();
            return d.result();
        });
        p.form.menus().mnuHelpAbout->trigger();
        QCOMPARE(p.home.ui().callsOf(Kind::Modal).size(), 1);

        auto *splash = new frmSplash;
        QPointer<frmSplash> alive(splash);
        QCOMPARE(splash->imgLogo->pixmap().size(), QSize(40, 20));
        splash->show();
        QTest::keyClick(splash, Qt::Key_Space);
        QTRY_VERIFY(!alive);
    }

    void updaterAndSupport()
    {
        Program p;
        const QString updater = p.home.file(lc::programFileName(QStringLiteral("Renewer")));
        p.home.write(lc::programFileName(QStringLiteral("Renewer")), "#!/bin/sh\n");
        p.form.menus().mnuHelpUpdate->trigger();
        QCOMPARE(p.home.read(QStringLiteral("~udtmp.tmp")),
                 lc::handover::text(lc::programVersion()));
        p.form.menus().mnuLCSupport->trigger();
        lc::settings::SaveSetting(QStringLiteral("Settings"), QStringLiteral("SupportURL"),
                                  QStringLiteral("https://help.example.net/"));
        p.form.menus().mnuLCSupport->trigger();
        const auto shell = p.home.ui().callsOf(Kind::Shell);
        QCOMPARE(shell.size(), 3);
        QCOMPARE(shell[0].text, updater);
        QCOMPARE(shell[0].title, p.home.dir());
        QVERIFY(shell[1].text.startsWith(QStringLiteral("https://")));
        QCOMPARE(shell[2].text, QStringLiteral("https://help.example.net/"));
        QVERIFY(p.home.ui().messages().isEmpty());
    }
};

QTEST_MAIN(TestMenuCommands)
#include "tst_menucommands.moc"
