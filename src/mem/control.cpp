#include <cmath>

#include "mem/gradient.h"
#include "mem/iteration.h"

namespace quilmo {

LambdaControl start_control(double lambda) {
    LambdaControl c;
    if (lambda < 0) {
        c.lambda = -lambda;
    } else {
        c.lambda = lambda;
        c.lbdincrement = 0.1;
        c.lbddecrement = 0.75;
    }
    return c;
}

Verdict judge_cycle(LambdaControl& c, double rhonorm, double fpgcon, double fpgconold) {
    const bool control = c.lbdincrement != 0;
    if (std::fabs(std::log(rhonorm)) > kChargeLimit) {
        if (!control) return Verdict::charge_kept;
        // Damped by the size of the charge change; the magnitude keeps lambda
        // positive when the charge shrank by more than 101.1.
        c.lambda = c.lambda / (1.0 + std::fabs(std::log10(1.0 / rhonorm)));
        return Verdict::charge_repeat;
    }
    if (fpgcon > fpgconold) {
        if (!control) return Verdict::diverged_stop;
        c.lastcycdiv = true;
        c.lambda = c.lbddecrement * c.lambda;
        return Verdict::diverged_repeat;
    }
    if (c.lastcycdiv) {
        c.lbdincrement *= 0.5;
        c.lastcycdiv = false;
    }
    c.lambda = (1.0 + c.lbdincrement) * c.lambda;
    return Verdict::accepted;
}

}  // namespace quilmo
