// The formatting facility: Fortran edit-descriptor formats for every text the
// program writes, the matching formatted and list-directed reading, and the
// text units (files and console) that carry records.
//
// Records written to files end in CR LF; records read end at LF with an
// optional CR before it.  Console records end in LF.
#pragma once

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

// One item of a formatted or list-directed write.
class FmtItem {
public:
    enum class Kind { Int, Real, Text, Logical };
    FmtItem(int v) : kind_(Kind::Int), i_(v) {}
    FmtItem(long v) : kind_(Kind::Int), i_(v) {}
    FmtItem(long long v) : kind_(Kind::Int), i_(static_cast<long>(v)) {}
    FmtItem(unsigned v) : kind_(Kind::Int), i_(static_cast<long>(v)) {}
    FmtItem(unsigned long v) : kind_(Kind::Int), i_(static_cast<long>(v)) {}
    FmtItem(double v) : kind_(Kind::Real), d_(v) {}
    FmtItem(const char* s) : kind_(Kind::Text), s_(s) {}
    FmtItem(std::string_view s) : kind_(Kind::Text), s_(s) {}
    FmtItem(const std::string& s) : kind_(Kind::Text), s_(s) {}
    static FmtItem logical(bool b) {
        FmtItem it(0);
        it.kind_ = Kind::Logical;
        it.i_ = b ? 1 : 0;
        return it;
    }
    Kind kind() const { return kind_; }
    long ival() const { return i_; }
    double dval() const { return d_; }
    std::string_view sval() const { return s_; }

private:
    Kind kind_;
    long i_ = 0;
    double d_ = 0.0;
    std::string_view s_;  // must outlive the write
};

using FmtItems = std::vector<FmtItem>;

// Appends every element of an array range as items (whole-array writes).
template <class It>
void add_items(FmtItems& items, It first, It last) {
    for (; first != last; ++first) items.emplace_back(*first);
}

// Formats `items` under `fmt` (for example "(A,F8.4,5X,A,F8.4)").  Every
// record is ended by `eol`, except the last one when `advance` is false.
// Numbers are rounded to nearest on their exact binary value; an exact tie
// goes away from zero (0.25 under F5.1 gives 0.3).  Formats are compiled
// once and cached by their text.
// An item whose type does not fit its descriptor, or a malformed format,
// throws std::invalid_argument: that is a programming error, not user input.
std::string fformat(std::string_view fmt, const FmtItems& items, bool advance = true,
                    std::string_view eol = "\r\n");

// List-directed output of one record, without the record end: a leading
// blank, items separated by one blank, reals in shortest round-trip form:
// plain with a point and at least one decimal when the decimal exponent is
// -6..6 (100.0, 0.25, 0.000001), otherwise 1.5E+20, 1.0E-07.
std::string flist(const FmtItems& items);

// Where a read value goes: a scalar, a whole array, or a text.
class ReadTarget {
public:
    enum class Kind { Int, Real, Text };
    ReadTarget(int& v) : kind_(Kind::Int), ip_(&v), n_(1) {}
    ReadTarget(double& v) : kind_(Kind::Real), dp_(&v), n_(1) {}
    ReadTarget(std::string& s) : kind_(Kind::Text), sp_(&s), n_(1) {}
    static ReadTarget array(int* p, long n) {
        ReadTarget t(*p);
        t.n_ = n;
        return t;
    }
    static ReadTarget array(double* p, long n) {
        ReadTarget t(*p);
        t.n_ = n;
        return t;
    }
    Kind kind() const { return kind_; }
    long count() const { return n_; }
    int* ip() const { return ip_; }
    double* dp() const { return dp_; }
    std::string* sp() const { return sp_; }

private:
    Kind kind_;
    int* ip_ = nullptr;
    double* dp_ = nullptr;
    std::string* sp_ = nullptr;
    long n_ = 1;
};

using ReadTargets = std::vector<ReadTarget>;

// Read status, as the callers test it: 0 done, negative when the text or
// file ended before every item was read, positive for a malformed value.
constexpr int kReadOk = 0;
constexpr int kReadEnd = -1;
constexpr int kReadError = 1;

