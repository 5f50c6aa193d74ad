#pragma once
// The MIME boundaries of the parts being read, the innermost first.
#include "platform/rtl/Tobject.h"

#include <string>
#include <vector>

class TNetMIMEBoundary : public TObject {
public:
    // The boundary of a Content-Type value: the text after "BOUNDARY=", up to
    // its closing double quote when quoted, else up to ";" or white space.
    // Upper-cased, as boundaries are compared ignoring case.
    static std::string FindBoundary(const std::string& AContentType);

    // Pushes a boundary; the same boundary as the current one only sets the
    // repeat flag. Empty boundaries are not pushed.
    void Push(const std::string& ABoundary);
    void Pop();
    void Clear();
    std::string Boundary() const;
    bool NewBoundary() const { return FNewBoundary; }
    int Count() const { return static_cast<int>(FBoundaryList.size()); }

private:
    std::vector<std::string> FBoundaryList;
    bool FNewBoundary = false;
};
