// The engine answers the page in JSON: records the page reads as they are,
// rather than lines of text that it would have to take apart.
#pragma once

#include <cstdint>
#include <string>

// `"key":` with its comma, unless it is the first of its object.
void JsonKey(std::string* out, const char* key);
// A text as a JSON string: quotes, backslashes and control bytes escaped,
// every other byte as it is (the engine's texts are ASCII).
void JsonString(std::string* out, const char* text);
// Bytes as a JSON string of hexadecimal digits, two per byte: names are
// bytes, and the page decides how to show them.
void JsonHex(std::string* out, const char* bytes, size_t length);
void JsonNumber(std::string* out, int64_t value);
void JsonBool(std::string* out, bool value);
