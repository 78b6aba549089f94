// Binary records: length-framed sequential records and fixed-length direct
// records, little-endian throughout.
#include "textio/records.h"

#include <climits>
#include <cstring>

#include "textio/format.h"

namespace quilmo {

namespace {
void put_bytes(std::vector<unsigned char>& buf, std::size_t offset, std::uint64_t bits, int n) {
    if (buf.size() < offset + static_cast<std::size_t>(n)) buf.resize(offset + static_cast<std::size_t>(n));
    for (int b = 0; b < n; ++b) buf[offset + static_cast<std::size_t>(b)] = static_cast<unsigned char>(bits >> (8 * b));
}
std::uint64_t get_bytes(const std::vector<unsigned char>& buf, std::size_t offset, int n) {
    std::uint64_t bits = 0;
    for (int b = 0; b < n; ++b) bits |= static_cast<std::uint64_t>(buf.at(offset + static_cast<std::size_t>(b))) << (8 * b);
    return bits;
}
}  // namespace

void put_i32(std::vector<unsigned char>& buf, std::size_t offset, std::int32_t v) {
    put_bytes(buf, offset, static_cast<std::uint32_t>(v), 4);
}
void put_f32(std::vector<unsigned char>& buf, std::size_t offset, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    put_bytes(buf, offset, bits, 4);
}
void put_f64(std::vector<unsigned char>& buf, std::size_t offset, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    put_bytes(buf, offset, bits, 8);
}
std::int32_t get_i32(const std::vector<unsigned char>& buf, std::size_t offset) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(get_bytes(buf, offset, 4)));
}
float get_f32(const std::vector<unsigned char>& buf, std::size_t offset) {
    const std::uint32_t bits = static_cast<std::uint32_t>(get_bytes(buf, offset, 4));
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}
double get_f64(const std::vector<unsigned char>& buf, std::size_t offset) {
    const std::uint64_t bits = get_bytes(buf, offset, 8);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

BinaryFile::~BinaryFile() { close(); }

bool BinaryFile::open(const std::string& path, Mode mode) {
    close();
    const char* m = mode == Mode::Read ? "rb" : mode == Mode::New ? "w+bx" : "w+b";
    f_ = std::fopen(path.c_str(), m);
    if (!f_) {
        note_io_error();
        return false;
    }
    path_ = path;
    return true;
}

bool BinaryFile::close() {
    if (!f_) return true;
    const bool ok = std::fclose(f_) == 0;
    if (!ok) note_io_error();
    f_ = nullptr;
    return ok;
}

bool BinaryFile::close_delete() {
    if (!f_) return false;
    const bool ok = close();
    return std::remove(path_.c_str()) == 0 && ok;
}

bool BinaryFile::write_record(const std::vector<unsigned char>& data) {
    if (!f_ || data.size() > static_cast<std::size_t>(INT32_MAX)) return false;
    std::vector<unsigned char> len;
    put_i32(len, 0, static_cast<std::int32_t>(data.size()));
    const bool ok = std::fwrite(len.data(), 1, 4, f_) == 4 &&
                    // An empty record has no data pointer to hand to fwrite.
                    (data.empty() || std::fwrite(data.data(), 1, data.size(), f_) == data.size()) &&
                    std::fwrite(len.data(), 1, 4, f_) == 4;
    if (!ok) note_io_error();
    return ok;
}

int BinaryFile::read_record(std::vector<unsigned char>& data) {
    if (!f_) return 1;
    std::vector<unsigned char> word(4);
    const std::size_t got = std::fread(word.data(), 1, 4, f_);
    if (got == 0 && std::feof(f_)) return -1;
    if (got != 4) return 1;
    const std::int32_t len = get_i32(word, 0);
    if (len < 0) return 1;
    // A damaged length word must not make us allocate beyond the file.
    const long here = std::ftell(f_);
    if (here < 0 || std::fseek(f_, 0, SEEK_END) != 0) return 1;
    const long end = std::ftell(f_);
    if (std::fseek(f_, here, SEEK_SET) != 0) return 1;
    if (static_cast<long>(len) + 4 > end - here) return 1;
    data.resize(static_cast<std::size_t>(len));
    if (std::fread(data.data(), 1, data.size(), f_) != data.size()) return 1;
    if (std::fread(word.data(), 1, 4, f_) != 4 || get_i32(word, 0) != len) return 1;
    return 0;
}

bool BinaryFile::write_direct(long n, std::size_t reclen, const std::vector<unsigned char>& data) {
    if (!f_ || n < 1 || reclen == 0 || data.size() > reclen) return false;
    std::vector<unsigned char> rec(data);
    rec.resize(reclen, 0);  // a short record is padded with zero bytes
    const bool ok = std::fseek(f_, (n - 1) * static_cast<long>(reclen), SEEK_SET) == 0 &&
                    std::fwrite(rec.data(), 1, reclen, f_) == reclen;
    if (!ok) note_io_error();
    return ok;
}

bool BinaryFile::read_direct(long n, std::size_t reclen, std::vector<unsigned char>& data) {
    if (!f_ || n < 1 || reclen == 0) return false;
    data.resize(reclen);
    return std::fseek(f_, (n - 1) * static_cast<long>(reclen), SEEK_SET) == 0 &&
           std::fread(data.data(), 1, reclen, f_) == reclen;
}

}  // namespace quilmo
