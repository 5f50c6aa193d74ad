#pragma once
// E-mail addresses: an item ("Name <local@domain>") and a list of items, with
// the parser of address texts and the former of their texts.
#include "platform/rtl/Tcollection.h"

#include <string>

class TNetEMailAddressItem : public TCollectionItem {
public:
    explicit TNetEMailAddressItem(TCollection* ACollection) : TCollectionItem(ACollection) {}

    // Copies Address and Name from another item.
    void Assign(TPersistent* Source) override;

    const std::string& Address() const { return FAddress; }
    void SetAddress(const std::string& AValue) { FAddress = AValue; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& AValue) { FName = AValue; }
    // The address text formed from Name and Address.
    std::string Text() const;
    // Parses an address text into Name and Address; an at sign after a closed
    // "<...>" raises ENetEmailParseError "@ Outside address".
    void SetText(const std::string& AText);

private:
    std::string FAddress;
    std::string FName;
};

class TNetEMailAddressList : public TOwnedCollection {
public:
    explicit TNetEMailAddressList(TPersistent* AOwner);

    TNetEMailAddressItem* Add();
    TNetEMailAddressItem* Items(int Index) const;
    // The items' texts joined by ", ".
    std::string EMailAddresses() const;
    // Parses a list of addresses separated by "," or ";" (group names dropped);
    // entries that give no address are left out.
    void SetEMailAddresses(const std::string& AList);
};
