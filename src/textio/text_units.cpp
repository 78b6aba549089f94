// Text units: files and the console as carriers of formatted records.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>

#include "textio/format.h"
#include "textio/format_program.h"
#include "textio/stop.h"

namespace quilmo {

namespace {
bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Creates the file only if it does not exist, so that an existing file is
// never touched.
bool create_new(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}
}  // namespace

namespace {
int g_io_error = 0;
}  // namespace

int last_io_error() { return g_io_error; }
void clear_io_error() { g_io_error = 0; }
void note_io_error() { g_io_error = errno != 0 ? errno : EIO; }

TextOut::TextOut(std::ostream& console) : os_(&console), eol_("\n") {}

TextOut::TextOut(TextOut&& o) noexcept
    : file_(std::move(o.file_)), os_(o.os_), eol_(std::move(o.eol_)), path_(std::move(o.path_)),
      pending_(o.pending_), stop_(o.stop_) {
    o.os_ = nullptr;
    o.pending_ = false;
}

TextOut& TextOut::operator=(TextOut&& o) noexcept {
    if (this != &o) {
        close();
        file_ = std::move(o.file_);
        os_ = o.os_;
        eol_ = std::move(o.eol_);
        path_ = std::move(o.path_);
        pending_ = o.pending_;
        stop_ = o.stop_;
        o.os_ = nullptr;
        o.pending_ = false;
    }
    return *this;
}

// A destructor must not throw: a unit closed on the way out of a stop (or
// at the end of its scope) reports nothing more.
TextOut::~TextOut() {
    stop_ = false;
    close();
}

void TextOut::stop_writing() {
    const int reason = last_io_error();
    stop_ = false;
    throw RunStop("Error! Cannot write the file " + path_ + ": " +
                  (reason != 0 ? std::strerror(reason) : "write failed"));
}

bool TextOut::open(const std::string& path, Mode mode) {
    close();
    std::ios::openmode om = std::ios::binary | std::ios::out;
    switch (mode) {
        case Mode::Append:
            om |= std::ios::app;
            break;
        case Mode::Old:
            if (!exists(path)) return false;
            om |= std::ios::app;
            break;
        case Mode::New:
            if (!create_new(path)) {
                note_io_error();
                return false;
            }
            om |= std::ios::app;
            break;
        case Mode::Replace:
            om |= std::ios::trunc;
            break;
    }
    auto f = std::make_unique<std::ofstream>(path, om);
    if (!f->is_open()) {
        note_io_error();
        return false;
    }
    file_ = std::move(f);
    os_ = file_.get();
    eol_ = "\r\n";
    path_ = path;
    pending_ = false;
    stop_ = false;
    return true;
}

bool TextOut::close() {
    if (!os_) return true;
    if (pending_) *os_ << eol_;
    pending_ = false;
    bool ok = os_->flush().good();
    if (!ok && file_) note_io_error();
    if (file_) {
        file_->close();
        if (ok && file_->fail()) note_io_error();
        ok = ok && !file_->fail();
        file_.reset();
        os_ = nullptr;
        if (!ok && stop_) stop_writing();
    }
    return ok;  // the console stays usable
}

bool TextOut::write(std::string_view format, const FmtItems& items, bool advance) {
    if (!os_) return false;
    *os_ << fformat(format, items, advance, eol_);
    pending_ = !advance;
    return checked();
}

bool TextOut::list(const FmtItems& items) {
    if (!os_) return false;
    *os_ << flist(items) << eol_;
    pending_ = false;
    return checked();
}

bool TextOut::raw(std::string_view text) {
    if (!os_) return false;
    *os_ << text;
    return checked();
}

bool TextOut::checked() {
    if (os_->good()) return true;
    if (!file_) return false;
    note_io_error();
    if (stop_) stop_writing();
    return false;
}

void TextOut::flush() {
    if (!os_) return;
    os_->flush();
    if (file_) checked();
}

bool TextOut::good() const { return os_ && os_->good(); }

TextIn::TextIn(std::istream& console) : is_(&console) {}

TextIn::TextIn(TextIn&& o) noexcept
    : file_(std::move(o.file_)), is_(o.is_), record_(std::move(o.record_)), pos_(o.pos_),
      open_record_(o.open_record_) {
    o.is_ = nullptr;
    o.open_record_ = false;
}

TextIn& TextIn::operator=(TextIn&& o) noexcept {
    if (this != &o) {
        file_ = std::move(o.file_);
        is_ = o.is_;
        record_ = std::move(o.record_);
        pos_ = o.pos_;
        open_record_ = o.open_record_;
        o.is_ = nullptr;
        o.open_record_ = false;
    }
    return *this;
}

TextIn::~TextIn() = default;

bool TextIn::open(const std::string& path) {
    close();
    auto f = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (!f->is_open()) return false;
    file_ = std::move(f);
    is_ = file_.get();
    return true;
}

bool TextIn::close() {
    open_record_ = false;
    if (file_) {
        file_->close();
        file_.reset();
        is_ = nullptr;
    }
    return true;
}

void TextIn::rewind() {
    open_record_ = false;
    if (!is_) return;
    is_->clear();
    is_->seekg(0);
}

int TextIn::readline(std::string& line) {
    open_record_ = false;
    if (!is_) return kReadError;
    if (!std::getline(*is_, line)) {
        if (is_->bad()) return kReadError;
        return kReadEnd;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return kReadOk;
}

namespace {
class StreamRecords final : public fmt::RecordSource {
public:
    StreamRecords(TextIn& in, std::string& record) : in_(in), record_(record) {}
    bool next() override {
        if (in_.readline(record_) != kReadOk) return false;
        rec = record_;
        pos = 0;
        return true;
    }

private:
    TextIn& in_;
    std::string& record_;
};
}  // namespace

int TextIn::read(std::string_view format, const ReadTargets& targets, bool advance) {
    const fmt::Program& p = fmt::compile(format);
    StreamRecords src(*this, record_);
    if (open_record_) {
        src.rec = record_;
        src.pos = pos_;
    } else {
        const int rc = readline(record_);
        if (rc != kReadOk) return rc;
        src.rec = record_;
        src.pos = 0;
    }
    const int rc = fmt::read_items(p, src, targets);
    open_record_ = !advance && rc == kReadOk;
    pos_ = src.pos;
    return rc;
}

}  // namespace quilmo
