// The strict JSON reading rules every scenario reader uses: one refusal line naming the path and
// the rule, closest-key hints for misspellings.
#include "scenario/json_rules.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <set>

#include "config/config_findings.h"
#include "world/world.h"

namespace jr {

namespace {

bool PlainKey(const std::string& key) {
    if (key.empty() || std::isdigit(static_cast<unsigned char>(key[0]))) return false;
    return std::all_of(key.begin(), key.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

// Walks the token stream once to bound nesting and refuse duplicate keys, keeping the path of
// the value being read so that the refusal can name it.
class Guard : public nlohmann::json_sax<json> {
  public:
    explicit Guard(int maxDepth) : maxDepth_(maxDepth) {}
    std::string error;

    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool string(string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }
    bool start_object(std::size_t) override { return Open(false); }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(true); }
    bool end_array() override { return Close(); }
    bool key(string_t& k) override {
        Frame& f = frames_.back();
        if (!f.keys.insert(k).second) {
            error = Child(PathOf(frames_.size() - 1), k) + ": duplicate key";
            return false;
        }
        f.key = k;
        return true;
    }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& e) override {
        // The library's message starts with its own tag; keep the readable part.
        std::string what = e.what();
        const size_t cut = what.find("] ");
        if (cut != std::string::npos) what = what.substr(cut + 2);
        error = PathOf(frames_.size()) + ": not valid JSON (byte " + std::to_string(position) +
                "): " + what;
        return false;
    }

  private:
    struct Frame {
        bool array = false;
        size_t next = 0; // arrays: index of the next item
        std::string key; // objects: the member being read
        std::set<std::string> keys;
    };
    // The path of the value being read at the given number of open containers.
    std::string PathOf(size_t open) const {
        std::string p = "$";
        for (size_t i = 0; i < open && i < frames_.size(); ++i)
            p = frames_[i].array ? Item(p, frames_[i].next == 0 ? 0 : frames_[i].next - 1)
                                 : Child(p, frames_[i].key);
        return p;
    }
    bool Value() {
        if (!frames_.empty() && frames_.back().array) ++frames_.back().next;
        return true;
    }
    bool Open(bool array) {
        Value();
        if (static_cast<int>(frames_.size()) >= maxDepth_) {
            error = PathOf(frames_.size()) + ": nested deeper than " + std::to_string(maxDepth_) +
                    " levels";
            return false;
        }
        frames_.push_back(Frame{array, 0, {}, {}});
        return true;
    }
    bool Close() {
        frames_.pop_back();
        return true;
    }
    int maxDepth_;
    std::vector<Frame> frames_;
};

std::string TypeName(const json& v) {
    if (v.is_null()) return "null";
    if (v.is_boolean()) return "a boolean";
    if (v.is_number()) return "a number";
    if (v.is_string()) return "a string";
    if (v.is_array()) return "an array";
    return "an object";
}

} // namespace

void Refuse(const std::string& path, const std::string& rule) {
    throw Refusal(path + ": " + rule);
}

std::string Child(const std::string& path, const std::string& key) {
    return PlainKey(key) ? path + "." + key : path + "[" + json(key).dump() + "]";
}

std::string Item(const std::string& path, size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

json ParseBounded(const std::string& text, int maxDepth) {
    Guard guard(maxDepth);
    if (!json::sax_parse(text, &guard) || !guard.error.empty())
        throw Refusal(guard.error.empty() ? "$: not valid JSON" : guard.error);
    return json::parse(text);
}

std::string ClosestKey(const std::string& key, const std::vector<std::string>& known) {
    return ClosestName(key, known);
}

void ReadObject(const json& v, const std::string& path, std::initializer_list<Field> fields) {
    if (!v.is_object()) Refuse(path, "must be an object, not " + TypeName(v));
    for (const auto& [key, value] : v.items()) {
        const Field* field = nullptr;
        for (const Field& f : fields)
            if (key == f.first) field = &f;
        if (!field) {
            std::vector<std::string> known;
            for (const Field& f : fields)
                known.push_back(f.first);
            Refuse(Child(path, key),
                   "unknown key; the closest known key is \"" + ClosestKey(key, known) + "\"");
        }
        field->second(value, Child(path, key));
    }
}

std::string Bound(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

double Number(const json& v, const std::string& path, double lo, double hi) {
    const double x = v.is_number() ? v.get<double>() : NAN;
    if (!(x >= lo && x <= hi)) // NaN and non-numbers fail here too
        Refuse(path, "must be a number from " + Bound(lo) + " to " + Bound(hi) +
                         (v.is_number() ? "" : ", not " + TypeName(v)));
    return x;
}

int64_t Whole(const json& v, const std::string& path, int64_t lo, int64_t hi) {
    const std::string rule =
        "must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
    if (v.is_number_unsigned()) {
        const uint64_t x = v.get<uint64_t>();
        if (x > static_cast<uint64_t>(hi) || static_cast<int64_t>(x) < lo) Refuse(path, rule);
        return static_cast<int64_t>(x);
    }
    if (v.is_number_integer()) {
        const int64_t x = v.get<int64_t>();
        if (x < lo || x > hi) Refuse(path, rule);
        return x;
    }
    if (v.is_number_float()) {
        const double x = v.get<double>();
        if (!(x >= static_cast<double>(lo) && x <= static_cast<double>(hi)) || std::floor(x) != x)
            Refuse(path, rule);
        return static_cast<int64_t>(x);
    }
    Refuse(path, rule + ", not " + TypeName(v));
}

bool Flag(const json& v, const std::string& path) {
    if (!v.is_boolean()) Refuse(path, "must be true or false, not " + TypeName(v));
    return v.get<bool>();
}

std::string Text(const json& v, const std::string& path, size_t maxBytes) {
    if (!v.is_string()) Refuse(path, "must be a string, not " + TypeName(v));
    const std::string& s = v.get_ref<const std::string&>();
    if (s.size() > maxBytes)
        Refuse(path, "must be at most " + std::to_string(maxBytes) + " bytes long");
    return s;
}

// A hash given as a number, as "0x" and up to eight hex digits, or as a name to hash.
uint32_t Hash(const json& v, const std::string& path) {
    if (v.is_number()) return static_cast<uint32_t>(Whole(v, path, 0, UINT32_MAX));
    const std::string s = Text(v, path, 64);
    if (s.empty()) Refuse(path, "must not be empty");
    if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        const std::string digits = s.substr(2);
        if (digits.empty() || digits.size() > 8 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            Refuse(path, "a hexadecimal hash must be 0x and 1 to 8 hex digits");
        return static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
    }
    return GameNameHash(s.c_str());
}

const json& Array(const json& v, const std::string& path, size_t maxItems) {
    if (!v.is_array()) Refuse(path, "must be an array, not " + TypeName(v));
    if (v.size() > maxItems)
        Refuse(path, "must have at most " + std::to_string(maxItems) + " items");
    return v;
}

} // namespace jr
