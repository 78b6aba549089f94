// A format string compiled into a flat list of edit steps, shared by the
// formatted writer and the formatted reader.  Compiled formats are cached by
// their text, so each distinct format is parsed once per run.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo::fmt {

enum class Op {
    A,       // text; w = 0 means "as long as the item"
    I,       // integer, w digits, m minimum digits (-1: none)
    F,       // fixed point
    E,       // mantissa in [0.1, 1)
    ES,      // one non-zero digit before the point
    D,       // E with the letter D
    L,       // logical
    X,       // n blanks (or skipped characters)
    Lit,     // quoted literal
    Slash,   // record end
    Open,    // group start; rep = repeat count, jump = index of its Close
    Close,   // group end; jump = index of its Open
    End,     // the outer closing parenthesis
};

struct Step {
    explicit Step(Op o, int r = 1, int width = 0) : op(o), rep(r), w(width) {}
    Op op;
    int rep = 1;   // repeat count of a data descriptor or group
    int w = 0;     // field width (X: count)
    int d = 0;     // decimals
    int m = -1;    // minimum digits of Iw.m
    int jump = 0;  // matching parenthesis
    std::string text;  // literal text
};

inline bool is_data(Op op) { return op <= Op::L; }

struct Program {
    std::vector<Step> steps;  // steps[0] is the outer Open, steps.back() is End
    int revert = 1;           // where reversion resumes (an Open or the first step)
    bool has_data = false;
};

// The compiled form of `format`; throws std::invalid_argument when malformed.
const Program& compile(std::string_view format);

// Walks a program as the reader and the writer share it: `item(step)` is
// called for every data descriptor repetition and returns false when the
// items are exhausted; `layout(step)` handles X, literals; `record_end()` ends
// a record (slash and reversion) and returns false when no further record
// can be had.  Returns false when record_end() failed.
template <class Data, class Edit, class RecordEnd, class More>
bool run(const Program& p, More more, Data item, Edit layout, RecordEnd record_end) {
    struct Level {
        int open;
        int left;
    };
    Level stack[16];
    int depth = 0;
    std::size_t pos = 1;
    bool took = false;  // an item was taken since the last reversion
    const auto& s = p.steps;
    for (;;) {
        const Step& st = s[pos];
        switch (st.op) {
            case Op::Open:
                stack[depth++] = {static_cast<int>(pos), st.rep - 1};
                ++pos;
                break;
            case Op::Close:
                if (stack[depth - 1].left > 0) {
                    --stack[depth - 1].left;
                    pos = static_cast<std::size_t>(stack[depth - 1].open) + 1;
                } else {
                    --depth;
                    ++pos;
                }
                break;
            case Op::End:
                if (!more() || !p.has_data) return true;
                if (!took) throw std::invalid_argument("format reverts to a group without data descriptors");
                took = false;
                if (!record_end()) return false;
                pos = static_cast<std::size_t>(p.revert);
                depth = 0;
                break;
            case Op::Slash:
                if (!record_end()) return false;
                ++pos;
                break;
            case Op::X:
            case Op::Lit:
                layout(st);
                ++pos;
                break;
            default:
                for (int r = 0; r < st.rep; ++r) {
                    if (!item(st)) return true;
                    took = true;
                }
                ++pos;
                break;
        }
    }
}

}  // namespace quilmo::fmt

namespace quilmo::fmt {

// Position in a list of read targets: element `k` of target `ti`.  The
// formatted and the list-directed reader fill their targets through it.
template <class Targets>
struct TargetCursor {
    const Targets& targets;
    std::size_t ti = 0;
    long k = 0;

    bool done() const { return ti >= targets.size(); }
    // Moves past the targets that are full.
    void settle() {
        while (ti < targets.size() && k >= targets[ti].count()) {
            ++ti;
            k = 0;
        }
    }
};

// The records a formatted read takes its fields from: the current record,
// the position in it, and the way to the next record.
class RecordSource {
public:
    std::string_view rec;
    std::size_t pos = 0;
    virtual bool next() = 0;  // false when there is no further record

protected:
    ~RecordSource() = default;
};

}  // namespace quilmo::fmt

namespace quilmo {
class ReadTarget;
namespace fmt {
// Reads the targets under `p` from `src`: kReadOk, kReadEnd or kReadError.
int read_items(const Program& p, RecordSource& src, const std::vector<ReadTarget>& targets);

// Number fields and words.  Blanks are skipped when `blanks` is true (they
// are not part of a list-directed value); `implied` decimals apply when the
// text has no point.  False for a malformed or out-of-range value.
bool parse_int(std::string_view text, bool blanks, int& out);
bool parse_real(std::string_view text, bool blanks, int implied, double& out);
}  // namespace fmt
}  // namespace quilmo
