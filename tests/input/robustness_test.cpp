// Hand-written input goes wrong in every way: randomly damaged copies of a
// rich input must end in a normal return or a stop, never in another
// exception (or, under the sanitizers, in a memory fault).
#include <gtest/gtest.h>

#include <random>

#include "input/input_run.h"

using quilmo_test::InputRun;
using quilmo_test::lines_of;

namespace {

const char* kRich =
    "title x\nperform MEM\ncell 4.59 4.59 2.96 90 90 90\nvoxel 24 24 16\nelectrons 76\n"
    "initialdensity flat\nalgorithm S-S AUTO 1.0\nconweight F2\ncentro yes\npriorsf 0.1 0.5 0.01 2\n"
    "delta 0.8 fraction\nsymmetry\nx1 x2 x3\n-x1 -x2 x3\n-x2+1/2 x1+1/2 x3+1/2\nendsymmetry\n"
    "centers\n1/2 1/2 1/2\nendcenters\ntestsymmetry\n-x1 -x2 -x3\nendtestsymmetry\n"
    "extra\n3 3 3 1.0 0.0\nendextra\nfbegin\n1 1 0 20.0 0.0 0.40\n0 0 0 50 0 1\n"
    "1 0 1 -12.5 3.0 0.25\nendf\ngbegin\nggroup 30.0 1.5\n2 1 1\n1 2 1\nggroup 12.0 0.5\n3 1 0\n"
    "endg\ndimension 4\nqvectors\n0 0 0.5\nendqvectors\nregularwidth 1 1 1 1\nfixsymops 1 2 3 4\n";

const char kChars[] = " \t0123456789x+-/.#!abcdefgnrsyAUTOendqvfg\n";

TEST(Robustness, DamagedInputEndsInAStopOrNormally) {
    std::mt19937 rng(1234);
    const std::vector<std::string> lines = lines_of(kRich);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    for (int iter = 0; iter < 400; ++iter) {
        std::vector<std::string> l = lines;
        for (int m = 0, nmut = 1 + static_cast<int>(pick(4)); m < nmut && !l.empty(); ++m) {
            const std::size_t i = pick(l.size());
            std::string& s = l[i];
            const char c = kChars[pick(sizeof kChars - 1)];
            switch (pick(5)) {
                case 0: l.erase(l.begin() + static_cast<long>(i)); break;
                case 1: l.insert(l.begin() + static_cast<long>(i), l[pick(l.size())]); break;
                case 2: if (!s.empty()) s[pick(s.size())] = c; break;
                case 3: s.insert(pick(s.size() + 1), 1, c); break;
                default: if (!s.empty()) s.erase(pick(s.size()), 1); break;
            }
        }
        std::string text;
        for (const auto& s : l) text += s + "\n";
        try {
            InputRun r(text);
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what() << "\n" << text;
        }
    }
}

}  // namespace
