// The keyword reader: registration, lines and words, value conversion, the
// two reading passes and the end-of-pass check.
#include "input/reader.h"

#include "input/input.h"
#include "run/console.h"
#include "textio/format.h"
#include "textio/stop.h"
#include "textio/text.h"

namespace quilmo {

namespace {
bool is_sep(char c) { return c == ' ' || c == '\t'; }
}  // namespace

// ---------------------------------------------------------------- registration

void newkwdgroup(input_module& im) {
    if (im.kwdgroupnr + 1 >= static_cast<int>(im.kwdgroup.size()))
        throw RunStop("Error: too many keyword groups registered!");
    ++im.kwdgroupnr;
    im.kwdgroup[im.kwdgroupnr].name = fixed(im.grpname, kNameLen30);
    im.kwdgroup[im.kwdgroupnr].status = im.grpstatus;
}

void flagkwdgroup(input_module& im, std::string_view name, bool stat) {
    for (int i = 1; i <= im.kwdgroupnr; ++i)
        if (same_text(im.kwdgroup[i].name, name)) im.kwdgroup[i].status = stat;
}

void newkwd(input_module& im, int& kid) {
    if (im.kwdnr + 1 >= static_cast<int>(im.kwd.size()))
        throw RunStop("Error: too many keywords registered!");
    ++im.kwdnr;
    kwdtype& k = im.kwd[im.kwdnr];
    k.name = fixed(im.kn, kNameLen30);
    k.endname = fixed(im.kendn, kNameLen30);
    k.occ = 0;
    k.group = 0;
    for (int i = 1; i <= im.kwdgroupnr; ++i)
        if (same_text(im.kwdgroup[i].name, im.grp)) k.group = i;
    kid = im.kwdnr;
}

// ------------------------------------------------------------- lines and words

void delcomments(const input_module& im, std::string& iotext) {
    const int last = idel(iotext);
    for (int i = 0; i < last; ++i) {
        if (im.comments.find(iotext[static_cast<std::size_t>(i)]) != std::string::npos) {
            const std::size_t len = iotext.size();
            iotext.resize(static_cast<std::size_t>(i));
            iotext.resize(len, ' ');
            return;
        }
    }
}

void nextline(RunState& st, const input_module& im, std::string& otext, int& errcd) {
    std::string line;
    do {
        errcd = st.input.readline(line);
        otext = fixed(errcd == kReadOk ? line : std::string(), kLineLen);
        delcomments(im, otext);
    } while (blank(otext) && errcd == kReadOk);
}

bool block_line(RunState& st, const input_module& im, std::string& line, int& errcd,
                std::string_view eof_message) {
    errcd = 0;
    nextline(st, im, line, errcd);
    if (errcd == 0) return true;
    errormsg(st, eof_message);
    return false;
}

bool block_line(RunState& st, const input_module& im, std::string& line) {
    int errcd = 0;
    return block_line(st, im, line, errcd, "Error, preliminary end of file detected.");
}

std::string firstword(std::string& iotext, bool cutword) {
    std::string result(kLineLen, ' ');
    const std::size_t len = iotext.size();
    std::size_t i = 0;
    while (i < len && is_sep(iotext[i])) ++i;
    if (i < len) {
        std::size_t j = i;
        while (j < len && !is_sep(iotext[j])) ++j;
        // A word that runs to the last character has no separator after
        // it: it yields no word and the text is not cut.
        if (j < len) {
            result = fixed(std::string_view(iotext).substr(i, j - i), kLineLen);
            if (cutword) {
                iotext.erase(0, j);
                iotext.resize(len, ' ');
            }
        }
    }
    std::size_t k = 0;
    while (k < len && is_sep(iotext[k])) ++k;
    if (k + 1 < len) {
        iotext.erase(0, k);
        iotext.resize(len, ' ');
    } else {
        iotext.assign(len, ' ');
    }
    return result;
}

// ------------------------------------------------------------ value conversion

void oneint(std::string_view text, int& oint, int& errcode) { errcode = listread(text, {oint}); }

void arrayint(std::string_view text, int* oarrint, int icnt, int& errcode) {
    errcode = listread(text, {ReadTarget::array(oarrint, icnt)});
}

void onereal(std::string_view text, double& oreal, int& errcode) {
    errcode = listread(text, {oreal});
}

void arrayreal(std::string_view text, double* oarrreal, int icnt, int& errcode) {
    errcode = listread(text, {ReadTarget::array(oarrreal, icnt)});
}

void yesno(std::string_view text, bool& ologic, int& errcode) {
    std::string t = fixed(text, std::max(text.size(), kLineLen));
    std::string word = firstword(t, false);
    errcode = 0;
    if (same_text(word, "yes"))
        ologic = true;
    else if (same_text(word, "no"))
        ologic = false;
    else
        errcode = kKeywordError;
}

// -------------------------------------------------------------------- checking

void errorcheck(RunState& st, input_module& im) {
    TextOut con(*st.con);
    for (int i = 1; i <= im.kwdnr; ++i) {
        kwdtype& k = im.kwd[i];
        const std::string name = trim(k.name);
        if (k.occ > 1) {
            ++im.errnr;
            con.write("(3a,i2,a)",
                      {"Error, keyword ", name, " occured ", k.occ, " times in the input file."});
        }
        if (k.group > 0 && im.kwdgroup[k.group].status && k.occ == 0) {
            ++im.errnr;
            con.write("(3a,i2,a)",
                      {"Error, the compulsory keyword ", name, " is missing in the input file."});
        }
        k.occ = 0;
    }
    if (im.errnr > 0) {
        con.write("(a,i4,a)", {"There were ", im.errnr, " errors in the input file."});
        con.write("(a)", {"Please check the input file and try again."});
        st.console_told = true;
        throw RunStop();
    }
}

// ----------------------------------------------------------------- the passes

void readpass(RunState& st, input_module& im) {
    im.errnr = 0;
    for (;;) {
        int ios = 0;
        nextline(st, im, im.inbuffer, ios);
        if (ios > 0) {
            errormsg(st, "Error reading the input file " + trim(st.inputfile) + ".");
            throw RunStop();
        }
        if (ios < 0) break;
        im.curkwd = fixed(firstword(im.inbuffer, true), kNameLen30);
        im.curkwdid = 0;
        for (int i = 1; i <= im.kwdnr; ++i) {
            if (same_text(im.curkwd, im.kwd[i].name)) {
                im.curkwdid = i;
                ++im.kwd[i].occ;
            }
        }
        if (im.curkwdid == 0) continue;
        ios = 0;
        if (Handler h = handler_of(im.curkwdid)) h(st, im, ios);
        if (ios != 0) {
            errormsg(st, "Error reading keyword " + trim(im.kwd[im.curkwdid].name) + ".");
            ++im.errnr;
        }
    }
}

void input(RunState& st) {
    initinput(st);
    input_module im;
    register_keywords(im);
    for (int pass = 1; pass <= im.passnr; ++pass) {
        im.pass = pass;
        readpass(st, im);
        errorcheck(st, im);
        afterpass(st, pass);
        st.input.rewind();
    }
    st.input.close();
}

}  // namespace quilmo
