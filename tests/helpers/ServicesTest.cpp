// Process, user and system services, with a child process as the subject.
#include <windows.h>


#include <gtest/gtest.h>

#include <regex>

#include "tests/support/TestSupport.h"
#include "tests/procs/coord_sync.h"

namespace {

std::wstring ChildExe() { return ProgramFolder() + L"\\paths_child.exe"; }

std::wstring Upper(std::wstring text) {
    for (auto& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    return text;
}

}  // namespace

TEST(Processes, RunProcessStartsTheProgramOrGivesNull) {
    IHlpFunc* helper = getHlpObj();
    for (bool hidden : {true, false}) {
        std::wstring commandLine = L"\"" + ChildExe() + L"\" exit 7";
        HANDLE process = helper->RunProcess(nullptr, &commandLine[0], hidden);
        ASSERT_NE(nullptr, process);
        EXPECT_EQ(7, WaitChild(process)) << "the caller owns the handle and reads the exit code";
    }
    std::wstring missing = ProgramFolder() + L"\\no_such_program.exe";
    EXPECT_EQ(nullptr, helper->RunProcess(missing.c_str(), &missing[0], true));
    EXPECT_EQ(nullptr, helper->RunProcess(nullptr, nullptr, false));
}

TEST(Processes, ImagePathIsTheSystemsEvenWhenTheChildRenamesItself) {
    IHlpFunc* helper = getHlpObj();
    // The child rewrites the records of its own memory that name its image,
    // opens `ready` and stays until `quit` opens. Trust decided by this path
    // must not follow that rewrite.
    NamedGate ready(UniqueName(L"ready"));
    NamedGate quit(UniqueName(L"quit"));
    std::wstring commandLine = L"\"" + ChildExe() + L"\" disguise " + ready.name() + L" " + quit.name();
    HANDLE process = helper->RunProcess(ChildExe().c_str(), &commandLine[0], true);
    ASSERT_NE(nullptr, process);
    EXPECT_TRUE(ready.OpenedBy(process));
    const DWORD id = GetProcessId(process);
    EXPECT_EQ(Upper(ChildExe()), Upper(helper->GetProcessPath(id)));
    EXPECT_EQ(Utf8(helper->GetProcessPath(id)), helper->GetProcessPathUtf8(id));
    quit.Open();
    EXPECT_EQ(0, WaitChild(process));
    for (uint32_t none : {0u, 0xFFFFFFF0u}) {
        EXPECT_EQ(L"", helper->GetProcessPath(none));
        EXPECT_EQ("", helper->GetProcessPathUtf8(none));
    }
}

TEST(UserAndFolders, SidTextAndDataFolder) {
    IHlpFunc* helper = getHlpObj();
    const std::wstring sid = helper->GetCurrentUserSid();
    EXPECT_TRUE(std::regex_match(Utf8(sid), std::regex("S-1-5(-[0-9]+)+"))) << Utf8(sid);
    EXPECT_EQ(helper->GetCommonAppDataFolder() + L"\\TevraZQ", helper->GetDataFolder());
}

TEST(Existence, FilesFoldersAndPathsThatAreNotThere) {
    IHlpFunc* helper = getHlpObj();
    const std::wstring folder = MakeTempFolder(L"exists");
    const std::wstring file = folder + L"\\a.txt";
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_TRUE(helper->IsDirectory(folder) && !helper->IsFile(folder));
    EXPECT_TRUE(helper->IsFile(file) && !helper->IsDirectory(file));
    EXPECT_TRUE(helper->PathExists(folder.c_str()) && helper->PathExists(file.c_str()));

    const std::wstring nul(1, L'\0');  // a counted text is not cut where the platform would cut it
    for (const std::wstring& absent : {folder + L"\\missing.txt", folder + L"\\missing\\a.txt",
                                       folder + L"\\bad<name>?", std::wstring(),
                                       folder + nul + L"x", file + nul + L"x"}) {
        SCOPED_TRACE(Utf8(absent));
        EXPECT_FALSE(helper->IsDirectory(absent) || helper->IsFile(absent));
    }
    EXPECT_FALSE(helper->PathExists((folder + L"\\missing.txt").c_str()));
    EXPECT_FALSE(helper->PathExists(nullptr));
}

TEST(Services, NoServiceIsNotRunning) {
    IHlpFunc* helper = getHlpObj();
    for (const wchar_t* none : {(const wchar_t*)nullptr, L"", L"FileProtectNoSuchService"})
        EXPECT_FALSE(helper->IsServiceRunning(none));
}
