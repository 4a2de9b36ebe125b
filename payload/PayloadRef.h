#pragma once

#include <cstdint>

// Where one stored payload container lies in the program's data, and its stored size.
struct PayloadRef {
    const unsigned char* data;
    uint32_t size;
};
