#pragma once
// The table-driven 3-to-4 coders: base64 ("MIME"), UU and XX.
#include "net/Netcodings.h"
#include "net/Tnetcoder.h"

class TNetEncoder3to4 : public TNetEncoder {
public:
    TNetEncoder3to4(TComponent* AOwner, const TNetCodingTable& ATable) : TNetEncoder(AOwner), FTable(&ATable) {}
    // Raises "Uneven size in Encode." for a count that is not a multiple of 3
    // (unless it means the whole stream).
    std::string Encode(TStream& ASrcStream, int32_t ABytes = NetWholeStream) override;
    const TNetCodingTable& CodingTable() const { return *FTable; }
    char FillChar() const { return FTable->EncodeFill; }

protected:
    std::string ReadBytes(TStream& ASrcStream, int32_t ABytes);
    const TNetCodingTable* FTable;
};

class TNetEncoderMIME : public TNetEncoder3to4 {
public:
    explicit TNetEncoderMIME(TComponent* AOwner) : TNetEncoder3to4(AOwner, NetBase64Table) {}
};

// A UU or XX line: the length character, then the groups.
class TNetEncoderUUEBase : public TNetEncoder3to4 {
public:
    using TNetEncoder3to4::TNetEncoder3to4;
    std::string Encode(TStream& ASrcStream, int32_t ABytes = NetWholeStream) override;
};

class TNetEncoderUUE : public TNetEncoderUUEBase {
public:
    explicit TNetEncoderUUE(TComponent* AOwner) : TNetEncoderUUEBase(AOwner, NetUUETable) {}
};

class TNetEncoderXXE : public TNetEncoderUUEBase {
public:
    explicit TNetEncoderXXE(TComponent* AOwner) : TNetEncoderUUEBase(AOwner, NetXXETable) {}
};

class TNetDecoder4to3 : public TNetDecoder {
public:
    TNetDecoder4to3(TComponent* AOwner, const TNetCodingTable& ATable) : TNetDecoder(AOwner), FTable(&ATable) {}
    // Raises "Uneven size in DecodeToStream." for a text whose length is not a multiple of 4.
    void DecodeToStream(const std::string& AIn, TStream& ADest) override;
    const TNetCodingTable& CodingTable() const { return *FTable; }

protected:
    const TNetCodingTable* FTable;
};

class TNetDecoderMIME : public TNetDecoder4to3 {
public:
    explicit TNetDecoderMIME(TComponent* AOwner) : TNetDecoder4to3(AOwner, NetBase64Table) {}
};

// Decodes one UU or XX line (length character first).
class TNetDecoderUUEBase : public TNetDecoder4to3 {
public:
    using TNetDecoder4to3::TNetDecoder4to3;
    void DecodeToStream(const std::string& AIn, TStream& ADest) override;
};

class TNetDecoderUUE : public TNetDecoderUUEBase {
public:
    explicit TNetDecoderUUE(TComponent* AOwner) : TNetDecoderUUEBase(AOwner, NetUUETable) {}
};

class TNetDecoderXXE : public TNetDecoderUUEBase {
public:
    explicit TNetDecoderXXE(TComponent* AOwner) : TNetDecoderUUEBase(AOwner, NetXXETable) {}
};
