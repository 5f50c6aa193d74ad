#include "net/Enetexception.h"

#include "platform/kernel/Fileapi.h"

ENetWS2StubError::ENetWS2StubError(const std::string& ATitle, int32_t AWin32Error)
    : ENetException(ATitle), FWin32Error(AWin32Error), FTitle(ATitle)
{
    if (AWin32Error != 0) {
        FWin32ErrorMessage = SysErrorMessage(AWin32Error);
        SetMessage(ATitle + ": " + FWin32ErrorMessage);
    }
}

bool ENetAttachmentSaveError::IsNameRefusal(uint32_t Code)
{
    return Code == ERROR_INVALID_NAME || Code == ERROR_INVALID_PARAMETER || Code == ERROR_FILENAME_EXCED_RANGE;
}
