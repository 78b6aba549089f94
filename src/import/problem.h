// Bad input ends the import with one message that names the file and, where
// there is one, the line: "sucrose.hkl, line 12: ...".  The message travels
// as a stop (RunStop), which main turns into "STOP <message>" and status 1;
// nothing has been written by then.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

[[noreturn]] void bad_input(const std::string& file, int line, const std::string& what);
[[noreturn]] void bad_input(const std::string& file, const std::string& what);

// The text in single quotes.
std::string quoted(std::string_view text);

// "file, line N" (or "file" for line 0), the place a message names.
std::string place(const std::string& file, int line);

// Numbers of the files a refinement writes.  A word that is not wholly a
// finite number ends the import with a message naming `what` (the item the
// number stands for).
double real_number(std::string_view word, const std::string& file, int line, const std::string& what);
int whole_number(std::string_view word, const std::string& file, int line, const std::string& what);

// True when `word` reads wholly as an integer (a leading sign allowed).
bool is_integer(std::string_view word);

// Whole content of a file; a file that cannot be read ends the import.
std::string read_text(const std::string& file);

// The lines of a text, without their LF and without a CR before it.
std::vector<std::string> split_lines(const std::string& text);

}  // namespace quilmo
