#include "net/Tnetsocksinfo.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Tnetiohandler.h"
#include "net/Tnetstack.h"

#include <cstring>

namespace {

std::string PortBytes(int32_t APort)
{
    return {static_cast<char>((APort >> 8) & 0xff), static_cast<char>(APort & 0xff)};
}

// A length byte and the text; longer texts than a byte can count are refused.
template <class TError>
std::string Counted(const std::string& AText, uint16_t AMessage)
{
    if (AText.size() > 255)
        throw TError(NetMessageText(AMessage));
    return static_cast<char>(AText.size()) + AText;
}

} // namespace

void TNetSocksInfo::AssignTo(TPersistent* ADest)
{
    if (auto* dest = dynamic_cast<TNetSocksInfo*>(ADest)) {
        dest->Authentication = Authentication;
        dest->Host = Host;
        dest->Password = Password;
        dest->Port = Port;
        dest->Username = Username;
        dest->Version = Version;
        return;
    }
    TNetComponent::AssignTo(ADest);
}

void TNetSocksInfo::MakeSocksConnection(const std::string& AHost, int32_t APort, int32_t ATimeout)
{
    FTimeout = ATimeout;
    switch (Version) {
    case svSocks4:
    case svSocks4A: MakeSocks4Connection(AHost, APort); break;
    case svSocks5: MakeSocks5Connection(AHost, APort); break;
    case svNoSocks: break;
    }
}

void TNetSocksInfo::SendBytes(const std::string& ABytes)
{
    for (size_t done = 0; done < ABytes.size();) {
        const int32_t sent = FIOHandler->Send(ABytes.data() + done, static_cast<int32_t>(ABytes.size() - done));
        GStack->CheckForSocketError(sent);
        if (sent == 0)
            throw ENetConnClosedGracefully(NetMessageText(RSConnectionClosedGracefully));
        done += static_cast<size_t>(sent);
    }
}

std::string TNetSocksInfo::ReceiveBytes(int32_t ACount)
{
    std::string bytes(static_cast<size_t>(ACount), '\0');
    for (int32_t done = 0; done < ACount;) {
        if (!FIOHandler->Readable(FTimeout > 0 ? FTimeout : -2))
            throw ENetReadTimeout(NetMessageText(RSReadTimeout));
        const int32_t got = FIOHandler->Recv(bytes.data() + done, ACount - done);
        GStack->CheckForSocketError(got);
        if (got == 0)
            throw ENetConnClosedGracefully(NetMessageText(RSConnectionClosedGracefully));
        done += got;
    }
    return bytes;
}

void TNetSocksInfo::MakeSocks4Connection(const std::string& AHost, int32_t APort)
{
    std::string request = {4, 1};
    request += PortBytes(APort);
    ws2::TInAddr address{};
    if (Version == svSocks4)
        address = GStack->StringToTInAddr(GStack->ResolveHost(AHost));
    else
        address.S_addr = GStack->WSHToNL(1); // 0.0.0.1: the proxy resolves the name
    request.append(reinterpret_cast<const char*>(&address.S_addr), 4);
    request += Username.substr(0, 255);
    request += '\0';
    if (Version == svSocks4A) {
        request += AHost;
        request += '\0';
    }
    SendBytes(request);
    const std::string reply = ReceiveBytes(8);
    switch (static_cast<uint8_t>(reply[1])) {
    case 90: return;
    case 91: throw ENetSocksRequestFailed(NetMessageText(RSSocksRequestFailed));
    case 92: throw ENetSocksRequestServerFailed(NetMessageText(RSSocksRequestServerFailed));
    case 93: throw ENetSocksRequestIdentFailed(NetMessageText(RSSocksRequestIdentFailed));
    default: throw ENetSocksUnknownError(NetMessageText(RSSocksUnknownError));
    }
}

void TNetSocksInfo::MakeSocks5Connection(const std::string& AHost, int32_t APort)
{
    // Every reply of the proxy that cannot be read is one failure.
    auto receive = [this](int32_t ACount) {
        try {
            return ReceiveBytes(ACount);
        } catch (const ENetException&) {
            throw ENetSocksServerRespondError(NetMessageText(RSSocksServerRespondError));
        }
    };
    const char method = Authentication == saNoAuthentication ? 0 : 2;
    // Lengths are checked before anything goes out.
    std::string credentials, target;
    if (Authentication == saUsernamePassword)
        credentials = std::string(1, 1) + Counted<ENetSocksAuthError>(Username, RSSocksAuthError) +
                      Counted<ENetSocksAuthError>(Password, RSSocksAuthError);
    target = Counted<ENetSocksServerAddressError>(AHost, RSSocksServerAddressError) + PortBytes(APort);

    SendBytes(std::string{5, 1, method});
    std::string reply = receive(2);
    if (reply[1] != method || static_cast<uint8_t>(reply[1]) == 255)
        throw ENetSocksAuthMethodError(NetMessageText(RSSocksAuthMethodError));
    if (Authentication == saUsernamePassword) {
        SendBytes(credentials);
        reply = receive(2);
        if (reply[1] != 0)
            throw ENetSocksAuthError(NetMessageText(RSSocksAuthError));
    }
    SendBytes(std::string{5, 1, 0, 3} + target);
    reply = receive(5);
    switch (static_cast<uint8_t>(reply[1])) {
    case 0: break;
    case 1: throw ENetSocksServerGeneralError(NetMessageText(RSSocksServerGeneralError));
    case 2: throw ENetSocksServerPermissionError(NetMessageText(RSSocksServerPermissionError));
    case 3: throw ENetSocksServerNetUnreachableError(NetMessageText(RSSocksServerNetUnreachableError));
    case 4: throw ENetSocksServerHostUnreachableError(NetMessageText(RSSocksServerHostUnreachableError));
    case 5: throw ENetSocksServerConnectionRefusedError(NetMessageText(RSSocksServerConnectionRefusedError));
    case 6: throw ENetSocksServerTTLExpiredError(NetMessageText(RSSocksServerTTLExpiredError));
    case 7: throw ENetSocksServerCommandError(NetMessageText(RSSocksServerCommandError));
    case 8: throw ENetSocksServerAddressError(NetMessageText(RSSocksServerAddressError));
    default: throw ENetSocksUnknownError(NetMessageText(RSSocksUnknownError));
    }
    // The bound address and port follow; the fifth byte is already their first.
    switch (reply[3]) {
    case 1: receive(4 + 2 - 1); break;
    case 4: receive(16 + 2 - 1); break;
    case 3: receive(static_cast<uint8_t>(reply[4]) + 2); break;
    default: throw ENetSocksServerAddressError(NetMessageText(RSSocksServerAddressError));
    }
}
