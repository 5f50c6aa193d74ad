#pragma once
// The exception of the cabinet components: a failure of the cabinet library,
// with the library's error record and a message chosen by its error code.
#include "platform/cab/Cabapi.h"
#include "platform/rtl/Exception.h"

#include <string>

class ECabinet : public Exception {
public:
    // IsCompression: the record comes from the writer (compression) rather than the reader.
    // MemberName: the member the failure concerns, named in the message when not empty.
    ECabinet(const ERF& Erf, bool IsCompression, const std::string& MemberName = {});

    int ErrorCode() const { return FErrorCode; }
    int SystemErrorCode() const { return FSystemErrorCode; }
    bool ErrorPresent() const { return FErrorPresent; }
    bool IsCompressionError() const { return FIsCompression; }

    // The text of an error code in the writer's or the reader's table.
    static std::string ErrorText(int Code, bool IsCompression);
    // The whole message for an error record.
    static std::string MessageOf(const ERF& Erf, bool IsCompression, const std::string& MemberName = {});

private:
    int FErrorCode;
    int FSystemErrorCode;
    bool FErrorPresent;
    bool FIsCompression;
};
