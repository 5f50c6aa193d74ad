#pragma once
// A stand-in transport for the connection: reads from a text given by the
// test (in small pieces, as a socket would deliver them) and keeps what is written.
#include "net/Tnetiohandler.h"
#include "net/Tnettcpconnection.h"

#include <algorithm>
#include <cstring>
#include <string>

class TStandInIOHandler : public TNetIOHandler {
public:
    explicit TStandInIOHandler(std::string AInput = std::string(), int32_t APiece = 1000)
        : TNetIOHandler(nullptr), Input(std::move(AInput)), Piece(APiece)
    {
    }
    bool Connected() override { return IsOpen; }
    void Close() override { IsOpen = false; }
    bool Readable(int32_t) override { return true; }
    int32_t Recv(void* ABuf, int32_t ALen) override
    {
        const size_t n = std::min({static_cast<size_t>(ALen), static_cast<size_t>(Piece), Input.size() - Pos});
        std::memcpy(ABuf, Input.data() + Pos, n);
        Pos += n;
        return static_cast<int32_t>(n);
    }
    int32_t Send(const void* ABuf, int32_t ALen) override
    {
        Output.append(static_cast<const char*>(ABuf), static_cast<size_t>(ALen));
        return ALen;
    }

    std::string Input;
    size_t Pos = 0;
    int32_t Piece;
    std::string Output;
    bool IsOpen = true;
};

// The body of a DATA or RETR transfer: lines unstuffed up to the final ".".
inline std::string Unstuffed(const std::string& AWire)
{
    std::string out;
    size_t p = 0;
    while (p < AWire.size()) {
        size_t e = AWire.find("\r\n", p);
        std::string line = AWire.substr(p, e == std::string::npos ? std::string::npos : e - p);
        p = e == std::string::npos ? AWire.size() : e + 2;
        if (line == ".")
            break;
        if (!line.empty() && line[0] == '.')
            line.erase(0, 1);
        out += line + "\r\n";
    }
    return out;
}

// Message bytes as they travel in DATA or RETR: dot-stuffed, ending in ".".
inline std::string Stuffed(const std::string& AMessage)
{
    std::string out;
    bool lineStart = true;
    for (char c : AMessage) {
        if (lineStart && c == '.')
            out += '.';
        out += c;
        lineStart = c == '\n';
    }
    if (!out.empty() && out.back() != '\n')
        out += "\r\n";
    return out + ".\r\n";
}
