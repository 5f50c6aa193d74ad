#include "net/Tnetrfcreply.h"

#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"

TNetRFCReply::TNetRFCReply(TCollection* ACollection) : TCollectionItem(ACollection) { Clear(); }

void TNetRFCReply::Clear()
{
    FNumericCode = 0;
    FText.Clear();
    FTextCode.clear();
}

void TNetRFCReply::AssignTo(TPersistent* ADest)
{
    if (auto* dest = dynamic_cast<TNetRFCReply*>(ADest)) {
        dest->Clear();
        dest->SetNumericCode(FNumericCode);
        dest->FText.Assign(&FText);
        dest->SetTextCode(FTextCode);
        return;
    }
    TCollectionItem::AssignTo(ADest);
}

void TNetRFCReply::SetNumericCode(int32_t AValue)
{
    FNumericCode = AValue;
    if (AValue > 0)
        FTextCode = std::to_string(AValue);
}

void TNetRFCReply::SetTextCode(const std::string& AValue)
{
    FTextCode = AValue;
    if (!AValue.empty()) {
        int value = 0;
        FNumericCode = TryStrToInt(AValue, value) ? value : 0;
    }
}

void TNetRFCReply::ParseResponse(const std::vector<std::string>& ALines)
{
    Clear();
    if (ALines.empty())
        return;
    std::string code = Trim(ALines[0].substr(0, 4));
    if (code.size() == 4 && code[3] == '-')
        code.resize(3);
    SetTextCode(code);
    for (const std::string& line : ALines)
        FText.Add(line.size() > 4 ? line.substr(4) : std::string());
}
