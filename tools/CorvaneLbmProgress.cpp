// SPDX-License-Identifier: GPL-3.0-or-later
#include "CorvaneLbmProgress.h"

#include <cmath>
#include <cstdlib>

namespace corvanelbm {

// A JSON string's text: quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + '"';
}

// A number as JSON writes it: the shortest text that reads back as the same
// double, null for what JSON has no number for (a diverged residual).
std::string JsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[32];
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value)
            break;
    }
    return text;
}
void WriteJsonEnd(const char* status, const std::string& message, int code, const lbm::RunResult* result)
{
    std::string line = std::string("{\"done\": true, \"status\": ") + JsonString(status) +
                       ", \"message\": " + JsonString(message) + ", \"exit\": " + std::to_string(code);
    if (result)
        line += ", \"step\": " + std::to_string(result->steps) +
                ", \"residual\": " + JsonNumber(result->residual) +
                ", \"mlups\": " + JsonNumber(result->mlups) +
                ", \"seconds\": " + JsonNumber(result->seconds) +
                ", \"processes\": " + std::to_string(result->processes) +
                ", \"threads\": " + std::to_string(result->threads);
    line += "}\n";
    JsonReporter::Write(line);
}

} // namespace corvanelbm
