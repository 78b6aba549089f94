// The output dispatch: the writer of the chosen format, default and spare
// names, and the console menu when no known format was chosen.
#include <cstring>
#include <filesystem>
#include <string>

#include "density/files.h"
#include "run/console.h"
#include "textio/stop.h"

namespace quilmo {

namespace {


struct OutputType {
    const char* type;
    const char* extension;
    const char* spare;  // the two blanks take the spare number
};

constexpr OutputType kTypes[] = {
    {"QLascii", ".asc", "qlmap  .asc"},  {"QLbinary", ".raw", "qlmap  .raw"},
    {"jana", ".m81", "qlmap  .m81"},     {"jana+1", ".m81", "qlmap  .m81"},
    {"xplor", ".xplor", "qlmap  .xplor"}, {"ccp4", ".ccp4", "qlmap  .ccp4"},
};

// Menu choice 1..5 is the row of the table above; the CCP4 row is reached
// by its type only.
FileResult write_as(RunState& st, int choice, const std::string& name) {
    switch (choice) {
        case 1: return writeql(st, name);
        case 2: return writerawql(st, name);
        case 3: return writejana(st, name, false);
        case 4: return writejana(st, name, true);
        case 6: return writeccp4(st, name);
        default: return writexplor(st, name);
    }
}

// One console line; a closed console can never answer, so asking again
// would loop for ever.
std::string answer(RunState& st) {
    std::string line;
    if (!std::getline(*st.conin, line))
        throw RunStop("Error: No density file format chosen and no more console input!");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// The prompt record stays open while the user types: on a terminal the
// typed line ends it, so the next text starts on a line of its own.
int ask_choice(RunState& st, TextOut& con) {
    con.write("(A)", {""});
    for (const char* line :
         {"What format shall your density file be?", " (1) Quilmo in ASCII (6 values per line)",
          " (2) Quilmo in binary", " (3) JANA 2000", " (4) JANA 2000 with redundant borders",
          " (5) XPlor ascii format"})
        con.write("(A)", {line});
    for (;;) {
        con.write("(A)", {"Type the corresponding number: "}, false);
        con.flush();
        const std::string typed = fixed(answer(st), 2);
        int choice = 0;
        // An answer that is no number is as unusable as one out of range.
        const bool number = fparse("(I2)", typed, {choice}) == kReadOk;
        if (number && choice >= 1 && choice <= 5) return choice;
        con.write("(A)", {""});
        if (number)
            con.write("(I2,A)", {choice, " is out of range! Please try again..."});
        else
            con.write("(A2,A)", {trim(typed), " is out of range! Please try again..."});
        con.write("(A)", {""});
    }
}

std::string ask_name(RunState& st, TextOut& con) {
    con.write("(A)", {"Name of the electron density file?"});
    con.flush();
    const std::string name = fixed(answer(st), kNameLen);
    con.write("(A)", {""});
    return name;
}

// The first of qlmapNN (NN from `next` up to 98, with the type's extension)
// that does not exist in the working directory; blank when none is left.
// `next` moves past the name handed out, so a writer that fails without
// leaving a file (an unwritable folder) cannot be sent back to the same
// name for ever.
std::string spare_name(const char* pattern, int& next) {
    for (; next <= 98; ++next) {
        std::string name = pattern;
        name.replace(5, 2, fformat("(i2.2)", {next}, false));
        std::error_code ec;
        if (!std::filesystem::exists(name, ec)) {
            ++next;
            return fixed(name, kNameLen);
        }
    }
    return std::string(kNameLen, ' ');
}

// What a failed write leaves to do.
enum class Failed {
    Existed,  // the name was taken already: a spare name may serve
    Refused,  // the writer refused the density without touching the disk
};

// Calls the writer of `choice` on `name`.  Returns normally when the file is
// written or when the failure leaves a choice (see Failed); any other
// failure (no space, no permission, an I/O error) removes the partial file
// the writer made and stops the run with the system's reason, for another
// name would fail alike and leave one more empty file behind.
bool write_or_stop(RunState& st, int choice, const std::string& name, Failed& why) {
    const std::string path = trim(name);
    std::error_code ec;
    const bool existed = !path.empty() && std::filesystem::exists(std::filesystem::symlink_status(path, ec));
    clear_io_error();
    if (write_as(st, choice, name) == FileResult::Ok) return true;
    const int err = last_io_error();
    if (existed) {
        why = Failed::Existed;
        return false;
    }
    bool removed = false;
    if (!path.empty() && std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        removed = std::filesystem::remove(path, ec);
    if (err == 0 && !removed) {
        why = Failed::Refused;
        return false;
    }
    throw RunStop("Error! Cannot write the density file " + path + ": " +
                  (err != 0 ? std::string(std::strerror(err)) : std::string("write failed")) +
                  (removed ? ". The incomplete file has been removed." : "."));
}

}  // namespace

bool own_map_name(const RunState& st, const std::string& name) {
    const std::string given = trim(st.outrhofile);
    if (!given.empty() && name == given) return true;
    if (name == trim(with_extension(st.filetitle, st.filebase, kDiffourExtension))) return true;
    for (const OutputType& t : kTypes)
        if (name == trim(with_extension(st.filetitle, st.filebase, t.extension))) return true;
    return false;
}

void rhowrite(RunState& st) {
    int next_spare = 0;
    for (;;) {
        const OutputType* known = nullptr;
        int choice = 0;
        for (const OutputType& t : kTypes)
            if (same_text(st.outrhotype, t.type)) known = &t;
        Failed why = Failed::Existed;
        if (known) {
            choice = static_cast<int>(known - kTypes) + 1;
            if (st.outrhofile.empty() || st.outrhofile[0] == ' ')
                st.outrhofile = with_extension(st.filetitle, st.filebase, known->extension);
            if (write_or_stop(st, choice, st.outrhofile, why)) return;
        } else {
            TextOut con(*st.con);
            choice = ask_choice(st, con);
            const std::string name = ask_name(st, con);
            con.close();
            if (write_or_stop(st, choice, name, why)) return;
        }
        if (known && why == Failed::Refused) {
            // Every spare name would be refused alike: let the user choose.
            st.outrhotype = fixed("none", kNameLen);
        } else if (known) {
            const std::string spare = spare_name(known->spare, next_spare);
            if (blank(spare))
                st.outrhotype = fixed("none", kNameLen);
            else
                st.outrhofile = spare;
        }
    }
}

}  // namespace quilmo
