// The cadsim program across processes: started on a drawing the test writes,
// attached to through the remote backend as a client program would.
#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/remote/ClientBackend.h"
#include "support/CadsimProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace automation;

namespace {

const char* const drawing =
    "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\nANSI_1251\n0\nENDSEC\n"
    "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\n\xD2\xF0\xF3\xE1\xFB\n70\n4\n62\n5\n0\nENDTAB\n0\nENDSEC\n"
    "0\nSECTION\n2\nENTITIES\n"
    "0\n3DSOLID\n5\n2A\n8\n\xD2\xF0\xF3\xE1\xFB\n1\nACIS\n"
    "1001\ntrb\n1070\n10\n1010\n1000.0\n1020\n25.0\n1030\n20.0\n1001\nPIPE_INFO\n1000\nnote\n"
    "0\nLINE\n5\n2B\n8\n0\n"
    "0\n3DSOLID\n5\n2C\n8\n0\n1001\ntrb\n1071\n10\n"
    "0\nENDSEC\n0\nEOF\n";

class Cadsim : public testing::Test {
protected:
    static void SetUpTestSuite() { remote::installClientBackend(); }
    static void TearDownTestSuite() { setObjectBackend(nullptr); }

    QString path(const QString& name) const { return m_cad.path(name); }
    // Starts the program and waits until it answers as the running CAD.
    Variant start(const QStringList& options) { return m_cad.start(options); }
    void stop() { m_cad.stop(); }

    CadsimProcess m_cad{drawing};
    QProcess& m_process = m_cad.process();
};

TEST_F(Cadsim, ServesTheDrawingAsTheRunningCad)
{
    const Variant app = start({});
    EXPECT_EQ(get(app, u"Caption"), Variant::bstr(u"cadsim - [pipes.dxf]"));
    const Variant document = get(app, u"ActiveDocument");
    const Variant modelSpace = get(document, u"ModelSpace");
    ASSERT_EQ(get(modelSpace, u"Count"), Variant::i4(3));

    const Variant pipe = call(modelSpace, u"Item", Variant::i4(0));
    EXPECT_EQ(get(pipe, u"EntityType"), Variant::i4(3));
    EXPECT_EQ(get(pipe, u"Layer"), Variant::bstr(u"Трубы"));
    EXPECT_EQ(get(pipe, u"Handle"), Variant::bstr(u"2A"));
    EXPECT_EQ(get(pipe, u"ObjectID").type(), VarType::I4);

    Variant codes;
    Variant values;
    call(pipe, u"GetXData", Variant::bstr(u"trb"), Arg::ref(codes), Arg::ref(values));
    ASSERT_TRUE(codes.isArray());
    ASSERT_EQ(codes.upperBound(), 2);
    EXPECT_EQ(codes.at(1), Variant::i2(1070));
    EXPECT_EQ(values.at(1), Variant::i2(10));
    EXPECT_EQ(values.at(2), Variant::array({Variant::r8(1000), Variant::r8(25), Variant::r8(20)}));

    Variant otherCodes;
    Variant otherValues;
    call(call(modelSpace, u"Item", Variant::i4(2)), u"GetXData", Variant::bstr(u"trb"), Arg::ref(otherCodes),
         Arg::ref(otherValues));
    EXPECT_EQ(otherValues.at(1), Variant::i4(10)); // the 32-bit kind keeps its type across

    const Variant layer = call(get(document, u"Layers"), u"Item", Variant::i4(0));
    EXPECT_EQ(get(layer, u"Name"), Variant::bstr(u"Трубы"));
    EXPECT_EQ(get(layer, u"Lock"), Variant::boolean(true));
}

TEST_F(Cadsim, SelectsByCommandAndClearsThePickfirstSet)
{
    const Variant app = start({});
    const Variant document = get(app, u"ActiveDocument");
    Variant command = Variant::bstr(u"(sssetfirst nil (ssadd (handent \"2B\"))) ");
    call(document, u"SendCommand", Arg::ref(command));
    EXPECT_EQ(get(call(app, u"GetAcadState"), u"IsQuiescent"), Variant::boolean(true));

    const Variant selection = get(document, u"PickfirstSelectionSet");
    EXPECT_EQ(get(selection, u"Count"), Variant::i4(1));
    call(selection, u"Clear");
    EXPECT_EQ(get(get(document, u"PickfirstSelectionSet"), u"Count"), Variant::i4(0));
}

TEST_F(Cadsim, LoadsASupportFileFromItsOwnSupportFolder)
{
    const Variant app = start({});
    const QString folder = path("data") + "/vedoris/cadsim/support";
    EXPECT_EQ(get(get(get(app, u"Preferences"), u"Files"), u"SupportPath"), Variant::bstr(folder.toStdU16String()));
    ASSERT_TRUE(QDir(folder).exists());
    QFile placeholder(folder + "/tr.fas");
    ASSERT_TRUE(placeholder.open(QIODevice::WriteOnly));
    placeholder.close();
    Variant command = Variant::bstr(u"(load \"tr.fas\") ");
    EXPECT_NO_THROW(call(get(app, u"ActiveDocument"), u"SendCommand", Arg::ref(command)));
}

TEST_F(Cadsim, KeepsSupportPathAndTrustedPathsBetweenRuns)
{
    {
        const Variant app = start({"--support-path", path("support")});
        const Variant files = get(get(app, u"Preferences"), u"Files");
        EXPECT_EQ(get(files, u"SupportPath"), Variant::bstr(path("support").toStdU16String()));
        put(files, u"SupportPath", Variant::bstr(u"C:\\A;D:\\Б, с запятой;"));
        call(get(app, u"ActiveDocument"), u"SetVariable", Variant::bstr(u"TRUSTEDPATHS"), Variant::bstr(u"C:\\A"));
    }
    stop();
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);

