#include "cad/TAbstrAcadObj.h"
#include "cad/TrustThreshold.h"

#include "CadTestEnvironment.h"
#include "FakeCad.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

QString failed(const QString& source, const QString& folders)
{
    return QStringLiteral("Failures to copy file ") + source + QStringLiteral("\rby neither path:\r") + folders;
}

const QString Source = QStringLiteral("D:\\Tools\\tr.fas");

struct SupportCase {
    const char* name = "";
    QString supportPath = {};
    QString trustedPaths = {};
    uint8_t mode = 2;
    bool overwrite = true;
    QStringList accepting = {};
    QStringList existing = {};
    QStringList openToOthers = {}; // folders other users may write into
    QStringList implicitlyTrusted = {}; // trusted by the CAD without being listed
    QHash<QString, QString> variables = {}; // the environment the CAD expands %NAME% with
    QString version = QStringLiteral("19.1s (LMS Tech)");
    // Expected:
    QStringList copies = {};
    QString supportPathAfter = {}; // "=" for unchanged
    QString trustedPathsAfter = QStringLiteral("=");
    QStringList messages = {};
};

class InstallSupportFile : public ::testing::TestWithParam<SupportCase> {};

TEST_P(InstallSupportFile, WalksTheSupportFolders)
{
    const SupportCase& c = GetParam();
    MessageRecorder recorder;
    CadTestEnvironment environment;
    for (const QString& folder : c.accepting)
        environment.accepting.insert(folder);
    for (const QString& file : c.existing)
        environment.existing.insert(file);
    for (const QString& folder : c.openToOthers)
        environment.openToOthers.insert(folder);
    environment.implicitlyTrusted = c.implicitlyTrusted;
    environment.variables = c.variables;
    FakeCad cad;
    cad.supportPath = c.supportPath;
    cad.trustedPaths = c.trustedPaths;
    cad.version = c.version;
    const auto running = cad.registerRunning();
    TAbstrAcadObj acad;
    cad.log.clear(); // what the attach asked (the walker's trust) is not the installation's

    acad.InstallSupportFile(QStringLiteral("tr.fas"), c.mode, c.overwrite);

    EXPECT_EQ(environment.copies, c.copies);
    for (const QString& source : environment.sources)
        EXPECT_EQ(source, Source);
    for (bool flag : environment.failIfExistsFlags)
        EXPECT_EQ(flag, !c.overwrite);
    EXPECT_EQ(cad.supportPath, c.supportPathAfter == QLatin1String("=") ? c.supportPath : c.supportPathAfter);
    EXPECT_EQ(cad.trustedPaths, c.trustedPathsAfter == QLatin1String("=") ? c.trustedPaths : c.trustedPathsAfter);
    EXPECT_EQ(recorder.all, c.messages);
    if (isBelowTrustThreshold(c.version)) { // older versions never see TRUSTEDPATHS
        EXPECT_FALSE(cad.log.join(u' ').contains(QStringLiteral("Variable")));
    }
}

const QString A = QStringLiteral("C:\\A");
const QString B = QStringLiteral("C:\\B");
const QString AFile = QStringLiteral("C:\\A\\tr.fas");
const QString BFile = QStringLiteral("C:\\B\\tr.fas");
const QString Tools = QStringLiteral("D:\\Tools");
const QString S = QStringLiteral("=");

