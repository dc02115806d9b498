// fpctl import and export against what a person, another program or a kill
// can leave: rows the store cannot write back, numbers outside the records,
// hostile files, and a replace watched by another process and killed.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/fpctl/FpctlRun.h"

namespace {

using nlohmann::json;

json PathRow(const std::wstring& path, bool file = true) {
    return {{"filepath", Utf8(path)}, {"mountpoint", "C:\\"}, {"bFile", file}, {"bextention", false}};
}

// A refused row puts every table back as it was, also one holding a row the
// store cannot write (another program wrote a reject row without a path).
TEST(FpctlImport, FailedImportPutsBackEveryRowItFound) {
    json seed = {{"version", 1}, {"rejectlist", json::array()}, {"const_whitelist", json::array()}};
    for (int i = 0; i < 11; ++i) {
        seed["rejectlist"].push_back(PathRow(kRoot + L"reject" + std::to_wstring(i)));
        seed["const_whitelist"].push_back(PathRow(kRoot + L"const" + std::to_wstring(i)));
    }
    ASSERT_EQ(0, RunFpctl({L"import", JsonFile(L"seed.json", seed)}).exitCode);
    Db db;
    ASSERT_TRUE(db.Exec("INSERT OR REPLACE INTO rejectlist VALUES (4711, '', 'C:\\', 1)"));
    // The lists, not an export: an export leaves out the row without a path.
    const auto lists = [] { return json{Rows({L"reject", L"list"}), Rows({L"white", L"--const", L"list"})}; };
    const json before = lists();
    const json& rejects = before.at(0);
    ASSERT_NE(rejects.end(), std::find_if(rejects.begin(), rejects.end(),
                                          [](const json& row) { return row.at("filepath") == ""; }));

    json refused = {{"version", 1},
                    {"rejectlist", {PathRow(kRoot + L"other")}},
                    {"const_whitelist", {PathRow(kRoot + L"fine"), PathRow(kLong)}}};
    const Result run = RunFpctl({L"import", JsonFile(L"refused.json", refused), L"--replace", L"--yes"});
    EXPECT_EQ(1, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("put back as they were")) << run.err;
    EXPECT_EQ(before, lists());
    db.Exec("DELETE FROM rejectlist WHERE pathhash = 4711");
}

// Another process counting the common rows never sees one missing: not
// while the import runs, and not after a kill at the first change it sees.
// Running the import again then finishes it.
TEST(FpctlImport, ReplaceNeverTakesAwayARowTheFileKeeps) {
    constexpr int kCommon = 20000;
    constexpr int kOther = 2000;
    const auto rows = [](const std::wstring& group, int count) {
        std::vector<ProtectFileItem> items;
        for (int i = 0; i < count; ++i)
            items.push_back(PathItem(kRoot + group + L"\\" + std::to_wstring(i), L"C:\\", false));
        return items;
    };
    json file = {{"version", 1}, {"fileprotect", json::array()}};
    for (const auto* group : {L"common", L"new"})
        for (const ProtectFileItem& item : rows(group, group == std::wstring(L"new") ? kOther : kCommon))
            file["fileprotect"].push_back(PathRow(item.filepath, false));
    const std::wstring input = JsonFile(L"replace.json", file);

    IFileProtectCfgMgr* store = getFileProtectDbMgr();
    ASSERT_TRUE(store->InitDb());
    Db db;
    const auto count = [&db](const char* group) {
        return std::stoi(db.Scalar(std::string("SELECT count(*) FROM fileprotect WHERE filepath GLOB '") +
                                   Utf8(kRoot) + group + "\\*'"));
    };
    for (bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "killed" : "watched");
        std::vector<std::wstring> fresh;
        for (const ProtectFileItem& item : rows(L"new", kOther)) fresh.push_back(item.filepath);
        ASSERT_TRUE(store->DeleteProtectFile(fresh, false));
        ASSERT_TRUE(store->AddProtectFile(rows(L"common", kCommon), false));
        ASSERT_TRUE(store->AddProtectFile(rows(L"old", kOther), false));
        const int total = count("*");

        HANDLE child = StartFpctl({L"import", input, L"--replace", L"--yes"});
        ASSERT_NE(nullptr, child);
        int fewest = kCommon;
        while (WaitForSingleObject(child, 0) == WAIT_TIMEOUT) {
            const int common = count("common");
            fewest = std::min(fewest, common);
            if (kill && (common != kCommon || count("*") != total)) {
                TerminateProcess(child, 9);
                break;
            }
        }
        WaitChild(child);
        EXPECT_EQ(kCommon, std::min(fewest, count("common")));
        if (kill) {
            ASSERT_EQ(0, RunFpctl({L"import", input, L"--replace", L"--yes"}).exitCode);
        }
        EXPECT_EQ(kCommon, count("common"));
        EXPECT_EQ(kOther, count("new"));
        EXPECT_EQ(0, count("old"));
    }
}

