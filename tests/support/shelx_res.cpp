#include "support/shelx_res.h"

#include <sstream>

#include "support/e2e.h"

namespace quilmo_test {

namespace {

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> w;
    for (std::string x; in >> x;) w.push_back(x);
    return w;
}

}  // namespace

ResFile read_res(const std::string& text) {
    ResFile r;
    std::vector<std::string> cards;
    bool continued = false;
    for (const std::string& line : lines_of(text)) {
        if (line.size() > 80 && r.error.empty()) r.error = "longer than 80 characters: " + line;
        std::string body = line;
        const bool goes_on = body.size() >= 2 && body.compare(body.size() - 2, 2, " =") == 0;
        if (goes_on) body.resize(body.size() - 2);
        if (continued) {
            if (body.empty() || body[0] != ' ') r.error = "a continuation line must start with a blank";
            cards.back() += " " + body;
        } else {
            cards.push_back(body);
        }
        continued = goes_on;
    }
    for (const std::string& card : cards) {
        const std::vector<std::string> w = words(card);
        if (w.empty()) continue;
        const std::string& k = w[0];
        try {
            if (k == "TITL") {
                r.title = card.size() > 5 ? card.substr(5) : "";
            } else if (k == "CELL") {
                r.wavelength = std::stod(w.at(1));
                for (int i = 0; i < 6; ++i)
                    r.cell[static_cast<std::size_t>(i)] = std::stod(w.at(static_cast<std::size_t>(i) + 2));
            } else if (k == "ZERR") {
                r.z = std::stod(w.at(1));
                if (w.size() != 8) r.error = "ZERR needs Z and six uncertainties";
            } else if (k == "LATT") {
                r.latt = std::stoi(w.at(1));
            } else if (k == "SYMM") {
                r.symm.push_back(card.substr(5));
            } else if (k == "SFAC") {
                r.sfac.assign(w.begin() + 1, w.end());
            } else if (k == "UNIT") {
                for (std::size_t i = 1; i < w.size(); ++i) r.unit.push_back(std::stod(w[i]));
            } else if (k == "HKLF") {
                r.hklf4 = w.at(1) == "4";
            } else if (k == "END") {
                r.end = true;
            } else {
                if (k.size() > 4) r.error = "label longer than 4 characters: " + k;
                ResAtom a;
                a.label = k;
                a.sfac = std::stoi(w.at(1));
                for (int i = 0; i < 3; ++i)
                    a.x[static_cast<std::size_t>(i)] = std::stod(w.at(static_cast<std::size_t>(i) + 2));
                a.sof = std::stod(w.at(5));
                a.u = std::stod(w.at(6));
                if (w.size() > 7) a.height = std::stod(w[7]);
                if (a.sfac < 1 || a.sfac > static_cast<int>(r.sfac.size()))
                    r.error = "SFAC number out of range: " + card;
                r.atoms.push_back(a);
            }
        } catch (const std::exception&) {
            r.error = "unreadable card: " + card;
        }
    }
    if (r.sfac.size() != r.unit.size() && r.error.empty()) r.error = "SFAC and UNIT differ in length";
    return r;
}

}  // namespace quilmo_test