INSTANTIATE_TEST_SUITE_P(SupportPaths, InstallSupportFile,
    ::testing::Values(
        SupportCase{.name = "EmptySupportPath", .supportPath = "", .trustedPaths = "",
                    .copies = {}, .supportPathAfter = Tools, .trustedPathsAfter = Tools,
                    .messages = {failed(Source, "")}},
        SupportCase{.name = "TrailingSemicolonAddsNoSecond", .supportPath = "C:\\A;", .trustedPaths = "",
                    .copies = {AFile}, .supportPathAfter = "C:\\A;D:\\Tools", .trustedPathsAfter = Tools,
                    .messages = {failed(Source, "C:\\A\r")}},
        SupportCase{.name = "EmptyElementSkipped", .supportPath = ";C:\\A;;C:\\B", .mode = 0, .accepting = {B},
                    .copies = {AFile, BFile}, .supportPathAfter = S},
        SupportCase{.name = "TrailingBackslashNotDoubled", .supportPath = "C:\\A\\", .mode = 0, .accepting = {A},
                    .copies = {AFile}, .supportPathAfter = S},
        SupportCase{.name = "FirstSuccessEndsTheSearch", .supportPath = "C:\\A;C:\\B", .mode = 0,
                    .accepting = {A, B}, .copies = {AFile}, .supportPathAfter = S},
        SupportCase{.name = "ExeFolderNeedsNoCopy", .supportPath = "C:\\A;D:\\Tools;C:\\B", .mode = 0,
                    .copies = {AFile}, .supportPathAfter = S},
        SupportCase{.name = "ExeFolderWithBackslashNeedsNoCopy", .supportPath = "D:\\Tools\\", .mode = 0,
                    .copies = {}, .supportPathAfter = S},
        SupportCase{.name = "ExeFolderOtherCaseIsAnotherFolder", .supportPath = "d:\\tools", .mode = 0,
                    .copies = {"d:\\tools\\tr.fas"}, .supportPathAfter = "d:\\tools;D:\\Tools",
                    .trustedPathsAfter = Tools, .messages = {failed(Source, "d:\\tools")}},
        SupportCase{.name = "ExeFolderInMode3BecomesTrusted", .supportPath = "D:\\Tools", .trustedPaths = "C:\\X",
                    .mode = 3, .copies = {}, .supportPathAfter = S, .trustedPathsAfter = "C:\\X;D:\\Tools"},
        SupportCase{.name = "Mode2TriesTrustedFoldersOnly", .supportPath = "C:\\A;C:\\B", .trustedPaths = "C:\\B",
                    .accepting = {A, B}, .copies = {BFile}, .supportPathAfter = S},
        SupportCase{.name = "Mode2ThenEveryFolderAndTrustsIt", .supportPath = "C:\\A;C:\\B", .trustedPaths = "C:\\X",
                    .accepting = {B}, .copies = {AFile, BFile}, .supportPathAfter = S,
                    .trustedPathsAfter = "C:\\X;C:\\B"},
        SupportCase{.name = "Mode1UntrustedGoesToFallback", .supportPath = "C:\\A", .trustedPaths = "", .mode = 1,
                    .accepting = {A}, .copies = {}, .supportPathAfter = "C:\\A;D:\\Tools", .trustedPathsAfter = Tools,
                    .messages = {failed(Source, "C:\\A")}},
        SupportCase{.name = "TrustedPathsTrailingSemicolon", .supportPath = "C:\\A", .trustedPaths = "C:\\X;",
                    .mode = 3, .accepting = {A}, .copies = {AFile}, .supportPathAfter = S,
                    .trustedPathsAfter = "C:\\X;C:\\A"},
        // TRUSTEDPATHS is read as the CAD reads it: an entry in quotes, in
        // other letter case, with or without a trailing backslash or with
        // %VARIABLES% names the same folder, which is then not added again.
        SupportCase{.name = "TrustedWithATrailingBackslash", .supportPath = "C:\\A\\",
                    .trustedPaths = "C:\\A", .accepting = {A}, .copies = {AFile}, .supportPathAfter = S},
        SupportCase{.name = "TrustedInQuotesAndOtherCase", .supportPath = "C:\\A",
                    .trustedPaths = "C:\\X;\"c:\\a\\\"", .mode = 3, .accepting = {A}, .copies = {AFile},
                    .supportPathAfter = S},
        SupportCase{.name = "TrustedThroughAnEnvironmentVariable", .supportPath = "C:\\Users\\u\\Tools",
                    .trustedPaths = "%USERPROFILE%\\Tools", .mode = 1, .accepting = {"C:\\Users\\u\\Tools"},
                    .variables = {{"USERPROFILE", "C:\\Users\\u"}},
                    .copies = {"C:\\Users\\u\\Tools\\tr.fas"}, .supportPathAfter = S},
        SupportCase{.name = "AnUnknownVariableNamesNoFolder", .supportPath = "C:\\Users\\u\\Tools",
                    .trustedPaths = "%NOSUCH%\\Tools", .mode = 1, .accepting = {"C:\\Users\\u\\Tools"},
                    .copies = {}, .supportPathAfter = "C:\\Users\\u\\Tools;D:\\Tools",
                    .trustedPathsAfter = "%NOSUCH%\\Tools;D:\\Tools",
                    .messages = {failed(Source, "C:\\Users\\u\\Tools")}},
        SupportCase{.name = "AlreadyTrustedIsNotAddedAgain", .supportPath = "C:\\A", .trustedPaths = "C:\\A",
                    .mode = 3, .accepting = {A}, .copies = {AFile}, .supportPathAfter = S},
        SupportCase{.name = "OverwriteReplacesAnExistingFile", .supportPath = "C:\\A;C:\\B", .mode = 0,
                    .overwrite = true, .accepting = {A, B}, .existing = {AFile}, .copies = {AFile},
                    .supportPathAfter = S},
        SupportCase{.name = "NoOverwriteMovesOnToTheNextFolder", .supportPath = "C:\\A;C:\\B", .mode = 0,
                    .overwrite = false, .accepting = {A, B}, .existing = {AFile}, .copies = {AFile, BFile},
                    .supportPathAfter = S},
        SupportCase{.name = "OlderVersionTriesEveryFolderOnce", .supportPath = "C:\\A;C:\\B", .trustedPaths = "C:\\B",
                    .accepting = {A}, .version = "18.2s (LMS Tech)", .copies = {AFile}, .supportPathAfter = S},
        SupportCase{.name = "OlderVersionFallbackLeavesTrustedPaths", .supportPath = "C:\\A;C:\\B",
                    .trustedPaths = "", .version = "18.2s (LMS Tech)", .copies = {AFile, BFile},
                    .supportPathAfter = "C:\\A;C:\\B;D:\\Tools", .messages = {failed(Source, "C:\\A\rC:\\B")}},
        // The worked example: nothing trusted, neither folder takes the file;
        // only the executable's folder becomes trusted.
        SupportCase{.name = "WorkedExample", .supportPath = "C:\\A;C:\\B", .trustedPaths = "",
                    .copies = {AFile, BFile}, .supportPathAfter = "C:\\A;C:\\B;D:\\Tools", .trustedPathsAfter = Tools,
                    .messages = {failed(Source, "C:\\A\rC:\\B")}},
        // A folder that others may write into takes the file but is not
        // trusted for it; the CAD asks before it loads from there.
        SupportCase{.name = "FolderOthersMayWriteTakesTheFileUntrusted", .supportPath = "C:\\A;C:\\B",
                    .trustedPaths = "C:\\X", .accepting = {A}, .openToOthers = {A}, .copies = {AFile},
                    .supportPathAfter = S},
        SupportCase{.name = "ExeFolderOthersMayWriteIsASupportFolderUntrusted", .supportPath = "C:\\A",
                    .trustedPaths = "", .openToOthers = {Tools}, .copies = {AFile},
                    .supportPathAfter = "C:\\A;D:\\Tools", .messages = {failed(Source, "C:\\A")}},
        SupportCase{.name = "TrustedFolderOthersMayWriteStaysAsTheUserLeftIt", .supportPath = "C:\\A",
                    .trustedPaths = "C:\\A", .accepting = {A}, .openToOthers = {A}, .copies = {AFile},
                    .supportPathAfter = S},
        // An entry ending in "\\..." trusts the folders below it.
        SupportCase{.name = "SubfoldersOfADottedEntryAreTrusted", .supportPath = "C:\\Plugins\\Vedoris;C:\\B",
                    .trustedPaths = "C:\\Plugins\\...", .mode = 1, .accepting = {"C:\\Plugins\\Vedoris", B},
                    .copies = {"C:\\Plugins\\Vedoris\\tr.fas"}, .supportPathAfter = S},
        SupportCase{.name = "ADottedEntryTrustsItsOwnFolder", .supportPath = "C:\\Plugins", .trustedPaths = "C:\\Plugins\\...",
                    .mode = 1, .accepting = {"C:\\Plugins"}, .copies = {"C:\\Plugins\\tr.fas"}, .supportPathAfter = S},
        SupportCase{.name = "ADottedEntryTrustsNoNeighbourOfTheSameStem", .supportPath = "C:\\PluginsOld",
                    .trustedPaths = "C:\\Plugins\\...", .mode = 1, .accepting = {"C:\\PluginsOld"}, .copies = {},
                    .supportPathAfter = "C:\\PluginsOld;D:\\Tools", .trustedPathsAfter = "C:\\Plugins\\...;D:\\Tools",
                    .messages = {failed(Source, "C:\\PluginsOld")}},
        // AutoCAD 2022 and later trust the program folders unlisted; earlier
        // releases trust there only what their list says.
        SupportCase{.name = "UnderTheProgramFolderIsTrustedFrom2022",
                    .supportPath = "C:\\Program Files\\Autodesk\\AutoCAD 2024\\Support;C:\\B", .trustedPaths = "",
                    .mode = 1, .accepting = {"C:\\Program Files\\Autodesk\\AutoCAD 2024\\Support", B},
                    .implicitlyTrusted = {"C:\\Program Files\\"}, .version = "24.1s (LMS Tech)",
                    .copies = {"C:\\Program Files\\Autodesk\\AutoCAD 2024\\Support\\tr.fas"}, .supportPathAfter = S},
        SupportCase{.name = "UnderTheProgramFolderIsListedBefore2022",
                    .supportPath = "C:\\Program Files\\Autodesk\\AutoCAD 2021\\Support", .trustedPaths = "C:\\X",
                    .accepting = {"C:\\Program Files\\Autodesk\\AutoCAD 2021\\Support"},
                    .implicitlyTrusted = {"C:\\Program Files"}, .version = "24.0s (LMS Tech)",
                    .copies = {"C:\\Program Files\\Autodesk\\AutoCAD 2021\\Support\\tr.fas"}, .supportPathAfter = S,
                    .trustedPathsAfter = "C:\\X;C:\\Program Files\\Autodesk\\AutoCAD 2021\\Support"},
        SupportCase{.name = "ANeighbourOfTheProgramFolderIsNotTrusted", .supportPath = "C:\\Program Files\\AutodeskTools",
                    .trustedPaths = "", .mode = 1, .accepting = {"C:\\Program Files\\AutodeskTools"},
                    .implicitlyTrusted = {"C:\\Program Files\\Autodesk"}, .version = "24.1s (LMS Tech)", .copies = {},
                    .supportPathAfter = "C:\\Program Files\\AutodeskTools;D:\\Tools", .trustedPathsAfter = Tools,
                    .messages = {failed(Source, "C:\\Program Files\\AutodeskTools")}},
        SupportCase{.name = "WorkedExampleNextRun", .supportPath = "C:\\A;C:\\B;D:\\Tools", .trustedPaths = "D:\\Tools",
                    .copies = {}, .supportPathAfter = S}),
    [](const auto& info) { return std::string(info.param.name); });

