#include "net/Tnetmessageclient.h"

#include "net/Enetexception.h"
#include "net/Netcodings.h"
#include "net/Netheadercoder.h"
#include "net/Netjis.h"
#include "net/Netmessages.h"
#include "net/Netsystem.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessagecoder.h"
#include "net/Tnetmessagecodermime.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tfilestream.h"
#include "platform/rtl/Tmemorystream.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

// Everything written into a message goes through this stream: a "." that
// begins a line gets a second one, and the bytes reach the connection in
// large writes.
class TNetMessageClient::TDataWriter : public TStream {
public:
    explicit TDataWriter(TNetTCPConnection* AConnection) : FConnection(AConnection) {}
    ~TDataWriter() override = default;

    int32_t Read(void*, int32_t) override { return 0; }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
    int32_t Write(const void* Buffer, int32_t Count) override
    {
        // Whole lines at a time: only the first byte of a line can need a dot.
        const char* p = static_cast<const char*>(Buffer);
        const char* const end = p + std::max<int32_t>(Count, 0);
        while (p < end) {
            if (FAtLineStart && *p == '.')
                FPending += '.';
            const char* newline = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            const char* next = newline ? newline + 1 : end;
            FPending.append(p, static_cast<size_t>(next - p));
            FAtLineStart = newline != nullptr;
            p = next;
        }
        if (FPending.size() >= 65536)
            Flush();
        return Count;
    }
    void Text(const std::string& AText) { Write(AText.data(), static_cast<int32_t>(AText.size())); }
    void Line(const std::string& AText = std::string()) { Text(AText + "\r\n"); }
    void Flush()
    {
        if (!FPending.empty())
            FConnection->WriteBuffer(FPending.data(), static_cast<int32_t>(FPending.size()));
        FPending.clear();
    }

private:
    TNetTCPConnection* FConnection;
    std::string FPending;
    bool FAtLineStart = true;
};

namespace {

// Runs a send between the write-work notifications and flushes what it wrote.
template <class TBody>
void Sending(TNetComponent* AClient, TNetTCPConnection* AConnection, TBody&& ABody)
{
    AClient->BeginWork(wmWrite);
    try {
        ABody();
    } catch (...) {
        AClient->EndWork(wmWrite);
        throw;
    }
    AClient->EndWork(wmWrite);
    (void)AConnection;
}

// A file name for a part header: its base name, quotes and backslashes escaped.
std::string QuotedFileName(const std::string& AFileName)
{
    std::string out = "\"";
    for (char c : SafeBaseName(AFileName)) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// A part's body beyond the parts a message may have is read and dropped.
class TNullStream : public TStream {
public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t Count) override { return Count; }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
};

} // namespace

void TNetMessageClient::WriteBodyTextTo(TDataWriter& AOut, TNetMessage* AMsg)
{
    const TStrings* body = AMsg->Body();
    for (int i = 0; i < body->Count(); ++i)
        AOut.Line(body->Strings(i));
}

void TNetMessageClient::SendHeaderTo(TDataWriter& AOut, TNetMessage* AMsg)
{
    std::unique_ptr<TNetHeaderList> header(AMsg->GenerateHeader());
    for (int i = 0; i < header->Count(); ++i)
        AOut.Line(header->Strings(i));
}

void TNetMessageClient::WriteTextPart(TDataWriter& AOut, TNetText* APart, uint8_t ATransfer)
{
    if (APart->ContentType().empty())
        APart->SetContentType("text/plain");
    if (APart->ContentTransfer().empty())
        APart->SetContentTransfer("quoted-printable");
    AOut.Line("Content-Type: " + HeaderSafe(APart->ContentType()));
    AOut.Line("Content-Transfer-Encoding: " + HeaderSafe(APart->ContentTransfer()));
    for (int i = 0; i < APart->ExtraHeaders()->Count(); ++i)
        AOut.Line(HeaderSafe(APart->ExtraHeaders()->Strings(i)));
    AOut.Line();
    const TStrings* body = APart->Body();
    if (SameText(APart->ContentTransfer(), "quoted-printable")) {
        std::string encoded;
        for (int i = 0; i < body->Count(); ++i) {
            std::string line = body->Strings(i) + "\r\n";
            if (ATransfer == iso2022jp)
                line = ShiftJISToISO2022JP(line);
            encoded.clear();
            EncodeQuotedPrintable(reinterpret_cast<const uint8_t*>(line.data()), line.size(), encoded);
            AOut.Text(encoded);
        }
    } else
        for (int i = 0; i < body->Count(); ++i)
            AOut.Line(body->Strings(i));
    AOut.Line();
}

