#include "web/json_text.h"

void JsonKey(std::string* out, const char* key) {
    if (!out->empty() && out->back() != '{' && out->back() != '[') *out += ',';
    JsonString(out, key);
    *out += ':';
}

void JsonString(std::string* out, const char* text) {
    static const char digits[] = "0123456789abcdef";
    *out += '"';
    for (const char* c = text ? text : ""; *c != '\0'; ++c) {
        auto byte = static_cast<unsigned char>(*c);
        if (byte == '"' || byte == '\\') {
            *out += '\\';
            *out += *c;
        } else if (byte < 0x20) {
            *out += "\\u00";
            *out += digits[byte >> 4];
            *out += digits[byte & 15];
        } else {
            *out += *c;
        }
    }
    *out += '"';
}

void JsonHex(std::string* out, const char* bytes, size_t length) {
    static const char digits[] = "0123456789abcdef";
    *out += '"';
    for (size_t i = 0; i < length; ++i) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        *out += digits[byte >> 4];
        *out += digits[byte & 15];
    }
    *out += '"';
}

void JsonNumber(std::string* out, int64_t value) { *out += std::to_string(value); }

void JsonBool(std::string* out, bool value) { *out += value ? "true" : "false"; }
