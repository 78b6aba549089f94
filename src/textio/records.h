// Binary records: sequential records framed by their 4-byte length before
// and after the data, and fixed-length direct-access records.  Everything is
// little-endian.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quilmo {

// Little-endian packing into and out of byte buffers.
void put_i32(std::vector<unsigned char>& buf, std::size_t offset, std::int32_t v);
void put_f32(std::vector<unsigned char>& buf, std::size_t offset, float v);
void put_f64(std::vector<unsigned char>& buf, std::size_t offset, double v);
std::int32_t get_i32(const std::vector<unsigned char>& buf, std::size_t offset);
float get_f32(const std::vector<unsigned char>& buf, std::size_t offset);
double get_f64(const std::vector<unsigned char>& buf, std::size_t offset);

// A binary file opened for sequential records or direct access.  All
// operations report failure through their return value.
class BinaryFile {
public:
    enum class Mode {
        Read,     // must exist
        New,      // must not exist yet
        Replace,  // created or truncated
    };

    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    bool open(const std::string& path, Mode mode);
    bool close();
    // Closes and removes the file.
    bool close_delete();
    bool is_open() const { return f_ != nullptr; }

    // Sequential records.  read_record gives kReadOk (0) with the record's
    // data, a negative value at a clean end of file, and a positive value
    // for a damaged record (truncated data or mismatched length words).
    bool write_record(const std::vector<unsigned char>& data);
    int read_record(std::vector<unsigned char>& data);

    // Direct access: record n (from 1) of `reclen` bytes starts at byte
    // (n-1)*reclen.  A read past the end of the file fails.
    bool write_direct(long n, std::size_t reclen, const std::vector<unsigned char>& data);
    bool read_direct(long n, std::size_t reclen, std::vector<unsigned char>& data);

private:
    std::FILE* f_ = nullptr;
    std::string path_;
};

}  // namespace quilmo
