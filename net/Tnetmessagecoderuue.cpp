#include "net/Tnetmessagecoderuue.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Netsystem.h"
#include "net/Tnetmessage.h"
#include "net/Tnettcpconnection.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"

namespace {

// Whether a data line has the length its length character announces.
bool FitsTable(const std::string& Line, const TNetCodingTable& Table, bool BlanksAreZero)
{
    if (Line.empty())
        return false;
    for (char c : Line)
        if (Table.Decode[static_cast<uint8_t>(c)] == 255 && !(BlanksAreZero && c == ' '))
            return false;
    const size_t n = Line[0] == ' ' && BlanksAreZero ? 0 : Table.Decode[static_cast<uint8_t>(Line[0])];
    const size_t groups = (n + 2) / 3 * 4;
    return Line.size() >= 1 + groups && Line.size() <= 2 + groups;
}

} // namespace

TNetMessageDecoder* TNetMessageDecoderUUE::ReadBody(TStream& ADestStream, bool& AMsgEnd)
{
    std::string line;
    if (!ReadBodyLine(line)) {
        AMsgEnd = true;
        return nullptr;
    }
    // A full line of 45 bytes begins with "M" in UU and "h" in XX; a shorter
    // file has only its one short line to tell.
    std::unique_ptr<TNetDecoder> decoder;
    if (line.compare(0, 1, "M") == 0 || (line.compare(0, 1, "h") != 0 && FitsTable(line, NetUUETable, true)))
        decoder = std::make_unique<TNetDecoderUUE>(nullptr);
    else if (line.compare(0, 1, "h") == 0 || FitsTable(line, NetXXETable, false))
        decoder = std::make_unique<TNetDecoderXXE>(nullptr);
    else
        throw ENetException(NetMessageText(RSUnrecognizedUUEEncodingScheme));
    const std::string fill(1, NetUUETable.DecodeFill);
    for (;;) {
        const std::string trimmed = Trim(line);
        if (SameText(trimmed, "end"))
            break;
        if (!trimmed.empty() && line != fill)
            decoder->DecodeToStream(line, ADestStream);
        if (!ReadBodyLine(line)) {
            AMsgEnd = true;
            break;
        }
    }
    return nullptr;
}

TNetMessageDecoder* TNetMessageDecoderInfoUUE::CheckForStart(TNetMessage* ASender, const std::string& ALine)
{
    int mode;
    if (ALine.size() < 11 || !SameText(ALine.substr(0, 6), "begin ") || ALine[9] != ' ' ||
        !TryStrToInt(ALine.substr(6, 3), mode) || mode < 1)
        return nullptr;
    auto* decoder = new TNetMessageDecoderUUE(ASender);
    decoder->SetFilename(ALine.substr(10));
    decoder->SetPartType(mcptAttachment);
    return decoder;
}

void TNetMessageEncoderUUEBase::Encode(TStream& ASrc, TStream& ADest)
{
    ASrc.SetPosition(0);
    WriteLnToStream(ADest, "begin " + IntToStr(FPermissionCode) + " " + SafeBaseName(FFilename));
    char chunk[45 * 256];
    std::string out;
    for (;;) {
        const int32_t got = ReadUpToFromStream(ASrc, chunk, static_cast<int32_t>(sizeof chunk)); // whole lines
        if (got <= 0)
            break;
        out.clear();
        for (int32_t i = 0; i < got; i += 45) {
            EncodeUULine(reinterpret_cast<const uint8_t*>(chunk) + i, static_cast<size_t>(std::min(45, got - i)),
                         *FTable, out);
            out += "\r\n";
        }
        WriteStringToStream(ADest, out);
    }
    WriteLnToStream(ADest, std::string(1, FTable->EncodeFill));
    WriteLnToStream(ADest, "end");
}