void TNetMessageClient::SendBodyTo(TDataWriter& AOut, TNetMessage* AMsg)
{
    TNetMessageParts* parts = AMsg->MessageParts();
    parts->CountParts();
    const bool mime = AMsg->Encoding() == meMIME;
    uint8_t transfer;
    char headerEncoding;
    std::string charSet;
    DefaultInitializeISO(transfer, headerEncoding, charSet);
    auto textParts = [&](const std::string& ABoundary) {
        for (int i = 0; i < parts->Count(); ++i)
            if (auto* text = dynamic_cast<TNetText*>(parts->Items(i))) {
                AOut.Line("--" + ABoundary);
                DoStatus(hsStatusText, {NetMessageText(RSMsgClientEncodingText)});
                WriteTextPart(AOut, text, transfer);
                if (ABoundary == NetAlternativeBoundary)
                    AOut.Line();
            }
        AOut.Line("--" + ABoundary + "--");
    };

    if (parts->AttachmentCount() > 0) {
        std::string boundary;
        if (mime) {
            AOut.Line(NetMIMEPreamble);
            AOut.Line();
            boundary = parts->RelatedPartCount() > 0 ? NetRelatedBoundary : NetMixedBoundary;
            AOut.Line("--" + boundary);
        } else {
            WriteBodyTextTo(AOut, AMsg);
            AOut.Line();
        }
        if (parts->TextPartCount() > 1) {
            AOut.Line("Content-Type: multipart/alternative; ");
            AOut.Line(std::string("        boundary=\"") + NetAlternativeBoundary + "\"");
            AOut.Line();
            textParts(NetAlternativeBoundary);
        } else if (mime && parts->TextPartCount() == 1) {
            // The one text part stands in the first section (instead of Body).
            for (int i = 0; i < parts->Count(); ++i)
                if (auto* text = dynamic_cast<TNetText*>(parts->Items(i))) {
                    DoStatus(hsStatusText, {NetMessageText(RSMsgClientEncodingText)});
                    WriteTextPart(AOut, text, transfer);
                }
        } else if (mime) {
            AOut.Line("Content-Type: text/plain");
            AOut.Line("Content-Transfer-Encoding: 7bit");
            AOut.Line();
            WriteBodyTextTo(AOut, AMsg);
        }
        for (int i = 0; i < parts->Count(); ++i) {
            auto* attachment = dynamic_cast<TNetAttachment*>(parts->Items(i));
            if (!attachment)
                continue;
            DoStatus(hsStatusText, {NetMessageText(RSMsgClientEncodingAttachment)});
            if (mime) {
                AOut.Line();
                AOut.Line("--" + boundary);
                if (attachment->ContentTransfer().empty())
                    attachment->SetContentTransfer("base64");
                if (attachment->ContentDisposition().empty())
                    attachment->SetContentDisposition("attachment");
                if (attachment->ContentTransfer() == "base64" && attachment->ContentType().empty())
                    attachment->SetContentType("application/octet-stream");
                const std::string name = QuotedFileName(attachment->FileName());
                AOut.Line("Content-Type: " + HeaderSafe(attachment->ContentType()) + ";");
                AOut.Line("        name=" + name);
                AOut.Line("Content-Transfer-Encoding: " + HeaderSafe(attachment->ContentTransfer()));
                AOut.Line("Content-Disposition: " + HeaderSafe(attachment->ContentDisposition()) + ";");
                AOut.Line("        filename=" + name);
                for (int k = 0; k < attachment->ExtraHeaders()->Count(); ++k)
                    AOut.Line(HeaderSafe(attachment->ExtraHeaders()->Strings(k)));
                AOut.Line();
            }
            attachment->Encode(AOut);
            AOut.Line();
        }
        if (mime)
            AOut.Line("--" + boundary + "--");
    } else if (parts->TextPartCount() > 0) {
        // The header announced multipart/alternative with the mixed boundary.
        AOut.Line(NetMIMEPreamble);
        AOut.Line();
        textParts(NetMixedBoundary);
    } else {
        DoStatus(hsStatusText, {NetMessageText(RSMsgClientEncodingText)});
        const TStrings* body = AMsg->Body();
        for (int i = 0; i < body->Count(); ++i)
            AOut.Line(transfer == iso2022jp ? ShiftJISToISO2022JP(body->Strings(i)) : body->Strings(i));
    }
}

void TNetMessageClient::WriteBodyText(TNetMessage* AMsg)
{
    TDataWriter out(this);
    WriteBodyTextTo(out, AMsg);
    out.Flush();
}

void TNetMessageClient::SendHeader(TNetMessage* AMsg)
{
    TDataWriter out(this);
    SendHeaderTo(out, AMsg);
    out.Flush();
}

void TNetMessageClient::SendBody(TNetMessage* AMsg)
{
    TDataWriter out(this);
    SendBodyTo(out, AMsg);
    out.Flush();
}

