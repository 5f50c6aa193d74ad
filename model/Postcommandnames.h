#pragma once
// The commands that command messages carry: each one's name, as the COMMAND field gives it,
// and the short code that stands for it in post-file names. The model writes messages of
// these commands and the post office handles them; both name a command only through its row
// here (`postoffice/Postcommands.h` lists them in the order the post office compares them).

struct TPostCommand {
  const char* Name;
  const char* ShortCode;
};

namespace MessageCommand {
inline constexpr TPostCommand YouSubscribed{"YOU_SUBSCRIBED", "YS"};
inline constexpr TPostCommand RegistrateModel{"REGISTRATE_MODEL", "RM"};
inline constexpr TPostCommand GenerateAuthorIdents{"GENERATE_AUTHOR_IDENTS", "GAI"};
inline constexpr TPostCommand ModelRegistration{"MODEL_REGISTRATION", "MR"};
inline constexpr TPostCommand MakeDiscussionPrivate{"MAKE_DISCUSSION_PRIVATE", "MDPR"};
inline constexpr TPostCommand YourCommandIgnored{"YOUR_COMMAND_IGNORED", "YCI"};
inline constexpr TPostCommand UnsubscribeMe{"UNSUBSCRIBE_ME", "UM"};
inline constexpr TPostCommand ModerateDll{"MODERATE_DLL", "MD"};
inline constexpr TPostCommand SubscribeMe{"SUBSCRIBE_ME", "SM"};
inline constexpr TPostCommand GiveExistingBlocksList{"GIVE_EXISTING_BLOCKS_LIST", "GEBL"};
inline constexpr TPostCommand MakeDiscussionPublic{"MAKE_DISCUSSION_PUBLIC", "MDPU"};
inline constexpr TPostCommand AuthorIdentsGenerated{"AUTHOR_IDENTS_GENERATED", "AIG"};
inline constexpr TPostCommand DoNotBotherMore{"DO_NOT_BOTHER_MORE", "DBM"};
inline constexpr TPostCommand YourBlocksIgnored{"YOUR_BLOCKS_IGNORED", "YBI"};
inline constexpr TPostCommand NewAnnotation{"NEW_ANNOTATION", "NA"};
inline constexpr TPostCommand FormNewModel{"FORM_NEW_MODEL", "FNM"};
inline constexpr TPostCommand GiveModel{"GIVE_MODEL", "GM"};
inline constexpr TPostCommand GiveBlocks{"GIVE_BLOCKS", "GB"};
inline constexpr TPostCommand NewBlocks{"NEW_BLOCKS", "NB"};
inline constexpr TPostCommand RequestedBlocks{"REQUESTED_BLOCKS", "RB"};
inline constexpr TPostCommand ExistingBlocksList{"EXISTING_BLOCKS_LIST", "EBL"};
inline constexpr TPostCommand AuthorsUpdate{"AUTHORS_UPDATE", "AU"};
}  // namespace MessageCommand
