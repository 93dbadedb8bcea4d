// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Text.h"

#include <cstdint>
#include <cstdio>

#include "common/Cp1252.h"

namespace corvalin {

bool IsUtf8(std::string_view bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<uint8_t>(bytes[at]);
        size_t length = 0;
        uint32_t code = 0;
        if (lead < 0x80) {
            ++at;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (at + length > bytes.size()) return false;
        for (size_t i = 1; i < length; ++i) {
            const auto next = static_cast<uint8_t>(bytes[at + i]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
        const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        at += length;
    }
    return true;
}

std::string AsUtf8(std::string_view bytes) {
    if (IsUtf8(bytes)) return std::string(bytes);
    return Cp1252ToUtf8(bytes);
}

size_t CharacterCount(std::string_view utf8) {
    size_t count = 0;
    for (char c : utf8) {
        if ((static_cast<uint8_t>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

std::string Printable(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    char escaped[8];
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<uint8_t>(utf8[i]);
        if (byte < 0x20 || byte == 0x7F) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else if (byte == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<uint8_t>(utf8[i + 1]) >= 0x80 &&
                   static_cast<uint8_t>(utf8[i + 1]) <= 0x9F) {
            // U+0080..U+009F, the C1 controls.
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<uint8_t>(utf8[++i]));
            out += escaped;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

}  // namespace corvalin
