// What fpctl prints: what the store did rather than what was asked, rows
// that cannot forge other rows, and errors a script can read.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/fpctl/FpctlRun.h"

namespace {

using nlohmann::json;

// The store keeps the kind, path and mount point of a row it holds; fpctl
// reads the row back and says so.
TEST(FpctlOutput, AddSaysWhatTheStoreKept) {
    const std::wstring folder = kRoot + L"Kept";
    const struct {
        Args before;
        Args add;
        const char* note;
        json stored;
    } cases[] = {
        {{L"protect", L"add-ext", L".fpctltest"},
         {L"protect", L"add", L".FPCTLTEST"},
         "the extension rule .fpctltest became a path rule",
         {{"filepath", ".fpctltest"}, {"mountpoint", "Flexten"}, {"bFile", true}, {"bextention", false}}},
        {{L"protect", L"add", folder},
         {L"protect", L"add", L"--file", L"--mount", L"D:\\", folder},
         "the table held this path already",
         {{"filepath", Utf8(folder)}, {"mountpoint", "C:\\"}, {"bFile", false}, {"bextention", false}}},
    };
    for (const auto& c : cases) {
        for (bool asJson : {true, false}) {
            ASSERT_EQ(0, RunFpctl({L"protect", L"remove", L".fpctltest", folder}).exitCode);
            ASSERT_EQ(0, RunFpctl(c.before).exitCode);
            Args add = c.add;
            if (asJson) add.push_back(L"--json");
            const Result run = RunFpctl(add);
            ASSERT_EQ(0, run.exitCode) << run.err;
            if (!asJson) {
                EXPECT_EQ(0, run.out.rfind("protected 0 ", 0)) << run.out;
                EXPECT_NE(std::string::npos, run.out.find(c.note)) << run.out;
                continue;
            }
            const json report = run.Json();
            EXPECT_EQ(0, report.at("stored"));
            ASSERT_EQ(1u, report.at("differ").size()) << run.out;
            EXPECT_EQ(c.stored, report.at("differ")[0].at("stored"));
            EXPECT_NE(std::string::npos, report.at("differ")[0].at("note").get<std::string>().find(c.note));
        }
    }
    EXPECT_EQ(0, RunFpctl({L"protect", L"remove", L".fpctltest", folder}).exitCode);
}

// A remove says how many rows went, not how many paths it was given; a
// rename onto a key that holds another row says nothing moved.
TEST(FpctlOutput, RemoveCountsRowsAndRenameSaysWhatMoved) {
    const std::wstring there = kRoot + L"there";
    const std::wstring nothere = kRoot + L"nothere";
    for (const Args& list : {Args{L"protect"}, Args{L"reject"}, Args{L"white"}, Args{L"white", L"--const"}}) {
        SCOPED_TRACE(Utf8(list.back()));
        const auto command = [&list](Args arguments) {
            arguments.insert(arguments.begin(), list.begin(), list.end());
            arguments.push_back(L"--json");
            return arguments;
        };
        ASSERT_EQ(0, RunFpctl(command({L"add", there})).exitCode);
        EXPECT_EQ(1, RunFpctl(command({L"remove", there, nothere})).Json().at("removed"));
        EXPECT_EQ(0, RunFpctl(command({L"remove", nothere})).Json().at("removed"));
    }
    ASSERT_EQ(0, RunFpctl({L"blocks", L"add", there, L"3"}).exitCode);
    EXPECT_EQ(1, RunFpctl({L"blocks", L"remove", there, nothere, L"--json"}).Json().at("removed"));
    const Result text = RunFpctl({L"reject", L"remove", nothere});
    EXPECT_EQ("removed 0 rows from rejectlist\n", text.out);

    ASSERT_EQ(0, RunFpctl({L"white", L"add", there, nothere, L"--mount", L"C:\\"}).exitCode);
    const json taken = RunFpctl({L"rename", there, nothere, L"--mount", L"C:\\", L"--lists", L"white", L"--json"}).Json();
    EXPECT_FALSE(taken.at(0).at("renamed").get<bool>()) << taken;
    EXPECT_EQ((Paths{Utf8(nothere), Utf8(there)}), Listed({L"white", L"list"}));
    EXPECT_EQ(0, RunFpctl({L"white", L"remove", there, nothere}).exitCode);
}

// A path holding a line break shows as one row, escape sequences never
// reach the terminal, and JSON keeps the text exact.
TEST(FpctlOutput, TextEscapesControlCharactersAndJsonIsExact) {
    const std::wstring forged = kRoot + L"a\nfolder  C:\\  C:\\evil\x1b[2J\u2028\u202e\x85" L"end";
    ASSERT_EQ(0, RunFpctl({L"reject", L"add", forged}).exitCode);
    const Result text = RunFpctl({L"reject", L"list"});
    size_t lines = 0;
    for (size_t at = text.out.find(Utf8(kRoot)); at != std::string::npos; at = text.out.find(Utf8(kRoot), at + 1))
        ++lines;
    EXPECT_EQ(1u, lines) << text.out;
    EXPECT_EQ(std::string::npos, text.out.find("C:\\evil\n")) << text.out;
    for (const char* escaped : {"a\\nfolder", "\\x1b[2J", "\\u2028", "\\u202e", "\\u0085end"})
        EXPECT_NE(std::string::npos, text.out.find(escaped)) << escaped;
    EXPECT_EQ(1u, Listed({L"reject", L"list"}).size());
    EXPECT_EQ(Utf8(forged), Listed({L"reject", L"list"}).at(0));
    const Result message = RunFpctl({L"blocks", L"get", forged});
    EXPECT_EQ(1, message.exitCode);
    EXPECT_EQ(std::string::npos, message.err.find('\x1b')) << message.err;
    EXPECT_EQ(0, RunFpctl({L"reject", L"remove", forged}).exitCode);
}

// Lists and exports are written as they are read, not built in memory
// first: the bytes must be those nlohmann prints for the same rows, read
// here through the store itself, over texts that try the escaping.
TEST(FpctlOutput, StreamedJsonIsTheDocumentsBytes) {
    const std::wstring texts[] = {
        kRoot + L"日本語 \U0001F600 Ünïcode",      kRoot + L"lone \xD800 high and \xDC00 low",
        kRoot + L"\xFEFF" L"bom and \u2028 and \u0085", kRoot + L"quotes \" ' and \\ backslash",
        kRoot + L"controls \x01\x1f\b\f\t\r\n\x7f", kRoot + std::wstring(700, L'\x9a5'),
    };
    IFileProtectCfgMgr* store = getFileProtectDbMgr();
    ASSERT_TRUE(store->InitDb());
    ASSERT_TRUE(store->ClearWhiteList(false) && store->ClearBlockList());
    std::vector<ProtectFileItem> items;
    std::vector<BlockCountItem> blocks;
    const int32_t counts[] = {INT32_MIN, -1, 0, 1, 42, INT32_MAX};
    for (size_t i = 0; i < 6; ++i) {
        items.push_back(PathItem(texts[i], texts[(i + 1) % 6].substr(0, 40), i % 2 == 0));
        blocks.push_back(Block(texts[i], counts[i]));
    }
    ASSERT_TRUE(store->AddWhiteList(items, false));
    ASSERT_TRUE(store->AddBlockCountList(blocks));
    std::vector<ProtectFileItem> stored;
    std::vector<BlockCountItem> storedBlocks;
    ASSERT_TRUE(store->GetWhiteList(stored, false) && store->GetBlockList(storedBlocks));
    json white = json::array();
    for (const ProtectFileItem& item : stored)
        white.push_back({{"filepath", Utf8(item.filepath)}, {"mountpoint", Utf8(item.mountpoint)},
                         {"bFile", item.bFile}, {"bextention", false}});
    json blocked = json::array();
    for (const BlockCountItem& item : storedBlocks)
        blocked.push_back({{"pathhash", item.pathhash}, {"filepath", Utf8(item.filepath)}, {"blockcount", item.blockcount}});
    const auto bytes = [](const json& document) {
        return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    };
    EXPECT_EQ(bytes(white), RunFpctl({L"white", L"list", L"--json"}).out);
    json highestFirst = blocked;  // as blocks list orders them
    std::stable_sort(highestFirst.begin(), highestFirst.end(),
                     [](const json& a, const json& b) { return a.at("blockcount") > b.at("blockcount"); });
    EXPECT_EQ(bytes(highestFirst), RunFpctl({L"blocks", L"list", L"--json"}).out);
    const std::wstring file = TempFile(L"streamed.json");
    ASSERT_EQ(0, RunFpctl({L"export", file}).exitCode);
    const json exported = ReadJson(file);
    EXPECT_EQ(white, exported.at("whitelist"));
    EXPECT_EQ(blocked, exported.at("blocklist"));
    EXPECT_EQ(bytes(exported), ReadBytes(file));
}

// With --json a script reads one document on standard output: the rows of
// every list as an array of records, and an error as {"error", "operation"}.
TEST(FpctlOutput, JsonShapesAndErrors) {
    ASSERT_EQ(0, RunFpctl({L"protect", L"add-ext", L".fpctlshape"}).exitCode);
    ASSERT_EQ(0, RunFpctl({L"config", L"set", L"4244", L"shape"}).exitCode);
    for (const Args& list : {Args{L"protect", L"list"}, Args{L"reject", L"list"}, Args{L"blocks", L"list"},
                             Args{L"config", L"list"}}) {
        const json rows = Rows(list);
        ASSERT_TRUE(rows.is_array()) << Utf8(list[0]);
        for (const auto& row : rows) EXPECT_TRUE(row.contains(list[0] == L"config" ? "id" : "filepath")) << row;
    }
    const json config = Rows({L"config", L"list"});
    EXPECT_NE(config.end(), std::find(config.begin(), config.end(), json{{"id", 4244}, {"config", "shape"}}));
    const struct {
        Args arguments;
        int exitCode;
        const char* operation;
    } failures[] = {
        {{L"protect", L"add", kLong, L"--json"}, 1, "AddProtectFile"},
        {{L"--json", L"reject", L"add", L""}, 2, "reject add"},
        {{L"--json", L"nosuch"}, 2, "fpctl"},
        {{L"config", L"get", L"4245", L"--json"}, 1, "GetConfig"},
    };
    for (const auto& f : failures) {
        const Result run = RunFpctl(f.arguments);
        EXPECT_EQ(f.exitCode, run.exitCode) << f.operation;
        const json error = run.Json();
        EXPECT_EQ(f.operation, error.value("operation", "")) << run.out;
        EXPECT_FALSE(error.value("error", "").empty()) << run.out;
    }
    EXPECT_EQ(0, RunFpctl({L"protect", L"remove", L"--ext", L".fpctlshape"}).exitCode);
    EXPECT_EQ(0, RunFpctl({L"config", L"delete", L"4244", L"--yes"}).exitCode);
}

}  // namespace
