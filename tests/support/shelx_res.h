// A small reader of SHELX .res files for the tests: the instructions the
// peak search writes, read as a refinement program reads them (cards of at
// most 80 characters, "=" continuing a card on the next line).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace quilmo_test {

struct ResAtom {
    std::string label;
    int sfac = 0;
    std::array<double, 3> x{};
    double sof = 0, u = 0;
    double height = 0;  // Q-peaks only
};

struct ResFile {
    std::string title;
    double wavelength = 0;
    std::array<double, 6> cell{};
    double z = 0;
    int latt = 0;
    std::vector<std::string> symm;
    std::vector<std::string> sfac;
    std::vector<double> unit;
    std::vector<ResAtom> atoms;  // atoms and Q-peaks in file order
    bool hklf4 = false, end = false;
    std::string error;  // the first card that broke the rules; empty when none did
};

ResFile read_res(const std::string& text);

}  // namespace quilmo_test
