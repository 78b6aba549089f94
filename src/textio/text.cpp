#include "textio/text.h"

#include "textio/format.h"
#include "textio/stop.h"

namespace quilmo {

namespace {
bool is_sep(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads a digit string found in a symmetry word.  Only malformed operators
// (for example a fraction written directly before an "x") can make it fail.
int read_digits(std::string_view dstring, std::string_view field, const char* fmt) {
    int value = 0;
    if (fparse(fmt, field, {value}) != kReadOk)
        throw RunStop("Error: cannot read the number \"" + std::string(field) + "\" in \"" +
                      trim(dstring) + "\"!");
    return value;
}
}  // namespace

std::string fixed(std::string_view value, std::size_t len) {
    std::string s(value.substr(0, len));
    s.resize(len, ' ');
    return s;
}

int idel(std::string_view l) {
    std::size_t p = l.find_last_not_of(' ');
    return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

std::string trim(std::string_view l) { return std::string(l.substr(0, static_cast<std::size_t>(idel(l)))); }

bool blank(std::string_view l) { return idel(l) == 0; }

bool same_text(std::string_view a, std::string_view b) {
    return a.substr(0, static_cast<std::size_t>(idel(a))) == b.substr(0, static_cast<std::size_t>(idel(b)));
}

void spaceerase(std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && is_sep(s[i])) ++i;
    if (i == s.size() || i == 0) return;
    std::size_t len = s.size();
    s.erase(0, i);
    s.resize(len, ' ');
}

void datalength(std::string& iodstring, std::string& oddata) {
    std::size_t i = 0;
    while (i < iodstring.size() && !is_sep(iodstring[i])) ++i;
    if (i == iodstring.size()) return;  // no separator at all
    oddata = fixed(std::string_view(iodstring).substr(0, i), kLineLen);
    if (i == 0) return;
    std::size_t len = iodstring.size();
    iodstring.erase(0, i);
    iodstring.resize(len, ' ');
}

int nextpos(std::string_view istring, char ichar) {
    std::size_t p = istring.find(ichar);
    return p == std::string_view::npos ? -1 : static_cast<int>(p) + 1;
}

int numberlength(std::string_view dstring, char lr, int keypos) {
    const int len = static_cast<int>(dstring.size());
    auto ch = [&](int pos) { return dstring[static_cast<std::size_t>(pos - 1)]; };
    auto sub = [&](int from, int to) {  // characters from..to, 1-based, inclusive
        if (to < from) return std::string_view();
        return dstring.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1));
    };
    if (lr == 'l') {
        for (int i = keypos - 1; i >= 1; --i) {
            char c = ch(i);
            if (is_digit(c)) {
                if (i == 1) return read_digits(dstring, sub(1, keypos - 1), "(I6)");
            } else if (c == '-') {
                if (i == keypos - 1) return -1;
                return read_digits(dstring, sub(i, keypos - 1), "(I7)");
            } else if (c == '+') {
                if (i == keypos - 1) return 1;
                return read_digits(dstring, sub(i + 1, keypos - 1), "(I7)");
            }
        }
        return 1;
    }
    for (int i = keypos + 1; i <= len; ++i) {
        if (!is_digit(ch(i))) return read_digits(dstring, sub(keypos + 1, i - 1), "(I6)");
    }
    return 1;
}

}  // namespace quilmo
