#include "net/Enetexception.h"

ENetWS2StubError::ENetWS2StubError(const std::string& ATitle, int32_t AWin32Error)
    : ENetException(ATitle), FWin32Error(AWin32Error), FTitle(ATitle)
{
    if (AWin32Error != 0) {
        FWin32ErrorMessage = SysErrorMessage(AWin32Error);
        SetMessage(ATitle + ": " + FWin32ErrorMessage);
    }
}
