#include "run/state.h"

namespace quilmo {

void set_template_count(std::string& form, int count, const char* fmt, int first, int last) {
    std::string digits = fformat(fmt, {count}, false);
    form.replace(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1),
                 fixed(digits, static_cast<std::size_t>(last - first + 1)));
}

}  // namespace quilmo
