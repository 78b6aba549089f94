#include "mem/usercom.h"

#include <algorithm>
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

// A text value is a file name: the whole rest of the line, without the
// blanks and tabs around it and without one pair of quotes around it, so
// that paths (whose slashes would end a list-directed value) and names with
// blanks work.  A blank name, one with control characters (a NUL byte would
// cut the name the system sees) or one longer than a file name may be is
// refused.
bool file_name_value(std::string_view rest, std::string& value) {
    const std::size_t first = rest.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    const std::size_t last = rest.find_last_not_of(" \t");
    std::string_view v = rest.substr(first, last - first + 1);
    if (v.size() >= 2 && (v.front() == '\'' || v.front() == '"') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    if (v.find_first_not_of(" \t") == std::string_view::npos || v.size() > kNameLen) return false;
    for (char c : v)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    value = std::string(v);
    return true;
}

// Reads the value after the command word; false when it is missing or malformed.
bool read_value(RunState& st, std::string_view rest, std::string_view valflag) {
    if (valflag == "INT") return listread(rest, {st.com.int_}) == kReadOk;
    if (valflag == "DBL") return listread(rest, {st.com.dbl}) == kReadOk;
    if (valflag == "CHR") {
        std::string value;
        if (!file_name_value(rest, value)) return false;
        st.com.chr = fixed(value, std::max(kLineLen, value.size()));
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
        // A file name is taken from the whole line, not from the padded
        // line buffer, which would cut a long path.
        ok = read_value(st,
                        valflag == "CHR" ? std::string_view(line).substr(std::min(n, line.size()))
                                         : std::string_view(buffer).substr(n),
                        valflag);
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
