#include "platform/cab/Mszip.h"

#include <cstring>
#include <zlib.h>

namespace platform {

MszipEncoder::MszipEncoder() {
  auto* s = new z_stream{};
  if (deflateInit2(s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK)
    stream_ = s;
  else
    delete s;
}

MszipEncoder::~MszipEncoder() {
  if (stream_) {
    deflateEnd(stream_);
    delete stream_;
  }
}

// One deflate stream runs through the whole folder, so each block may refer
// to the window before it without priming a dictionary. A sync flush ends
// the block's data on a byte boundary and an empty fixed-code block with the
// final bit closes it, which makes every block a finished stream of its own.
bool MszipEncoder::Encode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
  if (!stream_ || size > 32768) return false;
  // Matching a little shorter than the default level: the window carried
  // across blocks more than pays for it in size, at a good deal less time.
  if (fresh_ && (deflateReset(stream_) != Z_OK || deflateTune(stream_, 8, 16, 32, 64) != Z_OK)) return false;
  fresh_ = false;
  out.resize(2 + deflateBound(stream_, static_cast<uLong>(size)) + 16);
  out[0] = 'C';
  out[1] = 'K';
  stream_->next_in = const_cast<Bytef*>(data);
  stream_->avail_in = static_cast<uInt>(size);
  stream_->next_out = out.data() + 2;
  stream_->avail_out = static_cast<uInt>(out.size() - 4);
  int rc = deflate(stream_, Z_SYNC_FLUSH);
  if ((rc != Z_OK && rc != Z_BUF_ERROR) || stream_->avail_in != 0 || stream_->avail_out == 0) return false;
  std::size_t used = out.size() - 2 - stream_->avail_out;
  out[used] = 0x03;
  out[used + 1] = 0x00;
  out.resize(used + 2);
  return true;
}

bool MszipDecoder::Decode(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize) {
  if (size < 2 || data[0] != 'C' || data[1] != 'K') return false;
  return inflater_.Inflate(data + 2, size - 2, out, outSize);
}

}  // namespace platform
