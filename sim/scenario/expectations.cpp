// Reads a scenario's "expect" member strictly: unknown sections, keys, natives and ids,
// malformed patterns and out-of-range values stop the run before it starts.
#include "scenario/expectations.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "natives/native_hashes.h"
#include "scenario/json_rules.h"

using nlohmann::json;

namespace {

constexpr size_t MaxExpectations = 10000;
constexpr size_t MaxPatternBytes = 256;
constexpr double MaxPatternCost = 20000;
const char* const EndFiles[] = {"Harkvane.dat", "BountyPools.dat"};
const char* const AnyTimeFiles[] = {"Harkvane.dat", "BountyPools.dat", "Harkvane.ini"};

Bounds ReadBounds(const json& v, const std::string& path, double lo, double hi, bool whole) {
    auto number = [&](const json& x, const std::string& at) {
        return whole ? static_cast<double>(
                           jr::Whole(x, at, static_cast<int64_t>(lo), static_cast<int64_t>(hi)))
                     : jr::Number(x, at, lo, hi);
    };
    Bounds b;
    if (v.is_number()) {
        b.min = b.max = number(v, path);
        return b;
    }
    jr::ReadObject(
        v, path,
        {{"min", jr::Into(b.min, number)},
         {"max", jr::Into(b.max, number)},
         {"eq", [&](const json& x, const std::string& at) { b.min = b.max = number(x, at); }}});
    if (v.contains("eq") && (v.contains("min") || v.contains("max")))
        jr::Refuse(path, "give \"eq\" alone, or \"min\" and/or \"max\"");
    if (!b.min && !b.max) jr::Refuse(path, "needs \"eq\", \"min\" or \"max\"");
    if (b.min && b.max && *b.min > *b.max) jr::Refuse(path, "\"min\" must not exceed \"max\"");
    return b;
}

Bounds ReadCount(const json& v, const std::string& path) {
    return ReadBounds(v, path, 0, 1e9, true);
}

ExpectedFiles ReadFiles(const json& v, const std::string& path,
                        const std::vector<std::string>& names) {
    ExpectedFiles files;
    if (!v.is_object()) jr::Refuse(path, "must be an object of file names");
    for (const auto& [name, want] : v.items()) {
        const std::string at = jr::Child(path, name);
        if (std::find(names.begin(), names.end(), name) == names.end())
            jr::Refuse(at, "unknown state file; the closest known one is \"" +
                               jr::ClosestKey(name, names) + "\"");
        if (want.is_null())
            files[name] = std::nullopt;
        else
            files[name] = jr::Text(want, at, 1u << 20);
    }
    return files;
}

SummaryExpectation ReadSummaryValue(const std::string& pointer, const json& want,
                                    const std::string& at) {
    SummaryExpectation s;
    s.where = at;
    s.pointer = pointer;
    if (pointer.empty() || pointer[0] != '/') jr::Refuse(at, "a summary path starts with '/'");
    try {
        (void)json::json_pointer(pointer);
    } catch (const json::exception&) {
        jr::Refuse(at, "not a valid summary path ('~' must be written ~0 and '/' inside a key ~1)");
    }
    if (want.is_object()) {
        s.ranged = true;
        s.bounds = ReadBounds(want, at, -1e15, 1e15, false);
    } else if (want.is_number() || want.is_boolean() || want.is_string()) {
        s.literal = want;
    } else {
        jr::Refuse(at, "must be a number, true/false, a text, or {\"eq\"|\"min\"|\"max\": number}");
    }
    return s;
}

void ReadWindow(const json& v, const std::string& at, double& field) {
    field = jr::Number(v, at, 0, MaxRunSeconds);
}

// An upper bound of the states a pattern compiles to: counted repeats multiply the atom or group
// before them, so that a short pattern such as "((a{999}){999}){999}" is refused rather than
// compiled into billions of states.
double PatternCost(const std::string& p) {
    std::vector<double> groups{0}; // size of each open group so far
    double last = 0;               // size of the atom or group just read
    for (size_t i = 0; i < p.size(); ++i) {
        const char c = p[i];
        if (c == '\\') {
            ++i;
            last = 1;
        } else if (c == '[') {
            for (++i; i < p.size() && p[i] != ']'; ++i)
                if (p[i] == '\\') ++i;
            last = 1;
        } else if (c == '(') {
            groups.push_back(0);
            last = 0;
            continue;
        } else if (c == ')' && groups.size() > 1) {
            last = groups.back() + 1;
            groups.pop_back();
        } else if (c == '{') {
            double most = 0, n = 0;
            for (++i; i < p.size() && p[i] != '}'; ++i) {
                if (std::isdigit(static_cast<unsigned char>(p[i])))
                    n = std::min(1e9, n * 10 + (p[i] - '0'));
                else
                    n = 0;
                most = std::max(most, n);
            }
            groups.back() += last * std::max(0.0, most - 1) + 1;
            last = 0;
            continue;
        } else {
            last = 1;
        }
        groups.back() += last;
    }
    double total = 0;
    for (double g : groups)
        total += g;
    return total;
}

TimelineExpectation ReadTimelineExpectation(const json& v, const std::string& path) {
    TimelineExpectation t;
    t.where = path;
    t.count.min = 1; // at least once unless a count is given
    bool text = false;
    auto one = [&](const std::string& at) {
        if (text) jr::Refuse(at, "give either \"line\" or \"regex\", not both");
        text = true;
    };
    jr::ReadObject(
        v, path,
        {{"id", [&](const json& x, const std::string& at) { t.id = jr::Text(x, at, 64); }},
         {"line",
          [&](const json& x, const std::string& at) {
              one(at);
              t.line = jr::Text(x, at, 4096);
          }},
         {"regex",
          [&](const json& x, const std::string& at) {
              one(at);
              t.pattern = jr::Text(x, at, MaxPatternBytes);
              if (PatternCost(t.pattern) > MaxPatternCost)
                  jr::Refuse(at, "the regular expression repeats too much (at most " +
                                     jr::Bound(MaxPatternCost) + " states)");
              try {
                  t.regex.emplace(t.pattern, std::regex::ECMAScript);
              } catch (const std::regex_error& e) {
                  jr::Refuse(at, std::string("not a valid regular expression: ") + e.what());
              }
          }},
         {"count", jr::Into(t.count, ReadCount)},
         {"after", [&](const json& x, const std::string& at) { ReadWindow(x, at, t.after); }},
         {"before", [&](const json& x, const std::string& at) { ReadWindow(x, at, t.before); }},
         {"follows",
          [&](const json& x, const std::string& at) { t.follows = jr::Text(x, at, 64); }}});
    if (!text) jr::Refuse(path, "needs \"line\" or \"regex\"");
    if (t.before <= t.after) jr::Refuse(jr::Child(path, "before"), "must be later than \"after\"");
    return t;
}

const NativeInfo* FindNative(const std::string& name) {
    for (const NativeInfo& n : NativeCatalogue)
        if (name == n.name) return &n;
    return nullptr;
}

NativeArgMatch ReadArgument(const json& v, const std::string& at, char kind) {
    NativeArgMatch m;
    if (v.is_null()) return m;
    m.any = false;
    switch (kind) {
    case 'i':
        m.bits =
            static_cast<uint32_t>(static_cast<int32_t>(jr::Whole(v, at, INT32_MIN, INT32_MAX)));
        break;
    case 'e':
        m.bits = static_cast<uint64_t>(jr::Whole(v, at, 0, UINT32_MAX));
        break;
    case 'h':
        m.bits = jr::Hash(v, at);
        break;
    case 'q':
        m.bits = static_cast<uint64_t>(jr::Whole(v, at, 0, INT64_MAX));
        break;
    case 'f':
        m.number = jr::Number(v, at, -1e9, 1e9);
        break;
    case 's':
        m.text = jr::Text(v, at, 4096);
        break;
    default:
        jr::Refuse(at, "this argument is filled in by the game; only null (any) can be given");
    }
    return m;
}

NativeExpectation ReadNativeExpectation(const json& v, const std::string& path) {
    NativeExpectation n;
    n.where = path;
    n.count.min = 1;
    const NativeInfo* info = nullptr;
    const json* args = nullptr;
    std::string argsAt;
    double after = 0, before = MaxRunSeconds + 1;
    jr::ReadObject(
        v, path,
        {{"native",
          [&](const json& x, const std::string& at) {
              n.name = jr::Text(x, at, 64);
              info = FindNative(n.name);
              if (!info) {
                  std::vector<std::string> names;
                  for (const NativeInfo& k : NativeCatalogue)
                      names.push_back(k.name);
                  jr::Refuse(at, "not a native the plug-in calls; the closest is \"" +
                                     jr::ClosestKey(n.name, names) + "\"");
              }
          }},
         {"args",
          [&](const json& x, const std::string& at) {
              args = &x;
              argsAt = at;
          }},
         {"count", jr::Into(n.count, ReadCount)},
         {"after", [&](const json& x, const std::string& at) { ReadWindow(x, at, after); }},
         {"before", [&](const json& x, const std::string& at) { ReadWindow(x, at, before); }}});
    if (!info) jr::Refuse(path, "needs \"native\" (its name)");
    if (before <= after) jr::Refuse(jr::Child(path, "before"), "must be later than \"after\"");
    n.watch.hash = info->hash;
    n.watch.fromMs = static_cast<uint32_t>(std::ceil(after * 1000));
    n.watch.toMs = static_cast<uint32_t>(std::ceil(before * 1000));
    if (args) {
        const size_t slots = std::strlen(info->args);
        const json& a = jr::Array(*args, argsAt, slots);
        for (size_t i = 0; i < a.size(); ++i)
            n.watch.args.push_back(ReadArgument(a[i], jr::Item(argsAt, i), info->args[i]));
    }
    return n;
}

template <typename F> void ForEach(const json& v, const std::string& path, F f) {
    const json& a = jr::Array(v, path, MaxExpectations);
    for (size_t i = 0; i < a.size(); ++i)
        f(a[i], jr::Item(path, i));
}

} // namespace

