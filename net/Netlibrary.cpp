#include "net/Netlibrary.h"

#include "net/Netsystem.h"
#include "net/Nettext.h"

void InitializeNetLibrary()
{
    TempFolder = SystemTempFolder();
    // The program's code page has no lead bytes: the byte search serves.
    TextPos = BytePos;
    RecordMainThread();
    // Made at once, so that what processes killed earlier left goes now.
    MakePrivateTempFolder();
}

void FinalizeNetLibrary() { RemovePrivateTempFolder(); }
