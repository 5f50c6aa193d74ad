#include "dialogs/Tformauthor.h"

#include "dialogs/Dialogrows.h"
#include "foundation/Guihooks.h"
#include "foundation/Messagesignature.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tauthor.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"

namespace {
constexpr int kMargin = 12;
constexpr int kLabelWidth = 130;
constexpr int kEditWidth = 300;
}  // namespace

TFormAuthor::TFormAuthor(TComponent* owner) : TForm(owner) {
  SetName("FormAuthor");
  SetCaption("Author");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  struct TLine {
    const char* Name;
    const char* Caption;
    TStr TAuthor::*Text;
  };
  const TLine lines[] = {
      {"EditFirstName", "First name:", &TAuthor::FirstName},
      {"EditMiddleName", "Middle name:", &TAuthor::MiddleName},
      {"EditLastName", "Last name:", &TAuthor::LastName},
      {"EditOrganisation", "Organisation:", &TAuthor::Organisation},
      {"EditPrivateEMail", "Private e-mail:", &TAuthor::PrivateEMail},
      {"EditWebPage", "Web page:", &TAuthor::WebPage},
      {"EditAddress", "Address:", &TAuthor::Address},
      {"EditPhones", "Phones:", &TAuthor::Phones},
      {"EditDegree", "Degree:", &TAuthor::Degree},
      {"EditOtherText", "About:", &TAuthor::OtherText},
  };
  const TLabelledEditColumns columns{kMargin, kLabelWidth, kEditWidth};
  const auto readOnly = [](TEdit& edit) { edit.SetReadOnly(true); };
  std::vector<TControlRow> rows;
  int top = kMargin;
  fFields.resize(std::size(lines));  // sized first: the rows make their edits into these fields
  for (size_t i = 0; i < std::size(lines); ++i) {
    fFields[i].Text = lines[i].Text;
    AddLabelledEditRows(rows, Into(fFields[i].Edit), lines[i].Name, lines[i].Caption, columns, top);
  }
  AddLabelledEditRows(rows, Into(fBirthYear), "EditBirthYear", "Year of birth:", columns, top);
  AddLabelledEditRows(rows, Into(fKeyOwner, readOnly), "EditKeyOwner", "Key of:", columns, top);
  AddLabelledEditRows(rows, Into(fFingerprint, readOnly), "EditKeyFingerprint", "Key fingerprint:", columns, top);
  AddLabelledEditRows(rows, Into(fOfferedKey, readOnly), "EditOfferedKey", "Other key offered:", columns, top);
  AddLabelledEditRows(rows, Into(fKey, readOnly), "EditKey", "Key of my private messages:", columns, top);
  top += kMargin;
  const auto accept = [this] {
    int year = 0;
    const std::string text = fBirthYear->Text();
    if (text.find_first_not_of(' ') != std::string::npos && !ParseWholeNumber(text, 0, 9999, year)) {
      ShowMessageBox("AUTHOR", "The year of birth must be a number from 0 to 9999.");
      return;
    }
    SetModalResult(mrOk);
  };
  rows.push_back({Into(fOk, PressedByEnter()), "ButtonOk", "", {kMargin, top, 90, 25}, alNone, "OK", accept});
  rows.push_back(
      {New<TButton>(PressedByEscape(mrCancel)), "ButtonCancel", "", {kMargin + 98, top, 90, 25}, alNone, "Close"});
  rows.push_back({Into(fTrust), "ButtonTrustKey", "", {kMargin + 196, top, 110, 25}, alNone, "Trust this key", [this] {
                    TrustOfferedKey();
                  }});
  BuildControls(*this, rows);
  SetClientWidth(kLabelWidth + FitLabelColumn(*this, columns) + kEditWidth + 3 * kMargin);
  SetClientHeight(top + 25 + kMargin);
  EnableEditing(false);
}

void TFormAuthor::SetAuthor(TDiscussion* discussion, int author, TForm*) {
  fDiscussion = discussion;
  fAuthor = author;
  if (!discussion || author < 0 || author >= discussion->Authors.Count()) return;
  const TAuthor& record = discussion->Authors.Author(author);
  for (const TField& field : fFields) field.Edit->SetText((record.*field.Text).ToString());
  fBirthYear->SetText(record.BirthYear ? std::to_string(record.BirthYear) : std::string());
  TLoginsStorage* logins = LoginsStorage();
  const TLogin* me = logins ? logins->GetCurrentLogin() : nullptr;
  const bool mine = me && !record.LIdent.IsEmpty() && me->LIdent == record.LIdent;
  fKey->SetText(mine ? me->SealingKey() : std::string());
  ShowKeys();
  SetCaption("Author " + discussion->Authors.GetShownName(author));
}

