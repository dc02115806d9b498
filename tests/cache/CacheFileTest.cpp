// The cache file of path items, through getFileProtectCacheMgr as a host
// uses it: the file's exact layout, appends, takes and the printed messages.
#include "CacheTestSupport.h"

TEST_F(CacheTest, InitCreatesTheSkeletonOnceAndRefusesBadArguments) {
    InitFile();
    EXPECT_EQ(kEmptyCacheFile, Content());

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

TEST_F(CacheTest, InitLeavesAnExistingFileAsItIs) {
    for (const std::string& existing : {std::string(), std::string("<PathItem><Item pathid=")}) {
        WriteBytes(path_, existing);
        InitFile();
        EXPECT_EQ(existing, Content());
    }
}

TEST_F(CacheTest, ItemsAreAppendedInOrderAndTakenOutTogether) {
    InitFile();
    cache_->AddPathId("a");
    cache_->AddPathIds({"b", "b"});
    cache_->AddPathIds({});  // empty lists touch nothing
    cache_->AddPathIdsW({});
    EXPECT_EQ(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
        "<PathItem>\r\n"
        "    <Item pathid=\"a\" />\r\n"
        "    <Item pathid=\"b\" />\r\n"
        "    <Item pathid=\"b\" />\r\n"
        "</PathItem>\r\n",
        Content());

    Ids ids = {"already there"};
    std::string printed = Printed([&] { cache_->TakePathIds(ids); });
    EXPECT_EQ((Ids{"already there", "a", "b", "b"}), ids);
    EXPECT_EQ("pathHash=apathHash=bpathHash=b", printed);
    EXPECT_EQ(kEmptyCacheFile, Content());
    EXPECT_TRUE(Take().empty());
}

TEST_F(CacheTest, EmptyTextsAndItemsWithoutIdAreNeverHandedOut) {
    InitFile();
    cache_->AddPathIds({"1"});
    cache_->AddPathIdsW({L""});  // converts to nothing: an item without pathid
    cache_->AddPathIds({""});    // kept as an empty pathid
    cache_->AddPathId("2");
    EXPECT_EQ(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
        "<PathItem>\r\n"
        "    <Item pathid=\"1\" />\r\n"
        "    <Item />\r\n"
        "    <Item pathid=\"\" />\r\n"
        "    <Item pathid=\"2\" />\r\n"
        "</PathItem>\r\n",
        Content());

    std::string printed;
    EXPECT_EQ((Ids{"1", "2"}), Take(&printed));
    EXPECT_EQ("pathHash=1pathHash=2", printed);
    EXPECT_EQ(kEmptyCacheFile, Content());
}

TEST_F(CacheTest, ValuesWithMarkupAndNonAsciiTextComeBackUnchanged) {
    InitFile();
    const std::string quoted = "say \"hi\"";
    const std::string markup = "a&b<c>'d'\ttab";
    cache_->AddPathIds({quoted, markup});
    cache_->AddPathIdsW({L"Gr\u00f6\u00dfe-\u8def\u5f84"});
    const std::string content = Content();
    EXPECT_NE(std::string::npos, content.find("<Item pathid='say &quot;hi&quot;' />"));
    EXPECT_NE(std::string::npos, content.find("pathid=\"a&amp;b&lt;c&gt;&apos;d&apos;&#x09;tab\""));
    EXPECT_EQ((Ids{quoted, markup, "Gr\xc3\xb6\xc3\x9f" "e-\xe8\xb7\xaf\xe5\xbe\x84"}), Take());
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
    EXPECT_EQ(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
        "<PathItem>\r\n"
        "    <Item pathid=\"new\" />\r\n"
        "</PathItem>\r\n",
        Content());
    EXPECT_EQ(Ids{"new"}, Take());

    DeleteFileW(path_.c_str());  // a missing file is neither cleared nor made up
    EXPECT_EQ("", Printed([&] { cache_->ClearCacheFile(); }));
    cache_->AddPathId("x");
    EXPECT_FALSE(FileExists(path_));
}

TEST_F(CacheTest, AMalformedFileIsNeitherReadNorOverwritten) {
    for (const std::string& unusable :
         {std::string("<?xml version=\"1.0\" ?>\r\n<PathItem>\r\n<Item pathid=\"1\" />\r\n"),
          std::string("<?xml version=\"1.0\" ?>\r\n<!-- no element -->\r\n")}) {
        WriteBytes(path_, unusable);
        InitFile();
        std::string printed;
        EXPECT_TRUE(Take(&printed).empty());
        EXPECT_EQ("", printed);
        cache_->AddPathId("2");
        cache_->AddPathIds({"3"});
        EXPECT_EQ(unusable, Content());
    }
}

TEST_F(CacheTest, ItemsStayInTheFileWhenTheTakeCannotSave) {
    InitFile();
    cache_->AddPathIds({"a", "b"});
    const std::string before = Content();
    Ids ids = {"mine"};
    std::string printed;
    {
        // A file mapped into memory can be read but not cut short, so the
        // take loads the items and then cannot save the file without them.
        KernelHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        KernelHandle mapping(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        ASSERT_TRUE(mapping.Held());
        file.Close();
        printed = Printed([&] { cache_->TakePathIds(ids); });
    }
    EXPECT_EQ(Ids{"mine"}, ids);  // nothing handed out that is still in the file
    EXPECT_EQ("", printed);
    EXPECT_EQ(before, Content());
    EXPECT_EQ((Ids{"a", "b"}), Take());  // handed out once, by the take that saved
}
