#include "run/templates.h"

#include "textio/format.h"
#include "textio/text.h"

namespace quilmo {

namespace {

std::string counted(const char* form, int count, const char* fmt, int first, int last) {
    std::string out = form;
    set_template_count(out, count, fmt, first, last);
    return out;
}

}  // namespace

void set_template_count(std::string& form, int count, const char* fmt, int first, int last) {
    std::string digits = fformat(fmt, {count}, false);
    form.replace(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1),
                 fixed(digits, static_cast<std::size_t>(last - first + 1)));
}

std::string fhklform(int sdim) { return counted("(   I4,4F14.7,2I4,I10,F14.7)", sdim, "(I3)", 2, 4); }
std::string ghklform(int sdim) { return counted("(   I4,14X,14X,28X,2I4,I10)", sdim, "(I3)", 2, 4); }
std::string fchklform(int sdim) {
    return counted("(   I4,2F14.7,3X,2F14.7,3X,F14.7,3X,F14.7,3X,F14.7)", sdim, "(I3)", 2, 4);
}
std::string gchklform(int sdim) { return counted("(   I4,2F14.7)", sdim, "(I3)", 2, 4); }
std::string dsymform(int sdim) { return counted("(   I5,5X,I5)", sdim, "(I3)", 2, 4); }
std::string symform(int sdim) { return counted("(   F6.1,5X,F6.3)", sdim, "(I3)", 2, 4); }
std::string sfsymform(int sdim) { return counted("(  F5.1,F8.3,A)", sdim, "(I2)", 2, 3); }
std::string pixform(int sdim) { return counted("(A,   I6)", sdim, "(I3)", 4, 6); }
std::string qvecform(int rdim) { return counted("(   F14.7)", rdim, "(I3)", 2, 4); }
std::string cellform(int ncellpar) { return counted("(A,..F10.5,F10.2)", ncellpar, "(i2)", 4, 5); }
std::string rcellform(int ncellpar) { return counted("(A,..F10.5,ES13.6)", ncellpar, "(i2)", 4, 5); }

}  // namespace quilmo
