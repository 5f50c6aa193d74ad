#include "net/Tnetmimeboundary.h"

#include "net/Nettext.h"

namespace {

// Parts nest no deeper in any real message; a hostile one cannot grow the list.
constexpr size_t MaxNesting = 64;

} // namespace

std::string TNetMIMEBoundary::FindBoundary(const std::string& AContentType)
{
    std::string text = UpperCase(AContentType);
    CutToken(text, "BOUNDARY=");
    if (!text.empty() && text[0] == '"') {
        text.erase(0, 1);
        return CutToken(text, "\"");
    }
    const size_t end = text.find_first_of("; \t\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

void TNetMIMEBoundary::Push(const std::string& ABoundary)
{
    if (!FBoundaryList.empty() && SameText(FBoundaryList.front(), ABoundary)) {
        FNewBoundary = true;
        return;
    }
    if (!ABoundary.empty() && FBoundaryList.size() < MaxNesting) {
        FBoundaryList.insert(FBoundaryList.begin(), ABoundary);
        FNewBoundary = false;
    }
}

void TNetMIMEBoundary::Pop()
{
    if (!FBoundaryList.empty())
        FBoundaryList.erase(FBoundaryList.begin());
}

void TNetMIMEBoundary::Clear() { FBoundaryList.clear(); }

std::string TNetMIMEBoundary::Boundary() const
{
    return FBoundaryList.empty() ? std::string() : FBoundaryList.front();
}
