#pragma once
#include <string>

// MD5 (RFC 1321) of the bytes of `text` up to its first NUL, as 32 lower-case
// hexadecimal digits.
std::wstring Md5Hex(const char* text);
