// GetBlockCount looks a path up by its key instead of reading every row. Its
// answer must stay the scan's: the count of the first row, in the order
// GetBlockList yields them, whose text is exactly the argument.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RuleTestSupport.h"

namespace {

std::wstring Units(std::initializer_list<wchar_t> units) { return std::wstring(units); }

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 0x20);
    return text;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 0x20);
    return text;
}

// What the scan answers: the first exact text among the listed rows.
bool ScanCount(const std::vector<BlockCountItem>& rows, const std::wstring& path, int32_t* count) {
    for (const BlockCountItem& row : rows)
        if (row.filepath == path) {
            *count = row.blockcount;
            return true;
        }
    return false;
}

}  // namespace

TEST(BlockCountLookup, AgreesWithTheScanOfEveryRow) {
    IFileProtectCfgMgr* store = FreshStore();
    const std::vector<std::wstring> written = {
        L"C:\\Data\\Mixed Case.txt",
        L"c:\\data\\mixed case.TXT",  // same key: adds to the row above
        L"C:\\Donn\u00e9es\\\u00c9t\u00e9.txt", L"C:\\DONN\u00c9ES\\\u00e9t\u00e9.txt",
        L"C:\\\u6587\u6863\\\xD83D\xDE00.pdf",
        Units({L'C', L':', L'\\', L'\xD800', L'x'}), Units({L'C', L':', L'\\', L'y', L'\xDC00'}),
        L"\uFEFFC:\\bom.txt", L"C:\\mid\uFFFEdle.txt",
        L"C:\\it's ''quoted''.txt", L"C:\\e\u0301\u0308marks.txt",
        L"C:\\Long\\" + std::wstring(800, L'\u00e9'),
    };
    for (size_t i = 0; i < written.size(); ++i)
        ASSERT_TRUE(store->AddBlockCount(written[i], static_cast<int32_t>(i + 1)));

    std::vector<std::wstring> probes = {
        L"", L"C:\\never written.txt", std::wstring(L"C:\\Data\\Mixed Case.txt\0x", 25),
        Units({L'C', L':', L'\\', L'\xFFFD', L'x'}),  // the lone surrogate as stored
        Units({L'C', L':', L'\\', L'y', L'\xFFFD'}),
    };
    for (const std::wstring& path : written) {
        probes.push_back(path);
        probes.push_back(Upper(path));
        probes.push_back(Lower(path));
    }

    std::vector<BlockCountItem> rows;
    ASSERT_TRUE(store->GetBlockList(rows));
    int found = 0;
    for (const std::wstring& probe : probes) {
        SCOPED_TRACE(Narrow(probe).substr(0, 60));
        int32_t expected = -7;
        bool scanFound = ScanCount(rows, probe, &expected);
        BlockCountItem item;
        item.filepath = probe;
        item.blockcount = -7;
        EXPECT_EQ(scanFound, store->GetBlockCount(item));
        EXPECT_EQ(expected, item.blockcount);
        found += scanFound ? 1 : 0;
    }
    EXPECT_GE(found, 10);  // the probes do hit rows, not only miss them
}

// Another program may have written a row under a key that is not its text's
// hash. The look-up by key misses it; the scan it falls back to finds it.
TEST(BlockCountLookup, RowsUnderAnotherKeyAreStillFound) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(Db().Exec("INSERT INTO blocklist VALUES (12345, 'C:\\Foreign.txt', 9)"));
    BlockCountItem item;
    item.filepath = L"C:\\Foreign.txt";
    ASSERT_TRUE(store->GetBlockCount(item));
    EXPECT_EQ(9, item.blockcount);
    item.filepath = L"c:\\foreign.txt";
    EXPECT_FALSE(store->GetBlockCount(item));
}
