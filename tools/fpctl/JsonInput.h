// Reading a JSON document that a person or another program wrote, strictly:
// a key given twice in one object is refused (the parser would keep the last
// quietly), and so is nesting deeper than any fpctl file needs, before it is
// built, so no input can run the stack out.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// Throws UsageError naming source and what is wrong.
nlohmann::json ParseStrict(const std::string& bytes, const std::string& source);
