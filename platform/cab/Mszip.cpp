#include "platform/cab/Mszip.h"

#include <cstring>
#include <zlib.h>

namespace platform {

void MszipWindow::Append(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t cap = sizeof(bytes_);
  if (size >= cap) {
    std::memcpy(bytes_, data + size - cap, cap);
    size_ = cap;
    return;
  }
  if (size_ + size > cap) {
    std::size_t drop = size_ + size - cap;
    std::memmove(bytes_, bytes_ + drop, size_ - drop);
    size_ -= drop;
  }
  std::memcpy(bytes_ + size_, data, size);
  size_ += size;
}

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

MszipDecoder::MszipDecoder() {
  auto* s = new z_stream{};
  if (inflateInit2(s, -15) == Z_OK)
    stream_ = s;
  else
    delete s;
}

MszipDecoder::~MszipDecoder() {
  if (stream_) {
    inflateEnd(stream_);
    delete stream_;
  }
}

bool MszipDecoder::Decode(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize) {
  if (!stream_ || size < 2 || data[0] != 'C' || data[1] != 'K') return false;
  if (inflateReset(stream_) != Z_OK) return false;
  if (window_.Size() && inflateSetDictionary(stream_, window_.Data(), static_cast<uInt>(window_.Size())) != Z_OK)
    return false;
  stream_->next_in = const_cast<Bytef*>(data + 2);
  stream_->avail_in = static_cast<uInt>(size - 2);
  stream_->next_out = out;
  stream_->avail_out = static_cast<uInt>(outSize);
  int rc = inflate(stream_, Z_FINISH);
  // The block must give exactly its stated size: a stream that ends early or
  // would give more is corrupt.
  if (stream_->avail_out != 0) return false;
  if (rc != Z_STREAM_END) {
    std::uint8_t probe;
    stream_->next_out = &probe;
    stream_->avail_out = 1;
    rc = inflate(stream_, Z_FINISH);
    if (rc != Z_STREAM_END || stream_->avail_out == 0) return false;
  }
  window_.Append(out, outSize);
  return true;
}

}  // namespace platform
