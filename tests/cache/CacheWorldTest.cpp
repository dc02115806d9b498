// The cache file among other programs: scanners holding files beside it,
// items another program escaped or damaged, a folder full of earlier
// damage, names that push past the system's limits, and other spellings of
// the same file. Whatever surrounds it, every item appended is taken exactly
// once.
#include <algorithm>
#include <cwctype>
#include <functional>
#include <iterator>
#include <memory>

#include "tests/cache/CacheTestSupport.h"

namespace {

// The file as the library writes it, with one line per item.
std::string FileWith(const std::vector<std::string>& itemLines) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<PathItem>\r\n";
    for (const std::string& line : itemLines) text += "    " + line + "\r\n";
    return text + "</PathItem>\r\n";
}

std::string Items(const Ids& ids) {
    std::vector<std::string> lines;
    for (const std::string& id : ids) lines.push_back("<Item pathid=\"" + id + "\" />");
    return FileWith(lines);
}

// What a case leaves open while the appends run (a scanner's handle, say);
// closed before the take.
using Held = std::vector<std::unique_ptr<fileprotect::Handle>>;

HANDLE Hold(const std::wstring& path, DWORD sharing) {
    return CreateFileW(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

struct WorldCase {
    const char* what;
    // Prepares the file and what lies beside it; gives back what stays open.
    std::function<bool(const std::wstring& file, Held& held)> arrange;
    Ids before;        // taken before the appends' own items
    bool keptAside;    // a copy of damaged content lies beside the file afterwards
    std::wstring name = L"cache.xml";
};

constexpr DWORD kRead = FILE_SHARE_READ;
constexpr DWORD kReadDelete = FILE_SHARE_READ | FILE_SHARE_DELETE;
constexpr DWORD kReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A save left beside the file by a killed process, held open by a scanner
// with the given sharing while the appends run.
WorldCase HeldLeftover(const char* what, const wchar_t* suffix, const std::string& content,
                       DWORD sharing, Ids before) {
    return {what,
            [=](const std::wstring& file, Held& held) {
                const std::wstring side = file + suffix;
                held.push_back(std::make_unique<fileprotect::Handle>(
                    WriteBytes(side, content) ? Hold(side, sharing) : nullptr));
                return held.back()->Valid();
            },
            before, false};
}

std::vector<WorldCase> WorldCases() {
    const std::string complete = Items({"left"});
    std::vector<WorldCase> cases;
    for (DWORD sharing : {kRead, kReadDelete, kReadWrite, kAll}) {
        cases.push_back(HeldLeftover("part save held", L".tmp", "<?xml", sharing, {}));
        cases.push_back(HeldLeftover("complete save held", L".new", complete, sharing, {"left"}));
    }
    auto withFile = [](const std::string& content, const wchar_t* suffix,
                       const std::string& side) {
        return [=](const std::wstring& file, Held&) {
            return WriteBytes(file, content) && (!suffix || WriteBytes(file + suffix, side));
        };
    };
    const std::string good = Items({"a"});
    cases.push_back({"complete save of zeros", withFile(good, L".new", std::string(4096, '\0')),
                     {"a"}, false});
    cases.push_back({"complete save of nothing", withFile(good, L".new", ""), {"a"}, false});
    cases.push_back({"complete save cut short",
                     withFile(good, L".new", complete.substr(0, complete.size() / 2)), {"a"}, false});
    cases.push_back({"side names taken by folders",
                     [](const std::wstring& file, Held&) {
                         return CreateDirectoryW((file + L".tmp").c_str(), nullptr) &&
                                CreateDirectoryW((file + L".new").c_str(), nullptr);
                     },
                     {}, false});
    cases.push_back({"an item escaped as a lone surrogate",
                     withFile(Items({"a", "a&#xD800;z", "b"}), nullptr, ""), {"a", "b"}, true});
    cases.push_back({"an item that is not UTF-8",
                     withFile(Items({"a", "caf\xe9", "b"}), nullptr, ""), {"a", "b"}, true});
    cases.push_back({"a thousand earlier damaged files",
                     [](const std::wstring& file, Held&) {
                         for (int n = 1; n <= 1000; ++n)
                             if (!WriteBytes(file + L".damaged-" + std::to_wstring(n), "old"))
                                 return false;
                         return WriteBytes(file, "not xml");
                     },
                     {}, true});
    // The copy kept aside gets a longer name than the file: where the file's
    // own name is near the system's limit for one name, the copy's must not
    // pass it.
    cases.push_back({"damage beside a name of 250 characters",
                     withFile("not xml", nullptr, ""), {}, true,
                     std::wstring(246, L'n') + L".xml"});
    return cases;
}

}  // namespace

class CacheWorldTest : public CacheTest {
protected:
    // Each case in a folder of its own, so that what it leaves beside the
    // file cannot meet the next case.
    std::wstring CaseFile(size_t index, const std::wstring& name = L"cache.xml") {
        const std::wstring folder = MakeTempFolder(L"cache-world-" + std::to_wstring(index));
        return folder + L"\\" + name;
    }

    // The damaged copies kept beside `file` (in its case's own folder), by
    // content.
    static std::vector<std::string> KeptAside(const std::wstring& file) {
        std::vector<std::string> aside;
        const std::wstring folder = file.substr(0, file.rfind(L'\\') + 1);
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"*.damaged-*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return aside;
        do {
            const std::string bytes = ReadBytes(folder + found.cFileName);
            if (bytes != "old") aside.push_back(bytes);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return aside;
    }
};

TEST_F(CacheWorldTest, EveryAppendIsTakenOnceWhateverLiesBesideTheFile) {
    const std::vector<WorldCase> cases = WorldCases();
    for (size_t i = 0; i < cases.size(); ++i) {
        const WorldCase& world = cases[i];
        SCOPED_TRACE(world.what);
        const std::wstring file = CaseFile(i, world.name);
        ASSERT_TRUE(cache_->InitCacheFile(file, L"test"));
        Held held;
        ASSERT_TRUE(world.arrange(file, held));

        Ids appended;
        std::string printed = Printed([&] {
            for (int n = 0; n < 5; ++n) {
                appended.push_back("w" + std::to_string(n));
                cache_->AddPathId(appended.back());
            }
        });
        held.clear();  // the scanner lets go

        Ids expected = world.before;
        expected.insert(expected.end(), appended.begin(), appended.end());
        EXPECT_EQ(expected, Take());
        cache_->AddPathId("later");  // nothing left beside the file comes back
        EXPECT_EQ(Ids{"later"}, Take());
        EXPECT_EQ(kEmptyCacheFile, ReadBytes(file));
        EXPECT_EQ(world.keptAside, !KeptAside(file).empty());
    }
}

TEST_F(CacheWorldTest, ACompleteSaveIsFinishedOnceWhicheverSpellingFindsIt) {
    // A killed process left a complete save [a, b] beside a file holding [a].
    // It lies under the file's own name or under its short name; processes
    // then take through different spellings of the file. Every spelling must
    // see the same side file, so the "a" is taken once, never again by a
    // process that finds the save under the spelling it uses.
    struct Spellings {
        const char* planted;
        std::vector<const char*> takers;
    };
    const Spellings table[] = {{"long", {"long", "short", "upper"}},
                               {"long", {"short", "long"}},
                               {"long", {"upper", "long"}},
                               {"short", {"long", "short"}},
                               {"short", {"short", "long"}}};
    for (size_t i = 0; i < std::size(table); ++i) {
        const std::wstring longName = CaseFile(100 + i, L"CacheWithALongName.xml");
        ASSERT_TRUE(WriteBytes(longName, Items({"a"})));
        wchar_t shortBuffer[MAX_PATH] = {};
        ASSERT_NE(0u, GetShortPathNameW(longName.c_str(), shortBuffer, MAX_PATH));
        std::wstring upper = longName;
        for (wchar_t& c : upper) c = towupper(c);
        auto spelled = [&](const std::string& spelling) {
            return spelling == "long" ? longName : spelling == "short" ? shortBuffer : upper;
        };
        SCOPED_TRACE(std::string(table[i].planted) + " " + Utf8(shortBuffer));
        ASSERT_TRUE(WriteBytes(spelled(table[i].planted) + L".new", Items({"a", "b"})));

        Ids taken;
        for (const char* taker : table[i].takers) {
            ASSERT_TRUE(cache_->InitCacheFile(spelled(taker), L"test"));
            for (const std::string& id : Take()) taken.push_back(id);
        }
        EXPECT_EQ(1, std::count(taken.begin(), taken.end(), "a"));
        // A save left under the file's own name is finished; one under
        // another spelling was never complete for this file (its change was
        // never acknowledged) and is at most taken once.
        const long b = std::count(taken.begin(), taken.end(), "b");
        EXPECT_EQ(std::string(table[i].planted) == "long" ? 1 : b, b);
        EXPECT_GE(1, b);
    }
}
