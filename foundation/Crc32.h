#pragma once
// CRC-32 with the polynomial of zip files, as stored in the trailers of the discussion's
// files. Continues from `crc` (the value of the bytes before; 0 to start).

#include <cstddef>
#include <cstdint>

uint32_t Crc32(const char* data, size_t size, uint32_t crc = 0);

// The same, eight bytes a step by tables only: the reference for the folding path above.
uint32_t Crc32ByTables(const char* data, size_t size, uint32_t crc = 0);
