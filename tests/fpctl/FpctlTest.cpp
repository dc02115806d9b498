// fpctl.exe end to end, run as a script would run it: exit codes, JSON
// output parsed back, refused paths, the export/import round trip and the
// cache file.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/fpctl/FpctlRun.h"

namespace {

using nlohmann::json;

TEST(FpctlUsage, BadUsageExitsTwo) {
    const Args cases[] = {
        {L"nosuch"},
        {L"protect", L"add", L""},
        {L"protect", L"clear", L"--files", L"--exts"},
        {L"blocks", L"list", L"--top", L"-1"},
        {L"blocks", L"list", L"--top", L"0"},
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
        const Result run = RunFpctl(arguments);
        EXPECT_EQ(2, run.exitCode) << Utf8(shown);
        // The message names what was typed, not only what is missing.
        if (arguments.back() == L"nosuch") {
            EXPECT_NE(std::string::npos, run.err.find("\"nosuch\"")) << run.err;
        }
    }
    // help lists the commands and explains one by its words.
    const Result help = RunFpctl({L"help"});
    EXPECT_EQ(0, help.exitCode);
    for (const char* command : {"protect", "import", "export", "config", "blocks"})
        EXPECT_NE(std::string::npos, help.out.find("\n  " + std::string(command) + " ")) << help.out;
    const Result add = RunFpctl({L"help", L"protect", L"add"});
    EXPECT_EQ(0, add.exitCode);
    EXPECT_NE(std::string::npos, add.out.find("--mount")) << add.out;
    EXPECT_EQ(2, RunFpctl({L"help", L"protect", L"nosuch"}).exitCode);
    EXPECT_EQ(0, RunFpctl({L"--version"}).out.rfind("fpctl 1.", 0));
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
        SCOPED_TRACE(Utf8(list.back()));
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
            if (row.at("filepath") == Utf8(folder)) {
                EXPECT_EQ("C:\\", row.at("mountpoint"));
                EXPECT_FALSE(row.at("bFile").get<bool>());
                ++found;
            }
            if (row.at("filepath") == Utf8(file)) {
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
    for (const auto& row : Rows({L"protect", L"list"})) EXPECT_NE(Utf8(kRoot + L"ext"), row.at("filepath"));
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
    const std::string root = Utf8(kRoot);
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
    ASSERT_EQ(0, RunFpctl({L"import", empty, L"--replace", L"--yes"}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"import", input, L"--replace", L"--yes"}).exitCode);

    const std::wstring first = TempFile(L"first.json");
    ASSERT_EQ(0, RunFpctl({L"export", first}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"import", empty, L"--replace", L"--yes"}).exitCode);
    for (const auto& count : RunFpctl({L"status", L"--json"}).Json().at("rows")) EXPECT_EQ(0, count.get<int>());
    ASSERT_EQ(0, RunFpctl({L"import", first, L"--replace", L"--yes"}).exitCode);
    const std::wstring second = TempFile(L"second.json");
    ASSERT_EQ(0, RunFpctl({L"export", second}).exitCode);

    const json exported = ReadJson(first);
    ASSERT_TRUE(exported.is_object());
    EXPECT_EQ(exported, ReadJson(second));
    EXPECT_EQ(1, exported.at("version"));
    // Against the input, field by field: every row given comes back with each
    // field it was given (an export may add the fields left to defaults).
    for (const char* table : {"fileprotect", "rejectlist", "whitelist", "const_whitelist", "blocklist", "config"}) {
        SCOPED_TRACE(table);
        const json& given = data.at(table);
        const json& got = exported.at(table);
        EXPECT_EQ(given.size(), got.size()) << got;
        for (const json& row : given) {
            const bool found = std::any_of(got.begin(), got.end(), [&row](const json& back) {
                return std::all_of(row.items().begin(), row.items().end(), [&back](const auto& field) {
                    return back.contains(field.key()) && back.at(field.key()) == field.value();
                });
            });
            EXPECT_TRUE(found) << row << " in " << got;
        }
    }

    // A refused row in the last table puts every table back as it was.
    json refused = data;
    refused["const_whitelist"].push_back({{"filepath", Utf8(kLong)}, {"mountpoint", "C:\\"}, {"bFile", true}});
    const std::wstring bad = TempFile(L"refused.json");
    ASSERT_TRUE(WriteBytes(bad, refused.dump()));
    ASSERT_EQ(0, RunFpctl({L"import", empty, L"--replace", L"--yes"}).exitCode);
    EXPECT_EQ(1, RunFpctl({L"import", bad, L"--replace", L"--yes"}).exitCode);
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

TEST(FpctlCache, HostileFilesGetAClearMessageAndATakeSaysWhereDamageWasKept) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<PathItem>\r\n";
    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "<a>";
    const struct {
        const char* what;
        std::string content;
        int listExit;
        json ids;
    } cases[] = {
        {"nested 20,000 deep", deep, 1, json::array()},
        {"one item not UTF-8",
         head + "    <Item pathid=\"a\" />\r\n    <Item pathid=\"caf\xe9\" />\r\n</PathItem>\r\n", 0,
         json{"a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring file = TempFile(L"hostile.xml");
        DeleteFileW((file + L".damaged-1").c_str());
        ASSERT_TRUE(WriteBytes(file, c.content));
        const Result listed = RunFpctl({L"cache", file, L"list", L"--json"});
        EXPECT_EQ(c.listExit, listed.exitCode);
        EXPECT_NE(std::string::npos, (listed.out + listed.err).find("damaged"));
        if (c.listExit == 0) {
            EXPECT_EQ(c.ids, listed.Json());
        }
        const Result taken = RunFpctl({L"cache", file, L"take", L"--json"});
        EXPECT_EQ(0, taken.exitCode);
        EXPECT_EQ(c.ids, taken.Json());
        EXPECT_NE(std::string::npos, taken.err.find(Utf8(file) + ".damaged-1")) << taken.err;
        EXPECT_TRUE(ReadBytes(file + L".damaged-1") == c.content);
    }
    // Emptying the file asks first, as every command that removes wholesale.
    const std::wstring file = TempFile(L"clear.xml");
    ASSERT_EQ(0, RunFpctl({L"cache", file, L"add", L"kept"}).exitCode);
    EXPECT_EQ(2, RunFpctl({L"cache", file, L"clear"}).exitCode);
    EXPECT_EQ(json{"kept"}, RunFpctl({L"cache", file, L"list", L"--json"}).Json());
    EXPECT_EQ(0, RunFpctl({L"cache", file, L"clear", L"--yes"}).exitCode);
    EXPECT_EQ(json::array(), RunFpctl({L"cache", file, L"list", L"--json"}).Json());
}

}  // namespace