void TFormAuthor::ShowLogin(const std::string& owner, const std::string& fingerprint, const std::string& key) {
  fKeyOwner->SetText(owner);
  fFingerprint->SetText(fingerprint);
  fKey->SetText(key);
  fTrust->SetEnabled(false);
}

void TFormAuthor::ShowKeys() {
  const TAuthor& record = fDiscussion->Authors.Author(fAuthor);
  TLoginsStorage* logins = LoginsStorage();
  const TLogin* me = logins ? logins->GetCurrentLogin() : nullptr;
  const bool mine = me && !record.LIdent.IsEmpty() && me->LIdent == record.LIdent;
  std::string owner = record.GetFullName().ToString();
  const std::string address = record.AutomaticEMail.ToString();
  if (!address.empty()) owner += (owner.empty() ? "" : " ") + ("<" + address + ">");
  fKeyOwner->SetText(mine ? "you, " + owner : owner);
  TPublicKey key;
  fFingerprint->SetText(logins && logins->KnownKeyOf(record.LIdent, key) ? KeyFingerprint(key)
                                                                         : std::string("not known yet"));
  TPinnedKey offered;
  const bool other = logins && !mine && logins->OfferedKeyOf(record.LIdent, offered);
  fOfferedKey->SetText(other ? KeyFingerprint(offered.Key) + " (" + offered.Address.ToString() + ")" : std::string());
  fTrust->SetEnabled(other);
}

void TFormAuthor::TrustOfferedKey() {
  TLoginsStorage* logins = LoginsStorage();
  if (!logins || !fDiscussion || fAuthor < 0 || fAuthor >= fDiscussion->Authors.Count()) return;
  const TAuthor& record = fDiscussion->Authors.Author(fAuthor);
  TPinnedKey offered;
  if (!logins->OfferedKeyOf(record.LIdent, offered)) return;
  const std::string whose = fKeyOwner->Text();
  if (ShowMessageBox("TRUST THIS KEY",
                     "Trust the key " + KeyFingerprint(offered.Key) + " as the key of " + whose +
                         "?\nDo it only after comparing this fingerprint with " + whose +
                         " by phone or in person. Their messages signed with it are then taken, and those set "
                         "aside for it are handled in the next run; messages signed with the key known now are "
                         "set aside.",
                     "", "Yes|No", 1) != 0)
    return;
  if (logins->TrustOfferedKey(record.LIdent, offered.Key))
    ShowMessageBox("TRUST THIS KEY",
                   "The key " + KeyFingerprint(offered.Key) + " is trusted as the key of " + whose + " now.");
  ShowKeys();
}

void TFormAuthor::EnableEditing(bool editing) {
  fEditing = editing;
  for (const TField& field : fFields) field.Edit->SetReadOnly(!editing);
  fBirthYear->SetReadOnly(!editing);
  fOk->SetVisible(editing);
}

bool TFormAuthor::Execute() {
  if (ShowModal() != mrOk || !fEditing || !fDiscussion || fAuthor < 0 || fAuthor >= fDiscussion->Authors.Count())
    return false;
  TAuthor& record = fDiscussion->Authors.Author(fAuthor);
  TAuthor changed = record;
  for (const TField& field : fFields) changed.*field.Text = field.Edit->Text();
  int year = 0;
  ParseWholeNumber(fBirthYear->Text(), 0, 9999, year);
  changed.BirthYear = static_cast<uint16_t>(year);
  if (changed == record) return false;
  const TAuthor old = record;
  record = changed;
  fDiscussion->Undo.AddAuthorChanges(*fDiscussion, fAuthor, old);
  TListeners::SendPair(Notify_AuthorChanged, reinterpret_cast<intptr_t>(fDiscussion), fAuthor, false);
  return true;
}

bool EditAuthor(TDiscussion& discussion, int author, bool editing) {
  TFormAuthor form(nullptr);
  form.SetAuthor(&discussion, author, nullptr);
  form.EnableEditing(editing);
  // Only the user's own record is ever given for editing.
  if (editing) form.SetCaption("My data");
  return form.Execute();
}

void ShowLoginData() {
  TLoginsStorage* logins = LoginsStorage();
  const TLogin* me = logins ? logins->GetCurrentLogin() : nullptr;
  if (!me) return;
  TFormAuthor form(nullptr);
  form.EnableEditing(false);
  form.SetCaption("My data");
  std::string owner = me->Name.ToString();
  if (!me->AutomaticEMail.IsEmpty()) owner += (owner.empty() ? "" : " ") + ("<" + me->AutomaticEMail.ToString() + ">");
  TPublicKey key;
  form.ShowLogin("you, " + owner,
                 logins->KnownKeyOf(me->LIdent, key) ? KeyFingerprint(key) : std::string("not known yet"),
                 me->SealingKey());
  form.Execute();
}