// A number outside its field, or not a whole one, is refused naming the
// table, row and field, and nothing of the file is written.
TEST(FpctlImport, NumbersOutsideTheRecordsAreRefused) {
    const json fine = PathRow(kRoot + L"written");
    const std::string block = Utf8(kRoot + L"blocked");
    const struct {
        json table;
        const char* named;
    } cases[] = {
        {{{"config", {{{"id", 4294967297}, {"config", "bEnableProtect:0"}}}}}, "config row 1 \"id\" 4294967297"},
        {{{"config", {{{"id", 7}, {"config", "x"}}, {{"id", "8"}, {"config", "y"}}}}}, "config row 2 \"id\""},
        {{{"blocklist", {{{"filepath", block}, {"blockcount", 4294967301}}}}}, "blocklist row 1 \"blockcount\""},
        {{{"blocklist", {{{"filepath", block}, {"blockcount", -4294967295}}}}}, "blocklist row 1 \"blockcount\""},
        {{{"blocklist", {{{"filepath", block}, {"blockcount", 2.9}}}}}, "blocklist row 1 \"blockcount\" 2.9"},
        {{{"blocklist", {{{"filepath", block}, {"blockcount", 1}, {"pathhash", 4294967296}}}}},
         "blocklist row 1 \"pathhash\""},
        {{{"rejectlist", {{{"filepath", block}, {"bFile", 1}}}}}, "rejectlist row 1 \"bFile\""},
    };
    const json before = Exported();
    for (const auto& c : cases) {
        json document = c.table;
        document["version"] = 1;
        document["fileprotect"] = {fine};
        const Result run = RunFpctl({L"import", JsonFile(L"number.json", document)});
        EXPECT_EQ(2, run.exitCode) << c.named;
        EXPECT_NE(std::string::npos, run.err.find(c.named)) << run.err;
    }
    EXPECT_EQ(before, Exported());
}

// What export writes, import takes back: ids the store cannot name are left
// out (not cut to another row's id), and a row without text is kept by a
// replace with its own export.
TEST(FpctlImport, ExportWritesWhatImportTakesBack) {
    Db db;
    ASSERT_TRUE(db.Exec("INSERT OR REPLACE INTO config VALUES (4294967297, 'far'), (4242, '')"));
    ASSERT_TRUE(db.Exec("INSERT OR REPLACE INTO rejectlist VALUES (4711, '', 'C:\\', 1)"));
    const json exported = Exported();
    for (const auto& row : exported.at("rejectlist")) EXPECT_NE("", row.at("filepath")) << row;
    std::vector<int64_t> ids;
    for (const auto& row : exported.at("config")) ids.push_back(row.at("id").get<int64_t>());
    EXPECT_EQ(ids.end(), std::find(ids.begin(), ids.end(), 4294967297));
    EXPECT_EQ(1, std::count(ids.begin(), ids.end(), 4242));
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids.end(), std::adjacent_find(ids.begin(), ids.end()));
    const std::wstring file = JsonFile(L"again.json", exported);
    EXPECT_EQ(0, RunFpctl({L"import", file, L"--replace", L"--yes"}).exitCode);
    EXPECT_EQ("2", db.Scalar("SELECT count(*) FROM config WHERE id IN (4242, 4294967297)"));
    EXPECT_EQ("1", db.Scalar("SELECT count(*) FROM rejectlist WHERE pathhash = 4711"));
    // A config row without text that the store does not hold is not added.
    const json blank = {{"version", 1}, {"config", {{{"id", 4243}, {"config", ""}}}}};
    EXPECT_EQ(0, RunFpctl({L"import", JsonFile(L"blank.json", blank)}).exitCode);
    EXPECT_EQ("0", db.Scalar("SELECT count(*) FROM config WHERE id = 4243"));
    db.Exec("DELETE FROM config WHERE id IN (4242, 4243, 4294967297)");
    db.Exec("DELETE FROM rejectlist WHERE pathhash = 4711");
}

