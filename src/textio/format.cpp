// Formatted output: the edit descriptors applied to items under a compiled
// format.  Numbers are rounded by the C library's exact decimal conversion.
#include "textio/format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "textio/format_program.h"

namespace quilmo {

namespace {

using fmt::Op;
using fmt::Step;

void stars(std::string& out, int w) { out.append(static_cast<std::size_t>(w), '*'); }

// Right-justifies `s` (length n) in w characters, or writes asterisks.
void put_field(std::string& out, const char* s, int n, int w) {
    if (n > w) return stars(out, w);
    out.append(static_cast<std::size_t>(w - n), ' ');
    out.append(s, static_cast<std::size_t>(n));
}

void put_nonfinite(std::string& out, double v, int w) {
    const char* s = std::isnan(v) ? "NaN" : v < 0 ? (w >= 9 ? "-Infinity" : "-Inf")
                                                  : (w >= 8 ? "Infinity" : "Inf");
    put_field(out, s, static_cast<int>(std::strlen(s)), w);
}

// True when |v| lies exactly halfway between two numbers of r decimals (r
// may be negative: rounding to tens, hundreds, ...).  The C library breaks
// such ties to even; we round them away from zero, as people do by hand.
bool is_tie(double v, int r) {
    v = std::fabs(v);
    if (v == 0.0) return false;
    int ex;
    const double fr = std::frexp(v, &ex);
    auto m = static_cast<unsigned long long>(std::ldexp(fr, 53));
    int e2 = ex - 53;
    const int tz = __builtin_ctzll(m);
    e2 += tz;
    // v = odd * 2^e2.  With e2 < 0 its decimal expansion has exactly -e2
    // decimals and ends in 5.
    if (e2 < 0) return -e2 == r + 1;
    if (r >= 0 || -r > 18 || v >= 9.0e18) return false;
    unsigned long long u = 1;
    for (int i = 0; i < -r; ++i) u *= 10;
    return static_cast<unsigned long long>(v) % u == u / 2;
}

double away(double v) { return std::nextafter(v, v > 0 ? HUGE_VAL : -HUGE_VAL); }

void edit_int(std::string& out, long v, const Step& st) {
    char digits[32];
    const unsigned long mag = v < 0 ? 0UL - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
    int n = std::snprintf(digits, sizeof digits, "%lu", mag);
    if (st.m == 0 && v == 0) n = 0;  // Iw.0 writes zero as an empty field
    char buf[80];
    int len = 0;
    if (v < 0) buf[len++] = '-';
    for (int z = n; z < st.m && len < 64; ++z) buf[len++] = '0';
    if (len + n > 79) return stars(out, st.w);
    std::memcpy(buf + len, digits, static_cast<std::size_t>(n));
    len += n;
    put_field(out, buf, len, st.w);
}

void edit_fixed(std::string& out, double v, const Step& st) {
    if (!std::isfinite(v)) return put_nonfinite(out, v, st.w);
    if (v == 0.0) v = 0.0;  // an exact zero is written without sign
    if (st.d > 60) throw std::invalid_argument("too many decimals in an F descriptor");
    char buf[128];
    if (is_tie(v, st.d)) v = away(v);
    int n = std::snprintf(buf, sizeof buf, "%#.*f", st.d, v);
    if (n >= static_cast<int>(sizeof buf)) return stars(out, st.w);  // far wider than any field
    // "0.5" or "-0.5": the zero before the point goes when the field is full.
    const int neg = buf[0] == '-';
    if (n > st.w && buf[neg] == '0' && buf[neg + 1] == '.') {
        std::memmove(buf + neg, buf + neg + 1, static_cast<std::size_t>(n - neg));
        --n;
    }
    put_field(out, buf, n, st.w);
}

void edit_exp(std::string& out, double v, const Step& st) {
    if (!std::isfinite(v)) return put_nonfinite(out, v, st.w);
    if (v == 0.0) v = 0.0;
    const bool es = st.op == Op::ES;
    if (!es && st.d == 0) throw std::invalid_argument("E or D descriptor without decimals");
    const int sig = es ? st.d + 1 : st.d;  // significant digits
    if (sig > 60) throw std::invalid_argument("too many decimals in an E descriptor");
    char raw[96];
    std::snprintf(raw, sizeof raw, "%.*e", sig - 1, v);
    if (is_tie(v, sig - 1 - std::atoi(std::strchr(raw, 'e') + 1))) {
        v = away(v);
        std::snprintf(raw, sizeof raw, "%.*e", sig - 1, v);
    }
    // raw: [-]d.ddde[+-]xx
    const char* p = raw;
    const bool neg = *p == '-';
    if (neg) ++p;
    char digits[72];
    int nd = 0;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits[nd++] = *p;
    int ex = std::atoi(p + 1);
    if (!es && v != 0.0) ++ex;

    char buf[96];
    int len = 0;
    if (neg) buf[len++] = '-';
    const int lead0 = len;
    if (es) {
        buf[len++] = digits[0];
        buf[len++] = '.';
        std::memcpy(buf + len, digits + 1, static_cast<std::size_t>(nd - 1));
        len += nd - 1;
    } else {
        buf[len++] = '0';
        buf[len++] = '.';
        std::memcpy(buf + len, digits, static_cast<std::size_t>(nd));
        len += nd;
    }
    const int aex = ex < 0 ? -ex : ex;
    if (aex > 999) return stars(out, st.w);
    if (aex <= 99) {
        buf[len++] = st.op == Op::D ? 'D' : 'E';
        buf[len++] = ex < 0 ? '-' : '+';
        buf[len++] = static_cast<char>('0' + aex / 10);
        buf[len++] = static_cast<char>('0' + aex % 10);
    } else {
        buf[len++] = ex < 0 ? '-' : '+';
        buf[len++] = static_cast<char>('0' + aex / 100);
        buf[len++] = static_cast<char>('0' + aex / 10 % 10);
        buf[len++] = static_cast<char>('0' + aex % 10);
    }
    if (!es && len > st.w) {  // drop the optional zero before the point
        std::memmove(buf + lead0, buf + lead0 + 1, static_cast<std::size_t>(len - lead0 - 1));
        --len;
    }
    put_field(out, buf, len, st.w);
}

void edit_text(std::string& out, std::string_view s, const Step& st) {
    if (st.w == 0) {
        out.append(s);
    } else if (static_cast<int>(s.size()) >= st.w) {
        out.append(s.substr(0, static_cast<std::size_t>(st.w)));
    } else {
        out.append(static_cast<std::size_t>(st.w) - s.size(), ' ');
        out.append(s);
    }
}

[[noreturn]] void mismatch(const Step& st, const FmtItem& it) {
    static const char* const names[] = {"A", "I", "F", "E", "ES", "D", "L"};
    static const char* const kinds[] = {"integer", "real", "text", "logical"};
    throw std::invalid_argument(std::string("a ") + kinds[static_cast<int>(it.kind())] +
                                " item cannot be written with " + names[static_cast<int>(st.op)]);
}

void edit(std::string& out, const Step& st, const FmtItem& it) {
    using K = FmtItem::Kind;
    switch (st.op) {
        case Op::A:
            if (it.kind() != K::Text) mismatch(st, it);
            return edit_text(out, it.sval(), st);
        case Op::I:
            if (it.kind() != K::Int) mismatch(st, it);
            return edit_int(out, it.ival(), st);
        case Op::L:
            if (it.kind() != K::Logical) mismatch(st, it);
            out.append(static_cast<std::size_t>(st.w > 0 ? st.w - 1 : 0), ' ');
            out += it.ival() ? 'T' : 'F';
            return;
        default: {
            // An integer under a real descriptor is written as its real value.
            double v;
            if (it.kind() == K::Real)
                v = it.dval();
            else if (it.kind() == K::Int)
                v = static_cast<double>(it.ival());
            else
                mismatch(st, it);
            if (st.op == Op::F) return edit_fixed(out, v, st);
            return edit_exp(out, v, st);
        }
    }
}

}  // namespace

std::string fformat(std::string_view format, const FmtItems& items, bool advance, std::string_view eol) {
    const fmt::Program& p = fmt::compile(format);
    if (!items.empty() && !p.has_data)
        throw std::invalid_argument("format \"" + std::string(format) + "\" has no data descriptor");
    std::string out;
    std::size_t next = 0;
    fmt::run(
        p, [&] { return next < items.size(); },
        [&](const Step& st) {
            if (next >= items.size()) return false;
            edit(out, st, items[next++]);
            return true;
        },
        [&](const Step& st) {
            if (st.op == Op::X)
                out.append(static_cast<std::size_t>(st.w), ' ');
            else
                out += st.text;
        },
        [&] {
            out += eol;
            return true;
        });
    if (advance) out += eol;
    return out;
}

}  // namespace quilmo
