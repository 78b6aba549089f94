// The keyword reader of the input step: registered groups and keywords, line
// and word handling, value conversion and the end-of-pass check, plus the
// block readers that the keyword handlers hand over to.
//
// Every text here is blank-padded to its declared length (132 for a line):
// the word routines find the end of a word at the blank that follows it.
#pragma once

#include <array>
#include <string>

#include "run/state.h"

namespace quilmo {

constexpr std::size_t kNameLen30 = 30; // keyword and group names

// A keyword group: every keyword of a compulsory group must be given.
struct grptype {
    std::string name = std::string(kNameLen30, ' ');
    bool status = false;  // true: compulsory
};

// A registered keyword.
struct kwdtype {
    std::string name = std::string(kNameLen30, ' ');
    std::string endname = std::string(kNameLen30, ' ');  // end keyword of a block, else blank
    int group = 0;   // index into kwdgroup, 0 when the group name was not registered
    int occ = 0;     // lines of the current pass that start with this keyword
};

// State of the keyword reader, local to one input step.
struct input_module {
    std::string comments = "#!";     // comment characters
    int passnr = 2;                  // reading passes
    std::array<grptype, 11> kwdgroup{};  // 1..kwdgroupnr used
    int kwdgroupnr = 0;
    std::array<kwdtype, 101> kwd{};  // 1..kwdnr used
    int kwdnr = 0;
    std::string grpname = std::string(kNameLen30, ' ');  // arguments of newkwdgroup
    bool grpstatus = false;
    std::string kn = std::string(kNameLen30, ' ');       // arguments of newkwd
    std::string kendn = std::string(kNameLen30, ' ');
    std::string grp = std::string(kNameLen30, ' ');
    std::string inbuffer = std::string(kLineLen, ' ');   // current line, then its rest
    std::string curkwd = std::string(kNameLen30, ' ');   // first word of the current line
    int curkwdid = 0;                // recognised keyword, 0 if none
    int errnr = 0;                   // errors of the current pass

    int pass = 0;                    // the pass being read (1 or 2)
    bool f000 = false;               // pass 1 found the 0 0 0 line of the F block
};

// ---- registration ----
void newkwdgroup(input_module& im);
void flagkwdgroup(input_module& im, std::string_view name, bool stat);
void newkwd(input_module& im, int& kid);
// All 7 groups and 47 keywords in their fixed order.
void register_keywords(input_module& im);

// ---- lines and words ----
// Next line that is not blank after comment removal, cut to 132 characters;
// errcd 0, negative at end of file, positive on a read error.
void nextline(RunState& st, const input_module& im, std::string& otext, int& errcd);
// The next line of a block.  At the end of the file (or a read error):
// `eof_message` on the console, nextline's code in `errcd`, false.
bool block_line(RunState& st, const input_module& im, std::string& line, int& errcd,
                std::string_view eof_message);
// The same with the reflection blocks' message and without the code.
bool block_line(RunState& st, const input_module& im, std::string& line);
void delcomments(const input_module& im, std::string& iotext);
std::string firstword(std::string& iotext, bool cutword);

// ---- value conversion (list-directed; 0 done, < 0 too few values, > 0 malformed) ----
void oneint(std::string_view text, int& oint, int& errcode);
void arrayint(std::string_view text, int* oarrint, int icnt, int& errcode);
void onereal(std::string_view text, double& oreal, int& errcode);
void arrayreal(std::string_view text, double* oarrreal, int icnt, int& errcode);
void yesno(std::string_view text, bool& ologic, int& errcode);

// ---- checking ----
void errorcheck(RunState& st, input_module& im);

// ---- the reading passes ----
// One pass over the input file: every recognised keyword line goes to its
// handler; value errors are reported and counted.
void readpass(RunState& st, input_module& im);

// ---- keyword handlers ----
using Handler = void (*)(RunState& st, input_module& im, int& ios);
// Handler of keyword number kid (nullptr: recognised and counted only).
Handler handler_of(int kid);

// ---- reflection blocks ----
void fblock(RunState& st, input_module& im, int& ios);
void gblock(RunState& st, input_module& im, int& ios);
void extrablock(RunState& st, input_module& im, int& ios);

// ---- symmetry input ----
void symmetryblock(RunState& st, input_module& im, int& ios);
void testsymmetryblock(RunState& st, input_module& im, int& ios);
void centersblock(RunState& st, input_module& im, int& ios);
void readsymmetry(RunState& st, const input_module& im, int& errcd, int code);
// Parses one operator line into ormat (isdim x isdim, column-major) and
// otvec (isdim).  Malformed operators stop the run with a message.
void symmetry(int isdim, const std::string& ibuffer, double* ormat, double* otvec);
void opsearch(int imaxdim, std::string_view ivbuffer, int& odiv, int& oxcount, int& odivpos,
              std::array<int, 10>& oxpos);
void centervec(const std::string& ibuffer, int isdim, double* ovec);
void qvectors(RunState& st, const input_module& im, int kid, int& errcd);

// ---- after the passes ----
// Interprets the algorithm settings; stops the run when they are wrong.
void checkalg(RunState& st, const std::string& settings);

}  // namespace quilmo
