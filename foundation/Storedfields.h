#pragma once
// A stored record's fields listed once, as a tuple of references (std::tie) in stored
// order, and written and read by following that one list, so a field can never be read
// in another order than it was written. Numbers are little-endian of their own width;
// a fixed run of bytes (a key) is stored as it is; any other field stores itself
// (SaveToBufWriter / LoadFromBufReader).

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <tuple>

namespace storedfields {

inline void Write(TBufWriter& w, uint8_t v) { w.WriteByte(v); }
inline void Write(TBufWriter& w, uint16_t v) { w.WriteWord(v); }
inline void Write(TBufWriter& w, uint32_t v) { w.WriteDWord(v); }
inline void Write(TBufWriter& w, int16_t v) { w.WriteWord(uint16_t(v)); }
inline void Write(TBufWriter& w, int32_t v) { w.WriteDWord(uint32_t(v)); }
inline void Write(TBufWriter& w, double v) { w.WriteDouble(v); }
template <size_t N>
void Write(TBufWriter& w, const std::array<uint8_t, N>& bytes) {
  w.WriteBytes(bytes.data(), bytes.size());
}
template <class T>
  requires requires(const T& field, TBufWriter& w) { field.SaveToBufWriter(w); }
void Write(TBufWriter& w, const T& field) {
  field.SaveToBufWriter(w);
}

inline void Read(TBufReader& r, uint8_t& v) { v = r.ReadByte(); }
inline void Read(TBufReader& r, uint16_t& v) { v = r.ReadWord(); }
inline void Read(TBufReader& r, uint32_t& v) { v = r.ReadDWord(); }
inline void Read(TBufReader& r, int16_t& v) { v = int16_t(r.ReadWord()); }
inline void Read(TBufReader& r, int32_t& v) { v = int32_t(r.ReadDWord()); }
inline void Read(TBufReader& r, double& v) { v = r.ReadDouble(); }
template <size_t N>
void Read(TBufReader& r, std::array<uint8_t, N>& bytes) {
  r.ReadBytes(bytes.data(), bytes.size());
}
template <class T>
  requires requires(T& field, TBufReader& r) { field.LoadFromBufReader(r); }
void Read(TBufReader& r, T& field) {
  field.LoadFromBufReader(r);
}

}  // namespace storedfields

template <class... T>
void WriteFields(TBufWriter& writer, const std::tuple<T&...>& fields) {
  std::apply([&](const auto&... field) { (storedfields::Write(writer, field), ...); }, fields);
}

template <class... T>
void ReadFields(TBufReader& reader, const std::tuple<T&...>& fields) {
  std::apply([&](auto&... field) { (storedfields::Read(reader, field), ...); }, fields);
}
