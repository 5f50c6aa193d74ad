#include "browse/Servicerowtexts.h"

#include "model/Modelhooks.h"
#include "model/Tdiscblock.h"
#include "model/Tdiscussion.h"
#include "model/Treaderproperty.h"
#include "platform/rtl/Tdatetime.h"

std::string GetNoveltyText(int novelty) { return novelty == 1 ? "new" : novelty == 2 ? "  " : ""; }

std::string GetImportanceText(int importance) {
  return importance == 1 ? "significant" : importance == 2 ? "    " : "";
}

std::string GetCommentedStateText(int state) { return state == 1 ? "arguable" : ""; }

std::string GetPossibilityText(const TDiscBlock& block) {
  return (block.StorageType == StorageType_Notes ? "" : "A") + std::to_string(block.Possibility) + "%";
}

std::string GetReaderPossibilityText(const TReaderProperty& property) {
  return "R" + std::to_string(property.GetPossibility()) + "%";
}

std::string GetKindMarkText(const TDiscBlock& block, const TDiscussion& discussion) {
  if (block.TextType == TextType_Conclusion) return " conclusion";
  if (block.IsUserSelectedFormula(discussion)) return " used";
  return "";
}

std::string GetAuthorText(const TDiscBlock& block, TDiscussion& discussion) {
  if (!HasAuthorField(block.StorageType)) return "";
  const int author = block.GetAuthor(discussion);
  return discussion.Authors.GetShownName(author);
}

std::string GetShortDateText(const TDiscBlock& block) {
  return block.Date != 0 ? " " + FormatDateTime("mm'/'dd'/'yy", block.GetDate()) : "";
}

std::string GetModerateTypeText(int type) {
  switch (type) {
    case ModerateType_Trustworthy: return "Trustworthy";
    case ModerateType_Doubtful: return "Doubtful";
    case ModerateType_Discredited: return "Discredited";
    default: return "Undefined";
  }
}