// A hostile file gets a clear message, a usage exit and nothing written:
// nesting that would run the stack out, misspelt tables and fields, keys
// given twice, and rows too long to quote whole.
TEST(FpctlImport, HostileFilesAreRefusedWithAShortMessage) {
    const std::string deep = std::string(30000, '[') + std::string(30000, ']');
    const std::string huge(5 << 20, 'x');
    const struct {
        std::string file;
        const char* says;
    } cases[] = {
        {R"({"version": 1, "fileprotect": [)" + deep + "]}", "deeper than"},
        {R"({"version": 1, "fileprotcet": []})", "\"fileprotcet\" is not a table"},
        {R"({"version": 1, "rejectlist": [{"filepath": "C:\\a", "bfile": true}]})", "\"bfile\" is not a field"},
        {R"({"version": 1, "rejectlist": [{"filepath": "C:\\a", "filepath": "C:\\b"}]})", "\"filepath\" twice"},
        {R"({"version": 1, "version": 1})", "\"version\" twice"},
        {R"({"version": 1, "rejectlist": [{"filepath": "C:\\a"}, {"filepath": "c:\\A"}]})", "rows 1 and 2"},
        {R"({"version": 1, "rejectlist": [{"filepath": ")" + huge + R"(", "b": 1}]})", "\"b\" is not a field"},
        {R"({"version": 1, "rejectlist": [")" + huge, "is not JSON"},
    };
    const json before = Exported();
    for (const auto& c : cases) {
        const std::wstring file = TempFile(L"hostile.json");
        ASSERT_TRUE(WriteBytes(file, c.file));
        const Result run = RunFpctl({L"import", file});
        EXPECT_EQ(2, run.exitCode) << c.says;
        EXPECT_NE(std::string::npos, run.err.find(c.says)) << run.err.substr(0, 300);
        EXPECT_LT(run.err.size(), 3000u) << c.says;  // the usage included, not the row
    }
    EXPECT_EQ(before, Exported());
    // The system's own words for an OS error, not a bare number.
    const Result missing = RunFpctl({L"import", TempFile(L"missing.json")});
    EXPECT_EQ(2, missing.exitCode);
    const size_t code = missing.err.find("(error 2: ");
    ASSERT_NE(std::string::npos, code) << missing.err;
    EXPECT_NE(')', missing.err.at(code + 10));
}

// --dry-run says what would change and changes nothing; destructive commands
// without --yes and without a console change nothing either.
TEST(FpctlImport, DryRunAndUnconfirmedCommandsChangeNothing) {
    ASSERT_EQ(0, RunFpctl({L"reject", L"add", kRoot + L"stays"}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"config", L"set", L"4243", L"kept"}).exitCode);
    const json before = Exported();
    json file = {{"version", 1}, {"rejectlist", {PathRow(kRoot + L"arrives")}}};
    const std::wstring input = JsonFile(L"dry.json", file);
    const Result dry = RunFpctl({L"import", input, L"--replace", L"--dry-run", L"--json"});
    ASSERT_EQ(0, dry.exitCode) << dry.err;
    const json plan = dry.Json().at("tables").at("rejectlist");
    EXPECT_EQ(1u, plan.at("add").size());
    EXPECT_EQ(before.at("rejectlist").size(), plan.at("remove").size());
    EXPECT_EQ(before, Exported());

    const Args unconfirmed[] = {
        {L"import", input, L"--replace"}, {L"protect", L"clear"}, {L"reject", L"clear"},
        {L"white", L"clear"},             {L"white", L"--const", L"clear"}, {L"blocks", L"clear"},
        {L"config", L"delete", L"4243"},
    };
    for (const Args& arguments : unconfirmed) {
        const Result run = RunFpctl(arguments);
        EXPECT_EQ(2, run.exitCode) << Utf8(arguments[0] + L" " + arguments[1]);
        EXPECT_NE(std::string::npos, run.err.find("--yes")) << run.err;
    }
    EXPECT_EQ(before, Exported());
    EXPECT_EQ(0, RunFpctl({L"config", L"delete", L"4243", L"--yes"}).exitCode);
}

}  // namespace
