// "Help on Tamberlin": the page is looked for in the start folder, then beside the executable,
// then in the installed data folder; only when it is in none of them does the shell get a path
// it fails on, with the error box.

#include "app/help.h"
#include "common/temp_dir.h"
#include "platform/fake_platform.h"

#include <QCoreApplication>
#include <QFile>
#include <QtTest>

using tamberlin::FakePlatform;
using tamberlin::testing::TempDir;

namespace {

QString Folder(const TempDir& dir) {
    return QString::fromStdString(dir.path().string());
}

QString PutHelpPage(const TempDir& dir) {
    const std::string path = dir.file("tamberlin_help.htm");
    tamberlin::testing::WriteAll(path, "<html></html>");
    return QString::fromStdString(path);
}

} // namespace

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fake = new FakePlatform;
        tamberlin::setPlatform(fake);
    }
    void cleanup() {
        tamberlin::setPlatform(nullptr);
        QVERIFY2(fake->allAnswered(), "a scripted answer was not used");
        delete fake;
    }

    void theStartFolderComesFirst() {
        TempDir start, program;
        const QString inStart = PutHelpPage(start);
        PutHelpPage(program);
        QCOMPARE(tamberlin::FindHelpPage(Folder(start), Folder(program)), inStart);

        fake->answerShellOpen(true);
        QVERIFY(tamberlin::OpenHelpPage(Folder(start), Folder(program)));
        QCOMPARE(fake->asked().size(), 1);
        QCOMPARE(fake->lastAsked().kind, FakePlatform::Kind::ShellOpen);
        QCOMPARE(fake->lastAsked().text, inStart);
        QCOMPARE(fake->lastAsked().workingFolder, QString());
    }

    void thePageBesideTheExecutableServesAnyOtherStartFolder() {
        TempDir start, program;
        const QString besideProgram = PutHelpPage(program);
        // A folder of the page's name is not the page.
        QVERIFY(QDir(Folder(start)).mkdir(QStringLiteral("tamberlin_help.htm")));
        QCOMPARE(tamberlin::FindHelpPage(Folder(start), Folder(program)), besideProgram);

        fake->answerShellOpen(true);
        QVERIFY(tamberlin::OpenHelpPage(Folder(start), Folder(program)));
        QCOMPARE(fake->lastAsked().text, besideProgram);
    }

    void anInstalledProgramFindsThePageInItsDataFolder() {
        // prefix/bin/tamberlin with the page in prefix/share/tamberlin, started elsewhere.
        TempDir start, prefix;
        const QString bin = Folder(prefix) + QStringLiteral("/bin");
        const QString data = tamberlin::InstalledDataFolder(bin);
        QVERIFY(data.startsWith(Folder(prefix) + u'/'));
        QVERIFY(!data.contains(QStringLiteral("..")));
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(data));
        const QString installed = data + QStringLiteral("/tamberlin_help.htm");
        tamberlin::testing::WriteAll(installed.toStdString(), "<html></html>");
        QCOMPARE(tamberlin::FindHelpPage(Folder(start), bin), installed);
        // A page beside the executable still comes before it.
        tamberlin::testing::WriteAll((bin + QStringLiteral("/tamberlin_help.htm")).toStdString(),
                                     "<html></html>");
        QCOMPARE(tamberlin::FindHelpPage(Folder(start), bin),
                 bin + QStringLiteral("/tamberlin_help.htm"));
    }

    void withThePageNowhereTheShellFailsWithTheErrorBox() {
        TempDir start, program;
        const QString expected = Folder(start) + QStringLiteral("/tamberlin_help.htm");
        QCOMPARE(tamberlin::FindHelpPage(Folder(start), Folder(program)), expected);

        fake->answerShellOpen(false);
        fake->expectErrorBox();
        QVERIFY(!tamberlin::OpenHelpPage(Folder(start), Folder(program)));
        QCOMPARE(fake->asked().size(), 2);
        QCOMPARE(fake->asked().at(0).text, expected);
        QCOMPARE(fake->lastAsked().kind, FakePlatform::Kind::ErrorBox);
        QCOMPARE(fake->lastAsked().caption, QStringLiteral("Error"));
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Failed to execute tamberlin_help.htm"));
    }

    void aStartFolderAtTheRootGivesTwoSeparators() {
        TempDir program;
        QVERIFY(!QFile::exists(QStringLiteral("/tamberlin_help.htm")));
        QCOMPARE(tamberlin::FindHelpPage(QStringLiteral("/"), Folder(program)),
                 QStringLiteral("//tamberlin_help.htm"));
    }

    void theBuildPutsThePageBesideTheExecutable() {
        const QString copy =
            QCoreApplication::applicationDirPath() + QStringLiteral("/tamberlin_help.htm");
        QFile built(copy);
        QFile source(QStringLiteral(TAMBERLIN_SOURCE_DIR "/help/tamberlin_help.htm"));
        QVERIFY2(built.open(QIODevice::ReadOnly), qPrintable(copy));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray page = built.readAll();
        QCOMPARE(page, source.readAll());
        // The page explains what authors need beside the program.
        for (const char* needed : {"clock.js", "0fdg.gif", "9fdg.gif", "cfdg.gif", "lapsed",
                                   "username", "--publish", "--version", ".qvt"}) {
            QVERIFY2(page.contains(needed), needed);
        }
    }

private:
    FakePlatform* fake = nullptr;
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
