// The cache file's fast paths against TinyXML doing the same the plain way
// (load the file, change the document, print it over the file in text
// mode), over canonical files of adversarial items and over every other form
// other programs write; and each moment a killed change can leave the file
// in, read back as the old content or the new one.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cache/CacheContent.h"
#include "cache/CacheJournal.h"
#include "cache/CanonicalForm.h"
#include "interfaces/FileProtectExports.h"
#include "tinyxml.h"

namespace {

using Items = std::vector<CacheItem>;

std::wstring TempFile(const wchar_t* name) {
    static const std::wstring folder = [] {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::wstring path = std::wstring(temp) + L"cache-form-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }();
    return folder + L"\\" + name;
}

void Write(const std::wstring& path, const std::string& bytes) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(nullptr, file);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

std::string Read(const std::wstring& path) {
    std::string bytes;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return bytes;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof(chunk), file)) > 0;) bytes.append(chunk, n);
    fclose(file);
    return bytes;
}

// TinyXML's own printing to a text-mode stream.
std::string PrintedPlainly(const TiXmlDocument& document) {
    const std::wstring path = TempFile(L"printed.xml");
    FILE* file = _wfopen(path.c_str(), L"w");
    document.Print(file, 0);
    fclose(file);
    return Read(path);
}

Items ItemsOf(const TiXmlDocument& document) {
    Items items;
    for (const TiXmlElement* item = document.RootElement()->FirstChildElement(); item;
         item = item->NextSiblingElement()) {
        const char* id = item->Attribute("pathid");
        items.push_back(id ? CacheItem(id) : std::nullopt);
    }
    return items;
}

// The plain way, from the file's bytes.
struct Plain {
    bool loaded = false;
    Items items;
    std::string appended;  // the file after appending `added`
    std::string taken;     // the file after removing every item
};

bool LoadPlainly(const std::wstring& path, TiXmlDocument& document) {
    FILE* in = _wfopen(path.c_str(), L"rb");
    const bool loaded = in && document.LoadFile(in, TIXML_ENCODING_UTF8) && document.RootElement();
    if (in) fclose(in);
    return loaded;
}

// Each change on a document loaded for it: a copied document would lose what
// follows a zero byte in a value.
Plain PlainWay(const std::string& bytes, const Items& added) {
    Plain plain;
    const std::wstring path = TempFile(L"plain.xml");
    Write(path, bytes);
    TiXmlDocument appended, taken;
    plain.loaded = LoadPlainly(path, appended) && LoadPlainly(path, taken);
    if (!plain.loaded) return plain;
    plain.items = ItemsOf(taken);
    for (const CacheItem& item : added) {
        TiXmlElement* element =
            appended.RootElement()->LinkEndChild(new TiXmlElement("Item"))->ToElement();
        if (item) element->SetAttribute("pathid", item->c_str());
    }
    plain.appended = PrintedPlainly(appended);
    TiXmlElement* root = taken.RootElement();
    while (TiXmlElement* item = root->FirstChildElement()) root->RemoveChild(item);
    plain.taken = PrintedPlainly(taken);
    return plain;
}

std::string Applied(const std::string& bytes, const CacheEdit& edit) {
    return bytes.substr(0, edit.offset) + edit.tail;
}

