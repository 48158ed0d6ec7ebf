// The status page evaluation against a plain reference: the last "Vexel - "
// directly followed by digits, and the last "fenster(" with digits closed by
// ")", searched from the end; a number beyond 32 bits is no number.

#include "FuzzCheck.h"

#include "status/StatusPage.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number in the digit run starting at pos (at least one digit there);
// -1 when it does not fit 32 bits. end receives the position after the run.
std::int32_t Number(std::string_view page, std::size_t pos, std::size_t& end) {
    std::int64_t value = 0;
    bool tooLarge = false;
    for (end = pos; end < page.size() && IsDigit(page[end]); ++end) {
        value = value * 10 + (page[end] - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            tooLarge = true;
            value = 0; // keeps the loop from overflowing; the answer is -1 anyway
        }
    }
    return tooLarge ? -1 : static_cast<std::int32_t>(value);
}

// The number right after the last marker that is followed by a digit (and,
// where a closer is given, by the closer after the digits); -1 for none.
std::int32_t NumberAfterLast(std::string_view page, std::string_view marker,
                             std::optional<char> closer = std::nullopt) {
    for (std::size_t pos = page.rfind(marker); pos != std::string_view::npos;
         pos = pos == 0 ? std::string_view::npos : page.rfind(marker, pos - 1)) {
        const std::size_t digits = pos + marker.size();
        if (digits < page.size() && IsDigit(page[digits])) {
            std::size_t end = 0;
            const std::int32_t value = Number(page, digits, end);
            if (!closer || (end < page.size() && page[end] == *closer))
                return value;
        }
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(vexrem::GetDranCount(page) == NumberAfterLast(page, "Vexel - "));
    FUZZ_CHECK(vexrem::GetDranGID(page) == NumberAfterLast(page, "fenster(", ')'));
    return 0;
}
