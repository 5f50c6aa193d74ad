#include "model/Discussionupkeep.h"

#include "model/Calculateformula.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/rtl/Strutil.h"

bool AddressListHolds(const std::string& list, const std::string& address) {
  const std::string wanted = AnsiUpperCase(Trim(address));
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (AnsiUpperCase(Trim(list.substr(start, end - start))) == wanted) return true;
    start = end + 1;
  }
  return false;
}

void TDiscussion::UpdateModeratedCommentsCount() {
  const TModelHooks& hooks = ModelHooks();
  if (!hooks.SetModeratedCommentsCount) return;
  int counts[ModerateType_Discredited + 1] = {};  // by moderate type
  for (int i = 0; i < Storages.ModeratedComments.Count(); ++i) {
    const TDiscBlock& block = Storages.ModeratedComments.Block(i);
    if (!block.IsAlive()) continue;
    int type = ModerateType_Undefined;
    if (AuthorModerateType(*this, block.ADIdent, type) != ModerationCall_Done || type < ModerateType_Trustworthy ||
        type > ModerateType_Discredited)
      type = ModerateType_Doubtful;  // an author the library does not know waits as doubtful
    ++counts[type];
  }
  hooks.SetModeratedCommentsCount(Info.DIdent, counts[ModerateType_Trustworthy], counts[ModerateType_Doubtful],
                                  counts[ModerateType_Discredited]);
}

void TDiscussion::AutoFillMyData() {
  const TModelLogin login = CurrentModelLogin();
  if (login.LIdent.IsEmpty()) return;
  const int author = Authors.FindAuthorByLIdent(*this, login.LIdent, true);
  if (author < 0) return;
  const TAuthor old = Authors.Author(author);
  if (old.FirstName.IsEmpty() && old.LastName.IsEmpty() && Manager != nullptr)
    Authors.CopyAuthorDataFromModel(*Manager, *this, author);
  TAuthor& record = Authors.Author(author);
  if (record.AutomaticEMail.IsEmpty()) record.AutomaticEMail = login.EMail;
  Undo.AddAuthorChanges(*this, author, old);
}

void TDiscussion::AddExistingBlockNamesRequest(const TStr& address) {
  const std::string trimmed = Trim(address.View());
  // An address that asked already is answered once.
  if (trimmed.empty() || AddressListHolds(Info.BlockNamesRequesters.ToString(), trimmed)) return;
  Undo.AddStrFieldChange(UndoObject_InfoRequesters, InfoField_BlockNamesRequesters, Info.BlockNamesRequesters);
  if (!Info.BlockNamesRequesters.IsEmpty()) Info.BlockNamesRequesters += "; ";
  Info.BlockNamesRequesters += trimmed;
}

void TDiscussion::RepairUserBlockRelations() {
  const auto lost = [&](TBrowseItemIdent& ident) {
    if (ident.Kind != BrowseItem_Block) return false;
    ident.ResolveIndex(Storages);
    return ident.Index.IsEmpty() || Storages.GetDiscBlock(ident.Index)->DeleteFlag == DeleteFlag_Erased;
  };
  for (int i = int(User.Pairs.Count()) - 1; i >= 0; --i) {
    TBrowseItemIdentsPair& pair = User.Pairs[uint32_t(i)];
    bool drop = lost(pair.First) || lost(pair.Second);
    // A chosen formula must still be a formula computing that conclusion.
    if (!drop && pair.RelationType == UserRelation_SelectedFormula && pair.Second.Kind == BrowseItem_Block) {
      const TDiscBlock& formula = *Storages.GetDiscBlock(pair.Second.Index);
      drop = formula.TextType != TextType_Formula || !(formula.Conclusion == pair.First.Index);
    }
    if (!drop) continue;
    Undo.AddPairChange(i, pair, true);
    User.Pairs.Delete(uint32_t(i));
  }
}
