#include "net/Tnetmessagecoder.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Tnetmessagecodermime.h"
#include "net/Tnetmessagecoderuue.h"
#include "net/Tnettcpconnection.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tfilestream.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {

template <class TInfo>
struct TRegistry {
    std::mutex Lock;
    std::vector<std::pair<std::string, std::unique_ptr<TInfo>>> Entries;

    void Add(const std::string& AName, std::unique_ptr<TInfo> AInfo)
    {
        std::lock_guard<std::mutex> guard(Lock);
        Entries.emplace_back(AName, std::move(AInfo));
    }
    TInfo* Find(const std::string& AName)
    {
        std::lock_guard<std::mutex> guard(Lock);
        for (auto& entry : Entries)
            if (SameText(entry.first, AName))
                return entry.second.get();
        return nullptr;
    }
};

// The registries hold the library's own coders from their first use on.
TRegistry<TNetMessageDecoderInfo>& Decoders()
{
    static TRegistry<TNetMessageDecoderInfo>* registry = [] {
        auto* r = new TRegistry<TNetMessageDecoderInfo>;
        r->Entries.emplace_back("MIME", std::make_unique<TNetMessageDecoderInfoMIME>());
        r->Entries.emplace_back("UUE", std::make_unique<TNetMessageDecoderInfoUUE>());
        return r;
    }();
    return *registry;
}

TRegistry<TNetMessageEncoderInfo>& Encoders()
{
    static TRegistry<TNetMessageEncoderInfo>* registry = [] {
        auto* r = new TRegistry<TNetMessageEncoderInfo>;
        r->Entries.emplace_back("MIME", std::make_unique<TNetMessageEncoderInfoMIME>());
        r->Entries.emplace_back("UUE", std::make_unique<TNetMessageEncoderInfoUUE>());
        r->Entries.emplace_back("XXE", std::make_unique<TNetMessageEncoderInfoXXE>());
        return r;
    }();
    return *registry;
}

} // namespace

TNetMessageDecoder::~TNetMessageDecoder() { delete FSourceStream; }

void TNetMessageDecoder::SetSourceStream(TStream* AValue)
{
    if (AValue != FSourceStream)
        delete FSourceStream;
    FSourceStream = AValue;
}

bool TNetMessageDecoder::ReadBodyLine(std::string& ALine)
{
    try {
        ALine = ReadLnFromStream(*FSourceStream, -1, true);
    } catch (const ENetEndOfStream&) {
        return false;
    }
    if (ALine == ".")
        return false;
    if (!ALine.empty() && ALine[0] == '.')
        ALine.erase(0, 1);
    return true;
}

void TNetMessageDecoderList::RegisterDecoder(const std::string& AMessageCoderName,
                                             std::unique_ptr<TNetMessageDecoderInfo> ADecoderInfo)
{
    Decoders().Add(AMessageCoderName, std::move(ADecoderInfo));
}

TNetMessageDecoderInfo* TNetMessageDecoderList::ByName(const std::string& AName) { return Decoders().Find(AName); }

TNetMessageDecoder* TNetMessageDecoderList::CheckForStart(TNetMessage* ASender, const std::string& ALine)
{
    auto& registry = Decoders();
    std::vector<TNetMessageDecoderInfo*> infos;
    {
        std::lock_guard<std::mutex> guard(registry.Lock);
        for (auto& entry : registry.Entries)
            infos.push_back(entry.second.get());
    }
    for (TNetMessageDecoderInfo* info : infos)
        if (TNetMessageDecoder* decoder = info->CheckForStart(ASender, ALine))
            return decoder;
    return nullptr;
}

void TNetMessageEncoder::Encode(const std::string& AFilename, TStream& ADest)
{
    TFileStream stream(AFilename, fmOpenRead | fmShareDenyNone);
    Encode(stream, ADest);
}

void TNetMessageEncoderList::RegisterEncoder(const std::string& AMessageEncoderName,
                                             std::unique_ptr<TNetMessageEncoderInfo> AEncoderInfo)
{
    Encoders().Add(AMessageEncoderName, std::move(AEncoderInfo));
}

TNetMessageEncoderInfo* TNetMessageEncoderList::ByName(const std::string& AName)
{
    if (TNetMessageEncoderInfo* info = Encoders().Find(AName))
        return info;
    throw ENetException(NetMessageText(RSMessageEncoderNotFound) + ": " + AName);
}
