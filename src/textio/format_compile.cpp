#include <cctype>
#include <functional>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include "textio/format_program.h"

namespace quilmo::fmt {

namespace {

constexpr int kMaxDepth = 15;

struct Parser {
    explicit Parser(std::string_view format) : f(format) {}
    std::string_view f;
    std::size_t i = 0;
    Program p;
    std::vector<std::size_t> opens;

    [[noreturn]] void fail(const char* why) const {
        throw std::invalid_argument("format \"" + std::string(f) + "\": " + why);
    }
    void skip_blanks() {
        while (i < f.size() && f[i] == ' ') ++i;
    }
    char peek() {
        skip_blanks();
        return i < f.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(f[i]))) : '\0';
    }
    bool digit_next() {
        skip_blanks();
        return i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]));
    }
    int number() {
        if (!digit_next()) fail("number expected");
        long v = 0;
        while (digit_next()) {
            v = v * 10 + (f[i++] - '0');
            if (v > 1000000) fail("number too large");
        }
        return static_cast<int>(v);
    }
    void add(Step s) {
        if (is_data(s.op)) p.has_data = true;
        p.steps.push_back(std::move(s));
    }

    void literal() {
        const char q = f[i++];
        Step s{Op::Lit};
        for (;;) {
            if (i >= f.size()) fail("unterminated literal");
            if (f[i] == q) {
                if (i + 1 < f.size() && f[i + 1] == q) {
                    s.text += q;
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            s.text += f[i++];
        }
        add(std::move(s));
    }

    void descriptor(int rep, bool counted) {
        const char c = peek();
        ++i;
        Step s{Op::A};
        s.rep = rep;
        switch (c) {
            case 'X':
                add(Step{Op::X, 1, counted ? rep : 1});
                return;
            case 'A':
                s.op = Op::A;
                if (digit_next()) s.w = number();
                add(std::move(s));
                return;
            case 'L':
                s.op = Op::L;
                s.w = digit_next() ? number() : 2;
                add(std::move(s));
                return;
            case 'I':
                s.op = Op::I;
                s.w = number();
                if (peek() == '.') {
                    ++i;
                    s.m = number();
                }
                add(std::move(s));
                return;
            case 'F':
            case 'D':
            case 'E':
                s.op = c == 'F' ? Op::F : c == 'D' ? Op::D : Op::E;
                if (c == 'E' && peek() == 'S') {
                    ++i;
                    s.op = Op::ES;
                }
                s.w = number();
                if (peek() != '.') fail("decimals expected");
                ++i;
                s.d = number();
                if (s.op != Op::F && peek() == 'E') {  // exponent digits: accepted, not used
                    ++i;
                    number();
                }
                if (s.w == 0) fail("zero field width");
                add(std::move(s));
                return;
            default:
                fail("unknown edit descriptor");
        }
    }

    void parse() {
        if (peek() != '(') fail("missing opening parenthesis");
        ++i;
        p.steps.push_back(Step{Op::Open});
        opens.push_back(0);
        int last_top = -1;
        for (;;) {
            const char c = peek();
            if (c == '\0') fail("missing closing parenthesis");
            if (c == ',') {
                ++i;
                continue;
            }
            if (c == '\'' || c == '"') {
                literal();
                continue;
            }
            if (c == '/') {
                ++i;
                add(Step{Op::Slash});
                continue;
            }
            if (c == ')') {
                ++i;
                const std::size_t open = opens.back();
                opens.pop_back();
                if (opens.empty()) {
                    p.steps.push_back(Step{Op::End});
                    if (peek() != '\0') fail("text after the closing parenthesis");
                    break;
                }
                Step s{Op::Close};
                s.jump = static_cast<int>(open);
                p.steps[open].jump = static_cast<int>(p.steps.size());
                p.steps.push_back(std::move(s));
                continue;
            }
            int rep = 1;
            const bool counted = digit_next();
            if (counted) rep = number();
            if (peek() == '(') {
                ++i;
                if (rep < 1) fail("zero repeat count");
                if (static_cast<int>(opens.size()) > kMaxDepth) fail("groups nested too deeply");
                if (opens.size() == 1) last_top = static_cast<int>(p.steps.size());
                opens.push_back(p.steps.size());
                Step s{Op::Open};
                s.rep = rep;
                p.steps.push_back(std::move(s));
                continue;
            }
            if (rep < 1 && peek() != 'X') fail("zero repeat count");
            descriptor(rep, counted);
        }
        p.revert = last_top >= 0 ? last_top : 1;
    }
};

struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

}  // namespace

const Program& compile(std::string_view format) {
    static std::unordered_map<std::string, std::unique_ptr<Program>, Hash, std::equal_to<>> cache;
    auto it = cache.find(format);
    if (it != cache.end()) return *it->second;
    Parser ps(format);
    ps.parse();
    auto prog = std::make_unique<Program>(std::move(ps.p));
    const Program& ref = *prog;
    cache.emplace(std::string(format), std::move(prog));
    return ref;
}

}  // namespace quilmo::fmt