std::vector<std::string> AdversarialIds() {
    std::vector<std::string> ids = {
        "", "plain", "1234567890", "-2147483648", "say \"hi\"", "it's", "q\"'\"",
        "a&b<c>d", "&amp;", "&#x41;", "&#65;", "&#x;", "&unknown;", "]]>", "-->", "<!--",
        "/>", "a=b", "  blanks  ", "\x01\x1f\t\n\r", "\x7f", "\r\n", "tab\there",
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): split only to end the escapes
        "\xef\xbb\xbf" "bom", "mid\xef\xbb\xbf" "dle", "\xef\xbf\xbe\xef\xbf\xbf",
        "caf\xc3\xa9", "\xe8\xb7\xaf\xe5\xbe\x84", "\xf0\x9f\x98\x80", "\xf4\x8f\xbf\xbf",
        "e\xcc\x81", "\xc2\x80\xdf\xbf\xe0\xa0\x80",
    };
    ids.push_back(std::string(5000, 'L') + "\"" + std::string(300, '\x02'));
    // Each byte the printer treats apart, and the plain ones next to them, at
    // every place of a sixteen-byte block and past it.
    for (const char* apart : {"&", "<", ">", "\"", "'", "\x1f", "\xc3\xa9", "\x7f", " ", "~"})
        for (size_t place = 0; place < 34; ++place) ids.push_back(std::string(place, 'p') + apart + "z");
    return ids;
}

// A file as TinyXML prints the list.
std::string PlainFile(const Items& items) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    TiXmlElement* root = document.LinkEndChild(new TiXmlElement("PathItem"))->ToElement();
    for (const CacheItem& item : items) {
        TiXmlElement* element = root->LinkEndChild(new TiXmlElement("Item"))->ToElement();
        if (item) element->SetAttribute("pathid", item->c_str());
    }
    return PrintedPlainly(document);
}

std::vector<Items> CanonicalLists() {
    std::vector<Items> lists = {{}, {std::string("one")}, {std::nullopt}, {std::string("")}};
    Items all;
    for (const std::string& id : AdversarialIds()) all.emplace_back(id);
    all.emplace_back(std::nullopt);
    lists.push_back(all);
    Items many;
    for (int i = 0; i < 600; ++i) many.push_back(all[(i * 7) % all.size()]);
    lists.push_back(many);
    return lists;
}

// Other forms of one small file, as other programs and older builds write
// it. All are well-formed UTF-8, so TinyXML reads them safely.
std::vector<std::string> OtherForms() {
    const std::string canonical = PlainFile({std::string("a"), std::string("q\"x"), std::nullopt,
                                             std::string(""), std::string("\x01")});
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = canonical;
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
        return text;
    };
    const std::string declaration = kCacheDeclarationLine;
    return {
        replaced("\r\n", "\n"), replaced("\r\n", "\r"), canonical.substr(declaration.size()),
        replaced(declaration, "<?xml version=\"1.0\" ?>\r\n"),
        replaced(declaration, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"),
        "\xef\xbb\xbf" + canonical, "\r\n" + canonical, canonical + "\r\n", canonical + "  ",
        canonical + std::string("\0\0journal left by a kill", 24),
        replaced("<PathItem>", "<PathItem >"), replaced("<PathItem>", "<PathItem a=\"1\">"),
        replaced("PathItem", "Root"), replaced("<Item pathid=\"a\" />", "<Item pathid=\"a\"/>"),
        replaced("<Item pathid=\"a\" />", "<Item  pathid=\"a\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid='a' />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid = \"a\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"a\" x=\"1\" />"),
        replaced("<Item pathid=\"a\" />", "<Item x=\"1\" pathid=\"a\" />"),
        replaced("<Item pathid=\"a\" />", "<Entry pathid=\"a\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"a\"></Item>"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"&#x41;&#65;&#x0a;&#x00;z\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"'>&unknown;\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"&quot;\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"it's\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"a>b\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"a\tb\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"a\x1f" "b\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"a\" /><Item pathid=\"b\" />"),
        replaced("<Item pathid=\"a\" />", "<Item pathid=\"a\" />\r\n<!-- note -->\r\ntext"),
        replaced("<Item pathid=\"a\" />", "<![CDATA[x]]><?pi x?><Item pathid=\"a\">t</Item>"),
        replaced("    <Item", "\t<Item"), replaced("    <Item", "  <Item"),
        // One rule of the canonical form broken at a time.
        replaced("&#x01;", "&#x1;"), replaced("&#x01;", "&#x0a;"), replaced("&#x01;", "&#x00;"),
        replaced("&#x01;", "&#x20;"), replaced("&#x01;", "&#1;"), replaced("&#x01;", "\t"),
        replaced("pathid=\"a\"", "pathid=\"a'b\""), replaced("pathid=\"a\"", "pathid=\"a>b\""),
        replaced("'q&quot;x'", "\"q&quot;x\""), replaced("'q&quot;x'", "'q\"x'"),
        declaration + "<PathItem>\r\n</PathItem>\r\n", declaration + "<PathItem></PathItem>\r\n",
        declaration + "<PathItem />", declaration + "<PathItem/>\r\n",
        declaration + "<PathItem>\r\n    <Item pathid=\"a\" />\r\n</PathItem>\r\n<!-- after -->",
    };
}

