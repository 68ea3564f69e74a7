#include <gtest/gtest.h>

#include "diagnostics/Md5.h"

TEST(Md5Hex, Rfc1321Vectors) {
    struct Case {
        const char* text;
        const wchar_t* digest;
    } cases[] = {
        {"", L"d41d8cd98f00b204e9800998ecf8427e"},
        {"a", L"0cc175b9c0f1b6a831c399e269772661"},
        {"abc", L"900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", L"d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         L"57edf4a22be3c955ac49da2e2107b67a"},
        // Digested only up to the first NUL.
        {"abc\0def", L"900150983cd24fb0d6963f7d28e17f72"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.digest, Md5Hex(c.text)) << c.text;
}
