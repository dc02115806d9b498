// How a command that changed something says so: a line of text, or with
// --json one object.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "Fpctl.h"

void Report(const Context& context, const std::string& text, const nlohmann::json& document);

// "1 path" / "3 paths".
std::string Count(size_t n, const std::string& noun);
