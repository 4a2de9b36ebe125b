#include "text/Utf8Codec.h"

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

int EncodeUtf8Unit(char16_t unit, char out[3]) {
    if (unit < 0x80) {
        out[0] = static_cast<char>(unit);
        return 1;
    }
    if (unit < 0x800) {
        out[0] = static_cast<char>(0xC0 | (unit >> 6));
        out[1] = static_cast<char>(0x80 | (unit & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (unit >> 12));
    out[1] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (unit & 0x3F));
    return 3;
}

int EncodeUtf8(const char16_t* units, int count, char* out) {
    int written = 0;
    for (int i = 0; i < count; ++i) {
        if (units[i] < 0x80) {
            out[written++] = static_cast<char>(units[i]);
        } else {
            written += EncodeUtf8Unit(units[i], out + written);
        }
    }
    return written;
}

int DecodeUtf8(const char* bytes, int length, char16_t* out) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    int written = 0;
    int at = 0;
    while (at < length) {
        const unsigned char lead = b[at];
        if (lead < 0x80) {
            out[written++] = lead;
            ++at;
        } else if ((lead & 0xE0) == 0xC0) {
            if (length - at < 2 || !IsContinuation(b[at + 1])) {
                return -1;
            }
            out[written++] = static_cast<char16_t>(((lead & 0x1F) << 6) | (b[at + 1] & 0x3F));
            at += 2;
        } else if ((lead & 0xF0) == 0xE0) {
            if (length - at < 3 || !IsContinuation(b[at + 1]) || !IsContinuation(b[at + 2])) {
                return -1;
            }
            out[written++] = static_cast<char16_t>(((lead & 0x0F) << 12) |
                                                   ((b[at + 1] & 0x3F) << 6) | (b[at + 2] & 0x3F));
            at += 3;
        } else {
            return -1;
        }
    }
    return written;
}
