// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResultsFolder.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <sys/stat.h>

namespace lbm {

namespace {

// ---- a flat JSON object --------------------------------------------------

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Other } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
};

class JsonReader {
public:
    explicit JsonReader(std::string_view s) : s_(s) {}

    // The members of the object the text holds; nested values are skipped
    // (kind Other).
    std::string Object(std::map<std::string, JsonValue>& members)
    {
        const std::string error = Members(members);
        return error.empty() || pos_ < s_.size() ? error : "the file is cut short";
    }

private:
    std::string Members(std::map<std::string, JsonValue>& members)
    {
        Space();
        if (!Take('{'))
            return "it is not a JSON object";
        Space();
        if (Take('}'))
            return End();
        for (;;) {
            Space();
            std::string key;
            if (!String(key))
                return "a member's name is not a string (at byte " + std::to_string(pos_) + ")";
            Space();
            if (!Take(':'))
                return "a ':' is missing after \"" + key + "\"";
            Space();
            JsonValue value;
            std::string error = Value(value, 0);
            if (!error.empty())
                return error;
            if (members.count(key))
                return "\"" + key + "\" comes twice";
            members[key] = std::move(value);
            Space();
            if (Take('}'))
                return End();
            if (!Take(','))
                return "a ',' or '}' is missing (at byte " + std::to_string(pos_) + ")";
        }
    }

    std::string End()
    {
        Space();
        return pos_ == s_.size() ? std::string() : "there is more after the object";
    }
    void Space()
    {
        while (pos_ < s_.size() && std::strchr(" \t\r\n", s_[pos_]) && s_[pos_] != '\0')
            ++pos_;
    }
    bool Take(char c)
    {
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word)
    {
        if (s_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }
    static void PutUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xc0 | (code >> 6));
            out += char(0x80 | (code & 0x3f));
        } else {
            out += char(0xe0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3f));
            out += char(0x80 | (code & 0x3f));
        }
    }
    bool String(std::string& out)
    {
        if (!Take('"'))
            return false;
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ == s_.size())
                return false;
            const char e = s_[pos_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned code = 0;
                if (s_.size() - pos_ < 4)
                    return false;
                const auto [ptr, ec] = std::from_chars(s_.data() + pos_, s_.data() + pos_ + 4, code, 16);
                if (ec != std::errc() || ptr != s_.data() + pos_ + 4)
                    return false;
                pos_ += 4;
                PutUtf8(out, code);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }
    std::string Value(JsonValue& value, int depth)
    {
        if (depth > 32)
            return "its values nest too deeply";
        if (pos_ == s_.size())
            return "the file is cut short";
        const char c = s_[pos_];
        if (c == '"') {
            value.kind = JsonValue::String;
            return String(value.text) ? std::string()
                                      : "a string is broken (at byte " + std::to_string(pos_) + ")";
        }
        if (Word("null")) {
            value.kind = JsonValue::Null;
            return {};
        }
        if (Word("true") || Word("false")) {
            value.kind = JsonValue::Bool;
            value.boolean = s_[pos_ - 1] == 'e' && s_[pos_ - 2] == 'u';
            return {};
        }
        if (c == '{' || c == '[') {
            // Something later versions may add: skipped, its form checked.
            value.kind = JsonValue::Other;
            ++pos_;
            const char close = c == '{' ? '}' : ']';
            Space();
            if (Take(close))
                return {};
            for (;;) {
                Space();
                if (c == '{') {
                    std::string key;
                    if (!String(key))
                        return "a member's name is not a string (at byte " + std::to_string(pos_) + ")";
                    Space();
                    if (!Take(':'))
                        return "a ':' is missing after \"" + key + "\"";
                    Space();
                }
                JsonValue inner;
                std::string error = Value(inner, depth + 1);
                if (!error.empty())
                    return error;
                Space();
                if (Take(close))
                    return {};
                if (!Take(','))
                    return "a ',' is missing (at byte " + std::to_string(pos_) + ")";
            }
        }
        value.kind = JsonValue::Number;
        const auto [ptr, ec] = std::from_chars(s_.data() + pos_, s_.data() + s_.size(), value.number);
        if (ec != std::errc() || !std::isfinite(value.number))
            return "a value is not a number, string, true, false or null (at byte " + std::to_string(pos_) +
                   ")";
        pos_ = std::size_t(ptr - s_.data());
        return {};
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

std::string_view BaseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
}

std::string Parent(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

} // namespace

