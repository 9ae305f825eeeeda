// "&Aja karnio-ohjelma...": real processes of ours, real message boxes.
#include "ui/main/frmKarnio.h"
#include "ui/main/launcher.h"

#include "registry/windows_registry.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

namespace karnio {
namespace {

using test::Pump;

// The demo uninstaller, as a Windows path (tests/CMakeLists passes its Unix path).
std::wstring DemoProgram() { return test::WinePathOf("KARNIO_DEMO"); }

std::wstring ReadMarker(const std::wstring& file)
{
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    wchar_t text[1024] = {};
    DWORD read = 0;
    ReadFile(handle, text, sizeof text - sizeof(wchar_t), &read, nullptr);
    CloseHandle(handle);
    return text;
}

// Waits for the marker a started demo writes, then lets the demo end.
std::wstring AwaitMarker(const std::wstring& file)
{
    std::wstring text;
    for (int i = 0; i < 500 && (text = ReadMarker(file)).empty(); ++i) Sleep(20);
    const std::wstring release = file + L".release";
    CloseHandle(CreateFileW(release.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return text;
}

// A demo on its way out still holds its image open for a moment.
void DeleteWhenFree(const std::wstring& file)
{
    for (int i = 0; i < 250 && !DeleteFileW(file.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND; ++i) Sleep(20);
}

// Starts the line as Aja does. Under load Wine now and then loses a new process
// before it has reported in (ERROR_INTERNAL_ERROR); that is Wine's start, not
// the launcher's choice of program, so such a start is made once more.
int Started(const std::wstring& line)
{
    const int error = KaynnistaKomento(line).error;
    if (error != ERROR_INTERNAL_ERROR) return error;
    Sleep(200);
    return KaynnistaKomento(line).error;
}

void Copy(const std::wstring& from, const std::wstring& to)
{
    const auto slash = to.find_last_of(L'\\');
    CreateDirectoryW(to.substr(0, slash).c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(to);
}

class RunCommand : public test::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        marker_ = std::wstring(temp) + L"karnio-marker-" + std::to_wstring(GetTickCount()) + L".txt";
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        DeleteFileW(marker_.c_str());
        DeleteFileW((marker_ + L".release").c_str());
    }
    // Chooses the run command; returns the message box it showed, if any.
    test::SeenDialog Run()
    {
        auto box = test::WatchForDialog(L"Virhe", 3000);
        SendMessageW(window_->Hwnd(), WM_COMMAND, IDM_AJA, 0);
        Pump();
        return box.get();
    }

    std::wstring marker_;
};

TEST_F(RunCommand, StartsTheRememberedCommandWithoutWaiting)
{
    const std::wstring command = L"\"" + DemoProgram() + L"\" marker " + marker_;
    test::AddEntry(L"Demo", L"Demo", command.c_str());
    FrmKarnio& window = Open();
    test::SelectRow(window.LvwOhjelmat(), 0);
    test::CursorLog cursor;

    // The demo waits for its release file, so a caller that waited would hang here.
    EXPECT_FALSE(Run().found);
    EXPECT_EQ(AwaitMarker(marker_), DemoProgram());
    EXPECT_EQ(cursor.changes, (std::vector<AppCursor>{AppCursor::Wait, AppCursor::Default}));
}

TEST_F(RunCommand, MissingProgramShowsTheFileNotFoundMessage)
{
    test::AddEntry(L"Poissa", L"Poissa", L"C:\\Ei ole\\poista.exe /S");
    FrmKarnio& window = Open();
    test::SelectRow(window.LvwOhjelmat(), 0);
    const test::SeenDialog box = Run();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.title, L"Virhe");
    EXPECT_EQ(box.text, L"Karnio-ohjelman ajo ei onnistu, koska vaadittavaa tiedostoa ei löydy.");
    EXPECT_TRUE(box.exclamationIcon);
    EXPECT_EQ(box.cursor, AppCursor::Default);  // no hourglass while the program waits for the user
}

TEST_F(RunCommand, EmptyCommandBeforeAnyClickShowsTheGenericMessage)
{
    FrmKarnio& window = Open();
    EXPECT_EQ(GetMenuState(window.MnuPopUp(), IDM_AJA, MF_BYCOMMAND) & MF_GRAYED, 0u);
    const test::SeenDialog box = Run();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.title, L"Virhe");
    EXPECT_EQ(box.text, L"Virhe 5: Karnio-ohjelman ajo ei onnistu.");
}

// C:\Program.exe, planted beside the folder C:\Program Files, would write the
// marker too (the demo finds "marker" among any arguments), naming itself.
TEST(Launcher, NeverStartsADecoyForAnUnquotedPath)
{
    const std::wstring demo = DemoProgram();
    const std::wstring real = L"C:\\Program Files\\Foo\\uninst.exe";
    Copy(demo, L"C:\\Program.exe");
    Copy(demo, L"C:\\Program Files\\Foo.exe");
    Copy(demo, real);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + L"karnio-decoy.txt";

    // Each run its own marker: a demo ends only once it sees its release file.
    int run = 0;
    const auto markerOf = [&] { return marker + std::to_wstring(++run); };
    for (const std::wstring& program : {real, std::wstring(L"C:\\Program Files\\Foo\\uninst")}) {
        const std::wstring file = markerOf();
        EXPECT_EQ(Started(program + L" /S marker " + file), 0) << Narrow(program);
        EXPECT_EQ(AwaitMarker(file), real) << Narrow(program);
    }

    DeleteWhenFree(real);
    ASSERT_EQ(GetFileAttributesW(real.c_str()), INVALID_FILE_ATTRIBUTES);
    for (const std::wstring& program : {real, std::wstring(L"C:\\Program Files\\Foo\\uninst")}) {
        const std::wstring file = markerOf();
        EXPECT_EQ(KaynnistaKomento(program + L" /S marker " + file).error, kErrorNumberFileNotFound) << Narrow(program);
        Sleep(300);
        EXPECT_EQ(ReadMarker(file), L"") << Narrow(program);
        CloseHandle(CreateFileW((file + L".release").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    // A name without an extension is started with ".exe", as Windows starts it, never as written.
    Copy(demo, L"C:\\revx\\foo");
    Copy(demo, L"C:\\revx\\foo.exe");
    std::wstring file = markerOf();
    EXPECT_EQ(Started(L"\"C:\\revx\\foo\" /S marker " + file), 0);
    EXPECT_EQ(AwaitMarker(file), L"C:\\revx\\foo.exe");
    // A program more than 260 characters deep starts (by its extended path; under Wine by its short one).
    std::wstring deep = L"\\\\?\\C:\\karnio-syva";
    CreateDirectoryW(deep.c_str(), nullptr);
    for (int level = 0; level < 3; ++level) CreateDirectoryW((deep += L"\\" + std::wstring(100, wchar_t(L'a' + level))).c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(demo.c_str(), (deep + L"\\poista.exe").c_str(), FALSE));
    file = markerOf();
    EXPECT_EQ(Started(L"\"" + deep.substr(4) + L"\\poista.exe\" marker " + file), 0);
    wchar_t shortName[1024] = {};
    GetShortPathNameW((deep + L"\\poista.exe").c_str(), shortName, 1024);
    const std::wstring started = AwaitMarker(file);
    EXPECT_TRUE(started == deep.substr(4) + L"\\poista.exe" || L"\\\\?\\" + started == shortName) << Narrow(started);
    for (const std::wstring& gone : {std::wstring(L"C:\\revx\\foo"), std::wstring(L"C:\\revx\\foo.exe"), deep + L"\\poista.exe"}) DeleteWhenFree(gone);
    DeleteWhenFree(L"C:\\Program.exe");
    DeleteWhenFree(L"C:\\Program Files\\Foo.exe");
    for (int i = 1; i <= run; ++i) {
        DeleteWhenFree(marker + std::to_wstring(i));
        DeleteWhenFree(marker + std::to_wstring(i) + L".release");
    }
}

TEST(Launcher, FindsBareNamesAndExpandsVariables)
{
    // A fresh name each run: an earlier copy may still be held by its last run.
    const std::wstring name = L"karnio-bare-" + std::to_wstring(GetTickCount());
    const std::wstring copy = L"C:\\windows\\" + name + L".exe";
    Copy(DemoProgram(), copy);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + name + L".txt";

    EXPECT_EQ(Started(name + L".exe marker " + marker), 0);
    EXPECT_EQ(AwaitMarker(marker), copy);
    DeleteWhenFree(marker);
    DeleteWhenFree(marker + L".release");

    SetEnvironmentVariableW(L"KARNIO_TEST_DIR", L"C:\\windows");
    EXPECT_EQ(Started(L"%KARNIO_TEST_DIR%\\" + name + L" marker " + marker), 0);
    EXPECT_EQ(AwaitMarker(marker), copy);
    DeleteWhenFree(marker);
    DeleteWhenFree(marker + L".release");

    EXPECT_EQ(KaynnistaKomento(L"ei-tallaista-ohjelmaa.exe /x").error, kErrorNumberFileNotFound);
    EXPECT_EQ(KaynnistaKomento(L"").error, kErrorNumberInvalidCall);
    DeleteWhenFree(copy);
}

// Every hostile line either gives its defined error number or starts exactly the
// program it names; a row's marker shows whether anything ran for it.
TEST(Launcher, HostileCommandLinesGiveADefinedErrorOrStartTheNamedProgram)
{
    const std::wstring folder = L"C:\\karnio-hostile-" + std::to_wstring(GetTickCount());
    const std::wstring demo = folder + L"\\demo.exe";
    Copy(DemoProgram(), demo);
    CreateDirectoryW((folder + L"\\folder.exe").c_str(), nullptr);
    const std::wstring ran = folder + L"\\ran.txt";
    {
        HANDLE batch = CreateFileW((folder + L"\\evil.bat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const std::string text = "echo ran > " + Narrow(ran) + "\r\n";
        DWORD written = 0;
        WriteFile(batch, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(batch);
    }
    // Decoys a bare name must never reach: in the current folder and beside the program.
    const std::wstring planted = L"karnio-planted-" + std::to_wstring(GetTickCount());
    Copy(DemoProgram(), folder + L"\\" + planted + L".exe");
    Copy(DemoProgram(), ProgramFolder() + L"\\" + planted + L".exe");
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    SetEnvironmentVariableW(L"KARNIO_LONG", std::wstring(8000, L'x').c_str());

    constexpr int kAnyError = -1;
    struct Row {
        std::wstring line;  // "M" stands for the row's marker file
        int error;
        std::wstring started;
    };
    const std::wstring quoted = L"\"" + demo + L"\"";
    const std::vector<Row> rows = {
        {L"\"" + demo + L" marker M", kErrorNumberFileNotFound, L""},                // unterminated quote
        {L"  \t  ", kErrorNumberInvalidCall, L""},                                     // only blanks
        {folder + L"\\de\"mo.exe marker M", kErrorNumberFileNotFound, L""},          // a quote inside the path
        {quoted + L" marker \"M\"", 0, demo},                                         // quoted arguments
        {L"%KARNIO_UNDEFINED%\\demo.exe marker M", kErrorNumberFileNotFound, L""},
        {L"\"" + demo + L". . \" marker M", 0, demo},                                 // trailing dots and blanks
        {L"\"" + folder + L"\\evil.bat .\" x", ERROR_BAD_EXE_FORMAT, L""},           // a batch file in disguise
        {folder + L"\\EVIL.BAT", ERROR_BAD_EXE_FORMAT, L""},
        {L".\\demo.exe marker M", kErrorNumberFileNotFound, L""},                    // relative paths
        {L"..\\" + folder.substr(3) + L"\\demo.exe marker M", kErrorNumberFileNotFound, L""},
        {folder.substr(3) + L"\\demo.exe marker M", kErrorNumberFileNotFound, L""},
        {L"C:demo.exe marker M", kErrorNumberFileNotFound, L""},
        {folder.substr(2) + L"\\demo.exe marker M", kErrorNumberFileNotFound, L""},
        {L"demo.exe marker M", kErrorNumberFileNotFound, L""},                       // only in the current folder
        {planted + L" marker M", kErrorNumberFileNotFound, L""},                     // only beside the program
        {L"\\\\karnio-no-such-host\\share\\uninst.exe marker M", kAnyError, L""},  // Windows' answer, whatever it is
        {L"\\\\.\\" + demo + L" marker M", kErrorNumberFileNotFound, L""},             // device paths
        {L"\\\\?\\" + demo + L" marker M", kErrorNumberFileNotFound, L""},
        {quoted + L" " + std::wstring(kMaxCommandLine, L'a'), ERROR_FILENAME_EXCED_RANGE, L""},
        {quoted + L" %KARNIO_LONG%%KARNIO_LONG%%KARNIO_LONG%%KARNIO_LONG%%KARNIO_LONG%", ERROR_FILENAME_EXCED_RANGE, L""},
        {folder + L"\\folder.exe marker M", kErrorNumberFileNotFound, L""},          // folders
        {L"\"C:\\Program Files\" marker M", kErrorNumberFileNotFound, L""},
        {L"C:\\windows", kErrorNumberFileNotFound, L""},
        {folder + L"\\demo marker M", 0, demo},                                       // .exe added to a bare file name
        {quoted + std::wstring(L" marker M\0 extra", 16), 0, demo},                   // nothing after a zero
    };
    std::vector<std::wstring> unused;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::wstring marker = folder + L"\\marker-" + std::to_wstring(i) + L".txt";
        std::wstring line = rows[i].line;
        for (std::size_t at; (at = line.find(L" M")) != std::wstring::npos && (at + 2 == line.size() || line[at + 2] == L'\0');)
            line.replace(at + 1, 1, marker);
        if (const std::size_t at = line.find(L"\"M\""); at != std::wstring::npos) line.replace(at + 1, 1, marker);
        const int error = Started(line);
        if (rows[i].error == kAnyError)
            EXPECT_NE(error, 0) << "row " << i;
        else
            EXPECT_EQ(error, rows[i].error) << "row " << i;
        if (rows[i].error == 0)
            EXPECT_EQ(AwaitMarker(marker), rows[i].started) << "row " << i;
        else
            unused.push_back(marker);
    }
    Sleep(500);
    for (const std::wstring& marker : unused) EXPECT_EQ(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(marker);
    EXPECT_EQ(GetFileAttributesW(ran.c_str()), INVALID_FILE_ATTRIBUTES) << "a batch file ran";

    SetCurrentDirectoryW(previous);
    DeleteWhenFree(ProgramFolder() + L"\\" + planted + L".exe");
}

}  // namespace
}  // namespace karnio