void ExpectLikeThePlainWay(const std::string& bytes) {
    const Items added = {std::string("new"), std::nullopt, std::string("q\"&")};
    const Plain plain = PlainWay(bytes, added);
    ASSERT_TRUE(plain.loaded);
    CacheContent content(bytes, true);
    EXPECT_FALSE(content.Damaged() || content.PartlyDamaged());
    EXPECT_EQ(plain.items, content.Items());
    EXPECT_EQ(plain.appended, Applied(bytes, CacheContent(bytes, false).Append(added)));
    const std::optional<CacheEdit> taken = content.TakeAll();
    EXPECT_EQ(plain.taken, taken ? Applied(bytes, *taken) : bytes);
    // The scan takes only what printing gives back unchanged.
    CanonicalLayout layout;
    if (ScanCanonical(bytes, layout, nullptr)) {
        TiXmlDocument document;
        document.Parse(bytes.c_str(), nullptr, TIXML_ENCODING_UTF8);
        EXPECT_EQ(bytes, PlainFile(ItemsOf(document)));
    }
}

}  // namespace

TEST(CacheForm, CanonicalFilesAreScannedAndChangedAsTinyXmlWould) {
    for (const Items& items : CanonicalLists()) {
        const std::string bytes = PlainFile(items);
        SCOPED_TRACE(testing::Message() << items.size() << " items");
        CanonicalLayout layout;
        Items scanned;
        ASSERT_TRUE(ScanCanonical(bytes, layout, &scanned));
        EXPECT_EQ(items, scanned);
        ExpectLikeThePlainWay(bytes);
        for (const CacheItem& item : items) {
            const std::string line = CanonicalItemLine(item);
            EXPECT_NE(std::string::npos, bytes.find(line));
        }
    }
}

TEST(CacheForm, EveryOtherFormIsReadAndChangedAsTinyXmlWould) {
    const std::vector<std::string> forms = OtherForms();
    for (size_t i = 0; i < forms.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "form " << i << ": " << testing::PrintToString(forms[i]));
        CanonicalLayout layout;
        EXPECT_FALSE(ScanCanonical(forms[i], layout, nullptr));
        ExpectLikeThePlainWay(forms[i]);
    }
}

TEST(CacheForm, TheStringPrinterPrintsAsTinyXmlPrintsToAStream) {
    std::vector<std::string> documents = OtherForms();
    for (const Items& items : CanonicalLists()) documents.push_back(PlainFile(items));
    documents.push_back("<r>one text</r>");
    documents.push_back("<r><![CDATA[a\nb]]></r>");
    documents.push_back("<r>\n<a><b>t<c/>u</b></a><![CDATA[x]]>text &amp; more<!--c--><?u v?></r>");
    for (const std::string& text : documents) {
        TiXmlDocument document;
        document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
        ASSERT_FALSE(document.Error()) << text;
        EXPECT_EQ(PrintedPlainly(document), PrintedCacheDocument(document)) << text;
    }
}

