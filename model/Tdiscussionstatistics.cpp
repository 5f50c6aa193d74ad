#include "model/Tdiscussionstatistics.h"

#include "model/Tdiscussion.h"

void TDiscussion::CollectStatistics(TDiscussionStatistics& s) const {
  s = TDiscussionStatistics{};
  for (uint8_t type = StorageType_Model; type <= StorageType_ModeratedComments; ++type) {
    const TBlocksStorage& storage = *Storages.GetStorage(type);
    const int at = type - 1;
    for (int i = 0; i < storage.Count(); ++i) {
      const TDiscBlock& block = storage.Block(i);
      switch (block.DeleteFlag) {
        case DeleteFlag_Erased: ++s.Erased[at]; continue;
        case DeleteFlag_Recycled: ++s.Recycled[at]; continue;
        case DeleteFlag_Crossed: ++s.Crossed[at]; break;
        default: break;
      }
      ++s.Alive[at];
      if (type == StorageType_Model && block.TextType >= TextType_Heading && block.TextType <= TextType_Formula)
        ++s.Kinds[block.TextType - 1];
      if (block.UnlinkedIndex != NoUnlinkedBlockInfo) ++s.Unlinked;
      if (type != StorageType_Notes) {
        const int property = ReaderProperties.Find(block.GetDiscBlockCode());
        if (property < 0 || ReaderProperties.Items[property].Read == 0) ++s.Unread;
      }
    }
  }
  s.Authors = Authors.Count();
  s.Themes = int(Themes.Count());
  s.PostLists = int(User.PostLists.Items.Count());
}

namespace {

std::string Line(const char* caption, int count) { return std::string(caption) + std::to_string(count) + "\n"; }

int Sum(const int (&counts)[4]) { return counts[0] + counts[1] + counts[2] + counts[3]; }

}  // namespace

std::string ComposeStatisticsText(const TDiscussionStatistics& s, bool creating, bool moderator) {
  std::string text = Line("Model blocks: ", s.Alive[0]);
  text += "  headings " + std::to_string(s.Kinds[0]) + ", premises " + std::to_string(s.Kinds[1]) + ", conclusions " +
          std::to_string(s.Kinds[2]) + ", formulas " + std::to_string(s.Kinds[3]) + "\n";
  if (!creating) text += Line("Comments: ", s.Alive[1]);
  if (moderator || s.Alive[3] > 0) text += Line("Moderated comments: ", s.Alive[3]);
  text += Line("Notes: ", s.Alive[2]);
  text += Line("Crossed blocks: ", Sum(s.Crossed));
  text += Line("Blocks in recycle bin: ", Sum(s.Recycled));
  text += Line("Erased blocks: ", Sum(s.Erased));
  if (!creating) text += Line("Unread blocks: ", s.Unread);
  text += Line("Blocks with lost links: ", s.Unlinked);
  text += Line("Authors: ", s.Authors);
  text += Line("Themes: ", s.Themes);
  text += Line("Post lists: ", s.PostLists);
  return text;
}