    const Variant app = start({});
    EXPECT_EQ(get(get(get(app, u"Preferences"), u"Files"), u"SupportPath"), Variant::bstr(u"C:\\A;D:\\Б, с запятой;"));
    EXPECT_EQ(call(get(app, u"ActiveDocument"), u"GetVariable", Variant::bstr(u"TRUSTEDPATHS")), Variant::bstr(u"C:\\A"));
}

TEST_F(Cadsim, TakesItsBehaviourFromTheCommandLine)
{
    {
        const Variant app = start({"--version-text", "18.2s (LMS Tech)", "--big-ids"});
        EXPECT_EQ(get(app, u"Version"), Variant::bstr(u"18.2s (LMS Tech)"));
        const Variant id = get(call(get(get(app, u"ActiveDocument"), u"ModelSpace"), u"Item", Variant::i4(0)), u"ObjectID");
        EXPECT_EQ(id.type(), VarType::I8);
        EXPECT_GT(id.toI8(), int64_t{1} << 32);
    }
    stop();
    // A CAD busy for good refuses every call; the client tries again until
    // its limit, then the call fails as rejected.
    remote::installClientBackend(remote::ClientTimeouts{.busyRetry = std::chrono::milliseconds(300)});
    int waits = 0;
    const automation::BusyWait previous = automation::setBusyWait(
        [&](std::chrono::milliseconds, std::chrono::milliseconds pause) {
            ++waits;
            std::this_thread::sleep_for(pause);
        });
    const Variant app = start({"--busy"});
    try {
        get(app, u"ActiveDocument");
        ADD_FAILURE() << "a busy CAD answered";
    } catch (const CallFailure& e) {
        EXPECT_EQ(e.code(), hr::Rpc_E_CallRejected);
    }
    EXPECT_GE(waits, 2);
    automation::setBusyWait(previous);
    remote::installClientBackend();
}

TEST_F(Cadsim, ASecondInstanceIsRefusedAndAStoppedOneIsNotRunning)
{
    start({});
    QProcess second;
    QProcessEnvironment env = m_process.processEnvironment();
    second.setProcessEnvironment(env);
    second.start(QCoreApplication::applicationDirPath() + "/cadsim",
                 {"--settings", path("second.ini"), path("pipes.dxf")});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_NE(second.readAllStandardError().indexOf("already registered"), -1);

    stop();
    EXPECT_THROW(activeObject(u"AutoCAD.Application"), AutomationError);
    EXPECT_FALSE(QFile::exists(path("run") + "/vedoris-automation-autocad.application"));
}

