#pragma once
// Links between blocks: upper blocks, conclusions and references in texts, the records of
// lost links, and the states of blocks. Every change is recorded in the undo list.
//
// Defined in Blocklinks.cpp: TDiscBlock::SetDeleteFlag, TDiscBlockStorages::RelinkBlocks,
// RelinkUnlinkedBlocks, UnlinkFormulaBlocks, EraseMarkedBlocks, CopyBlockTree and
// TBlocksStorage::RenumBlocks, CheckFormula, CheckReferences.

#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TDiscussion;
struct TNamedReference;
struct TUnlinkedBlockInfo;

// Changes the block's unlinked-block record (created when missing) through `change`,
// with undo records; a record left without troubles is detached from the block. False
// (reported) when no record could be made.
bool ChangeUnlinkedBlockInfo(TDiscussion& discussion, TDiscBlockIndex block,
                             const std::function<void(TUnlinkedBlockInfo&)>& change);

// Calls `found` for every reference "<name>" in a text, with the name and its 1-based
// position. The text must be followed by a zero byte (as a TStr's view is).
void ForEachTextReference(std::string_view text, const std::function<void(const std::string&, size_t)>& found);
// The names ForEachTextReference finds, in their order, appended to `names` as views into
// the text.
void CollectTextReferences(std::string_view text, std::vector<std::string_view>& names);

// Tests the references of a text written in a block: every name must name a block. With
// store set the resolved ones are kept as the block's hyper-references. An empty error
// text when all resolve.
bool TestTextReferences(TDiscussion& discussion, TDiscBlockIndex own, const TStr& text, TStr& errorText, bool store);

// Collects the hyper-references again (they are not stored): right after loading, while
// the name indices are as loading left them, from the references the texts were seen to
// hold, in the blocks' order.
void RebuildHyperRefBlocks(TDiscussion& discussion, const std::vector<TNamedReference>& references);
