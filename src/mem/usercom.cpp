#include "mem/usercom.h"

#include <filesystem>
#include <system_error>

#include "textio/format.h"
#include "textio/text.h"

namespace quilmo {

namespace {

bool delete_file(const std::string& name) {
    std::error_code ec;
    std::filesystem::remove(name, ec);
    return !ec;
}

void log_undeletable(RunState& st, const std::string& name) {
    st.log.write("(3a)", {"Cannot delete file", name,
                          ", problem with permission rights? Delete the file manually or correct "
                          "the problem."});
}

// Reads the value after the command word; false when it is missing or malformed.
bool read_value(RunState& st, std::string_view rest, std::string_view valflag) {
    if (valflag == "INT") return listread(rest, {st.com.int_}) == kReadOk;
    if (valflag == "DBL") return listread(rest, {st.com.dbl}) == kReadOk;
    if (valflag == "CHR") {
        std::string value;
        if (listread(rest, {value}) != kReadOk) return false;
        st.com.chr = fixed(value, kLineLen);
    }
    return true;
}

}  // namespace

bool usercom(RunState& st, std::string_view key, std::string_view valflag) {
    st.com = com_type{};
    const std::string name = trim(st.comfile);
    std::error_code ec;
    if (!std::filesystem::exists(name, ec)) return false;

    TextIn in;
    if (!in.open(name)) {
        st.log.write("(3a)", {"Cannot open the file ", name, "although it exists. Ignoring it."});
        return false;
    }
    std::string line;
    bool ok = in.readline(line) == kReadOk;
    if (ok) {
        const std::string buffer = fixed(line, kLineLen);
        const std::size_t n = static_cast<std::size_t>(idel(key));
        if (buffer.compare(0, n, key, 0, n) != 0) {
            // Another command (or one still being written): it waits for a later look.
            in.close();
            return false;
        }
        ok = read_value(st, std::string_view(buffer).substr(n), valflag);
        if (ok) {
            in.close();
            if (!delete_file(name)) log_undeletable(st, name);
            return true;
        }
    }
    st.log.write("(3a)", {"Reading error or invalid key/value in the ", name,
                          ". Ignoring it and deleting."});
    in.close();
    if (!delete_file(name)) log_undeletable(st, name);
    return false;
}

}  // namespace quilmo
