#pragma once
// A reply of a text protocol: its code (as text and as a number) and its lines
// without the code.
#include "platform/rtl/Tcollection.h"
#include "platform/rtl/Tstringlist.h"

#include <cstdint>
#include <string>
#include <vector>

class TNetRFCReply : public TCollectionItem {
public:
    explicit TNetRFCReply(TCollection* ACollection = nullptr);

    void Clear();
    void AssignTo(TPersistent* ADest) override;
    // Reads the code from the first line ("250-" gives "250") and keeps every
    // line from its fifth character on.
    void ParseResponse(const std::vector<std::string>& ALines);

    int32_t NumericCode() const { return FNumericCode; }
    // A code above 0 also sets the text code.
    void SetNumericCode(int32_t AValue);
    TStrings* Text() { return &FText; }
    void SetText(TStrings* AValue) { FText.Assign(AValue); }
    const std::string& TextCode() const { return FTextCode; }
    // A text that is not empty also sets the numeric code (0 when not a number).
    void SetTextCode(const std::string& AValue);

private:
    int32_t FNumericCode = 0;
    TStringList FText;
    std::string FTextCode;
};