std::string ParseSummary(std::string_view text, RunSummary& summary)
{
    summary = RunSummary();
    std::map<std::string, JsonValue> m;
    std::string error = JsonReader(text).Object(m);
    if (!error.empty())
        return error;
    // Which of the members must be there, and of what kind.
    const auto get = [&](const char* key, JsonValue::Kind kind, bool required,
                         std::string& problem) -> const JsonValue* {
        const auto it = m.find(key);
        if (it == m.end() || (it->second.kind == JsonValue::Null && kind == JsonValue::Number && !required)) {
            if (required && problem.empty())
                problem = std::string("it has no \"") + key + "\"";
            return nullptr;
        }
        if (it->second.kind != kind) {
            if (problem.empty())
                problem = std::string("its \"") + key + "\" is not a " +
                          (kind == JsonValue::Number   ? "number"
                           : kind == JsonValue::String ? "string"
                                                       : "true or false");
            return nullptr;
        }
        return &it->second;
    };
    // A whole number in [lo, hi].
    const auto whole = [&](const char* key, double lo, double hi, bool required, auto& out) {
        if (const JsonValue* v = get(key, JsonValue::Number, required, error)) {
            if (v->number != std::floor(v->number) || v->number < lo || v->number > hi) {
                if (error.empty())
                    error = std::string("its \"") + key + "\" is not a whole number from " +
                            std::to_string(std::int64_t(lo)) + " to " + std::to_string(std::int64_t(hi));
                return;
            }
            out = static_cast<std::remove_reference_t<decltype(out)>>(v->number);
        }
    };
    const auto number = [&](const char* key, double& out) {
        out = std::numeric_limits<double>::quiet_NaN();
        if (const JsonValue* v = get(key, JsonValue::Number, false, error))
            out = v->number;
    };
    const auto string = [&](const char* key, bool required, std::string& out) {
        if (const JsonValue* v = get(key, JsonValue::String, required, error))
            out = v->text.substr(0, 4096);
    };
    string("model", true, summary.model);
    whole("gx", 1, double(kMaxFieldNodes), true, summary.gx);
    whole("gy", 1, double(kMaxFieldNodes), true, summary.gy);
    whole("gz", 1, double(kMaxFieldNodes), false, summary.gz);
    string("status", true, summary.status);
    whole("steps", 0, 9e15, true, summary.steps);
    number("reynolds", summary.reynolds);
    number("lid_speed", summary.lidSpeed);
    number("tolerance", summary.tolerance);
    whole("max_steps", 0, 9e15, false, summary.maxSteps);
    string("precision", false, summary.precision);
    if (const JsonValue* v = get("converged", JsonValue::Bool, false, error))
        summary.converged = v->boolean;
    number("residual", summary.residual);
    number("seconds", summary.seconds);
    number("mlups", summary.mlups);
    whole("processes", 0, 1e6, false, summary.processes);
    whole("threads", 0, 1e6, false, summary.threads);
    string("message", false, summary.message);
    std::string flow;
    string("flow", false, flow);
    if (error.empty() && !flow.empty() && flow != "channel" && flow != "cavity")
        error = "its \"flow\" is neither \"channel\" nor \"cavity\"";
    summary.channel = flow == "channel";
    if (summary.channel) {
        if (const JsonValue* v = get("periodic", JsonValue::Bool, false, error))
            summary.periodic = v->boolean;
        whole("obstacles", 0, 1e9, false, summary.obstacles);
        number("mean_speed", summary.meanSpeed);
        number("reynolds_length", summary.reynoldsLength);
        number("cd", summary.cd);
        number("cl", summary.cl);
        number("dp", summary.dp);
        number("la", summary.la);
        number("strouhal", summary.strouhal);
    }
    if (error.empty() &&
        double(summary.gx) * double(summary.gy) * double(summary.gz) > double(kMaxFieldNodes))
        error = "its grid of " + std::to_string(summary.gx) + " x " + std::to_string(summary.gy) +
                (summary.gz > 1 ? " x " + std::to_string(summary.gz) : std::string()) +
                " nodes is larger than any run's";
    return error;
}

