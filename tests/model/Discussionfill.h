#pragma once
// Discussions made as the model makes them, with every field of every file set: for the
// model's tests and for the first corpus of the fuzz targets (so no test framework here).

#include "model/Tdiscblockindex.h"

#include <cstdint>
#include <string>

class TDiscussion;

namespace modeltest {

// Adds a block to a storage under an upper block, numbered and named as the model does.
TDiscBlockIndex AddBlock(TDiscussion& discussion, uint8_t storageType, TDiscBlockIndex upper, uint8_t textType,
                         const std::string& text, uint16_t adident = 0xFFFF);
// Makes an empty, loaded discussion in the folder with its root block.
void MakeRoot(TDiscussion& discussion, const std::string& folder);
// Fills a discussion with blocks of all four storages and every field of every file set to
// a value other than its default.
void FillEverything(TDiscussion& discussion);

}  // namespace modeltest
