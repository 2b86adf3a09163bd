// Strict reading of JSON input for the simulator: every refusal is one line naming the JSON path
// ("$.world.faults.create_failure") and the rule the value breaks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace jr {

using nlohmann::json;

// Thrown by every check below; what() is "<path>: <rule>".
struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Refuse(const std::string& path, const std::string& rule);
// Paths of members and array items: $.a.b, $.a["odd key"], $.a[3].
std::string Child(const std::string& path, const std::string& key);
std::string Item(const std::string& path, size_t index);

// Parses text, refusing malformed JSON, duplicate keys and nesting deeper than maxDepth (checked
// before any value is built, so deep input cannot exhaust the stack later).
json ParseBounded(const std::string& text, int maxDepth);

// One known member of an object and what to do with its value (and the value's path).
using Field = std::pair<const char*, std::function<void(const json&, const std::string&)>>;
// The action of a field that stores what read(value, path) makes of its value:
// {"key", Into(o.field, read)}.
template <typename T, typename Read>
std::function<void(const json&, const std::string&)> Into(T& field, Read read) {
    return [&field, read](const json& x, const std::string& at) { field = read(x, at); };
}
// Requires an object and hands each member to its field; a member no field knows is refused,
// naming the closest known key.
void ReadObject(const json& v, const std::string& path, std::initializer_list<Field> fields);
// The known name nearest to a misspelt one (edit distance, ignoring case); the settings
// checker uses it too.
std::string ClosestKey(const std::string& key, const std::vector<std::string>& known);

double Number(const json& v, const std::string& path, double lo, double hi);
int64_t Whole(const json& v, const std::string& path, int64_t lo, int64_t hi);
bool Flag(const json& v, const std::string& path);
std::string Text(const json& v, const std::string& path, size_t maxBytes);
// A hash given as a number, as "0x" and up to eight hex digits, or as a name to hash.
uint32_t Hash(const json& v, const std::string& path);
// Requires an array of at most maxItems items; returns it.
const json& Array(const json& v, const std::string& path, size_t maxItems);
// Readable form of a bound for messages: 1e+06 -> 1000000.
std::string Bound(double v);

} // namespace jr