std::string ParseProfile(std::string_view text, const char* header, Profile& profile)
{
    profile.clear();
    const std::size_t firstEnd = text.find('\n');
    std::string_view first = text.substr(0, firstEnd);
    if (!first.empty() && first.back() == '\r')
        first.remove_suffix(1);
    if (first != header)
        return std::string("its first line is not \"") + header + "\"";
    std::size_t pos = firstEnd == std::string_view::npos ? text.size() : firstEnd + 1;
    int line = 2;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view row = text.substr(pos, end - pos);
        if (!row.empty() && row.back() == '\r')
            row.remove_suffix(1);
        pos = end + 1;
        if (row.empty()) {
            ++line;
            continue;
        }
        const std::size_t comma = row.find(',');
        double a = 0, b = 0;
        bool ok = comma != std::string_view::npos;
        if (ok) {
            const auto [pa, ea] = std::from_chars(row.data(), row.data() + comma, a);
            const auto [pb, eb] = std::from_chars(row.data() + comma + 1, row.data() + row.size(), b);
            ok = ea == std::errc() && pa == row.data() + comma && eb == std::errc() &&
                 pb == row.data() + row.size() && std::isfinite(a) && std::isfinite(b);
        }
        if (!ok)
            return "line " + std::to_string(line) + " is not two finite numbers";
        if (profile.size() == std::size_t(kMaxFieldNodes))
            return "it has more rows than any run's";
        profile.emplace_back(a, b);
        ++line;
    }
    if (profile.size() < 2)
        return "it holds no profile";
    return {};
}

namespace {

std::string ReadForceRows(std::string_view text, ForceSeries& forces)
{
    const std::size_t firstEnd = text.find('\n');
    std::string_view first = text.substr(0, firstEnd);
    if (!first.empty() && first.back() == '\r')
        first.remove_suffix(1);
    if (first != "step,time,cd,cl")
        return "its first line is not \"step,time,cd,cl\"";
    std::size_t pos = firstEnd == std::string_view::npos ? text.size() : firstEnd + 1;
    int line = 2;
    for (; pos < text.size(); ++line) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view row = text.substr(pos, end - pos);
        if (!row.empty() && row.back() == '\r')
            row.remove_suffix(1);
        pos = end + 1;
        if (row.empty())
            continue;
        double v[4] = {0, 0, 0, 0};
        const char* at = row.data();
        const char* const stop = row.data() + row.size();
        bool ok = true;
        for (int k = 0; k < 4 && ok; ++k) {
            const auto [next, ec] = std::from_chars(at, stop, v[k]);
            ok = ec == std::errc() && std::isfinite(v[k]) &&
                 (k == 3 ? next == stop : next < stop && *next == ',');
            at = next + 1;
        }
        if (!ok || v[0] < 0 || v[0] > 9e15 || v[0] != std::floor(v[0]))
            return "line " + std::to_string(line) + " is not a step and three finite numbers";
        if (forces.times.size() >= ForceHistory::kMaxSamples)
            return "it has more rows than any run's";
        forces.history.steps.push_back(std::int64_t(v[0]));
        forces.times.push_back(v[1]);
        forces.history.cd.push_back(v[2]);
        forces.history.cl.push_back(v[3]);
    }
    return {};
}

} // namespace

std::string ParseForces(std::string_view text, ForceSeries& forces)
{
    // A file that does not read gives no rows, not those before its fault.
    forces = ForceSeries();
    std::string error = ReadForceRows(text, forces);
    if (!error.empty())
        forces = ForceSeries();
    return error;
}

ChannelFigures ResultsFolder::Figures() const
{
    ChannelFigures figures;
    if (hasForces)
        figures.history = forces.history;
    if (hasSummary && summary.channel) {
        figures.periodic = summary.periodic;
        figures.cd = summary.cd;
        figures.cl = summary.cl;
        figures.dp = summary.dp;
        figures.la = summary.la;
        figures.strouhal = summary.strouhal;
    }
    return figures;
}

bool FieldsOf(const FieldImage& image, double speed, Fields& fields)
{
    fields = Fields();
    const FieldArray* velocity = image.Find("velocity");
    const FieldArray* density = image.Find("density");
    const std::size_t n = std::size_t(image.nx) * std::size_t(image.ny) * std::size_t(image.nz);
    if (!velocity || !density || velocity->components != 3 || density->components != 1 || n == 0 ||
        velocity->values.size() != 3 * n || density->values.size() != n)
        return false;
    fields.gx = image.nx;
    fields.gy = image.ny;
    fields.gz = image.nz;
    fields.ux.resize(n);
    fields.uy.resize(n);
    if (image.nz > 1)
        fields.uz.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        fields.ux[k] = velocity->values[3 * k] * speed;
        fields.uy[k] = velocity->values[3 * k + 1] * speed;
        if (image.nz > 1)
            fields.uz[k] = velocity->values[3 * k + 2] * speed;
    }
    fields.rho = density->values;
    // A channel's obstacle nodes.
    const FieldArray* obstacle = image.Find("obstacle");
    if (obstacle && obstacle->components == 1 && obstacle->values.size() == n) {
        fields.solid.resize(n);
        for (std::size_t k = 0; k < n; ++k)
            fields.solid[k] = obstacle->values[k] > 0.5 ? 1 : 0;
    }
    return true;
}

