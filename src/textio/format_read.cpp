// Formatted input: fields cut from records by a compiled format and read by
// the input rules of the edit descriptors.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "textio/format.h"
#include "textio/format_program.h"

namespace quilmo {
namespace fmt {

namespace {
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The text without blanks (when asked), in a small buffer.
std::string_view squeeze(std::string_view text, bool blanks, std::string& buf) {
    if (!blanks || text.find(' ') == std::string_view::npos) return text;
    buf.clear();
    for (char c : text)
        if (c != ' ') buf += c;
    return buf;
}
}  // namespace

bool parse_int(std::string_view text, bool blanks, int& out) {
    std::string buf;
    std::string_view s = squeeze(text, blanks, buf);
    if (s.empty()) {
        if (!blanks) return false;
        out = 0;
        return true;
    }
    std::size_t i = 0;
    const bool neg = s[0] == '-';
    if (s[0] == '-' || s[0] == '+') ++i;
    if (i == s.size()) return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!is_digit(s[i])) return false;
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (neg) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    out = static_cast<int>(v);
    return true;
}

bool parse_real(std::string_view text, bool blanks, int implied, double& out) {
    std::string buf;
    std::string_view s = squeeze(text, blanks, buf);
    if (s.empty()) {
        if (!blanks) return false;
        out = 0.0;
        return true;
    }
    std::size_t i = 0;
    std::string num;  // sign and digits, the point removed
    if (s[0] == '-' || s[0] == '+') num += s[i++];
    long scale = 0;
    int ndig = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (is_digit(c)) {
            num += c;
            ++ndig;
            if (point) --scale;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (ndig == 0) return false;
    if (!point) scale -= implied;
    if (i < s.size()) {
        char c = s[i];
        if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
            if (++i == s.size()) return false;
            c = s[i];
        }
        bool eneg = false;
        if (c == '+' || c == '-') {
            eneg = c == '-';
            ++i;
        } else if (!is_digit(c)) {
            return false;
        }
        if (i == s.size()) return false;
        long ex = 0;
        for (; i < s.size(); ++i) {
            if (!is_digit(s[i])) return false;
            if (ex < 100000) ex = ex * 10 + (s[i] - '0');
        }
        scale += eneg ? -ex : ex;
    }
    num += 'e';
    num += std::to_string(scale);
    errno = 0;
    const double v = std::strtod(num.c_str(), nullptr);
    if (std::isinf(v)) return false;
    out = v;
    return true;
}

int read_items(const Program& p, RecordSource& src, const std::vector<ReadTarget>& targets) {
    TargetCursor<std::vector<ReadTarget>> cur{targets};
    cur.settle();
    int status = kReadOk;
    std::string scratch;
    run(
        p, [&] { return !cur.done(); },
        [&](const Step& st) {
            if (cur.done()) return false;
            const ReadTarget& t = targets[cur.ti];
            const std::string_view rec = src.rec;
            std::string_view field;
            if (st.op == Op::A && st.w == 0) {
                field = src.pos < rec.size() ? rec.substr(src.pos) : std::string_view();
                src.pos = rec.size();
            } else {
                const std::size_t w = static_cast<std::size_t>(st.w);
                if (src.pos + w <= rec.size()) {
                    field = rec.substr(src.pos, w);
                } else {  // short record: pad the field with blanks
                    scratch = src.pos < rec.size() ? std::string(rec.substr(src.pos)) : std::string();
                    scratch.resize(w, ' ');
                    field = scratch;
                }
                src.pos += w;
            }
            bool ok = true;
            switch (t.kind()) {
                case ReadTarget::Kind::Text:
                    if (st.op != Op::A) throw std::invalid_argument("a text is read only with A");
                    *t.sp() = std::string(field);
                    break;
                case ReadTarget::Kind::Int:
                    if (st.op != Op::I) throw std::invalid_argument("an integer is read only with I");
                    ok = parse_int(field, true, t.ip()[cur.k]);
                    break;
                case ReadTarget::Kind::Real:
                    if (st.op == Op::A || st.op == Op::L)
                        throw std::invalid_argument("a real cannot be read with A or L");
                    ok = parse_real(field, true, st.op == Op::I ? 0 : st.d, t.dp()[cur.k]);
                    break;
            }
            if (!ok) {
                status = kReadError;
                return false;
            }
            ++cur.k;
            cur.settle();
            return true;
        },
        [&](const Step& st) {
            if (st.op == Op::Lit) throw std::invalid_argument("a literal in an input format");
            src.pos += static_cast<std::size_t>(st.w);
        },
        [&] {
            if (src.next()) return true;
            status = kReadEnd;
            return false;
        });
    return status;
}

}  // namespace fmt

namespace {
class OneRecord final : public fmt::RecordSource {
public:
    bool next() override { return false; }
};
}  // namespace

int fparse(std::string_view format, std::string_view record, const ReadTargets& targets) {
    OneRecord src;
    src.rec = record;
    return fmt::read_items(fmt::compile(format), src, targets);
}

}  // namespace quilmo
