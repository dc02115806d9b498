// fpctl.exe end to end, run as a script would run it: exit codes, JSON
// output parsed back, refused paths, the export/import round trip and the
// cache file. The rule database is the machine's: the tests use paths of
// their own under C:\fpctl-test, and the whole store is exported first and
// put back at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

using Args = std::vector<std::wstring>;
using Paths = std::vector<std::string>;
using nlohmann::json;

const std::wstring kRoot = L"C:\\fpctl-test\\";
const std::wstring kLong = kRoot + std::wstring(1100, L'x');  // too long for any statement

// Quoted so that CommandLineToArgvW gives the argument back unchanged.
std::wstring Quote(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted.append(backslashes * 2, L'\\') + L"\"";
}

struct Run {
    int exitCode = -1;
    std::string out;  // UTF-8; standard error carries messages for people, not read
    json Json() const { return json::parse(out); }
};

Run RunFpctl(const Args& arguments) {
    std::wstring commandLine;
    for (const std::wstring& argument : arguments) commandLine += L" " + Quote(argument);
    Run result;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return result;
    HANDLE child = StartChild(L"fpctl", commandLine, writeEnd);
    CloseHandle(writeEnd);
    char buffer[4096];
    DWORD got = 0;
    while (child && ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        result.out.append(buffer, got);
    CloseHandle(readEnd);
    result.exitCode = WaitChild(child);
    return result;
}

// A file name in a fresh folder of this run.
std::wstring TempFile(const std::wstring& name) {
    static const std::wstring folder = MakeTempFolder(L"fpctl");
    return folder + L"\\" + name;
}

json ReadJson(const std::wstring& path) { return json::parse(ReadBytes(path), nullptr, false); }

class KeepStore : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(0, RunFpctl({L"export", TempFile(L"backup.json")}).exitCode); }
    void TearDown() override {
        EXPECT_EQ(0, RunFpctl({L"import", TempFile(L"backup.json"), L"--replace"}).exitCode);
    }
};
const auto* const kKeepStore = ::testing::AddGlobalTestEnvironment(new KeepStore);

// The rows a list command gives as JSON.
json Rows(Args listCommand) {
    listCommand.push_back(L"--json");
    Run result = RunFpctl(listCommand);
    EXPECT_EQ(0, result.exitCode) << result.out;
    json document = result.Json();
    return document.is_object() ? document.at("items") : document;
}

