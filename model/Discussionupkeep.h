#pragma once
// Upkeep of a discussion's own records, defined in Discussionupkeep.cpp:
// TDiscussion::UpdateModeratedCommentsCount, AutoFillMyData, AddExistingBlockNamesRequest
// and RepairUserBlockRelations.

#include "foundation/Tstr.h"

#include <string>

// Whether a "; "-separated list of addresses holds the address (letter case ignored).
bool AddressListHolds(const std::string& list, const std::string& address);
