// List-directed output and input: free-form records of blank- or
// comma-separated values.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "textio/format.h"
#include "textio/format_program.h"

namespace quilmo {

namespace {

// A real in the shortest digit string that reads back to the same double.
// Decimal exponents from -6 to 6 (the exponent of the first significant
// digit) are written in plain form, which always shows a point and at least
// one digit after it (100.0, 0.25, -3.0, 0.000001); other values are written
// as one digit, the point, the further digits (at least one), the letter E,
// the sign and at least two exponent digits (1.5E+20, 1.0E-07, 2.5E+300).
void list_real(std::string& out, double v) {
    if (std::isnan(v)) {
        out += "NaN";
        return;
    }
    if (std::isinf(v)) {
        out += v < 0 ? "-Infinity" : "Infinity";
        return;
    }
    if (v == 0.0) {
        out += std::signbit(v) ? "-0.0" : "0.0";
        return;
    }
    char raw[40];
    for (int prec = 1; prec <= 17; ++prec) {
        std::snprintf(raw, sizeof raw, "%.*e", prec - 1, v);
        if (std::strtod(raw, nullptr) == v) break;
    }
    const char* p = raw;
    if (*p == '-') {
        out += '-';
        ++p;
    }
    std::string digits;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    const int ex = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int nd = static_cast<int>(digits.size());
    if (ex >= -6 && ex <= 6) {
        if (ex < 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-ex - 1), '0');
            out += digits;
        } else {
            const int before = ex + 1;  // digits before the point
            if (nd <= before) {
                out += digits;
                out.append(static_cast<std::size_t>(before - nd), '0');
                out += ".0";
            } else {
                out.append(digits, 0, static_cast<std::size_t>(before));
                out += '.';
                out.append(digits, static_cast<std::size_t>(before));
            }
        }
        return;
    }
    out += digits[0];
    out += '.';
    out += nd > 1 ? digits.substr(1) : "0";
    char e[16];
    std::snprintf(e, sizeof e, "E%+03d", ex);
    out += e;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_value(char c) { return is_blank(c) || c == ',' || c == '/'; }

// One value as it stands in the text: unquoted, or a quoted string.
struct Value {
    std::string text;
    bool quoted = false;
    bool null = false;
};

bool assign(const ReadTarget& t, long k, const Value& v) {
    switch (t.kind()) {
        case ReadTarget::Kind::Text:
            *t.sp() = v.text;
            return true;
        case ReadTarget::Kind::Int:
            return !v.quoted && fmt::parse_int(v.text, false, t.ip()[k]);
        case ReadTarget::Kind::Real:
            return !v.quoted && fmt::parse_real(v.text, false, 0, t.dp()[k]);
    }
    return false;
}

}  // namespace

std::string flist(const FmtItems& items) {
    std::string out;
    for (const FmtItem& it : items) {
        out += ' ';
        switch (it.kind()) {
            case FmtItem::Kind::Int:
                out += std::to_string(it.ival());
                break;
            case FmtItem::Kind::Real:
                list_real(out, it.dval());
                break;
            case FmtItem::Kind::Text:
                out += it.sval();
                break;
            case FmtItem::Kind::Logical:
                out += it.ival() ? 'T' : 'F';
                break;
        }
    }
    return out;
}

int listread(std::string_view text, const ReadTargets& targets) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    fmt::TargetCursor<ReadTargets> cur{targets};
    auto skip_blanks = [&] {
        while (i < n && is_blank(text[i])) ++i;
    };
    cur.settle();
    bool first = true;
    while (!cur.done()) {
        // Separator after the previous value: blanks, at most one comma.
        skip_blanks();
        if (!first && i < n && text[i] == ',') {
            ++i;
            skip_blanks();
        }
        first = false;
        if (i >= n) return kReadEnd;
        if (text[i] == '/') return kReadOk;

        // Optional repeat count r*.
        long rep = 1;
        std::size_t j = i;
        while (j < n && text[j] >= '0' && text[j] <= '9') ++j;
        if (j > i && j < n && text[j] == '*') {
            rep = std::strtol(std::string(text.substr(i, j - i)).c_str(), nullptr, 10);
            if (rep <= 0 || j - i > 9) return kReadError;
            i = j + 1;
        }

        Value v;
        bool took_comma = false;
        if (i >= n || ends_value(text[i])) {
            v.null = true;  // ",," or "r*" without a value
            if (rep == 1 && i < n && text[i] == ',') {
                ++i;
                took_comma = true;
            }
        } else if (text[i] == '\'' || text[i] == '"') {
            const char q = text[i++];
            v.quoted = true;
            for (;;) {
                if (i >= n) return kReadError;  // unterminated string
                if (text[i] == q) {
                    if (i + 1 < n && text[i + 1] == q) {
                        v.text += q;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                v.text += text[i++];
            }
            if (i < n && !ends_value(text[i])) return kReadError;
        } else {
            const std::size_t start = i;
            while (i < n && !ends_value(text[i])) ++i;
            v.text = std::string(text.substr(start, i - start));
        }
        for (long r = 0; r < rep && !cur.done(); ++r) {
            if (!v.null && !assign(targets[cur.ti], cur.k, v)) return kReadError;
            ++cur.k;
            cur.settle();
        }
        // A null value between two commas took the second one as its end.
        first = took_comma;
    }
    return kReadOk;
}

}  // namespace quilmo
