#pragma once
// The author dialog: the personal data of one author of a discussion, shown for reading
// or, with editing enabled, changed with an undo record and notification 8. Beside them
// stand whose key it is and the fingerprint of the key the author signs with, for two
// people to compare; when a message offered another key in the author's name, its
// fingerprint and "Trust this key", which the user chooses after comparing; and on the
// user's own record (or the login's own data, before any discussion) the Key that opens
// the user's private messages, to pass on.

#include "foundation/Tstr.h"
#include "platform/forms/Tform.h"

#include <string>
#include <vector>

class TDiscussion;
class TEdit;
class TButton;
struct TAuthor;

class TFormAuthor : public TForm {
 public:
  explicit TFormAuthor(TComponent* owner);
  // The author shown; the browse window it was opened from may be null.
  void SetAuthor(TDiscussion* discussion, int author, TForm* browseWindow);
  void EnableEditing(bool editing = true);
  // Whose, the fingerprint and the Key of a login with no author record to show.
  void ShowLogin(const std::string& owner, const std::string& fingerprint, const std::string& key);
  // Shows the dialog; true when the author's record was changed.
  bool Execute();

 private:
  struct TField {
    TEdit* Edit;
    TStr TAuthor::*Text;
  };
  TDiscussion* fDiscussion = nullptr;
  int fAuthor = -1;
  std::vector<TField> fFields;
  TEdit* fBirthYear;
  TEdit* fKeyOwner;
  TEdit* fFingerprint;
  TEdit* fOfferedKey;
  TEdit* fKey;
  TButton* fOk;
  TButton* fTrust;
  // Shows the keys of the author's record: whose, known and offered.
  void ShowKeys();
  // "Trust this key": asks, then trusts the offered key for the author.
  void TrustOfferedKey();
  bool fEditing = false;
};

// The author dialog as the model's hook asks for it.
bool EditAuthor(TDiscussion& discussion, int author, bool editing);
// The current login's own data, for reading, before it has any discussion: whose, the
// fingerprint of its signing key and the Key of its private messages, to pass on.
void ShowLoginData();
