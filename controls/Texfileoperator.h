#pragma once
// TExFileOperator: copies, moves, renames or deletes files and folders named
// by lists (";" or "|" between names, wildcards in the last part of a name),
// as the shell's file operation does: into a destination folder (made when
// missing) or onto destination names one by one (flMultiDest). Without
// flNoConfirmation replacing a file asks the user; flRenameOnCollision keeps
// both; deleting with flAllowUndo moves to the user's trash. Every name stays
// below the folders it names: what a source holds is copied as it is, a
// symbolic link as a link, never followed.

#include <string>
#include <vector>

#include "platform/rtl/Tcomponent.h"
#include "platform/rtl/Tset.h"

enum TFileOperation { foCopy, foDelete, foMove, foRename };
enum TFileOperFlag {
  flAllowUndo, flConfirmMouse, flFilesOnly, flMultiDest, flNoConfirmation, flNoConfirmMkDir, flRenameOnCollision,
  flSilent, flSimpleProgress, flNoErrorUI
};
using TFileOperFlags = TSet<TFileOperFlag>;

class TExFileOperator : public TComponent {
 public:
  explicit TExFileOperator(TComponent* AOwner) : TComponent(AOwner) {}

  const std::string& Source() const { return source_; }
  void SetSource(const std::string& Value) { source_ = Value; }
  const std::string& Destination() const { return destination_; }
  void SetDestination(const std::string& Value) { destination_ = Value; }
  TFileOperation Operation() const { return operation_; }
  void SetOperation(TFileOperation Value) { operation_ = Value; }
  TFileOperFlags Options() const { return options_; }
  void SetOptions(TFileOperFlags Value) { options_ = Value; }
  const std::string& ProgressTitle() const { return progressTitle_; }
  void SetProgressTitle(const std::string& Value) { progressTitle_ = Value; }
  // The user stopped some part of the last Execute.
  bool Aborted() const { return aborted_; }

  // True when every part succeeded.
  bool Execute();

 private:
  bool Transfer(const std::string& From, const std::string& To, bool Move);
  bool Remove(const std::string& Name);
  // Decides about an existing target: false to skip it (or stop, Aborted).
  bool MayReplace(std::string& Target);
  bool Fail(const std::string& Text);

  std::string source_, destination_;
  TFileOperation operation_ = foCopy;
  TFileOperFlags options_ = {flAllowUndo, flNoConfirmMkDir};
  std::string progressTitle_;
  bool aborted_ = false;
};

// The names of a list split at ";" and "|", empty ones left out.
std::vector<std::string> SplitFileList(const std::string& List);
// Moves a file or folder to the user's trash folder with its restore record.
bool MoveToTrash(const std::string& Name);
