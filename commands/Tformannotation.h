#pragma once
// The discussion's information shown and, for the model's author of a discussion without
// a moderator, edited: name, nickname, annotation, author and leader, secrecy and the
// distribution options, with links to the Web sites of the model and of the discussion.

#include "foundation/Tlisteners.h"
#include "platform/forms/Tform.h"

#include <memory>
#include <string>

class TCheckBox;
class TDiscussion;
class TEdit;
class TLabel;
class TMemo;
class TPanel;
class TButton;
class TFormAnnotation;

// Hears the program's notices while the dialog is open: notice 1 ends a link's hover.
class TFormAnnotationListener : public TListener {
 public:
  explicit TFormAnnotationListener(TFormAnnotation& dialog) : fDialog(dialog) {}
  void Listen(const TListenMessage& message) override;

 private:
  TFormAnnotation& fDialog;
};

class TFormAnnotation : public TForm {
 public:
  explicit TFormAnnotation(TComponent* owner);
  ~TFormAnnotation() override;

  // Fills the dialog from the discussion's information; the dialog then edits it.
  void Fill(TDiscussion& discussion);
  // Ends a link's hover: the capture released, plain fonts, the default cursor.
  void RefreshLinks();

  bool EditMode() const { return fEditMode; }

  TEdit* EditMonographyName;
  TMemo* MemoAnnotation;
  TEdit* EditMonographyNick;
  TEdit* EditAuthors;
  TLabel* LabelShareDateName;
  TLabel* LabelShareDateValue;
  TLabel* LabelLeaderCaption;
  TLabel* LabelLeaderEMail;
  TLabel* LabelSubscribed;
  TCheckBox* CheckBoxPrivateDiscussion;
  TCheckBox* CheckBoxShowRecipients;
  TCheckBox* CheckBoxViaWebOnlyDefault;
  TCheckBox* CheckBoxGiveCommandsSubscribersOnly;
  TPanel* PanelDiscussionURL;
  TPanel* PanelModelURL;
  TButton* ButtonOk;
  TButton* ButtonCancel;

 private:
  void Changed() { fChanged = true; }
  void OkClicked();
  void CancelClicked();
  void LinkMouseMove(TPanel* panel, int x, int y);
  void LinkMouseDown(TPanel* panel, bool left);
  std::string LinkAddress(TPanel* panel) const;

  TDiscussion* fDiscussion = nullptr;
  std::unique_ptr<TFormAnnotationListener> fListener;
  bool fEditMode = false;
  bool fChanged = false;
  bool fFilling = false;
};

// Whether a model nickname holds only Latin letters, digits, "_" and "-".
bool IsValidModelNick(const std::string& nick);