TEST(CacheForm, DamagedPartsAreLeftOutAndTheRestKept) {
    const std::string head = std::string(kCacheDeclarationLine) + kOpenRootLine;
    auto file = [&](const std::string& middle) {
        return head + "    <Item pathid=\"a\" />\r\n" + middle + "    <Item pathid=\"b\" />\r\n" +
               kCloseRootLine;
    };
    struct Case {
        std::string bytes;
        Items items;
        bool whole;
    };
    const Items ab = {std::string("a"), std::string("b")};
    const Case cases[] = {
        {file("    <Item pathid=\"a&#xD800;z\" />\r\n"), ab, false},
        {file("    <Item pathid=\"&#x110000;\" />\r\n"), ab, false},
        {file("    <Item pathid=\"caf\xe9\" />\r\n"), ab, false},
        {file("    <Item pathid=\"\xe9\" />\r\n"), ab, false},  // a lead byte before the quote
        {file("    <Item pathid=\"\x80\" />\r\n"), ab, false},
        {file("    <Item pathid=\"&#x41\" />\r\n"), ab, false},
        {file("    <Item pathid=\"&#;\" />\r\n"), ab, false},
        {file("    <Item pathid=\"ok\" other=\"\xc0\xaf\" />\r\n"), ab, false},
        {file("    <!-- \xff -->\r\n"), ab, false},
        {file("") + "<!-- \xed\xa0\x80 -->", ab, false},
        {head + "<Item pathid=\"a\" /></Path\xe9Item>\r\n", {}, true},
        {std::string(kCacheDeclarationLine) + "<P a=\"&#xDFFF;\"><Item pathid=\"a\" /></P>", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        CacheContent content(c.bytes, true);
        EXPECT_EQ(c.whole, content.Damaged());
        EXPECT_EQ(!c.whole, content.PartlyDamaged());
        EXPECT_EQ(c.items, content.Items());
        // What is written back is well-formed, and reads back without damage.
        const std::string after = Applied(c.bytes, CacheContent(c.bytes, false).Append({std::string("c")}));
        CacheContent again(after, true);
        EXPECT_FALSE(again.Damaged() || again.PartlyDamaged()) << after;
        Items expected = c.items;
        expected.emplace_back("c");
        EXPECT_EQ(expected, again.Items());
    }
}

TEST(CacheForm, AChangeCutAtAnyMomentReadsAsTheOldContentOrTheNew) {
    // The states a kill leaves: the record past the end cut after every byte,
    // the record complete, and then the part written in place cut after
    // every byte. A power cut may leave zeros where the part should be.
    const std::string old = PlainFile({std::string("a")});
    CacheContent content(old, false);
    const CacheEdit edit = content.Append({std::string("b"), std::string("c")});
    const std::string record = JournalRecord(old.size(), edit.offset, edit.tail);
    struct State {
        std::string bytes;
        bool changed;
    };
    std::vector<State> states;
    for (size_t cut = 0; cut < record.size(); ++cut) states.push_back({old + record.substr(0, cut), false});
    const std::string complete = old + record;
    for (size_t written = 0; written <= edit.tail.size(); ++written) {
        std::string bytes = complete;
        bytes.replace(edit.offset, written, edit.tail.substr(0, written));
        states.push_back({bytes, true});
    }
    std::string zeros = complete;
    const size_t partAt = complete.size() - kJournalFooterSize - edit.tail.size();
    zeros.replace(partAt, edit.tail.size(), std::string(edit.tail.size(), '\0'));
    states.push_back({zeros, false});

    const std::wstring path = TempFile(L"killed.xml");
    IProtectFileCacheFileMgr* cache = getFileProtectCacheMgr();
    for (const State& state : states) {
        Write(path, state.bytes);
        ASSERT_TRUE(cache->InitCacheFile(path, L"test"));
        std::vector<std::string> ids;
        cache->TakePathIds(ids);
        const std::vector<std::string> expected =
            state.changed ? std::vector<std::string>{"a", "b", "c"} : std::vector<std::string>{"a"};
        EXPECT_EQ(expected, ids) << testing::PrintToString(state.bytes);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((path + L".damaged-1").c_str()));
    }
}