ResultsFolder ReadResultsFolder(const std::string& path)
{
    ResultsFolder r;
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        r.problems.push_back("There are no results at \"" + path + "\": " +
                             (path.empty() ? std::string("no path was given") : std::strerror(errno)) + ".");
        return r;
    }
    if (S_ISDIR(info.st_mode)) {
        r.folder = path;
        while (r.folder.size() > 1 && r.folder.back() == '/')
            r.folder.pop_back();
    } else if (BaseName(path) == kSummaryFile || BaseName(path) == kFieldFile) {
        r.folder = Parent(path);
    } else {
        r.problems.push_back("\"" + path + "\" is neither a results folder nor a run's " + kSummaryFile +
                             ".");
        return r;
    }
    const auto file = [&](const char* name) { return r.folder + "/" + name; };
    bool any = false;
    for (const char* name : {kSummaryFile, kFieldFile, kUCentrelineFile, kVCentrelineFile, kForcesFile})
        any = any || Exists(file(name));
    if (!any) {
        r.problems.push_back("\"" + r.folder + "\" is not a results folder: it holds none of " +
                             kSummaryFile + ", " + kFieldFile + ", " + kUCentrelineFile + ", " +
                             kVCentrelineFile + " and " + kForcesFile + ".");
        return r;
    }

    // Reads a text file and parses it, or notes why not.
    const auto text = [&](const char* name, unsigned long long limit, const auto& parse) {
        const std::string p = file(name);
        if (!Exists(p)) {
            r.problems.push_back("\"" + p + "\" is missing.");
            return false;
        }
        std::string bytes;
        std::string error = ReadRegularFile(p, limit, bytes);
        if (!error.empty()) {
            r.problems.push_back(error);
            return false;
        }
        error = parse(bytes);
        if (!error.empty()) {
            r.problems.push_back("Cannot read \"" + p + "\": " + error + ".");
            return false;
        }
        return true;
    };
    r.hasSummary = text(kSummaryFile, kMaxSummaryBytes,
                        [&](const std::string& bytes) { return ParseSummary(bytes, r.summary); });
    if (!r.hasSummary)
        r.summary = RunSummary();

    if (!Exists(file(kFieldFile))) {
        r.problems.push_back("\"" + file(kFieldFile) + "\" is missing.");
    } else {
        const std::string error = ReadFieldFile(file(kFieldFile), r.field);
        if (!error.empty()) {
            r.problems.push_back(error);
        } else if (r.hasSummary &&
                   (r.field.nx != r.summary.gx || r.field.ny != r.summary.gy || r.field.nz != r.summary.gz)) {
            const auto size = [](int x, int y, int z) {
                return std::to_string(x) + " x " + std::to_string(y) +
                       (z > 1 ? " x " + std::to_string(z) : "");
            };
            r.problems.push_back("\"" + file(kFieldFile) + "\" holds a grid of " +
                                 size(r.field.nx, r.field.ny, r.field.nz) + " nodes where " + kSummaryFile +
                                 " says " + size(r.summary.gx, r.summary.gy, r.summary.gz) + ".");
            r.field = FieldImage();
        } else {
            r.hasField = true;
        }
    }

    // A profile holds the nodes across the grid and the two walls.
    const int across = r.hasSummary ? r.summary.gx : r.hasField ? r.field.nx : 0;
    const int up = r.hasSummary ? r.summary.gy : r.hasField ? r.field.ny : 0;
    const auto profile = [&](const char* name, const char* header, int nodes, Profile& out, bool& has) {
        has = text(name, kMaxProfileBytes, [&](const std::string& bytes) {
            std::string error = ParseProfile(bytes, header, out);
            if (error.empty() && nodes > 0 && out.size() != std::size_t(nodes) + 2)
                error = "it has " + std::to_string(out.size()) + " rows where a grid of " +
                        std::to_string(across) + " x " + std::to_string(up) + " nodes gives " +
                        std::to_string(nodes + 2);
            return error;
        });
        if (!has)
            out.clear();
    };
    // A channel has its forces instead of the profiles.
    const bool channel = r.hasSummary ? r.summary.channel : Exists(file(kForcesFile));
    if (channel) {
        r.hasForces = text(kForcesFile, kMaxProfileBytes,
                           [&](const std::string& bytes) { return ParseForces(bytes, r.forces); });
        if (!r.hasForces)
            r.forces = ForceSeries();
        return r;
    }
    profile(kUCentrelineFile, "y,u", up, r.u, r.hasU);
    profile(kVCentrelineFile, "x,v", across, r.v, r.hasV);
    return r;
}

} // namespace lbm
