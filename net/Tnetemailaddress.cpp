#include "net/Tnetemailaddress.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "platform/rtl/Strutil.h"

namespace {

// Characters of an unquoted local part or display name (atom characters).
bool IsAtomChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-/=?_`{}|~").find(c) != std::string_view::npos;
}

std::string QuotedText(const std::string& Text)
{
    std::string out = "\"";
    for (char c : Text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// Trimmed of blanks, TABs and control characters at both ends.
std::string Stripped(const std::string& Text) { return Trim(Text); }

// Addresses of one list; more are ignored.
constexpr int MaxAddressesInList = 1000;

} // namespace

void TNetEMailAddressItem::Assign(TPersistent* Source)
{
    if (auto* item = dynamic_cast<TNetEMailAddressItem*>(Source)) {
        FAddress = item->FAddress;
        FName = item->FName;
    } else
        TCollectionItem::Assign(Source);
}

std::string TNetEMailAddressItem::Text() const
{
    std::string addressPart;
    if (FAddress.empty())
        addressPart = FName.empty() ? "" : "<>";
    else {
        const size_t at = FAddress.rfind('@');
        const std::string local = at == std::string::npos ? FAddress : FAddress.substr(0, at);
        const std::string domain = at == std::string::npos ? "" : FAddress.substr(at);
        size_t odd = 0;
        while (odd < local.size() && IsAtomChar(local[odd]))
            ++odd;
        const bool quoted = odd < local.size() && local[odd] != '.';
        addressPart = (quoted ? QuotedText(local) : local) + domain;
        if (quoted || !FName.empty())
            addressPart = std::string(1, '<').append(addressPart).append(1, '>');
    }
    if (FName.empty() || FName == UpperCase(FAddress))
        return addressPart;
    bool plain = true;
    for (char c : FName)
        plain = plain && (IsAtomChar(c) || c == ' ');
    return (plain ? FName : QuotedText(FName)) + " " + addressPart;
}

void TNetEMailAddressItem::SetText(const std::string& AText)
{
    FAddress.clear();
    FName.clear();
    std::string text = Trim(AText);
    if (text.find_first_of("(\"< \t@") == std::string::npos) {
        FAddress = text;
        return;
    }
    int depth = 0;
    bool quoted = false, atSeen = false, bracket = false, bracketDone = false, started = false;
    std::string quotedText; // the text between double quotes, escapes resolved
    auto toAddressOrName = [&](const std::string& s) { (started ? FAddress : FName) += s; };
    while (!text.empty()) {
        const char* specials = depth > 0             ? "()\\"
                               : quoted              ? "\"\\"
                               : atSeen && bracket   ? ".>("
                               : atSeen              ? ". ("
                               : started             ? "\"(@>"
                                                     : "(\"< @\t";
        const size_t p = text.find_first_of(specials);
        if (p == std::string::npos)
            break;
        const std::string before = text.substr(0, p);
        size_t consumed = p + 1;
        switch (text[p]) {
        case '@':
            atSeen = true;
            if (started)
                FAddress += before + "@";
            else if (bracketDone)
                throw ENetEmailParseError(NetMessageText(RSEMailSymbolOutsideAddress));
            else {
                started = true;
                FAddress += before + "@";
            }
            break;
        case '\\':
            if (quoted)
                quotedText += before + text.substr(p + 1, 1);
            consumed = std::min(text.size(), p + 2);
            break;
        case '>':
            FAddress += Stripped(before);
            started = atSeen = bracket = false;
            bracketDone = true;
            break;
        case '<':
            FName = Stripped(FName + before);
            bracket = started = true;
            break;
        case '.':
            if (bracket) {
                FAddress += Stripped(before) + ".";
                text = TrimLeft(text.substr(consumed));
                continue;
            }
            FAddress += before + ".";
            break;
        case '(':
            ++depth;
            if (started)
                FAddress += Stripped(before);
            else if (depth == 1)
                FName += before;
            break;
        case ')':
            --depth; // the comment is dropped
            break;
        case ' ':
        case '\t':
            if (p > 0) {
                if (atSeen)
                    FAddress += Stripped(before);
                else
                    FName += text.substr(0, p + 1);
            }
            break;
        case '"':
            if (quoted)
                (bracket ? FAddress : FName) += Stripped(quotedText + before);
            else {
                toAddressOrName(before);
                quotedText.clear();
            }
            quoted = !quoted;
            break;
        }
        text.erase(0, consumed);
    }
    if (started)
        FAddress += Stripped(text);
    else if (depth == 0)
        FName += text;
    FName = Stripped(FName);
    FAddress = Stripped(FAddress);
}

TNetEMailAddressList::TNetEMailAddressList(TPersistent* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClass<TNetEMailAddressItem>())
{
}

TNetEMailAddressItem* TNetEMailAddressList::Add() { return static_cast<TNetEMailAddressItem*>(TCollection::Add()); }

TNetEMailAddressItem* TNetEMailAddressList::Items(int Index) const
{
    return static_cast<TNetEMailAddressItem*>(TCollection::Items(Index));
}

std::string TNetEMailAddressList::EMailAddresses() const
{
    std::string result;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0)
            result += ", ";
        result += Items(i)->Text();
    }
    return result;
}

void TNetEMailAddressList::SetEMailAddresses(const std::string& AList)
{
    Clear();
    const std::string text = Trim(AList);
    std::string entry;
    auto flush = [&] {
        if (!Trim(entry).empty() && Count() < MaxAddressesInList) {
            TNetEMailAddressItem* item = Add();
            std::string formed;
            try {
                item->SetText(entry);
                formed = item->Text();
            } catch (const ENetEmailParseError&) {
                // An entry that cannot be read is left out; the others stay.
            }
            if (formed.empty() || formed == "<>")
                delete item;
        }
        entry.clear();
    };
    int depth = 0;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((quoted || depth > 0) && c == '\\') {
            entry += c;
            if (i + 1 < text.size())
                entry += text[++i];
            continue;
        }
        if (quoted) {
            quoted = c != '"';
            entry += c;
            continue;
        }
        if (depth > 0) {
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
            entry += c;
            continue;
        }
        switch (c) {
        case ',':
        case ';':
            flush();
            break;
        case ':':
            entry.clear(); // a group name
            break;
        case '"':
            quoted = true;
            entry += c;
            break;
        case '(':
            depth = 1;
            entry += c;
            break;
        default:
            entry += c;
        }
    }
    flush();
}