// Whether a program could take the file for itself now (flock, as the
// simulator's own hold is).
bool takenByNoOne(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

// The CAD's drawing reader serves a client in another process: the file is
// held while any object of its drawing lives there, and let go when the
// client has released them (a client sends its releases before its next call).
TEST_F(Cadsim, ReadsADrawingFileWithoutTheEditorForAnotherProcess)
{
    const Variant app = start({});
    EXPECT_EQ(get(get(app, u"ActiveDocument"), u"FullName"), Variant::bstr(path("pipes.dxf").toStdU16String()));
    ASSERT_TRUE(QFile::copy(path("pipes.dxf"), path("sheet.dwg")));
    const Variant sheet = Variant::bstr(path("sheet.dwg").toStdU16String());
    {
        const Variant reader = call(app, u"GetInterfaceObject", Variant::bstr(u"ObjectDBX.AxDbDocument.24"));
        call(reader, u"Open", sheet);
        const Variant pipe = call(get(reader, u"ModelSpace"), u"Item", Variant::i4(0));
        EXPECT_EQ(get(pipe, u"Layer"), Variant::bstr(u"Трубы"));
        EXPECT_EQ(get(pipe, u"Handle"), Variant::bstr(u"2A"));
        EXPECT_FALSE(takenByNoOne(path("sheet.dwg")));
    }
    get(app, u"Version");
    EXPECT_TRUE(takenByNoOne(path("sheet.dwg")));

    // A file this process holds for itself is one the CAD cannot open.
    const int fd = ::open(QFile::encodeName(path("sheet.dwg")).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    try {
        call(call(app, u"GetInterfaceObject", Variant::bstr(u"ObjectDBX.AxDbDocument.24")), u"Open", sheet);
        ADD_FAILURE() << "a file held by another program opened";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), int32_t(0x80070020u)); // a sharing violation
    }
    ::close(fd);
}

TEST_F(Cadsim, OpensAndClosesDocumentsAndCanLackTheReader)
{
    const Variant app = start({"--no-drawing-reader"});
    try {
        call(app, u"GetInterfaceObject", Variant::bstr(u"ObjectDBX.AxDbDocument.24"));
        ADD_FAILURE() << "the reader was there";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.description(), u"Problem in loading application");
    }
    ASSERT_TRUE(QFile::copy(path("pipes.dxf"), path("sheet.dwg")));
    const Variant opened = call(get(app, u"Documents"), u"Open", Variant::bstr(path("sheet.dwg").toStdU16String()),
                                Variant::boolean(true));
    EXPECT_EQ(get(app, u"Caption"), Variant::bstr(u"cadsim - [sheet.dwg]"));
    EXPECT_EQ(get(get(opened, u"ModelSpace"), u"Count"), Variant::i4(3));
    EXPECT_FALSE(takenByNoOne(path("sheet.dwg")));
    call(opened, u"Close", Variant::boolean(false));
    EXPECT_TRUE(takenByNoOne(path("sheet.dwg")));
    EXPECT_EQ(get(app, u"Caption"), Variant::bstr(u"cadsim - [pipes.dxf]"));
}

struct ListCase {
    const char* name;
    QStringList arguments;
    int exitCode;
    QString output;
};

QString run(const QStringList& arguments, int& exitCode, QString& errors)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/cadsim", arguments);
    p.waitForFinished(20000);
    exitCode = p.exitCode();
    errors = QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(CadsimList, PrintsTheSampleDrawingsEntities)
{
    int code = -1;
    QString errors;
    const QString out = run({"--list", "--id-seed", "1", VEDORIS_SAMPLES_DIR "/pipes.dxf"}, code, errors);
    EXPECT_EQ(code, 0) << errors.toStdString();
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines[0], "Handle\tType\tLayer\tObjectID\tKind\tLength\tOuter D\tInner D");
    EXPECT_EQ(lines[1], "1F1\t3DSOLID\tТрубы_ХВС\t2129682128\t10\t6000\t57\t50");
    EXPECT_EQ(lines[4], "1F4\t3DSOLID\tТрубы_ГВС\t2129682152\t10\t4500\t32\t26.4");
    EXPECT_EQ(lines[9], "1F9\t3DSOLID\tОборудование\t2129682192\t\t\t\t");
    EXPECT_EQ(lines[11], "1FB\t3DSOLID\tТрубы_ГВС\t2129682208\t10 (1071)\t700\t32\t26.4");
    EXPECT_EQ(lines[12], "1FC\tLINE\tРазмеры\t2129682216\t\t\t\t");
}

