#include "status/StatusPage.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <limits>
#include <memory>
#include <stdexcept>

namespace vexrem {

namespace {

constexpr const char* kCountPattern = ".*Vexel - (\\d+).*";
constexpr const char* kGamePattern = ".*fenster\\((\\d+)\\).*";

struct CodeDeleter {
    void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};

// One compiled pattern, built once and then only read, so every thread may
// match with it at the same time (each call brings its own match data).
class Pattern {
public:
    explicit Pattern(const char* text) {
        int error = 0;
        PCRE2_SIZE offset = 0;
        code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text), PCRE2_ZERO_TERMINATED,
                                  PCRE2_DOTALL, &error, &offset, nullptr));
        if (!code_) {
            throw std::logic_error("pattern does not compile");
        }
        // Without JIT the interpreter is used; both give the same answers.
        (void)pcre2_jit_compile(code_.get(), PCRE2_JIT_COMPLETE);
        context_.reset(pcre2_match_context_create(nullptr));
        if (!context_) {
            throw std::bad_alloc();
        }
        // The leading ".*" backtracks over the whole page, one step per byte;
        // the default limit of ten million steps would make a long page look
        // like one without the count. The patterns cannot blow up, so the
        // only sensible limit is none.
        pcre2_set_match_limit(context_.get(), std::numeric_limits<std::uint32_t>::max());
    }

    // Group 1 as a number; -1 when there is no match or it does not fit.
    std::int32_t FirstGroupNumber(std::string_view subject) const {
        std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
            pcre2_match_data_create_from_pattern(code_.get(), nullptr));
        if (!data) {
            throw std::bad_alloc();
        }
        const int rc = pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(subject.data()),
                                   subject.size(), 0, 0, data.get(), context_.get());
        if (rc < 2) {
            return -1;
        }
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data.get());
        std::int64_t value = 0;
        for (PCRE2_SIZE i = ov[2]; i < ov[3]; ++i) {
            value = value * 10 + (subject[i] - '0');
            if (value > std::numeric_limits<std::int32_t>::max()) {
                return -1;
            }
        }
        return static_cast<std::int32_t>(value);
    }

private:
    std::unique_ptr<pcre2_code, CodeDeleter> code_;
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> context_;
};

const Pattern& CountPattern() {
    static const Pattern pattern(kCountPattern);
    return pattern;
}

const Pattern& GamePattern() {
    static const Pattern pattern(kGamePattern);
    return pattern;
}

} // namespace

std::int32_t GetDranCount(std::string_view page) {
    return CountPattern().FirstGroupNumber(page);
}

std::int32_t GetDranGID(std::string_view page) {
    return GamePattern().FirstGroupNumber(page);
}

} // namespace vexrem
