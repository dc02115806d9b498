// fpctl.exe end to end: exit codes, JSON output parsed back, refused paths,
// the export/import round trip and the cache file. The rule database is the
// machine's: the tests use paths of their own under C:\fpctl-test, and the
// whole store is exported first and put back at the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FpctlRun.h"

namespace {

const std::wstring kRoot = L"C:\\fpctl-test\\";
const std::wstring kLong = kRoot + std::wstring(1100, L'x');  // too long for any statement

class KeepStore : public ::testing::Environment {
public:
    void SetUp() override {
        backup_ = TempFile(L"backup.json");
        ASSERT_EQ(0, RunFpctl({L"export", backup_}).exitCode);
    }
    void TearDown() override { EXPECT_EQ(0, RunFpctl({L"import", backup_, L"--replace"}).exitCode); }

private:
    std::wstring backup_;
};
const auto* const kKeepStore = ::testing::AddGlobalTestEnvironment(new KeepStore);

// The rows of a list command's JSON whose filepath lies under the test root.
std::vector<std::string> TestPaths(const nlohmann::json& rows) {
    std::vector<std::string> paths;
    for (const auto& row : rows) {
        std::string path = row.at("filepath").get<std::string>();
        if (path.rfind(Utf8Of(kRoot), 0) == 0) paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> Listed(const std::vector<std::wstring>& listCommand) {
    std::vector<std::wstring> arguments = listCommand;
    arguments.push_back(L"--json");
    FpctlResult result = RunFpctl(arguments);
    EXPECT_EQ(0, result.exitCode) << result.out;
    nlohmann::json document = result.Json();
    return TestPaths(document.is_object() ? document.at("items") : document);
}

TEST(FpctlUsage, BadUsageExitsTwo) {
    const std::vector<std::vector<std::wstring>> cases = {
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
    for (const auto& arguments : cases) {
        std::string shown;
        for (const auto& argument : arguments) shown += Utf8Of(argument) + " ";
        EXPECT_EQ(2, RunFpctl(arguments).exitCode) << shown;
    }
    EXPECT_EQ(0, RunFpctl({L"help", L"protect"}).exitCode);
    EXPECT_EQ(0, RunFpctl({L"blocks", L"--help"}).exitCode);
}

TEST(FpctlUsage, InsideAnswersWithItsExitCode) {
    EXPECT_EQ(0, RunFpctl({L"inside", L"C:\\Data", L"c:/data/x"}).exitCode);
    EXPECT_EQ(1, RunFpctl({L"inside", L"C:\\Data", L"C:\\Database"}).exitCode);
    FpctlResult json = RunFpctl({L"inside", L"C:\\Data", L"C:\\Data\\x", L"--json"});
    EXPECT_TRUE(json.Json().at("inside").get<bool>());
}

// A refused path fails the command and leaves the list as it was, also when
// it follows paths the store would take.
TEST(FpctlRules, RefusedPathExitsOneWithNothingWritten) {
    struct Case {
        std::vector<std::wstring> add;
        std::vector<std::wstring> list;
    };
    const std::vector<Case> cases = {
        {{L"protect", L"add", kRoot + L"ok", kLong}, {L"protect", L"list"}},
        {{L"protect", L"add-ext", kRoot + L"ext", kLong}, {L"protect", L"list"}},
        {{L"reject", L"add", kRoot + L"ok", kLong}, {L"reject", L"list"}},
        {{L"white", L"add", kRoot + L"ok", kLong}, {L"white", L"list"}},
        {{L"white", L"add", L"--const", kRoot + L"ok", kLong}, {L"white", L"list", L"--const"}},
        {{L"blocks", L"add", kLong, L"1"}, {L"blocks", L"list"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(1, RunFpctl(c.add).exitCode) << Utf8Of(c.add[0] + L" " + c.add[1]);
        EXPECT_EQ(std::vector<std::string>(), Listed(c.list)) << Utf8Of(c.add[0]);
    }
    FpctlResult extensions = RunFpctl({L"protect", L"list", L"--json"});
    for (const auto& text : extensions.Json().at("extensions")) EXPECT_NE(Utf8Of(kRoot + L"ext"), text);
}

TEST(FpctlRules, ListsComeBackAsJsonWithTheRecordsFields) {
    const std::wstring folder = kRoot + L"Verträge 'Q1'";
    const std::wstring file = kRoot + L"Bericht.docx";
    struct Case {
        std::wstring list;
        std::vector<std::wstring> extra;  // --const
    };
    const std::vector<Case> cases = {{L"protect", {}}, {L"reject", {}}, {L"white", {}}, {L"white", {L"--const"}}};
    for (const Case& c : cases) {
        auto command = [&c](std::vector<std::wstring> arguments) {
            arguments.insert(arguments.begin(), c.list);
            arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
            return arguments;
        };
        ASSERT_EQ(0, RunFpctl(command({L"add", folder, L"--mount", L"C:\\"})).exitCode);
        ASSERT_EQ(0, RunFpctl(command({L"add", file, L"--file"})).exitCode);
        FpctlResult listed = RunFpctl(command({L"list", L"--json"}));
        ASSERT_EQ(0, listed.exitCode);
        nlohmann::json document = listed.Json();
        nlohmann::json rows = document.is_object() ? document.at("items") : document;
        int found = 0;
        for (const auto& row : rows) {
            if (row.at("filepath") == Utf8Of(folder)) {
                EXPECT_EQ("C:\\", row.at("mountpoint"));
                EXPECT_FALSE(row.at("bFile").get<bool>());
                ++found;
            }
            if (row.at("filepath") == Utf8Of(file)) {
                EXPECT_TRUE(row.at("bFile").get<bool>());
                EXPECT_FALSE(row.at("bextention").get<bool>());
                ++found;
            }
        }
        EXPECT_EQ(2, found) << Utf8Of(c.list);
        EXPECT_EQ(0, RunFpctl(command({L"remove", folder, file})).exitCode);
        EXPECT_EQ(std::vector<std::string>(), Listed(command({L"list"})));
    }
}

TEST(FpctlRules, BlockCountsSwitchesAndHashes) {
    const std::wstring low = kRoot + L"low.txt";
    const std::wstring high = kRoot + L"high.txt";
    ASSERT_EQ(0, RunFpctl({L"blocks", L"add", low, L"2"}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"blocks", L"add", high, L"40"}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"blocks", L"add", low, L"3"}).exitCode);
    FpctlResult get = RunFpctl({L"blocks", L"get", low, L"--json"});
    EXPECT_EQ(5, get.Json().at("blockcount").get<int>());
    nlohmann::json rows = RunFpctl({L"blocks", L"list", L"--json"}).Json();
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_GE(rows[i - 1].at("blockcount").get<int>(), rows[i].at("blockcount").get<int>());
    EXPECT_EQ(1u, RunFpctl({L"blocks", L"list", L"--top", L"1", L"--json"}).Json().size());
    EXPECT_EQ(0, RunFpctl({L"blocks", L"remove", low, high}).exitCode);
    EXPECT_EQ(1, RunFpctl({L"blocks", L"get", low}).exitCode);

    nlohmann::json switches = RunFpctl({L"switches", L"--json"}).Json();
    for (const char* name : {"protect", "image", "filetypes", "files", "driver"})
        EXPECT_TRUE(switches.at(name).is_boolean()) << name;
    EXPECT_TRUE(RunFpctl({L"status", L"--json"}).Json().at("rows").at("blocklist").is_number());

    nlohmann::json hashes = RunFpctl({L"hash", L"c:\\data\\a.txt", L"C:\\DATA\\A.TXT", L"--json"}).Json();
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
    const std::string root = Utf8Of(kRoot);
    nlohmann::json data = {
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
    FpctlResult status = RunFpctl({L"status", L"--json"});
    for (const auto& count : status.Json().at("rows")) EXPECT_EQ(0, count.get<int>());
    ASSERT_EQ(0, RunFpctl({L"import", first, L"--replace"}).exitCode);
    const std::wstring second = TempFile(L"second.json");
    ASSERT_EQ(0, RunFpctl({L"export", second}).exitCode);

    const nlohmann::json exported = ReadJson(first);
    ASSERT_TRUE(exported.is_object());
    EXPECT_EQ(exported, ReadJson(second));
    EXPECT_EQ(1, exported.at("version"));
    EXPECT_EQ(3u, exported.at("fileprotect").size());
    EXPECT_EQ(data.at("rejectlist")[0].at("filepath"), exported.at("rejectlist")[0].at("filepath"));
    EXPECT_EQ(data.at("config")[0].at("config"), exported.at("config")[0].at("config"));
    EXPECT_EQ(7, exported.at("blocklist")[0].at("blockcount"));

    // A refused row in the last table puts every table back as it was.
    nlohmann::json refused = data;
    refused["const_whitelist"].push_back({{"filepath", Utf8Of(kLong)}, {"mountpoint", "C:\\"}, {"bFile", true}});
    const std::wstring bad = TempFile(L"refused.json");
    ASSERT_TRUE(WriteBytes(bad, refused.dump()));
    ASSERT_EQ(0, RunFpctl({L"import", empty, L"--replace"}).exitCode);
    EXPECT_EQ(1, RunFpctl({L"import", bad, L"--replace"}).exitCode);
    const std::wstring after = TempFile(L"after.json");
    ASSERT_EQ(0, RunFpctl({L"export", after}).exitCode);
    const nlohmann::json afterRefusal = ReadJson(after);
    ASSERT_TRUE(afterRefusal.is_object());
    for (const char* table : {"fileprotect", "rejectlist", "whitelist", "const_whitelist", "blocklist", "config"})
        EXPECT_TRUE(afterRefusal.at(table).empty()) << table;

    const std::wstring notJson = TempFile(L"not.json");
    ASSERT_TRUE(WriteBytes(notJson, "{\"version\": 1, \"rejectlist\": ["));
    EXPECT_EQ(2, RunFpctl({L"import", notJson}).exitCode);
    for (const auto& file : {empty, input, first, second, bad, after, notJson}) DeleteFileW(file.c_str());
}

TEST(FpctlCache, IdsGoInListAndComeOutOnce) {
    const std::wstring file = TempFile(L"cache.xml");
    ASSERT_EQ(0, RunFpctl({L"cache", file, L"add", L"12", L"-34", L"a\"b"}).exitCode);
    const nlohmann::json expected = {"12", "-34", "a\"b"};
    EXPECT_EQ(expected, RunFpctl({L"cache", file, L"list", L"--json"}).Json());
    EXPECT_EQ(expected, RunFpctl({L"cache", file, L"take", L"--json"}).Json());
    EXPECT_EQ(nlohmann::json::array(), RunFpctl({L"cache", file, L"take", L"--json"}).Json());
    EXPECT_EQ(1, RunFpctl({L"cache", TempFile(L"none.xml"), L"list"}).exitCode);
    DeleteFileW(file.c_str());
}

}  // namespace
