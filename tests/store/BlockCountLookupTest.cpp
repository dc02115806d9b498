// GetBlockCount looks a path up by its key instead of reading every row. Its
// answer must stay the scan's: the count of the first row, in the order
// GetBlockList yields them, whose text is exactly the argument.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/store/RuleTestSupport.h"

namespace {

std::wstring Units(std::initializer_list<wchar_t> units) { return std::wstring(units); }

// The text with its ASCII letters moved from one case to the other.
std::wstring AsciiCase(std::wstring text, wchar_t from, wchar_t to) {
    for (wchar_t& c : text)
        if (c >= from && c < from + 26) c = static_cast<wchar_t>(c - from + to);
    return text;
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
        L"", L"C:\\never written.txt",
        std::wstring(L"C:\\Data\\Mixed Case.txt\0x", 25),  // NOLINT(bugprone-string-constructor): a NUL inside
        Units({L'C', L':', L'\\', L'\xFFFD', L'x'}),  // the lone surrogate as stored
        Units({L'C', L':', L'\\', L'y', L'\xFFFD'}),
    };
    for (const std::wstring& path : written) {
        probes.push_back(path);
        probes.push_back(AsciiCase(path, L'a', L'A'));
        probes.push_back(AsciiCase(path, L'A', L'a'));
    }

    std::vector<BlockCountItem> rows;
    ASSERT_TRUE(store->GetBlockList(rows));
    int found = 0;
    for (const std::wstring& probe : probes) {
        SCOPED_TRACE(Utf8(probe).substr(0, 60));
        // What the scan answers: the count of the first row whose text is exactly the probe.
        auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const BlockCountItem& r) { return r.filepath == probe; });
        BlockCountItem item = Block(probe, -7);
        EXPECT_EQ(row != rows.end(), store->GetBlockCount(item));
        EXPECT_EQ(row != rows.end() ? row->blockcount : -7, item.blockcount);
        found += row != rows.end() ? 1 : 0;
    }
    EXPECT_GE(found, 10);  // the probes do hit rows, not only miss them
}

// Another program may have written a row under a key that is not its text's
// hash. The look-up by key misses it; the scan it falls back to finds it.
TEST(BlockCountLookup, RowsUnderAnotherKeyAreStillFound) {
    FreshStore();
    ASSERT_TRUE(Db().Exec("INSERT INTO blocklist VALUES (12345, 'C:\\Foreign.txt', 9)"));
    EXPECT_EQ(9, CountOf(L"C:\\Foreign.txt"));
    EXPECT_EQ(-1, CountOf(L"c:\\foreign.txt"));
}