// The paths of those rows that lie under the test root.
Paths Listed(const Args& listCommand) {
    Paths paths;
    for (const auto& row : Rows(listCommand)) {
        std::string path = row.at("filepath").get<std::string>();
        if (path.rfind(Narrow(kRoot), 0) == 0) paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(FpctlUsage, BadUsageExitsTwo) {
    const Args cases[] = {
        {},
        {L"nosuch"},
        {L"protect"},
        {L"protect", L"add"},
        {L"protect", L"add", L""},
        {L"protect", L"clear", L"--files", L"--exts"},
        {L"blocks", L"add", kRoot + L"b", L"many"},
        {L"blocks", L"list", L"--top", L"-x"},
        {L"switches", L"set", L"turbo", L"on"},
        {L"switches", L"set", L"protect", L"maybe"},
        {L"config", L"set", L"77", L""},
        {L"rename", kRoot + L"a", kRoot + L"b", L"--lists", L"white"},
        {L"rename", kRoot + L"a", kRoot + L"b", L"--mount", L"C:\\", L"--lists", L"grey"},
        {L"inside", L"C:\\"},
        {L"import", TempFile(L"missing.json")},
        {L"help", L"nosuch"},
    };
    for (const Args& arguments : cases) {
        std::wstring shown;
        for (const auto& argument : arguments) shown += argument + L" ";
        EXPECT_EQ(2, RunFpctl(arguments).exitCode) << Narrow(shown);
    }
    EXPECT_EQ(0, RunFpctl({L"help", L"protect"}).exitCode);
    EXPECT_EQ(0, RunFpctl({L"blocks", L"--help"}).exitCode);
}

TEST(FpctlUsage, InsideAnswersWithItsExitCode) {
    EXPECT_EQ(0, RunFpctl({L"inside", L"C:\\Data", L"c:/data/x"}).exitCode);
    EXPECT_EQ(1, RunFpctl({L"inside", L"C:\\Data", L"C:\\Database"}).exitCode);
    EXPECT_TRUE(RunFpctl({L"inside", L"C:\\Data", L"C:\\Data\\x", L"--json"}).Json().at("inside").get<bool>());
}

// Each path list takes folders and files with their record's fields, gives
// them back as JSON and removes them. A refused path fails the command and
// leaves the list as it was, also when it follows paths the store would take.
TEST(FpctlRules, ListsTakeRowsWholeOrNotAtAllAndGiveTheRecordsFields) {
    const std::wstring folder = kRoot + L"Verträge 'Q1'";
    const std::wstring file = kRoot + L"Bericht.docx";
    for (const Args& list : {Args{L"protect"}, Args{L"reject"}, Args{L"white"}, Args{L"white", L"--const"}}) {
        SCOPED_TRACE(Narrow(list.back()));
        auto command = [&list](Args arguments) {
            arguments.insert(arguments.begin(), list[0]);
            arguments.insert(arguments.end(), list.begin() + 1, list.end());
            return arguments;
        };
        EXPECT_EQ(1, RunFpctl(command({L"add", kRoot + L"ok", kLong})).exitCode);
        EXPECT_EQ(Paths(), Listed(command({L"list"})));

        ASSERT_EQ(0, RunFpctl(command({L"add", folder, L"--mount", L"C:\\"})).exitCode);
        ASSERT_EQ(0, RunFpctl(command({L"add", file, L"--file"})).exitCode);
        int found = 0;
        for (const auto& row : Rows(command({L"list"}))) {
            if (row.at("filepath") == Narrow(folder)) {
                EXPECT_EQ("C:\\", row.at("mountpoint"));
                EXPECT_FALSE(row.at("bFile").get<bool>());
                ++found;
            }
            if (row.at("filepath") == Narrow(file)) {
                EXPECT_TRUE(row.at("bFile").get<bool>());
                EXPECT_FALSE(row.at("bextention").get<bool>());
                ++found;
            }
        }
        EXPECT_EQ(2, found);
        EXPECT_EQ(0, RunFpctl(command({L"remove", folder, file})).exitCode);
        EXPECT_EQ(Paths(), Listed(command({L"list"})));
    }
    EXPECT_EQ(1, RunFpctl({L"protect", L"add-ext", kRoot + L"ext", kLong}).exitCode);
    EXPECT_EQ(Paths(), Listed({L"protect", L"list"}));
    for (const auto& text : RunFpctl({L"protect", L"list", L"--json"}).Json().at("extensions"))
        EXPECT_NE(Narrow(kRoot + L"ext"), text);
    EXPECT_EQ(1, RunFpctl({L"blocks", L"add", kLong, L"1"}).exitCode);
    EXPECT_EQ(Paths(), Listed({L"blocks", L"list"}));
}

TEST(FpctlRules, BlockCountsSwitchesAndHashes) {
    const std::wstring low = kRoot + L"low.txt";
    const std::wstring high = kRoot + L"high.txt";
    ASSERT_EQ(0, RunFpctl({L"blocks", L"add", low, L"2"}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"blocks", L"add", high, L"40"}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"blocks", L"add", low, L"3"}).exitCode);
    EXPECT_EQ(5, RunFpctl({L"blocks", L"get", low, L"--json"}).Json().at("blockcount").get<int>());
    json rows = RunFpctl({L"blocks", L"list", L"--json"}).Json();
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_GE(rows[i - 1].at("blockcount").get<int>(), rows[i].at("blockcount").get<int>());
    EXPECT_EQ(1u, RunFpctl({L"blocks", L"list", L"--top", L"1", L"--json"}).Json().size());
    EXPECT_EQ(0, RunFpctl({L"blocks", L"remove", low, high}).exitCode);
    EXPECT_EQ(1, RunFpctl({L"blocks", L"get", low}).exitCode);

    json switches = RunFpctl({L"switches", L"--json"}).Json();
    for (const char* name : {"protect", "image", "filetypes", "files", "driver"})
        EXPECT_TRUE(switches.at(name).is_boolean()) << name;
    EXPECT_TRUE(RunFpctl({L"status", L"--json"}).Json().at("rows").at("blocklist").is_number());

    json hashes = RunFpctl({L"hash", L"c:\\data\\a.txt", L"C:\\DATA\\A.TXT", L"--json"}).Json();
    ASSERT_EQ(2u, hashes.size());
    EXPECT_EQ(hashes[0].at("hash"), hashes[1].at("hash"));
    EXPECT_EQ(static_cast<int32_t>(hashes[0].at("hash").get<uint32_t>()), hashes[0].at("key").get<int32_t>());
}

