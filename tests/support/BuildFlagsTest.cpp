// Proves that the flags the build claims are really in effect.
#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_HAS_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_HAS_ASAN 1
#endif

TEST(BuildFlags, SanitizedBuildHasAddressSanitizer) {
#if defined(ORVANE_SANITIZED)
#if defined(ORVANE_HAS_ASAN)
    SUCCEED();
#else
    FAIL() << "ORVANE_SANITIZE is on but AddressSanitizer is not compiled in";
#endif
#else
    GTEST_SKIP() << "not a sanitizer build";
#endif
}