// A locked profile refuses the new TRUSTEDPATHS; the file is in place all
// the same, and the CAD asks its user about it when it is loaded.
TEST(InstallSupportFileOn, ALockedTrustedPathsLeavesTheFileInstalled)
{
    MessageRecorder recorder;
    CadTestEnvironment environment;
    environment.accepting.insert(A);
    FakeCad cad;
    cad.supportPath = A;
    cad.version = QStringLiteral("19.1s (LMS Tech)");
    const auto running = cad.registerRunning();
    TAbstrAcadObj acad;
    for (auto* doc : {cad.document.get(), cad.addedDocument.get()})
        doc->failing = {u"setVariable"};

    EXPECT_NO_THROW(acad.InstallSupportFile(QStringLiteral("tr.fas"), 2, true));
    EXPECT_EQ(environment.copies, QStringList{AFile});
    EXPECT_TRUE(cad.trustedPaths.isEmpty());
    EXPECT_TRUE(recorder.all.isEmpty());
}

TEST(TrustThreshold, OrdinalTextComparison)
{
    const struct {
        const char* version;
        bool below;
    } cases[] = {
        {"19.1s (LMS Tech)", false}, {"19.1s (LMS Tech", true}, {"19.1s (LMS Tech) ", false},
        {"19.1S (LMS Tech)", true},  {"18.2s (LMS Tech)", true}, {"20.0s (LMS Tech)", false},
        {"9.0", false},              {"", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isBelowTrustThreshold(QString::fromUtf8(c.version)), c.below) << c.version;
}

TEST(InstallSupportFileOn, PosixLayoutAndDriveRoot)
{
    MessageRecorder recorder;
    FakeCad cad;
    const auto running = cad.registerRunning();
    {
        CadTestEnvironment environment(QStringLiteral("/opt/vedoris"), u'/');
        cad.supportPath = QStringLiteral("/usr/share/cad;/opt/vedoris");
        TAbstrAcadObj acad;
        acad.InstallSupportFile(QStringLiteral("tr.fas"), 0, true);
        EXPECT_EQ(environment.copies, QStringList{QStringLiteral("/usr/share/cad/tr.fas")});
        EXPECT_EQ(environment.sources.value(0), QStringLiteral("/opt/vedoris/tr.fas"));
    }
    {
        CadTestEnvironment environment(QStringLiteral("C:\\"));
        cad.supportPath = QStringLiteral("C:\\");
        TAbstrAcadObj acad;
        acad.InstallSupportFile(QStringLiteral("tr.fas"), 0, true);
        EXPECT_TRUE(environment.copies.isEmpty()); // C:\tr.fas is the source itself
    }
    EXPECT_TRUE(recorder.all.isEmpty());
}

// A folder name holding ";" would become two folders of either list, each
// trusted or searched though nobody chose it: it goes into neither.
TEST(InstallSupportFileOn, AFolderNamedWithASemicolonGoesIntoNeitherList)
{
    MessageRecorder recorder;
    CadTestEnvironment environment(QStringLiteral("D:\\Tools;C:\\Shared"));
    FakeCad cad;
    cad.supportPath = QStringLiteral("C:\\A");
    cad.trustedPaths = QStringLiteral("C:\\X");
    const auto running = cad.registerRunning();
    TAbstrAcadObj acad;
    acad.InstallSupportFile(QStringLiteral("tr.fas"), 2, true);
    EXPECT_EQ(recorder.all.size(), 1); // the copy failure is still said
    EXPECT_EQ(cad.supportPath, QStringLiteral("C:\\A"));
    EXPECT_EQ(cad.trustedPaths, QStringLiteral("C:\\X"));

    acad.AddTrustedPath(QStringLiteral("C:\\B;C:\\Shared"));
    EXPECT_EQ(cad.trustedPaths, QStringLiteral("C:\\X"));
}

TEST(InstallSupportFileOn, AutomationFailureLeavesAtOnce)
{
    MessageRecorder recorder;
    CadTestEnvironment environment;
    FakeCad cad;
    cad.supportPath = QStringLiteral("C:\\A;C:\\B");
    const auto running = cad.registerRunning();
    TAbstrAcadObj acad;
    cad.files->failing = {u"SupportPath"};
    EXPECT_THROW(acad.InstallSupportFile(QStringLiteral("tr.fas"), 2, true), automation::AutomationError);
    EXPECT_TRUE(environment.copies.isEmpty());
    EXPECT_TRUE(recorder.all.isEmpty());
}

// A CAD that keeps no TRUSTEDPATHS (its getVariable and setVariable of it
// fail) trusts no listed folder: the file goes into the first support folder
// that takes it, and no folder is added to a list the CAD does not have.
TEST(InstallSupportFileOn, ACadWithoutTrustedPathsStillGetsTheFile)
{
    MessageRecorder recorder;
    CadTestEnvironment environment;
    environment.accepting = {QStringLiteral("C:\\B")};
    FakeCad cad;
    cad.supportPath = QStringLiteral("C:\\A;C:\\B");
    const auto running = cad.registerRunning();
    TAbstrAcadObj acad;
    cad.document->failing = {u"getVariable", u"setVariable"};
    acad.InstallSupportFile(QStringLiteral("tr.fas"), 2, true);
    EXPECT_EQ(environment.copies, (QStringList{"C:\\A\\tr.fas", "C:\\B\\tr.fas"}));
    EXPECT_FALSE(acad.IsTrustedPath(QStringLiteral("C:\\B")));
    EXPECT_TRUE(recorder.all.isEmpty());
    EXPECT_EQ(cad.supportPath, QStringLiteral("C:\\A;C:\\B"));
}

} // namespace
