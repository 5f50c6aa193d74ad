#pragma once
// MSZIP blocks: "CK" and one finished raw deflate stream per data block,
// whose references may reach into the 32 KB of the folder before the block.
// A fresh folder starts with an empty window.

#include "platform/cab/Inflater.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct z_stream_s;

namespace platform {

class MszipEncoder {
 public:
  MszipEncoder();
  ~MszipEncoder();
  MszipEncoder(const MszipEncoder&) = delete;
  MszipEncoder& operator=(const MszipEncoder&) = delete;

  bool Ok() const { return stream_ != nullptr; }
  // Starts a new folder: the next block refers to nothing before it.
  void Reset() { fresh_ = true; }
  // Compresses one block of at most 32768 bytes into out ("CK" included).
  bool Encode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

 private:
  z_stream_s* stream_ = nullptr;
  bool fresh_ = true;
};

class MszipDecoder {
 public:
  void Reset() { inflater_.Clear(); }
  // Decodes one block into exactly outSize bytes; false when the data is bad.
  bool Decode(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize);
  // Uncompressed blocks of the same folder still feed the window.
  void Remember(const std::uint8_t* data, std::size_t size) { inflater_.Remember(data, size); }

 private:
  Inflater inflater_;
};

}  // namespace platform
