#include "postoffice/Libraryservices.h"

#include "foundation/Terror.h"
#include "foundation/Tlibraryservices.h"
#include "model/Messagecomposer.h"
#include "postoffice/Commandhandlers.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Thandlerframe.h"

namespace {

constexpr const char* Who = "TLibraryServices";

bool ReadCommandMessage(const TStr* path, const TStr* command, TArray<TStr>* fields) {
  if (!path || !command || !fields) return false;
  THandlerFrame frame(Who);
  if (!frame.Open(path->ToString(), {command->View()})) return false;
  fields->Clear();
  for (size_t i = 0; i < frame.Header.FieldCount(); ++i) {
    const TCommandMessageHeaderField& field = frame.Header.Field(i);
    fields->AddItem(field.Name);
    fields->AddItem(field.Plain);
  }
  return true;
}

bool WriteCommandMessage(const TStr* command, const TStr* receivers, const TStr* namePart,
                         const TArray<TStr>* fields) {
  const TPostCommand* known = command ? FindPostCommand(command->View()) : nullptr;
  if (!known || !receivers || !namePart) {
    TError::Report(std::string(Who) + " - неизвестная команда " + (command ? command->ToString() : std::string()));
    return false;
  }
  TCommandMessageHeader header;
  if (!StartCommandHeader(header, TRecipientsList{*receivers, TStr()}, known->Name) ||
      !header.AddField("COMPOSE_DATETIME", ComposeDateTimeText()))
    return false;
  for (uint32_t i = 0; fields && i + 1 < fields->Count(); i += 2)
    if (!header.AddField((*fields)[i].View(), (*fields)[i + 1].View())) return false;
  return WriteCommandMessageTo(NewOutboxFileName(namePart->View(), known->ShortCode), header, Who, 1);
}

bool FreeAuthorIdent(const TStr* path, uint16_t* adident) {
  return path && adident && ::FreeAuthorIdent(path->ToString(), *adident);
}

}  // namespace

const TLibraryServices& LibraryServices() {
  static const TLibraryServices services{ReadCommandMessage, WriteCommandMessage, FreeAuthorIdent};
  return services;
}
