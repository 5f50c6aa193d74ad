#include "platform/forms/Dialogscript.h"

#include <cstdio>
#include <cstdlib>

#include "platform/forms/Messagebox.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Tlistbox.h"

namespace platform {

namespace {
DialogScript* active = nullptr;

TComponent* FindIn(TComponent* root, const std::string& name) {
  if (auto* found = root->FindComponent(name)) return found;
  for (int i = 0; i < root->ComponentCount(); ++i)
    if (auto* found = FindIn(root->Components(i), name)) return found;
  if (auto* w = dynamic_cast<TWinControl*>(root)) {
    for (int i = 0; i < w->ControlCount(); ++i) {
      TControl* c = w->Controls(i);
      if (SameName(c->Name(), name)) return c;
      if (c->Owner() != root)
        if (auto* found = FindIn(c, name)) return found;
    }
  }
  return nullptr;
}
}  // namespace

DialogScript::DialogScript() : outer_(active) {
  active = this;
  OnFailure = [](const std::string& what) {
    std::fprintf(stderr, "dialog script: %s\n", what.c_str());
    std::abort();
  };
}

DialogScript::~DialogScript() { active = outer_; }

DialogScript& DialogScript::Answer(const std::string& Match, Action Do) {
  answers_.push_back(Entry{Match, std::move(Do)});
  return *this;
}

DialogScript& DialogScript::Press(const std::string& Match, const std::string& Button,
                                  std::vector<std::pair<std::string, std::string>> Fields) {
  return Answer(Match, [this, Button, Fields](TCustomForm& form) {
    for (const auto& [name, value] : Fields)
      if (!SetControlValue(form, name, value)) Fail("no control \"" + name + "\" on \"" + form.Caption() + "\"");
    if (!PressControl(form, Button)) Fail("no button \"" + Button + "\" on \"" + form.Caption() + "\"");
  });
}

void DialogScript::Fail(const std::string& What) {
  failures_.push_back(What);
  if (OnFailure) OnFailure(What);
}

bool DialogScriptActive() { return active != nullptr; }

void AnswerModal(TCustomForm& Form) {
  DialogScript* script = active;
  if (!script) return;
  script->seen_.push_back(Form.Caption());
  std::string message;
  if (auto* box = dynamic_cast<TMessageForm*>(&Form)) message = box->Message();
  auto it = script->answers_.begin();
  for (; it != script->answers_.end(); ++it)
    if (it->match == Form.Caption() || it->match == Form.ClassName() || (!message.empty() && it->match == message))
      break;
  if (it == script->answers_.end()) {
    script->Fail("no scripted answer for the modal form \"" + Form.Caption() + "\" (" + Form.ClassName() +
                 (message.empty() ? "" : ": " + message) + ")");
    Form.SetModalResult(mrCancel);
    return;
  }
  DialogScript::Action action = std::move(it->action);
  script->answers_.erase(it);
  action(Form);
}

void ModalLeftOpen(TCustomForm& Form) {
  if (active) active->Fail("the scripted answer left the modal form \"" + Form.Caption() + "\" open");
}

TComponent* FindNamed(TCustomForm& Form, const std::string& Name) { return FindIn(&Form, Name); }

bool SetControlValue(TCustomForm& Form, const std::string& Name, const std::string& Value) {
  TComponent* c = FindNamed(Form, Name);
  if (!c) return false;
  if (auto* e = dynamic_cast<TCustomEdit*>(c)) {
    e->SetText(Value);
  } else if (auto* b = dynamic_cast<TCheckBox*>(c)) {
    b->SetChecked(Value == "1");
  } else if (auto* r = dynamic_cast<TRadioButton*>(c)) {
    r->SetChecked(Value == "1");
  } else if (auto* l = dynamic_cast<TCustomListBox*>(c)) {
    l->SetItemIndex(l->Items()->IndexOf(Value));
  } else if (auto* cb = dynamic_cast<TCustomComboBox*>(c)) {
    int i = cb->Items()->IndexOf(Value);
    if (i >= 0) cb->SetItemIndex(i);
    else cb->SetText(Value);
  } else if (auto* ctl = dynamic_cast<TControl*>(c)) {
    ctl->SetText(Value);
  } else {
    return false;
  }
  return true;
}

bool PressControl(TCustomForm& Form, const std::string& Name) {
  auto* c = dynamic_cast<TControl*>(FindNamed(Form, Name));
  if (!c) return false;
  c->Click();
  return true;
}

}  // namespace platform
