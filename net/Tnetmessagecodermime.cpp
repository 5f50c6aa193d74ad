#include "net/Tnetmessagecodermime.h"

#include "net/Netcodings.h"
#include "net/Netheadercoder.h"
#include "net/Nettext.h"
#include "net/Tnetmessage.h"
#include "net/Tnettcpconnection.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tstream.h"

#include <string_view>
#include <vector>

const char* const NetMixedBoundary = "=_NextPart_2rfkqzlmsadvnqw3nerasdf";
const char* const NetRelatedBoundary = "=_NextPart_2relrfksadvnqqzlmw3nerasdf";
const char* const NetAlternativeBoundary = "=_NextPart_2altrfkqzlmsadvnqw3nerasdf";
const char* const NetMIMEPreamble = "This is a multi-part message in MIME format";

namespace {

bool IsCodedTransfer(const std::string& ATransfer)
{
    return SameText(ATransfer, "base64") || SameText(ATransfer, "quoted-printable");
}

// A parameter of a header value: the text after "NAME=" (any case), the
// text between its double quotes when quoted, else up to ";".
std::string ParameterOf(const std::string& AValue, const std::string& AName)
{
    std::string text = AValue;
    if (TextPos(UpperCase(AName), UpperCase(text)) == 0)
        return std::string();
    CutToken(text, AName, true, false);
    text = TrimLeft(text);
    if (!text.empty() && text[0] == '"') {
        text.erase(0, 1);
        return CutToken(text, "\"");
    }
    return Trim(CutToken(text, ";"));
}

// Base64 lines into bytes: characters outside the alphabet are skipped and a
// group may run over a line end, so no line can make the part unreadable.
class TBase64Lines {
public:
    void Add(const std::string& ALine, TStream& ADest)
    {
        const size_t n = ALine.size();
        size_t i = 0;
        // Whole groups of four alphabet characters, as nearly every line is, go
        // straight to bytes; anything else goes a character at a time.
        if (FCount == 0 && !FPadded) {
            const size_t start = FOut.size();
            FOut.resize(start + n / 4 * 3);
            i = DecodeAlphabetGroups(ALine.data(), n, NetBase64Table, FOut.data() + start);
            FOut.resize(start + i / 4 * 3);
        }
        for (const char c : std::string_view(ALine).substr(i)) {
            if (c == '=') {
                FPadded = true;
                continue;
            }
            const uint8_t v = NetBase64Table.Decode[static_cast<uint8_t>(c)];
            if (v == 255 || FPadded)
                continue;
            FBits = FBits << 6 | v;
            if (++FCount == 4) {
                const char bytes[3] = {static_cast<char>(FBits >> 16), static_cast<char>(FBits >> 8),
                                       static_cast<char>(FBits)};
                FOut.append(bytes, 3);
                FBits = 0;
                FCount = 0;
            }
        }
        if (FOut.size() >= 65536)
            Flush(ADest);
    }
    void Finish(TStream& ADest)
    {
        if (FCount >= 2) {
            const uint32_t v = FBits << (6 * (4 - FCount));
            FOut += static_cast<char>(v >> 16);
            if (FCount == 3)
                FOut += static_cast<char>(v >> 8);
        }
        FCount = 0;
        Flush(ADest);
    }

private:
    void Flush(TStream& ADest)
    {
        if (!FOut.empty())
            ADest.WriteBuffer(FOut.data(), static_cast<int32_t>(FOut.size()));
        FOut.clear();
    }
    std::string FOut;
    uint32_t FBits = 0;
    int FCount = 0;
    bool FPadded = false;
};

} // namespace

TNetMessageDecoderMIME::TNetMessageDecoderMIME(TComponent* AOwner) : TNetMessageDecoder(AOwner)
{
    if (TNetMessage* msg = Message()) {
        FMIMEBoundary = msg->MIMEBoundary()->Boundary();
        FBodyEncoded = FMIMEBoundary.empty() && IsCodedTransfer(msg->ContentTransferEncoding());
    }
}

TNetMessageDecoderMIME::TNetMessageDecoderMIME(TComponent* AOwner, const std::string& ALine)
    : TNetMessageDecoderMIME(AOwner)
{
    FFirstLine = ALine;
    FHasFirstLine = true;
}

TNetMessage* TNetMessageDecoderMIME::Message() const { return dynamic_cast<TNetMessage*>(Owner()); }

bool TNetMessageDecoderMIME::NextLine(std::string& ALine)
{
    if (FHasFirstLine) {
        FHasFirstLine = false;
        ALine = FFirstLine;
        return ALine != ".";
    }
    return ReadBodyLine(ALine);
}

