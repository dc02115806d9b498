#include "Report.h"

void Report(const Context& context, const std::string& text, const nlohmann::json& document) {
    if (context.json)
        PrintJson(document);
    else
        PrintLine(text);
}

std::string Count(size_t n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

void Warn(const std::string& text) { PrintError("fpctl: " + text); }