void TNetMessageClient::SendMsg(TNetMessage* AMsg, bool AHeadersOnly)
{
    Sending(this, this, [&] {
        TDataWriter out(this);
        if (AMsg->NoEncode()) {
            for (int i = 0; i < AMsg->Headers()->Count(); ++i)
                out.Line(HeaderSafe(AMsg->Headers()->Strings(i)));
            out.Line();
            if (!AHeadersOnly)
                WriteBodyTextTo(out, AMsg);
        } else {
            SendHeaderTo(out, AMsg);
            out.Line();
            if (!AHeadersOnly)
                SendBodyTo(out, AMsg);
        }
        out.Flush();
    });
}

void TNetMessageClient::ReceiveHeader(TNetMessage* AMsg, const std::string& AAltTerm)
{
    // A header line longer than a line may be is read in pieces and dropped whole: no
    // header field of a message we take is that long, and the rest of the message and
    // the conversation stay in step.
    const TNetMaxLineAction action = MaxLineAction();
    SetMaxLineAction(maSplit);
    BeginWork(wmRead);
    try {
        int64_t bytes = 0;
        bool overLong = false;
        for (;;) {
            std::string line = ReadLn();
            if (ReadLnSplit() || overLong) {
                overLong = ReadLnSplit();  // the piece that ends the line ends the dropping
                continue;
            }
            if (AAltTerm.empty() && line == ".")
                break;
            if (line == AAltTerm)
                break;
            if (line.empty())
                continue;
            if (line[0] == '.')
                line.erase(0, 1);
            bytes += static_cast<int64_t>(line.size());
            if (AMsg->Headers()->Count() < NetMaxHeaderLines && bytes <= NetMaxHeaderBytes)
                AMsg->Headers()->Add(line);
        }
        AMsg->ProcessHeaders();
    } catch (...) {
        SetMaxLineAction(action);
        EndWork(wmRead);
        throw;
    }
    SetMaxLineAction(action);
    EndWork(wmRead);
}

void TNetMessageClient::ReceiveBody(TNetMessage* AMsg, const std::string& ADelim)
{
    if (AMsg->NoDecode()) {
        Capture(AMsg->Body(), ADelim, true);
        return;
    }
    BeginWork(wmRead);
    try {
        TNetMessageParts* parts = AMsg->MessageParts();
        bool msgEnd = false;
        while (!msgEnd) {
            std::string line = ReadLn();
            if (line == ADelim)
                break;
            std::unique_ptr<TNetMessageDecoder> decoder(TNetMessageDecoderList::CheckForStart(AMsg, line));
            if (!decoder) {
                if (!line.empty() && line[0] == '.')
                    line.erase(0, 1);
                AMsg->Body()->Add(line);
                continue;
            }
            while (decoder && !msgEnd) {
                decoder->SetSourceStream(new TNetTCPStream(this));
                decoder->ReadHeader();
                std::unique_ptr<TNetMessageDecoder> next;
                const bool keep = parts->Count() < NetMaxMessageParts;
                switch (decoder->PartType()) {
                case mcptUnknown:
                    // The message ended inside a part's header: what was read stays.
                    msgEnd = true;
                    break;
                case mcptText: {
                    TMemoryStream text;
                    next.reset(decoder->ReadBody(text, msgEnd));
                    // A nested multipart container holds parts: what stands before
                    // its first one is no text of the message.
                    const bool container =
                        UpperCase(Trim(decoder->Headers()->Values("Content-Type"))).rfind("MULTIPART/", 0) == 0;
                    if (keep && !container) {
                        auto* part = new TNetText(parts);
                        part->SetContentType(decoder->Headers()->Values("Content-Type"));
                        part->SetContentTransfer(decoder->Headers()->Values("Content-Transfer-Encoding"));
                        part->Body()->SetLines(std::string_view(static_cast<const char*>(text.Memory()),
                                                                static_cast<size_t>(text.Size())));
                    }
                    break;
                }
                case mcptAttachment: {
                    if (!keep) {
                        TNullStream discard;
                        next.reset(decoder->ReadBody(discard, msgEnd));
                        break;
                    }
                    const std::string fileName = CreateTempFile();
                    if (fileName.empty())
                        throw EFCreateError("Cannot create a temporary file for an attachment");
                    // The part owns the file from now on, even if reading fails.
                    auto* part = new TNetAttachment(parts, fileName);
                    part->SetDeleteTempFile(true);
                    part->SetContentType(decoder->Headers()->Values("Content-Type"));
                    part->SetContentTransfer(decoder->Headers()->Values("Content-Transfer-Encoding"));
                    part->SetContentDisposition(decoder->Headers()->Values("Content-Disposition"));
                    part->SetFileName(SafeBaseName(decoder->Filename()));
                    TFileStream file(fileName, fmCreate);
                    next.reset(decoder->ReadBody(file, msgEnd));
                    break;
                }
                }
                decoder = std::move(next);
            }
        }
    } catch (...) {
        EndWork(wmRead);
        throw;
    }
    EndWork(wmRead);
}
