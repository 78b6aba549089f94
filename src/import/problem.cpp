#include "import/problem.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "textio/stop.h"

namespace quilmo {

std::string place(const std::string& file, int line) {
    return line > 0 ? file + ", line " + std::to_string(line) : file;
}

void bad_input(const std::string& file, int line, const std::string& what) {
    throw RunStop(place(file, line) + ": " + what);
}

void bad_input(const std::string& file, const std::string& what) { bad_input(file, 0, what); }

namespace {

// The word without its white space and a leading plus sign, which from_chars
// does not take.
std::string_view bare(std::string_view w) {
    while (!w.empty() && std::isspace(static_cast<unsigned char>(w.front()))) w.remove_prefix(1);
    while (!w.empty() && std::isspace(static_cast<unsigned char>(w.back()))) w.remove_suffix(1);
    if (w.size() > 1 && w.front() == '+' && w[1] != '-') w.remove_prefix(1);
    return w;
}

}  // namespace

std::string quoted(std::string_view text) { return std::string("'").append(text).append("'"); }

double real_number(std::string_view word, const std::string& file, int line, const std::string& what) {
    const std::string_view w = bare(word);
    double v = 0;
    const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
    if (w.empty() || ec != std::errc() || end != w.data() + w.size() || !std::isfinite(v))
        bad_input(file, line, quoted(word.substr(0, 40)) + " is not a number (" + what + ")");
    return v;
}

bool is_integer(std::string_view word) {
    const std::string_view w = bare(word);
    long v = 0;
    const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
    return !w.empty() && ec == std::errc() && end == w.data() + w.size() && std::labs(v) < 1000000000L;
}

int whole_number(std::string_view word, const std::string& file, int line, const std::string& what) {
    if (!is_integer(word)) bad_input(file, line, quoted(word.substr(0, 40)) + " is not a whole number (" + what + ")");
    const std::string_view w = bare(word);
    int v = 0;
    std::from_chars(w.data(), w.data() + w.size(), v);
    return v;
}

std::string read_text(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) bad_input(file, std::string("cannot be read: ") + std::strerror(errno));
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) bad_input(file, "cannot be read to its end");
    return s.str();
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string l = text.substr(start, end - start);
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(std::move(l));
        start = end + 1;
    }
    return lines;
}

}  // namespace quilmo
