#pragma once
// The match copy of both decoders: length bytes from from to to, where from
// lies distance bytes back in the stream, in steps of sixteen or eight
// bytes where the distance allows (each step reads only bytes already
// final) and a library set for a run of one byte.
// The last step may write up to fifteen bytes past the match: the caller
// keeps that room, and the bytes decoded next overwrite them.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform {

[[gnu::always_inline]] inline void CopyMatch(std::uint8_t* to, const std::uint8_t* from, std::size_t distance,
                                             std::size_t length) {
  if (distance >= 16) {
    for (std::size_t i = 0; i < length; i += 16) std::memcpy(to + i, from + i, 16);
  } else if (distance >= 8) {
    for (std::size_t i = 0; i < length; i += 8) std::memcpy(to + i, from + i, 8);
  } else if (distance == 1) {
    std::memset(to, *from, length);
  } else {
    for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
  }
}

}  // namespace platform