std::string Bounds::Describe() const {
    if (min && max && *min == *max) return "exactly " + jr::Bound(*min);
    if (min && max) return "from " + jr::Bound(*min) + " to " + jr::Bound(*max);
    if (min) return "at least " + jr::Bound(*min);
    return "at most " + jr::Bound(*max);
}

Expectations ReadExpectations(const json& v, const std::string& path) {
    Expectations e;
    e.given = true;
    auto texts = [](std::vector<std::string>& out) {
        return [&out](const json& x, const std::string& at) {
            ForEach(x, at, [&](const json& t, const std::string& ta) {
                out.push_back(jr::Text(t, ta, 4096));
            });
        };
    };
    const std::vector<std::string> endFiles(std::begin(EndFiles), std::end(EndFiles));
    const std::vector<std::string> anyFiles(std::begin(AnyTimeFiles), std::end(AnyTimeFiles));
    jr::ReadObject(
        v, path,
        {{"summary",
          [&](const json& x, const std::string& at) {
              if (!x.is_object()) jr::Refuse(at, "must be an object of summary paths");
              for (const auto& [pointer, want] : x.items())
                  e.summary.push_back(ReadSummaryValue(pointer, want, jr::Child(at, pointer)));
          }},
         {"files",
          [&](const json& x, const std::string& at) { e.files = ReadFiles(x, at, endFiles); }},
         {"files_at",
          [&](const json& x, const std::string& at) {
              ForEach(x, at, [&](const json& f, const std::string& fa) {
                  FilesAtExpectation snap;
                  snap.where = fa;
                  bool when = false, files = false;
                  jr::ReadObject(f, fa,
                                 {{"at",
                                   [&](const json& t, const std::string& ta) {
                                       snap.at = jr::Number(t, ta, 0, MaxRunSeconds);
                                       when = true;
                                   }},
                                  {"files", [&](const json& t, const std::string& ta) {
                                       snap.files = ReadFiles(t, ta, anyFiles);
                                       files = true;
                                   }}});
                  if (!when || !files) jr::Refuse(fa, "needs \"at\" and \"files\"");
                  if (!e.filesAt.empty() && snap.at < e.filesAt.back().at)
                      jr::Refuse(jr::Child(fa, "at"), "must not be earlier than the one before");
                  e.filesAt.push_back(snap);
              });
          }},
         {"timeline_contains", texts(e.contains)},
         {"timeline_excludes", texts(e.excludes)},
         {"timeline",
          [&](const json& x, const std::string& at) {
              ForEach(x, at, [&](const json& t, const std::string& ta) {
                  e.timeline.push_back(ReadTimelineExpectation(t, ta));
              });
          }},
         {"natives", [&](const json& x, const std::string& at) {
              ForEach(x, at, [&](const json& n, const std::string& na) {
                  e.natives.push_back(ReadNativeExpectation(n, na));
              });
          }}});
    // Ids are unique and every "follows" names another timeline expectation.
    for (size_t i = 0; i < e.timeline.size(); ++i) {
        const TimelineExpectation& t = e.timeline[i];
        for (size_t k = 0; k < i; ++k)
            if (!t.id.empty() && e.timeline[k].id == t.id)
                jr::Refuse(jr::Child(t.where, "id"), "\"" + t.id + "\" is used twice");
        if (t.follows.empty()) continue;
        const bool known = std::any_of(e.timeline.begin(), e.timeline.end(), [&](const auto& o) {
            return &o != &t && o.id == t.follows;
        });
        if (!known)
            jr::Refuse(jr::Child(t.where, "follows"),
                       "names no other timeline expectation's \"id\"");
    }
    return e;
}
