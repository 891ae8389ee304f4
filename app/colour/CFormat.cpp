#include "colour/CFormat.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

namespace halden {
namespace {

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

}  // namespace

std::string cformat(const char* format, ...) {
    const locale_t previous = uselocale(cLocale());
    char small[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
        out.assign(small, static_cast<std::size_t>(n));
    } else if (n > 0) {
        out.resize(static_cast<std::size_t>(n) + 1);
        va_start(args, format);
        std::vsnprintf(out.data(), out.size(), format, args);
        va_end(args);
        out.resize(static_cast<std::size_t>(n));
    }
    uselocale(previous);
    return out;
}

}  // namespace halden
