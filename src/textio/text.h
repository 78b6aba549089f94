// Fixed-length, blank-padded texts and the small word routines that work on
// them.  Texts are std::string values kept at their declared length; only the
// blank counts as padding (a tab is a character of the text).
#pragma once

#include <string>
#include <string_view>

#include "textio/lengths.h"

namespace quilmo {

// `value` blank-padded or cut to exactly `len` characters.
std::string fixed(std::string_view value, std::size_t len);

// Position (1-based) of the last character that is not a blank; 0 if none.
int idel(std::string_view l);

// The text up to its last non-blank character.
std::string trim(std::string_view l);

// True when the text holds only blanks (or nothing).
bool blank(std::string_view l);

// Removes leading blanks and tabs; the text keeps its length.  An all-blank
// text is left unchanged.
void spaceerase(std::string& s);

// Splits off the first word: `oddata` (132 characters) = characters before
// the first blank or tab, `iodstring` = the rest starting with that
// separator.  A leading separator gives a blank word and leaves `iodstring`
// unchanged; a text without separator changes neither.
void datalength(std::string& iodstring, std::string& oddata);

// Position (1-based) of the first `ichar` in `istring`, or -1.
int nextpos(std::string_view istring, char ichar);

// The integer written directly left ('l') or right ('r') of the 1-based
// position `keypos`; 1 when there is none.  A digit string that cannot be
// read (a malformed symmetry operator) stops the run with a message that
// quotes the text.
int numberlength(std::string_view dstring, char lr, int keypos);

// Compares two texts ignoring trailing blanks (case-sensitive).
bool same_text(std::string_view a, std::string_view b);

}  // namespace quilmo