// A CAD's ObjectIDs live for one session; the handles are the drawing's.
TEST(CadsimList, ObjectIdsAreNewInEveryRunAndRepeatWithTheSameSeed)
{
    const auto listing = [](const QStringList& options) {
        int code = -1;
        QString errors;
        QStringList handles;
        QStringList ids;
        for (const QString& line : run(options + QStringList{"--list", VEDORIS_SAMPLES_DIR "/pipes.dxf"}, code, errors)
                                       .split('\n', Qt::SkipEmptyParts)
                                       .mid(1)) {
            handles << line.section('\t', 0, 0);
            ids << line.section('\t', 3, 3);
        }
        EXPECT_EQ(code, 0) << errors.toStdString();
        return std::pair(handles, ids);
    };
    const auto first = listing({});
    const auto second = listing({});
    EXPECT_EQ(first.first, second.first);
    EXPECT_NE(first.second, second.second);
    EXPECT_EQ(listing({"--id-seed", "42"}), listing({"--id-seed", "42"}));
    EXPECT_NE(listing({"--id-seed", "42"}).second, listing({"--id-seed", "43"}).second);
}

// A Czech drawing as a CAD writes it, in its code page: the layer name is
// listed as it was drawn. A code page the simulator cannot know is read as
// ANSI_1252, and said.
TEST(CadsimList, ReadsTheDrawingsCodePageAndSaysWhenItAssumesOne)
{
    const QString layer = QStringLiteral("Potrubí_čtvercové");
    const QByteArray utf8 = layer.toUtf8();
    iconv_t cd = iconv_open("CP1250", "UTF-8");
    ASSERT_NE(cd, iconv_t(-1));
    QByteArray cp1250(utf8.size(), '\0');
    char* in = const_cast<char*>(utf8.constData());
    size_t inLeft = size_t(utf8.size());
    char* out = cp1250.data();
    size_t outLeft = size_t(cp1250.size());
    ASSERT_NE(iconv(cd, &in, &inLeft, &out, &outLeft), size_t(-1));
    iconv_close(cd);
    cp1250.chop(qsizetype(outLeft));

    QTemporaryDir folder;
    const auto write = [&](const char* name, const QByteArray& codePage) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\n" + codePage
                   + "\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nLINE\n5\n2A\n8\n" + cp1250 + "\n0\nENDSEC\n0\nEOF\n");
        return file.fileName();
    };
    int code = -1;
    QString errors;
    QString out2 = run({"--list", write("czech.dxf", "ANSI_1250")}, code, errors);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(out2.contains(QStringLiteral("2A\tLINE\t") + layer + QLatin1Char('\t'))) << out2.toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();

    out2 = run({"--list", write("unknown.dxf", "ANSI_9999")}, code, errors);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(errors.count(QLatin1Char('\n')), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("unknown.dxf: The drawing's code page ANSI_9999 is unknown; its texts "
                                               "are read as ANSI_1252.")))
        << errors.toStdString();
}

TEST(CadsimList, AMalformedDrawingEndsWithCodeTwoNamingTheLine)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("bad.dxf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nLINE\r\n8\r\n");
    file.close();
    int code = -1;
    QString errors;
    run({"--list", file.fileName()}, code, errors);
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(errors.contains("bad.dxf: line 7: ")) << errors.toStdString();

    run({"--list", folder.filePath("missing.dxf")}, code, errors);
    EXPECT_EQ(code, 2);
    run({"--list", "--idle-delay", "soon", file.fileName()}, code, errors);
    EXPECT_EQ(code, 2);
}

} // namespace
