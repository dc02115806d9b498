#include "Report.h"

#include "Output.h"

void Report(const Context& context, const std::string& text, const nlohmann::json& document) {
    if (context.json)
        PrintJson(document);
    else
        PrintLine(text);
}

std::string Count(size_t n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}
