// The system's texts are Windows-1252 bytes; hosts speak UTF-8.
#pragma once

#include <string>

namespace platform::input {

// Characters without a cp1252 byte are dropped; malformed UTF-8 is skipped.
std::string Utf8ToCp1252(const char* utf8);
std::string Cp1252ToUtf8(const char* text);

} // namespace platform::input
