// The cache file of path items, through getFileProtectCacheMgr as a host
// uses it: the file's exact layout, appends, takes and the printed messages.
#include "tests/cache/CacheTestSupport.h"

namespace {

// The file as the library writes it, with one line per item.
std::string FileWith(const std::vector<std::string>& itemLines) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<PathItem>\r\n";
    for (const std::string& line : itemLines) text += "    " + line + "\r\n";
    return text + "</PathItem>\r\n";
}

}  // namespace

TEST_F(CacheTest, InitCreatesTheSkeletonOnlyWhereNoFileIsAndRefusesBadArguments) {
    InitFile();
    EXPECT_EQ(kEmptyCacheFile, Content());
    for (const std::string& existing : {std::string(), std::string("<PathItem><Item pathid=")}) {
        WriteBytes(path_, existing);
        InitFile();
        EXPECT_EQ(existing, Content());
    }

    EXPECT_FALSE(cache_->InitCacheFile(L"", L"tag"));
    EXPECT_FALSE(cache_->InitCacheFile(folder_ + L"\\other.xml", L""));
    EXPECT_FALSE(FileExists(folder_ + L"\\other.xml"));
    bool initialised = true;
    std::string printed = Printed([&] {
        initialised = cache_->InitCacheFile(folder_ + L"\\missing\\cache.xml", L"tag");
    });
    EXPECT_FALSE(initialised);
    EXPECT_EQ("create file error, error code=3", printed);  // path not found

    cache_->AddPathId("kept");  // the failed calls left the file in use
    EXPECT_EQ(Ids{"kept"}, Take());
}

TEST_F(CacheTest, ItemsAreAppendedInOrderAndOnlyNonEmptyIdsTakenOutTogether) {
    InitFile();
    cache_->AddPathId("a");
    cache_->AddPathIds({"b", "b"});
    cache_->AddPathIds({});    // empty lists touch nothing
    cache_->AddPathIdsW({});
    cache_->AddPathIdsW({L""});  // converts to nothing: an item without pathid
    cache_->AddPathIds({""});    // kept as an empty pathid
    cache_->AddPathId("c");
    EXPECT_EQ(FileWith({"<Item pathid=\"a\" />", "<Item pathid=\"b\" />", "<Item pathid=\"b\" />",
                        "<Item />", "<Item pathid=\"\" />", "<Item pathid=\"c\" />"}),
              Content());

    Ids ids = {"already there"};
    std::string printed = Printed([&] { cache_->TakePathIds(ids); });
    EXPECT_EQ((Ids{"already there", "a", "b", "b", "c"}), ids);
    EXPECT_EQ("pathHash=apathHash=bpathHash=bpathHash=c", printed);
    EXPECT_EQ(kEmptyCacheFile, Content());
    EXPECT_TRUE(Take().empty());
}

