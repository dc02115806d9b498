// Process, user and system services, with child processes as the subjects.
#include <windows.h>

#include <winsvc.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "TestSupport.h"

namespace {

std::wstring ChildExe() { return ProgramFolder() + L"\\paths_child.exe"; }

std::string ReadFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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
    // The child sets `ready` once running and stays until `quit` is set; in
    // "disguise" it first rewrites the records of its own memory that name
    // its image. Trust decided by this path must not follow that rewrite.
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const std::wstring readyName = L"Local\\fileprotect-paths-ready-" + tag;
    const std::wstring quitName = L"Local\\fileprotect-paths-quit-" + tag;
    for (const wchar_t* mode : {L"wait", L"disguise"}) {
        SCOPED_TRACE(Narrow(mode));
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
        HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, quitName.c_str());
        std::wstring commandLine =
            L"\"" + ChildExe() + L"\" " + mode + L" " + readyName + L" " + quitName;
        HANDLE process = helper->RunProcess(ChildExe().c_str(), &commandLine[0], true);
        ASSERT_NE(nullptr, process);
        HANDLE either[] = {ready, process};
        EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, either, FALSE, 60000));
        const DWORD id = GetProcessId(process);
        EXPECT_EQ(Upper(ChildExe()), Upper(helper->GetProcessPath(id)));
        EXPECT_EQ(Narrow(helper->GetProcessPath(id)), helper->GetProcessPathUtf8(id));
        SetEvent(quit);
        EXPECT_EQ(0, WaitChild(process));
        CloseHandle(ready);
        CloseHandle(quit);
    }
}

TEST(Processes, ImagePathOfThisProcessAndOfNone) {
    IHlpFunc* helper = getHlpObj();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(Upper(self), Upper(helper->GetProcessPath(GetCurrentProcessId())));
    for (uint32_t id : {0u, 0xFFFFFFF0u}) {
        EXPECT_EQ(L"", helper->GetProcessPath(id));
        EXPECT_EQ("", helper->GetProcessPathUtf8(id));
    }
}

TEST(User, SidHasTheStringFormAndIsTheSameInAnotherProcess) {
    const std::wstring sid = getHlpObj()->GetCurrentUserSid();
    EXPECT_TRUE(std::regex_match(Narrow(sid), std::regex("S-1-5(-[0-9]+)+"))) << Narrow(sid);
    const std::wstring file = MakeTempFolder(L"sid") + L"\\sid.txt";
    ASSERT_EQ(0, RunChild(L"paths_child", L"sid \"" + file + L"\""));
    EXPECT_EQ(Narrow(sid), ReadFile(file));
}

TEST(Folders, ApplicationDataFoldersExistAndTheDataFolderIsBelowTheCommonOne) {
    IHlpFunc* helper = getHlpObj();
    const std::wstring common = helper->GetCommonAppDataFolder();
    const std::wstring user = helper->GetUserAppDataFolder();
    for (const std::wstring& folder : {common, user}) {
        ASSERT_FALSE(folder.empty());
        EXPECT_NE(L'\\', folder.back());
        EXPECT_TRUE(helper->IsDirectory(folder)) << Narrow(folder);
    }
    EXPECT_NE(Upper(common), Upper(user));
    EXPECT_EQ(common + L"\\TevraZQ", helper->GetDataFolder());
}

TEST(Existence, FilesFoldersAndPathsThatAreNotThere) {
    IHlpFunc* helper = getHlpObj();
    const std::wstring folder = MakeTempFolder(L"exists");
    const std::wstring file = folder + L"\\a.txt";
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_TRUE(helper->IsDirectory(folder) && !helper->IsFile(folder));
    EXPECT_TRUE(helper->IsFile(file) && !helper->IsDirectory(file));
    EXPECT_TRUE(helper->PathExists(folder.c_str()) && helper->PathExists(file.c_str()));

    for (const std::wstring& absent :
         {folder + L"\\missing.txt", folder + L"\\missing\\a.txt", folder + L"\\bad<name>?",
          std::wstring()}) {
        SCOPED_TRACE(Narrow(absent));
        EXPECT_FALSE(helper->IsDirectory(absent) || helper->IsFile(absent));
        EXPECT_FALSE(helper->PathExists(absent.c_str()));
    }
    EXPECT_FALSE(helper->PathExists(nullptr));
    // The counted text is not what the platform would be asked about.
    EXPECT_FALSE(helper->IsDirectory(folder + std::wstring(1, L'\0') + L"x"));
    EXPECT_FALSE(helper->IsFile(file + std::wstring(1, L'\0') + L"x"));
}

TEST(Services, RunningStateAgreesWithTheServiceManager) {
    IHlpFunc* helper = getHlpObj();
    EXPECT_FALSE(helper->IsServiceRunning(nullptr));
    EXPECT_FALSE(helper->IsServiceRunning(L""));
    EXPECT_FALSE(helper->IsServiceRunning(L"FileProtectNoSuchService"));

    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
    ASSERT_NE(nullptr, manager);
    std::vector<ENUM_SERVICE_STATUSW> services(4096);
    DWORD needed = 0, count = 0, resume = 0;
    ASSERT_TRUE(EnumServicesStatusW(manager, SERVICE_WIN32, SERVICE_STATE_ALL, services.data(),
                                    static_cast<DWORD>(services.size() * sizeof(services[0])),
                                    &needed, &count, &resume));
    // Services may start or stop meanwhile: each one is compared with its
    // state read just before and just after, when those two agree.
    auto stateOf = [manager](const wchar_t* name) -> DWORD {
        SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
        SERVICE_STATUS status = {};
        if (service) {
            QueryServiceStatus(service, &status);
            CloseServiceHandle(service);
        }
        return status.dwCurrentState;
    };
    for (DWORD i = 0; i < count; ++i) {  // stopped and running ones alike
        const wchar_t* name = services[i].lpServiceName;
        DWORD before = stateOf(name);
        bool running = helper->IsServiceRunning(name);
        if (before == stateOf(name)) {
            EXPECT_EQ(before == SERVICE_RUNNING, running) << Narrow(name);
        }
    }
    CloseServiceHandle(manager);
}
