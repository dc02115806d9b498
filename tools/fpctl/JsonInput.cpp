#include "JsonInput.h"

#include <set>
#include <vector>

#include "Fpctl.h"
#include "Text.h"

namespace {

// An export is a document of tables of rows: three levels. Room to spare,
// and far below what the stack holds.
constexpr int kMaxDepth = 32;

using Event = nlohmann::json::parse_event_t;

}  // namespace

nlohmann::json ParseStrict(const std::string& bytes, const std::string& source) {
    std::vector<std::set<std::string>> keys;  // one set per object being read
    auto check = [&keys, &source](int depth, Event event, nlohmann::json& parsed) {
        switch (event) {
            case Event::object_start:
            case Event::array_start:
                if (depth >= kMaxDepth)
                    throw UsageError(source + " nests arrays and objects deeper than " + std::to_string(kMaxDepth) +
                                     " levels");
                if (event == Event::object_start) keys.emplace_back();
                break;
            case Event::object_end:
                if (!keys.empty()) keys.pop_back();
                break;
            case Event::key:
                if (!keys.empty() && !keys.back().insert(parsed.get<std::string>()).second)
                    throw UsageError(source + " gives the key \"" + Shown(parsed.get<std::string>()) +
                                     "\" twice in one object");
                break;
            default:
                break;
        }
        return true;
    };
    try {
        return nlohmann::json::parse(bytes, check);
    } catch (const nlohmann::json::exception& error) {
        throw UsageError(source + " is not JSON: " + Shown(error.what()));
    }
}
