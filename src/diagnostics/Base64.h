#pragma once
#include <string>

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string Base64Encode(const std::string& bytes);