// Formatted read of one record.  A record shorter than the format is padded
// with blanks (an all-blank numeric field reads as 0).  A format that needs a
// further record (slash, reversion) gives kReadEnd.  An A descriptor assigns
// the field's characters to the text (its length is kept as read); A
// without a width takes the rest of the record.
int fparse(std::string_view fmt, std::string_view record, const ReadTargets& targets);

// List-directed read from a text: blanks or a comma separate values, a slash
// ends the list, two commas give a null value (item unchanged), r*value
// repeats.  A text item takes one word or a quoted string.
int listread(std::string_view text, const ReadTargets& targets);

// The system's error number (errno) of the last failed open, write or close
// of a file unit (TextOut, TextIn, BinaryFile), taken at the moment of the
// failure, so that a caller can name the reason ("No space left on device")
// after the reports that followed it; 0 when none failed since the last
// clear_io_error().
int last_io_error();
void clear_io_error();
void note_io_error();  // records errno; for the units themselves

// An output text unit: a file opened in one of the open modes, or the
// console.  Formatted writes may leave the record open (advance = false); the
// next write continues it, and close() ends it.
class TextOut {
public:
    enum class Mode {
        Append,   // created if missing, positioned at its end
        Old,      // must exist, positioned at its end
        New,      // must not exist yet
        Replace,  // created or truncated
    };

    TextOut() = default;
    explicit TextOut(std::ostream& console);  // records end in LF
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;
    TextOut(TextOut&&) noexcept;
    TextOut& operator=(TextOut&&) noexcept;
    ~TextOut();  // ends an open record and closes

    bool open(const std::string& path, Mode mode);
    // Ends an open record and closes; false when the file could not be
    // written out.  Closing a closed unit is harmless and returns true.  The
    // console is only flushed and stays usable.
    bool close();
    bool is_open() const { return os_ != nullptr; }

    // Formatted write; false when the write failed.
    bool write(std::string_view fmt, const FmtItems& items = {}, bool advance = true);
    // List-directed write of one record (no items: an empty line).
    bool list(const FmtItems& items = {});
    // Writes raw text as it stands (no record handling).
    bool raw(std::string_view text);
    void flush();
    bool good() const;
    const std::string& path() const { return path_; }

    // A run file (log, listing, histogram, check file) must hold everything
    // the run reports, or the run must not go on: once set, a failed write,
    // flush or close throws a stop naming the file and the system's reason.
    // Unset, failures are only returned, as the density writers want.
    void stop_on_failure(bool on) { stop_ = on; }
    bool stops_on_failure() const { return stop_; }

private:
    std::unique_ptr<std::ofstream> file_;
    std::ostream* os_ = nullptr;
    std::string eol_ = "\r\n";
    std::string path_;
    bool pending_ = false;  // a record has been started and not ended
    bool stop_ = false;     // failures stop the run

    bool checked();  // the stream's state after a write; notes a failure
    [[noreturn]] void stop_writing();
};

// An input text unit: a file read record by record.
class TextIn {
public:
    TextIn() = default;
    explicit TextIn(std::istream& console);
    TextIn(const TextIn&) = delete;
    TextIn& operator=(const TextIn&) = delete;
    TextIn(TextIn&&) noexcept;
    TextIn& operator=(TextIn&&) noexcept;
    ~TextIn();

    bool open(const std::string& path);  // the file must exist
    bool close();
    bool is_open() const { return is_ != nullptr; }
    void rewind();

    // Next record without its line end: kReadOk, kReadEnd at end of file,
    // kReadError when the stream failed.  An open non-advancing record is
    // abandoned first.
    int readline(std::string& line);

    // Formatted read, taking as many records as the format needs.  With
    // advance = false the record stays open and the next read continues in
    // it at the next character.
    int read(std::string_view fmt, const ReadTargets& targets, bool advance = true);

private:
    std::unique_ptr<std::ifstream> file_;
    std::istream* is_ = nullptr;
    std::string record_;
    std::size_t pos_ = 0;
    bool open_record_ = false;
};

}  // namespace quilmo