// Puts a data set into the emptied store, then export -> import --replace on
// an empty store -> export must give the same document.
TEST(FpctlTransfer, ExportImportRoundTripIsExact) {
    const std::wstring empty = TempFile(L"empty.json");
    ASSERT_TRUE(WriteBytes(empty, R"({"version": 1, "fileprotect": [], "rejectlist": [], "whitelist": [],
        "const_whitelist": [], "blocklist": [], "config": []})"));
    const std::string root = Narrow(kRoot);
    json data = {
        {"version", 1},
        {"fileprotect", {{{"filepath", root + "Ordner \"Ä\" 'ß'"}, {"mountpoint", "C:\\"}, {"bFile", false}},
                         {{"filepath", root + "日本語.txt"}, {"mountpoint", "C:\\"}, {"bFile", true}},
                         {{"filepath", ".fpctltest"}, {"bextention", true}}}},
        {"rejectlist", {{{"filepath", root + "bad 'one'.exe"}, {"mountpoint", "C:\\"}, {"bFile", true}}}},
        {"whitelist", {{{"filepath", root + "Ünïcode\\Ω"}, {"mountpoint", "D:\\"}, {"bFile", false}}}},
        {"const_whitelist", {{{"filepath", root + "const \"q\""}, {"mountpoint", "C:\\"}, {"bFile", true}}}},
        {"blocklist", {{{"filepath", root + "blocked 'é'.doc"}, {"blockcount", 7}}}},
        {"config", {{{"id", 4242}, {"config", "text with 'quotes' and \"more\" — ü"}}}},
    };
    const std::wstring input = TempFile(L"input.json");
    ASSERT_TRUE(WriteBytes(input, data.dump()));
    ASSERT_EQ(0, RunFpctl({L"import", empty, L"--replace"}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"import", input, L"--replace"}).exitCode);

    const std::wstring first = TempFile(L"first.json");
    ASSERT_EQ(0, RunFpctl({L"export", first}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"import", empty, L"--replace"}).exitCode);
    for (const auto& count : RunFpctl({L"status", L"--json"}).Json().at("rows")) EXPECT_EQ(0, count.get<int>());
    ASSERT_EQ(0, RunFpctl({L"import", first, L"--replace"}).exitCode);
    const std::wstring second = TempFile(L"second.json");
    ASSERT_EQ(0, RunFpctl({L"export", second}).exitCode);

    const json exported = ReadJson(first);
    ASSERT_TRUE(exported.is_object());
    EXPECT_EQ(exported, ReadJson(second));
    EXPECT_EQ(1, exported.at("version"));
    EXPECT_EQ(3u, exported.at("fileprotect").size());
    EXPECT_EQ(data.at("rejectlist")[0].at("filepath"), exported.at("rejectlist")[0].at("filepath"));
    EXPECT_EQ(data.at("config")[0].at("config"), exported.at("config")[0].at("config"));
    EXPECT_EQ(7, exported.at("blocklist")[0].at("blockcount"));

    // A refused row in the last table puts every table back as it was.
    json refused = data;
    refused["const_whitelist"].push_back({{"filepath", Narrow(kLong)}, {"mountpoint", "C:\\"}, {"bFile", true}});
    const std::wstring bad = TempFile(L"refused.json");
    ASSERT_TRUE(WriteBytes(bad, refused.dump()));
    ASSERT_EQ(0, RunFpctl({L"import", empty, L"--replace"}).exitCode);
    EXPECT_EQ(1, RunFpctl({L"import", bad, L"--replace"}).exitCode);
    const std::wstring after = TempFile(L"after.json");
    ASSERT_EQ(0, RunFpctl({L"export", after}).exitCode);
    const json afterRefusal = ReadJson(after);
    ASSERT_TRUE(afterRefusal.is_object());
    for (const char* table : {"fileprotect", "rejectlist", "whitelist", "const_whitelist", "blocklist", "config"})
        EXPECT_TRUE(afterRefusal.at(table).empty()) << table;

    const std::wstring notJson = TempFile(L"not.json");
    ASSERT_TRUE(WriteBytes(notJson, "{\"version\": 1, \"rejectlist\": ["));
    EXPECT_EQ(2, RunFpctl({L"import", notJson}).exitCode);
}

TEST(FpctlCache, IdsGoInListAndComeOutOnce) {
    const std::wstring file = TempFile(L"cache.xml");
    ASSERT_EQ(0, RunFpctl({L"cache", file, L"add", L"12", L"-34", L"a\"b"}).exitCode);
    const json expected = {"12", "-34", "a\"b"};
    EXPECT_EQ(expected, RunFpctl({L"cache", file, L"list", L"--json"}).Json());
    EXPECT_EQ(expected, RunFpctl({L"cache", file, L"take", L"--json"}).Json());
    EXPECT_EQ(json::array(), RunFpctl({L"cache", file, L"take", L"--json"}).Json());
    EXPECT_EQ(1, RunFpctl({L"cache", TempFile(L"none.xml"), L"list"}).exitCode);
}

TEST(FpctlCache, ListShowsWhatATakeHandsOut) {
    // A complete save that a killed older build left beside the file is part
    // of the file's content: list shows it, as the take hands it out.
    const std::wstring file = TempFile(L"pending.xml");
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<PathItem>\r\n"
                             "    <Item pathid=\"x\" />\r\n";
    ASSERT_TRUE(WriteBytes(file, head + "</PathItem>\r\n"));
    ASSERT_TRUE(WriteBytes(file + L".new", head + "    <Item pathid=\"a\" />\r\n</PathItem>\r\n"));
    const json expected = {"x", "a"};
    EXPECT_EQ(expected, RunFpctl({L"cache", file, L"list", L"--json"}).Json());
    EXPECT_EQ(expected, RunFpctl({L"cache", file, L"take", L"--json"}).Json());
}

}  // namespace