void TNetMessageDecoderMIME::ReadHeader()
{
    TNetMessage* msg = Message();
    if (FBodyEncoded && msg) {
        FHeaders.SetValues("Content-Type", msg->ContentType());
        FHeaders.SetValues("Content-Transfer-Encoding", msg->ContentTransferEncoding());
        FHeaders.SetValues("Content-Disposition", msg->ContentDisposition());
    } else {
        // A field and its folded lines are joined in one text before the field is listed,
        // so the work grows with the bytes; every line, folded or not, counts against the
        // limits, and what lies beyond them is read and dropped.
        std::string line, field;
        bool open = false;
        int32_t lines = 0;
        int64_t bytes = 0;
        const auto list = [&] {
            if (open)
                FHeaders.Add(field);
            field.clear();
            open = false;
        };
        for (;;) {
            if (!ReadBodyLine(line)) {
                list();
                FPartType = mcptUnknown; // the message ended inside the part's header
                return;
            }
            if (line.empty())
                break;
            bytes += static_cast<int64_t>(line.size());
            if (++lines > NetMaxHeaderLines || bytes > NetMaxHeaderBytes)
                continue;
            if (line[0] == ' ' || line[0] == '\t') {
                if (open)
                    field.append(" ").append(line, 1, std::string::npos);
                else {
                    field.assign(line, 1, std::string::npos);
                    open = true;
                }
                continue;
            }
            list();
            const size_t colon = line.find(':');
            field = colon == std::string::npos ? line : line.substr(0, colon) + "=" + Trim(line.substr(colon + 1));
            open = true;
        }
        list();
        const std::string boundary = TNetMIMEBoundary::FindBoundary(FHeaders.Values("Content-Type"));
        if (!boundary.empty()) {
            if (msg)
                msg->MIMEBoundary()->Push(boundary);
            FMIMEBoundary = boundary;
        }
    }
    const std::string contentType = FHeaders.Values("Content-Type");
    const std::string disposition = FHeaders.Values("Content-Disposition");
    std::string kind = disposition;
    if (!SameText(Trim(CutToken(kind, ";")), "attachment") && TextPos("NAME", UpperCase(contentType)) == 0) {
        FPartType = mcptText;
        return;
    }
    FPartType = mcptAttachment;
    std::string name = ParameterOf(disposition, "filename=");
    if (name.empty())
        name = ParameterOf(contentType, "name=");
    FFilename = DecodeHeader(name);
}

TNetMessageDecoder* TNetMessageDecoderMIME::ReadBody(TStream& ADestStream, bool& AMsgEnd)
{
    TNetMessage* msg = Message();
    const std::string transfer = FBodyEncoded && msg ? msg->ContentTransferEncoding()
                                                     : FHeaders.Values("Content-Transfer-Encoding");
    const bool base64 = SameText(transfer, "base64");
    const bool quotedPrintable = SameText(transfer, "quoted-printable");
    const std::string next = "--" + FMIMEBoundary;
    const std::string last = next + "--";
    TBase64Lines base64Lines;
    TNetMessageDecoder* result = nullptr;
    std::string line, decoded;
    for (;;) {
        if (!NextLine(line)) {
            AMsgEnd = true;
            break;
        }
        if (!FMIMEBoundary.empty() && SameText(line, next)) {
            result = new TNetMessageDecoderMIME(Owner());
            break;
        }
        if (!FMIMEBoundary.empty() && SameText(line, last)) {
            if (msg)
                msg->MIMEBoundary()->Pop();
            break;
        }
        if (base64)
            base64Lines.Add(line, ADestStream);
        else if (quotedPrintable) {
            // A line that ends in "=" goes on in the next one (a soft line break).
            decoded.clear();
            const std::string trimmed = TrimRight(line);
            DecodeQuotedPrintable(!trimmed.empty() && trimmed.back() == '=' ? trimmed : line + "\r\n", decoded);
            WriteStringToStream(ADestStream, decoded);
        } else
            WriteLnToStream(ADestStream, line);
    }
    if (base64)
        base64Lines.Finish(ADestStream);
    return result;
}

TNetMessageDecoder* TNetMessageDecoderInfoMIME::CheckForStart(TNetMessage* ASender, const std::string& ALine)
{
    const std::string boundary = ASender->MIMEBoundary()->Boundary();
    if (!boundary.empty()) {
        if (SameText(ALine, "--" + boundary))
            return new TNetMessageDecoderMIME(ASender);
        return nullptr;
    }
    if (IsCodedTransfer(ASender->ContentTransferEncoding()))
        return new TNetMessageDecoderMIME(ASender, ALine);
    return nullptr;
}

void TNetMessageEncoderMIME::Encode(TStream& ASrc, TStream& ADest)
{
    ASrc.SetPosition(0);
    // Large blocks of whole lines: few reads of the file and few writes to the connection.
    std::vector<char> chunk(57 * 4096);
    const int32_t size = static_cast<int32_t>(chunk.size());
    // Sized once: a buffer cleared and grown again per block would be zero-filled each time.
    std::vector<char> out(EncodedLinesSize(chunk.size(), 57, 2));
    for (;;) {
        const int32_t got = ReadUpToFromStream(ASrc, chunk.data(), size);
        if (got <= 0)
            break;
        const char* end = Encode3to4LinesTo(reinterpret_cast<const uint8_t*>(chunk.data()), static_cast<size_t>(got),
                                            NetBase64Table, 57, "\r\n", out.data());
        ADest.WriteBuffer(out.data(), static_cast<int32_t>(end - out.data()));
        if (got < size)
            break;
    }
}

void TNetMessageEncoderInfoMIME::InitializeHeaders(TNetMessage* AMsg)
{
    TNetMessageParts* parts = AMsg->MessageParts();
    if (parts->RelatedPartCount() > 0)
        AMsg->SetContentType("multipart/related; type=\"multipart/alternative\"; boundary=\"" +
                             std::string(NetRelatedBoundary) + "\"");
    else if (parts->AttachmentCount() >= 1)
        AMsg->SetContentType("multipart/mixed; boundary=\"" + std::string(NetMixedBoundary) + "\"");
    else if (parts->TextPartCount() > 0)
        AMsg->SetContentType("multipart/alternative; boundary=\"" + std::string(NetMixedBoundary) + "\"");
}
