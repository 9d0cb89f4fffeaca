// The table that the generated EmbeddedData.cpp fills in.
#pragma once

#include <cstddef>

namespace mosvik::embedded {

// Only constants, so the table is filled in at compile time and needs no
// start-up code.
struct Entry {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

extern const Entry entries[];
extern const std::size_t entryCount;

} // namespace mosvik::embedded