TEST_F(CacheTest, IdsThatAreNotUtf8AreRefusedAndEveryOtherIdReadsBackByteForByte) {
    InitFile();
    const Ids kept = {"say \"hi\"", "a&b<c>'d'\ttab", std::string("\x01\x1f\t\n\r ctl"), "q\"'",
                      "&#x41;", "\xef\xbb\xbf" "bom", "\xf0\x9f\x98\x80"};
    const Ids refused = {"caf\xe9", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\x80", "ab\xe2\x82"};
    Ids all;
    for (size_t i = 0; i < kept.size(); ++i) {
        all.push_back(kept[i]);
        if (i < refused.size()) all.push_back(refused[i]);
    }
    cache_->AddPathIds(all);  // only the malformed ones are left out
    for (const std::string& id : refused) cache_->AddPathId(id);
    cache_->AddPathIdsW({L"Gr\u00f6\u00dfe-\u8def\u5f84"});
    // Values are escaped as the file's other readers expect.
    const std::string content = Content();
    EXPECT_NE(std::string::npos, content.find("<Item pathid='say &quot;hi&quot;' />"));
    EXPECT_NE(std::string::npos, content.find("pathid=\"a&amp;b&lt;c&gt;&apos;d&apos;&#x09;tab\""));
    Ids expected = kept;
    expected.push_back("Gr\xc3\xb6\xc3\x9f" "e-\xe8\xb7\xaf\xe5\xbe\x84");
    EXPECT_EQ(expected, Take());
    EXPECT_EQ(kEmptyCacheFile, Content());
}

TEST_F(CacheTest, ForeignNamesAreReadAndOtherNodesKept) {
    WriteBytes(path_,
               "\xef\xbb\xbf<?xml version=\"1.0\" ?>\r\n<Root>\r\n<Entry pathid=\"x\"/>\r\n"
               "<!-- note -->\r\n<Other kind=\"k\" pathid=\"y\"/>\r\n</Root>\r\n");
    InitFile();
    cache_->AddPathId("z");
    EXPECT_EQ((Ids{"x", "y", "z"}), Take());
    EXPECT_EQ("<?xml version=\"1.0\" ?>\r\n<Root>\r\n    <!-- note -->\r\n</Root>\r\n", Content());
}

TEST_F(CacheTest, ClearEmptiesTheFileAndLaterAppendsAreKept) {
    InitFile();
    cache_->AddPathId("old");
    EXPECT_EQ("clear file suces\n", Printed([&] { cache_->ClearCacheFile(); }));
    EXPECT_EQ("", Content());
    EXPECT_TRUE(Take().empty());

    cache_->AddPathId("new");
    EXPECT_EQ(FileWith({"<Item pathid=\"new\" />"}), Content());
    EXPECT_EQ(Ids{"new"}, Take());

    DeleteFileW(path_.c_str());  // a missing file is neither cleared nor made up
    EXPECT_EQ("", Printed([&] { cache_->ClearCacheFile(); }));
    cache_->AddPathId("x");
    EXPECT_FALSE(FileExists(path_));
}

TEST_F(CacheTest, ADamagedFileIsKeptAsideAndAFreshOneTakesItsPlace) {
    const std::string cut = FileWith({"<Item pathid=\"1\" />"}).substr(0, 84);  // cut mid-file
    // Nesting that would exhaust the parser's stack, also where what looks
    // like a close is only a quoted value or a comment.
    std::string deep, quotedCloses, commentedCloses;
    for (int i = 0; i < 200000; ++i) {
        deep += "<a>";
        quotedCloses += "<a b='/>'>";
        commentedCloses += "<a><!-- </a> -->";
    }
    // One byte past the bound the reader accepts, though it would parse.
    const size_t tooLarge = 64u * 1024 * 1024 + 1;
    std::string large = "<PathItem>";
    large += std::string(tooLarge - large.size() - 11, ' ') + "</PathItem>";
    const std::string cases[] = {cut, "<?xml version=\"1.0\" ?>\r\n<!-- no element -->\r\n",
                                 "not xml at all", std::string("\0\0\0\0", 4), deep,
                                 quotedCloses, commentedCloses, large};
    // Each damage gets a copy of its own; earlier copies stay as they were.
    auto aside = [&](size_t n) { return path_ + L".damaged-" + std::to_wstring(n); };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string& damaged = cases[i];
        WriteBytes(path_, damaged);
        InitFile();
        EXPECT_EQ(damaged.size(), ReadBytes(path_).size());  // init leaves it alone
        const std::string said = Printed([&] { cache_->AddPathId("after"); });
        EXPECT_EQ("damaged file kept as " + Utf8(aside(i + 1)) + "\n", said);
        EXPECT_EQ(Ids{"after"}, Take()) << damaged.substr(0, 40);
        EXPECT_EQ(kEmptyCacheFile, Content());
        for (size_t k = 0; k <= i; ++k)
            EXPECT_TRUE(ReadBytes(aside(k + 1)) == cases[k]) << k << " " << damaged.substr(0, 40);
    }
    for (size_t i = 0; i < std::size(cases); ++i) DeleteFileW(aside(i + 1).c_str());
    const std::wstring blankAside = aside(1);

    for (const std::string& blank : {std::string(), std::string(" \r\n\t")}) {
        WriteBytes(path_, blank);
        InitFile();
        cache_->AddPathId("kept");
        EXPECT_EQ(Ids{"kept"}, Take());
        EXPECT_FALSE(FileExists(blankAside));  // nothing to keep: a blank file is an empty list
    }
}

TEST_F(CacheTest, ASaveLeftCompleteBesideTheFileIsFinishedAndAPartOneDropped) {
    const std::string saved = FileWith({"<Item pathid=\"saved\" />"});
    const std::wstring complete = path_ + L".new";
    const std::wstring partial = path_ + L".tmp";
    WriteBytes(path_, saved.substr(0, 50));  // the main file was being rewritten
    WriteBytes(complete, saved);
    WriteBytes(partial, "<?xml");
    InitFile();
    cache_->AddPathId("next");
    EXPECT_FALSE(FileExists(complete));
    EXPECT_FALSE(FileExists(partial));
    EXPECT_EQ((Ids{"saved", "next"}), Take());

    cache_->AddPathId("old");
    WriteBytes(partial, saved);  // never completed: the file as it is counts
    EXPECT_EQ(Ids{"old"}, Take());
    EXPECT_FALSE(FileExists(partial));
}
